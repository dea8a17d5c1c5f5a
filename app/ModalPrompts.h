#pragma once

#include <optional>
#include <string>

#include "device/Prompts.h"

namespace vanteo {

// The modal windows the form opens for an operation: message boxes, file dialogs and the two
// flash dialogs. The form calls these on the user-interface thread only (it marshals calls that
// come from the flash worker), so an implementation needs no locking. Tests replace the Qt
// implementation with a scripted one, since a real modal box would block them. The form asks the
// flash-test question through AskYesNo, so ConfirmFlashTest keeps its refusing default here.
class ModalPrompts : public Prompts {
public:
    // A question with Yes and No buttons, No the default; true for Yes.
    virtual bool AskYesNo(const std::string& question) = 0;
    // The same with Yes the default: an offer the user usually takes.
    virtual bool AskYesNoDefaultYes(const std::string& question) = 0;
};

}  // namespace vanteo
