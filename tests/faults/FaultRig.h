#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "flightlog/FlightLogOperations.h"
#include "tests/support/SimulatedTracker.h"
#include "tests/support/TemporaryFolder.h"

namespace vanteo::test {

// Everything an operation needs, in one place: the started form, the tracker records, a scripted
// user, a simulated tracker behind the serial link on a virtual clock, the flight-log state and a
// scratch folder (removed with the rig).
class FaultRig : public SimulatedTracker {
public:
    explicit FaultRig(sim::SimulatorConfig config = {});
    ~FaultRig();
    FaultRig(const FaultRig&) = delete;
    FaultRig& operator=(const FaultRig&) = delete;

    std::string PathOf(const std::string& name) const { return (folder / name).string(); }
    void WriteFile(const std::string& name, const std::string& text) const;
    // The file's bytes; empty when it cannot be read.
    std::string ReadFile(const std::string& name) const;
    // Names of every entry in the scratch folder, sorted.
    std::vector<std::string> FolderEntries() const;

    FlightLogState log;
    FlightLogContext ctx{device, log};
    TemporaryFolder scratch;
    const std::filesystem::path folder = scratch.Root();
};

}  // namespace vanteo::test
