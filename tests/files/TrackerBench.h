#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "device/DeviceContext.h"
#include "serial/InProcessTransport.h"
#include "serial/SerialLink.h"
#include "sim/TrackerSimulator.h"
#include "tests/support/ScriptedInteraction.h"
#include "tests/support/TemporaryFolder.h"

namespace vanteo::test {

inline constexpr const char* kLineTimeout =
    "Serial Port Error: Read returned 0 chars. Closing com port";

// A started form, a scripted user and a simulated tracker behind a SerialLink on a virtual clock,
// plus a scratch folder for files.
class TrackerBench : public ::testing::Test {
protected:
    TrackerBench() {
        form.comPort = "COM3";
        ui.ShowForm();
    }

    std::string PathOf(const std::string& name) const { return (dir / name).string(); }
    void WriteFile(const std::string& name, const std::string& text) const {
        std::ofstream(PathOf(name), std::ios::binary) << text;
    }
    std::string ReadFile(const std::string& name) const {
        std::ifstream in(PathOf(name), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::size_t FilesInDir() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                      std::filesystem::directory_iterator()));
    }

    FormModel form = FormModel::StartUp();
    TrackerState tracker;
    ScriptedInteraction ui{form};
    VirtualClock clock;
    sim::TrackerSimulator sim;
    int portsOpened = 0;
    SerialLink link{ui, clock, [this](const std::string&) {
                        ++portsOpened;
                        return std::make_unique<InProcessTransport>(sim, clock);
                    }};
    DeviceContext ctx{form, tracker, link, ui};
    TemporaryFolder scratch;
    const std::filesystem::path dir = scratch.Root();
};

}  // namespace vanteo::test
