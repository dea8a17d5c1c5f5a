#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/SimulatedTracker.h"
#include "tests/support/TemporaryFolder.h"

namespace vanteo::test {

inline constexpr const char* kLineTimeout =
    "Serial Port Error: Read returned 0 chars. Closing com port";

// A started form, a scripted user and a simulated tracker behind a SerialLink on a virtual clock,
// plus a scratch folder for files.
class TrackerBench : public ::testing::Test, protected SimulatedTracker {
protected:
    TrackerBench() : SimulatedTracker(Start::startedFields) {}

    std::string PathOf(const std::string& name) const { return scratch.Path(name); }
    void WriteFile(const std::string& name, const std::string& text) const {
        test::WriteFile(PathOf(name), text);
    }
    std::string ReadFile(const std::string& name) const { return test::ReadFile(PathOf(name)); }
    std::size_t FilesInDir() const { return scratch.Files().size(); }

    sim::TrackerSimulator& sim = simulator;
    DeviceContext& ctx = device;
    TemporaryFolder scratch;
    const std::filesystem::path dir = scratch.Root();
};

}  // namespace vanteo::test
