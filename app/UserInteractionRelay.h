#pragma once

#include "serial/UserInteraction.h"

namespace vanteo {

// Passes every call on to a target set later. The serial link needs its UserInteraction when it
// is constructed, before the form that answers exists; the application gives the link a relay
// and points it at the form once the form is built. Calls while no target is set are dropped
// (false / nullopt). Set the target on the user-interface thread while no worker runs.
class UserInteractionRelay final : public UserInteraction {
public:
    void SetTarget(UserInteraction* target) { target_ = target; }

    void ShowMessage(const std::string& text, MessageIcon icon) override;
    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override;
    bool ReadForm() override;
    void ShowForm() override;
    void ReadFormQuietly() override;
    void ShowFields(std::span<const int> controlIds) override;
    void SetControlVisible(int controlId, bool visible) override;
    void SetControlCaption(int controlId, const std::string& caption) override;
    bool AskFlightDetails(FlightDetails& details) override;
    bool ConfirmClearFlash() override;
    bool ConfirmFlashTest() override;
    void ProgressBegin(int steps) override;
    void ProgressStep() override;
    void ProgressEnd() override;
    bool ProgressCancelled() const override;

private:
    UserInteraction* target_ = nullptr;
};

}  // namespace vanteo
