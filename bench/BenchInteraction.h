#pragma once

#include <optional>
#include <string>
#include <vector>

#include "device/HeadlessForm.h"

namespace vanteo::bench {

// A user who answers every file dialog with fixed paths, confirms every dialog and keeps the
// message boxes' texts, for timing the operations without a window. Messages may come from the
// flash worker; the benchmarks read them only after the worker has ended.
class BenchInteraction final : public HeadlessForm {
public:
    explicit BenchInteraction(FormModel& form) : HeadlessForm(form) {}

    std::optional<std::string> openPath;
    std::optional<std::string> savePath;
    std::vector<std::string> messages;

    void ShowMessage(const std::string& text, MessageIcon icon) override;
    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override;
    bool AskFlightDetails(FlightDetails& details) override;
    bool ConfirmClearFlash() override { return true; }
};

}  // namespace vanteo::bench
