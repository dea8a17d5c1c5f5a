#include "tests/faults/FaultRig.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>

#include "device/Operations.h"

namespace vanteo::test {
namespace {

std::filesystem::path NewScratchFolder() {
    static std::atomic<int> counter{0};
    const std::filesystem::path path =
        std::filesystem::path(::testing::TempDir()) /
        ("vanteo-faults-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path;
}

}  // namespace

FaultRig::FaultRig(sim::SimulatorConfig config)
    : simulator(std::move(config)),
      link(ui, clock,
           [this](const std::string&) {
               return std::make_unique<InProcessTransport>(simulator, clock);
           }),
      folder(NewScratchFolder()) {
    form.comPort = "SIM";
    RunFormStartUp(device, "");
}

FaultRig::~FaultRig() {
    WaitForFlashWorker(ctx);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

void FaultRig::WriteFile(const std::string& name, const std::string& text) const {
    std::ofstream(PathOf(name), std::ios::binary) << text;
}

std::string FaultRig::ReadFile(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> FaultRig::FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace vanteo::test
