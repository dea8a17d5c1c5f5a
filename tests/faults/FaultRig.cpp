#include "tests/faults/FaultRig.h"

#include <gtest/gtest.h>

namespace vanteo::test {
FaultRig::FaultRig(sim::SimulatorConfig config)
    : SimulatedTracker(Start::formStartUp, std::move(config)) {}

FaultRig::~FaultRig() {
    WaitForFlashWorker(ctx);
}

void FaultRig::WriteFile(const std::string& name, const std::string& text) const {
    test::WriteFile(PathOf(name), text);
}

std::string FaultRig::ReadFile(const std::string& name) const {
    return test::ReadFile(PathOf(name));
}

std::vector<std::string> FaultRig::FolderEntries() const {
    return scratch.Files();
}

}  // namespace vanteo::test
