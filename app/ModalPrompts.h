#pragma once

#include <optional>
#include <string>

#include "device/UserInteraction.h"

namespace vanteo {

// The modal windows the form opens for an operation: message boxes, file dialogs and the two
// flash dialogs. The form calls these on the user-interface thread only (it marshals calls that
// come from the flash worker), so an implementation needs no locking. Tests replace the Qt
// implementation with a scripted one, since a real modal box would block them.
class ModalPrompts {
public:
    virtual ~ModalPrompts() = default;

    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
    virtual std::optional<std::string> AskOpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> AskSaveFile(const FileDialogRequest& request) = 0;
    virtual bool AskFlightDetails(FlightDetails& details) = 0;
    virtual bool ConfirmClearFlash() = 0;
    // A question with Yes and No buttons, No the default; true for Yes.
    virtual bool AskYesNo(const std::string& question) = 0;
    // The same with Yes the default: an offer the user usually takes.
    virtual bool AskYesNoDefaultYes(const std::string& question) = 0;
};

}  // namespace vanteo
