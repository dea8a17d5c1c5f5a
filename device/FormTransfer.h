#pragma once

#include <map>
#include <vector>
#include <string>

#include "device/FormModel.h"
#include "serial/UserInteraction.h"

namespace vanteo {

// What the controls show, as text: an edit's or label's text, "0"/"1" for a check box, the
// "COM port" box's edit text. The GUI reads its widgets into one of these; the CLI and the tests
// type into one directly.
struct ControlState {
    std::map<int, std::string> texts;
    // The entries of the "COM port" list (for the selection rule of ShowForm).
    std::vector<std::string> comPortEntries;
    // Identifier of the control that received the focus after a failed ReadForm (0: none).
    int focusedControl = 0;
};

// ReadForm over ControlState: every field in table order with the parse and range rules and
// messages of the form (plain box for the parse message, exclamation icon for the range and
// length messages). Stops at the first failure, leaving the later fields unchanged.
bool ReadFormFromControls(FormModel& form, ControlState& controls, UserInteraction& ui);
// ShowForm over ControlState: every field in table order; check fields outside 0 … 2 become 0.
void ShowFormInControls(FormModel& form, ControlState& controls);

}  // namespace vanteo
