#include "bench/BenchInteraction.h"

namespace vanteo::bench {

void BenchInteraction::ShowMessage(const std::string& text, MessageIcon) {
    messages.push_back(text);
}

std::optional<std::string> BenchInteraction::AskOpenFile(const FileDialogRequest&) {
    return openPath;
}

std::optional<std::string> BenchInteraction::AskSaveFile(const FileDialogRequest&) {
    return savePath;
}

bool BenchInteraction::AskFlightDetails(FlightDetails& details) {
    details.name = "Bench";
    details.rocketName = "Timing";
    return true;
}

}  // namespace vanteo::bench
