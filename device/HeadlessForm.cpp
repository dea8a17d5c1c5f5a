#include "device/HeadlessForm.h"

namespace vanteo {

HeadlessForm::HeadlessForm(FormModel& form) : form_(form) {
    ShowFormInControls(form_, controls_);
}

bool HeadlessForm::IsVisible(int controlId) const {
    const auto it = visible_.find(controlId);
    return it == visible_.end() || it->second;
}

std::string HeadlessForm::Caption(int controlId) const {
    const auto it = captions_.find(controlId);
    return it == captions_.end() ? std::string() : it->second;
}

bool HeadlessForm::ReadForm() {
    controls_.hiddenControls.clear();
    for (const auto& [id, visible] : visible_) {
        if (!visible) {
            controls_.hiddenControls.insert(id);
        }
    }
    return ReadFormFromControls(form_, controls_, *this);
}

void HeadlessForm::ShowForm() {
    ShowFormInControls(form_, controls_);
}

void HeadlessForm::ReadFormQuietly() {
    ReadFormQuietlyFromControls(form_, controls_);
}

void HeadlessForm::ShowFields(std::span<const int> controlIds) {
    ShowFieldsInControls(form_, controls_, controlIds);
}

void HeadlessForm::SetControlVisible(int controlId, bool visible) {
    visible_[controlId] = visible;
}

void HeadlessForm::SetControlCaption(int controlId, const std::string& caption) {
    captions_[controlId] = caption;
}

}  // namespace vanteo
