#include "tests/faults/FaultRig.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace vanteo::test {
FaultRig::FaultRig(sim::SimulatorConfig config)
    : SimulatedTracker(Start::formStartUp, std::move(config)) {}

FaultRig::~FaultRig() {
    WaitForFlashWorker(ctx);
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
    return scratch.Files();
}

}  // namespace vanteo::test
