#pragma once

#include <map>
#include <string>

#include "device/FormModel.h"
#include "device/FormTransfer.h"
#include "device/UserInteraction.h"

namespace vanteo {

// The form without a window: the fields, what the controls would show (ControlState), which
// controls are visible and the button captions. ReadForm and ShowForm run the real transfers, so
// a value typed with Type() is parsed and validated exactly as typing it into the window would.
// The CLI and the tests derive from it and answer the dialogs and message boxes their own way.
//
// Note: an operation's ReadForm takes the controls into the fields. Code that changes `form`
// directly must call ShowForm() (fields -> controls) before running an operation.
class HeadlessForm : public UserInteraction {
public:
    explicit HeadlessForm(FormModel& form);

    // Types `text` into control `controlId` ("0"/"1" for a check box).
    void Type(int controlId, const std::string& text) { controls_.texts[controlId] = text; }
    const std::string& ControlText(int controlId) { return controls_.texts[controlId]; }
    ControlState& Controls() { return controls_; }

    // Visibility as set by the start-up, the command line and the Read (unknown ids: visible).
    bool IsVisible(int controlId) const;
    std::string Caption(int controlId) const;

    bool ReadForm() override;
    void ShowForm() override;
    void ReadFormQuietly() override;
    void ShowFields(std::span<const int> controlIds) override;
    void SetControlVisible(int controlId, bool visible) override;
    void SetControlCaption(int controlId, const std::string& caption) override;

protected:
    FormModel& form_;
    ControlState controls_;
    std::map<int, bool> visible_;
    std::map<int, std::string> captions_;
};

}  // namespace vanteo
