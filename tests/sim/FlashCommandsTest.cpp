#include <gtest/gtest.h>

#include <numeric>

#include "sim/TrackerSimulator.h"
#include "tests/sim/SimLinkFixture.h"

namespace vanteo::sim::test {
namespace {

class FlashCommandsTest : public SimLinkTest {
protected:
    void ConnectWithMemory(int kbit) {
        SimulatorConfig config;
        config.memorySizeKbit = kbit;
        Connect(config);
        // A recognisable pattern: every byte holds its address's low byte plus its bit 16.
        auto& flash = sim->Flash();
        for (std::size_t a = 0; a < flash.size(); ++a) {
            flash[a] = static_cast<std::uint8_t>((a & 0xFF) ^ ((a >> 16) << 7));
        }
    }

    Bytes Pattern(std::size_t from, std::size_t count) {
        Bytes expected;
        for (std::size_t a = from; a < from + count; ++a) {
            expected.push_back(static_cast<std::uint8_t>((a & 0xFF) ^ ((a >> 16) << 7)));
        }
        expected.push_back(0x0A);
        expected.push_back(0x0D);
        return expected;
    }
};

TEST_F(FlashCommandsTest, BlockReadOn128KbitTakesTwoAddressBytesAndSendsEight) {
    ConnectWithMemory(128);
    Send({'J', 0x3F, 0xF0});  // 16368
    EXPECT_EQ(Receive(11), Pattern(16368, 8));
    Send({'J', 0x00, 0x00});
    EXPECT_EQ(Receive(11), Pattern(0, 8));
    EXPECT_EQ(sim->Commands(), "JJ");
}

TEST_F(FlashCommandsTest, BlockReadOn64KbitWrapsPastTheEnd) {
    ConnectWithMemory(64);
    Send({'J', 0x1F, 0xF8});  // 8184, the last block
    EXPECT_EQ(Receive(11), Pattern(8184, 8));
    Send({'J', 0x20, 0x00});  // 8192 wraps to 0, as the EEPROM's address counter does
    EXPECT_EQ(Receive(11), Pattern(0, 8));
}

TEST_F(FlashCommandsTest, BlockReadOn1024KbitTakesBitSixteenFromTheFirstAddressByte) {
    ConnectWithMemory(1024);
    Send({'J', 0x04, 0x00, 0x00});  // 65536
    EXPECT_EQ(Receive(19), Pattern(65536, 16));
    Send({'J', 0x00, 0xFF, 0xF0});  // 65520
    EXPECT_EQ(Receive(19), Pattern(65520, 16));
    Send({'J', 0x04, 0xFF, 0xF0});  // 131056, the trailer area
    EXPECT_EQ(Receive(19), Pattern(131056, 16));
    // Only bit 2 of the first byte counts.
    Send({'J', 0x03, 0x00, 0x10});
    EXPECT_EQ(Receive(19), Pattern(16, 16));
}

TEST_F(FlashCommandsTest, ByteWriteStoresTheValueAndAnswersTwoBytes) {
    ConnectWithMemory(1024);
    Send({'I', 0x04, 0x00, 0x10, 0x5A});  // 65552
    EXPECT_EQ(Receive(3), (Bytes{0x0A, 0x0D}));
    EXPECT_EQ(sim->Flash()[65552], 0x5A);
    ConnectWithMemory(128);
    Send({'I', 0x3F, 0xFF, 0x07});  // 16383
    EXPECT_EQ(Receive(3), (Bytes{0x0A, 0x0D}));
    EXPECT_EQ(sim->Flash()[16383], 0x07);
    const std::vector<std::pair<std::uint32_t, std::uint8_t>> writes = {{16383, 0x07}};
    EXPECT_EQ(sim->FlashWrites(), writes);
}

TEST_F(FlashCommandsTest, WrittenBytesReadBack) {
    ConnectWithMemory(128);
    for (std::uint8_t a = 0; a < 8; ++a) {
        Send({'I', 0x00, a, static_cast<std::uint8_t>(a + 3)});
        Receive(2);
    }
    Send({'J', 0x00, 0x00});
    EXPECT_EQ(Receive(10), (Bytes{3, 4, 5, 6, 7, 8, 9, 10, 0x0A, 0x0D}));
}

TEST_F(FlashCommandsTest, EraseSendsPacedProgressThenLineEndAndLeavesZeros) {
    SimulatorConfig config;
    config.eraseProgressBytes = 3;
    config.eraseByteIntervalMs = 250;
    Connect(config);
    clock.Advance(1000);
    Send({'Z'});
    std::vector<std::pair<std::uint8_t, std::int64_t>> arrivals;
    std::uint8_t byte = 0;
    while (link->ReadBytes(&byte, 1) == 1) {
        arrivals.emplace_back(byte, clock.NowMs());
    }
    const std::vector<std::pair<std::uint8_t, std::int64_t>> expected = {
        {'.', 1250}, {'.', 1500}, {'.', 1750}, {0x0A, 1750}, {0x0D, 1750}};
    EXPECT_EQ(arrivals, expected);
    const auto& flash = sim->Flash();
    EXPECT_EQ(std::accumulate(flash.begin(), flash.end(), 0L), 0L);
}

}  // namespace
}  // namespace vanteo::sim::test
