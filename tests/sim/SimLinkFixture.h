#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "serial/InProcessTransport.h"
#include "serial/SerialLink.h"
#include "sim/TrackerSimulator.h"
#include "tests/support/RecordingInteraction.h"

namespace vanteo::sim::test {

using vanteo::test::RecordingInteraction;

// A simulated tracker on the far end of a SerialLink, on a virtual clock.
class SimLinkTest : public ::testing::Test {
protected:
    void Connect(SimulatorConfig config = {}) {
        sim = std::make_unique<TrackerSimulator>(std::move(config));
        link = std::make_unique<SerialLink>(ui, clock, [this](const std::string&) {
            return std::make_unique<InProcessTransport>(*sim, clock);
        });
        ASSERT_TRUE(link->OpenPort("SIM"));
    }

    void Send(std::initializer_list<std::uint8_t> bytes) {
        const std::vector<std::uint8_t> data(bytes);
        ASSERT_TRUE(link->WriteBytes(data.data(), data.size()));
    }

    // Reads whatever the tracker sends until `count` bytes arrived or the link times out.
    std::vector<std::uint8_t> Receive(std::size_t count) {
        std::vector<std::uint8_t> buffer(count);
        buffer.resize(link->ReadBytes(buffer.data(), count));
        return buffer;
    }

    std::string ReadLineOrFail() {
        std::string line;
        EXPECT_TRUE(link->ReadLine(line));
        return line;
    }

    RecordingInteraction ui;
    VirtualClock clock;
    std::unique_ptr<TrackerSimulator> sim;
    std::unique_ptr<SerialLink> link;
};

using Bytes = std::vector<std::uint8_t>;

}  // namespace vanteo::sim::test
