#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sim/PacedWire.h"
#include "sim/TrackerSimulator.h"

namespace vanteo::sim::test {
namespace {

constexpr std::int64_t b = PacedWire::kByteTimeNs;  // 10 bits at 9600 baud
constexpr std::int64_t kMs = 1'000'000;

// The bytes that have left by `nowNs`, as text.
std::string LeftBy(PacedWire& wire, std::int64_t nowNs) {
    std::vector<std::uint8_t> out;
    wire.Advance(nowNs, out);
    return std::string(out.begin(), out.end());
}

// A command seen between two whole milliseconds: the device gets it one byte time later and the
// reply follows byte by byte from that moment, not from a rounded millisecond.
TEST(PacedWireTest, RepliesLeaveByteByByteFromTheCommandsArrival) {
    TrackerSimulator simulator;  // 128 kbit: 'K' is answered "1" LF CR
    PacedWire wire(simulator);
    const std::uint8_t command = 'K';
    wire.FromHost(&command, 1, 500'000);
    EXPECT_EQ(wire.NextEventNs(), 500'000 + b);
    EXPECT_EQ(LeftBy(wire, 500'000 + b - 1), "");
    EXPECT_TRUE(simulator.Commands().empty());

    EXPECT_EQ(LeftBy(wire, 500'000 + b), "");
    EXPECT_EQ(simulator.Commands(), "K");
    EXPECT_EQ(wire.NextEventNs(), 500'000 + 2 * b);
    EXPECT_EQ(LeftBy(wire, 500'000 + 2 * b - 1), "");
    EXPECT_EQ(LeftBy(wire, 500'000 + 2 * b), "1");
    EXPECT_EQ(LeftBy(wire, 500'000 + 4 * b - 1), "\n");
    EXPECT_EQ(LeftBy(wire, 500'000 + 4 * b), "\r");
    EXPECT_FALSE(wire.NextEventNs().has_value());
}

// Bytes written together arrive one byte time apart, and a second reply waits for the wire
// behind the first; a byte written to an idle line starts when it is written.
TEST(PacedWireTest, BothWiresCarryOneByteAtATime) {
    TrackerSimulator simulator;
    PacedWire wire(simulator);
    const std::uint8_t attention[] = {'?', '?'};
    wire.FromHost(attention, 2, 0);
    // Arrivals at b and 2b; "OK" LF CR from b leaves at 2b..5b, the second one at 6b..9b.
    EXPECT_EQ(LeftBy(wire, 2 * b), "O");
    EXPECT_EQ(LeftBy(wire, 9 * b - 1), "K\n\rOK\n");
    EXPECT_EQ(LeftBy(wire, 9 * b), "\r");

    const std::uint8_t command = 'K';
    wire.FromHost(&command, 1, 100 * kMs);
    EXPECT_EQ(wire.NextEventNs(), 100 * kMs + b);
    EXPECT_EQ(LeftBy(wire, 100 * kMs + 2 * b), "1");
}

// The device's own delays count from the arrival of the byte that caused them: two erase
// progress bytes 100 ms apart, then LF CR straight behind the last.
TEST(PacedWireTest, DeviceDelaysAddToTheWire) {
    SimulatorConfig config;
    config.eraseProgressBytes = 2;
    config.eraseByteIntervalMs = 100;
    TrackerSimulator simulator(config);
    PacedWire wire(simulator);
    const std::uint8_t erase = 'Z';
    wire.FromHost(&erase, 1, 0);
    EXPECT_EQ(LeftBy(wire, b), "");
    EXPECT_EQ(wire.NextEventNs(), 100 * kMs + 2 * b);
    EXPECT_EQ(LeftBy(wire, 100 * kMs + 2 * b), ".");
    EXPECT_EQ(LeftBy(wire, 200 * kMs + 2 * b - 1), "");
    EXPECT_EQ(LeftBy(wire, 200 * kMs + 2 * b), ".");
    EXPECT_EQ(LeftBy(wire, 200 * kMs + 4 * b), "\n\r");
}

}  // namespace
}  // namespace vanteo::sim::test
