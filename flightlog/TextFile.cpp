#include "flightlog/TextFile.h"

#include <optional>

#include "device/InputFile.h"

namespace vanteo {

bool AskAndReadKmlFile(UserInteraction& ui, std::string& text) {
    const std::optional<std::string> path = ui.AskOpenFile(kKmlFileDialog);
    if (!path) {
        return false;
    }
    const InputFileStatus status = ReadInputFile(*path, kMaxKmlFileBytes, text);
    if (status != InputFileStatus::ok) {
        ui.ShowMessage(InputFileMessage(status, kMaxKmlFileBytes));
        return false;
    }
    return true;
}

std::unique_ptr<AtomicFileWriter> AskAndCreateKmlFile(UserInteraction& ui, bool& cancelled) {
    const std::optional<std::string> path = ui.AskSaveFile(kKmlFileDialog);
    cancelled = !path;
    if (!path) {
        return nullptr;
    }
    auto file = std::make_unique<AtomicFileWriter>(*path);
    if (!file->Open()) {
        ui.ShowMessage("Error opening file");
        return nullptr;
    }
    return file;
}

}  // namespace vanteo
