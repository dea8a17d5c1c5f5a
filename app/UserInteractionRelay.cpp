#include "app/UserInteractionRelay.h"

namespace vanteo {

void UserInteractionRelay::ShowMessage(const std::string& text, MessageIcon icon) {
    if (target_) {
        target_->ShowMessage(text, icon);
    }
}

std::optional<std::string> UserInteractionRelay::AskOpenFile(const FileDialogRequest& request) {
    return target_ ? target_->AskOpenFile(request) : std::nullopt;
}

std::optional<std::string> UserInteractionRelay::AskSaveFile(const FileDialogRequest& request) {
    return target_ ? target_->AskSaveFile(request) : std::nullopt;
}

bool UserInteractionRelay::ReadForm() {
    return target_ && target_->ReadForm();
}

void UserInteractionRelay::ShowForm() {
    if (target_) {
        target_->ShowForm();
    }
}

void UserInteractionRelay::ReadFormQuietly() {
    if (target_) {
        target_->ReadFormQuietly();
    }
}

void UserInteractionRelay::ShowFields(std::span<const int> controlIds) {
    if (target_) {
        target_->ShowFields(controlIds);
    }
}

void UserInteractionRelay::SetControlVisible(int controlId, bool visible) {
    if (target_) {
        target_->SetControlVisible(controlId, visible);
    }
}

void UserInteractionRelay::SetControlCaption(int controlId, const std::string& caption) {
    if (target_) {
        target_->SetControlCaption(controlId, caption);
    }
}

bool UserInteractionRelay::AskFlightDetails(FlightDetails& details) {
    return target_ && target_->AskFlightDetails(details);
}

bool UserInteractionRelay::ConfirmClearFlash() {
    return target_ && target_->ConfirmClearFlash();
}

bool UserInteractionRelay::ConfirmFlashTest() {
    return target_ && target_->ConfirmFlashTest();
}

bool UserInteractionRelay::ProgressCancelled() const {
    return target_ && target_->ProgressCancelled();
}

void UserInteractionRelay::ProgressBegin(int steps) {
    if (target_) {
        target_->ProgressBegin(steps);
    }
}

void UserInteractionRelay::ProgressStep() {
    if (target_) {
        target_->ProgressStep();
    }
}

void UserInteractionRelay::ProgressEnd() {
    if (target_) {
        target_->ProgressEnd();
    }
}

}  // namespace vanteo
