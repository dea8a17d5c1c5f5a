#pragma once

#include <optional>
#include <string>
#include <vector>

#include "serial/UserInteraction.h"

namespace vanteo::test {

// The person at the screen for link tests: keeps every message box text. The link uses
// ShowMessage only; everything else is inert.
class RecordingInteraction final : public UserInteraction {
public:
    std::vector<std::string> messages;

    void ShowMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
    std::optional<std::string> AskOpenFile(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> AskSaveFile(const FileDialogRequest&) override { return {}; }
    bool ReadForm() override { return true; }
    void ShowForm() override {}
    void ReadFormQuietly() override {}
    void ShowFields(std::span<const int>) override {}
    void SetControlVisible(int, bool) override {}
    void SetControlCaption(int, const std::string&) override {}
    bool AskFlightDetails(FlightDetails&) override { return false; }
    bool ConfirmClearFlash() override { return false; }
    void ProgressBegin(int) override {}
    void ProgressStep() override {}
    void ProgressEnd() override {}
};

}  // namespace vanteo::test
