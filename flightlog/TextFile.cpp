#include "flightlog/TextFile.h"

#include <cstdio>
#include <optional>

namespace vanteo {

bool ReadTextFile(const std::string& path, std::string& text) {
    text.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
    }
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

bool AskAndReadKmlFile(UserInteraction& ui, std::string& text) {
    const std::optional<std::string> path = ui.AskOpenFile(kKmlFileDialog);
    if (!path) {
        return false;
    }
    if (!ReadTextFile(*path, text)) {
        ui.ShowMessage("Error opening file");
        return false;
    }
    return true;
}

std::unique_ptr<AtomicFileWriter> AskAndCreateKmlFile(UserInteraction& ui) {
    bool cancelled = false;
    return AskAndCreateKmlFile(ui, cancelled);
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
