#include "sim/TrackerSimulator.h"

#include <gtest/gtest.h>

#include "tests/sim/SimLinkFixture.h"

namespace vanteo::sim::test {
namespace {

std::string Raw(std::initializer_list<int> bytes) {
    std::string text;
    for (int b : bytes) {
        text.push_back(static_cast<char>(b));
    }
    return text;
}

class TrackerSimulatorTest : public SimLinkTest {};

TEST_F(TrackerSimulatorTest, IdentifiesItselfWithModelVersionAndMemorySize) {
    SimulatorConfig config;
    config.modelId = "ZPNAVD";
    config.firmwareVersion = 224;
    config.memorySizeKbit = 1024;
    Connect(config);
    ASSERT_TRUE(link->Sync());
    Send({'M'});
    EXPECT_EQ(ReadLineOrFail(), "ZPNAVD");
    Send({'V'});
    EXPECT_EQ(ReadLineOrFail(), "224");
    Send({'K'});
    EXPECT_EQ(ReadLineOrFail(), "2");
    EXPECT_EQ(sim->Commands(), "?MVK");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TrackerSimulatorTest, PeekReturnsEveryValueIncludingLineEndBytes) {
    Connect();
    // Serial number 0x0805 is stored big-endian at 0x80..0x83.
    EXPECT_EQ(link->PeekByte(0x80), 0x00);
    EXPECT_EQ(link->PeekByte(0x82), 0x08);
    EXPECT_EQ(link->PeekByte(0x83), 0x05);
    sim->Memory()[0x10] = 0x0A;
    sim->Memory()[0x11] = 0x0D;
    sim->Memory()[0xFF] = 0xFF;
    EXPECT_EQ(link->PeekByte(0x10), 0x0A);
    EXPECT_EQ(link->PeekByte(0x11), 0x0D);
    EXPECT_EQ(link->PeekByte(0xFF), 0xFF);
    EXPECT_TRUE(link->IsOpen());
    EXPECT_EQ(sim->Commands(), "yyyyyy");
}

TEST_F(TrackerSimulatorTest, PokeWritesMemoryAndIsRecordedInOrder) {
    Connect();
    EXPECT_TRUE(link->PokeByte(0x26, 0x04));
    EXPECT_TRUE(link->PokeByte(0x98, 0xE8));
    EXPECT_TRUE(link->PokeByte(0x26, 0x00));
    EXPECT_EQ(sim->Memory()[0x98], 0xE8);
    EXPECT_EQ(sim->Memory()[0x26], 0x00);
    const std::vector<std::pair<std::uint8_t, std::uint8_t>> expected = {
        {0x26, 0x04}, {0x98, 0xE8}, {0x26, 0x00}};
    EXPECT_EQ(sim->Pokes(), expected);
    EXPECT_EQ(sim->ReceivedBytes(), (Bytes{'Y', 0x26, 0x04, 'Y', 0x98, 0xE8, 'Y', 0x26, 0x00}));
    EXPECT_EQ(link->PeekByte(0x98), 0xE8);
}

TEST_F(TrackerSimulatorTest, SettingsRecordGoesInByteByByteAndComesBackWithTimeAndBattery) {
    SimulatorConfig config;
    config.timeSeconds = 70000;  // 1166 min 40 s: minutes 0x048E
    config.batteryVolts = 3.9;   // 3.9 × 1024 / (3 × 3.3) = 403.4 -> 403 = 0x0193
    Connect(config);
    Send({'P'});
    ReadLineOrFail();
    Bytes record(35);
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint8_t>(0xC0 + i);
        Send({record[i]});
    }
    ReadLineOrFail();
    EXPECT_EQ(sim->LastSettingsRecord(), record);
    EXPECT_EQ(sim->Memory()[0x00], 0xC0);
    EXPECT_EQ(sim->Memory()[0x22], 0xE2);
    EXPECT_EQ(sim->Pokes().size(), 35u);

    Send({'T'});
    std::string reply;
    ASSERT_TRUE(link->ReadExact(reply, 40));
    ASSERT_EQ(reply.size(), 40u);
    EXPECT_EQ(reply.substr(0, 35), std::string(record.begin(), record.end()));
    EXPECT_EQ(reply.substr(35), Raw({0x04, 0x8E, 40, 0x01, 0x93}));
    // The terminator was consumed: nothing is left on the wire.
    EXPECT_TRUE(Receive(1).empty());
}

TEST_F(TrackerSimulatorTest, StatusRecordUsesTheNarrowVoltageScaleForOtherModels) {
    SimulatorConfig config;
    config.modelId = "ZPNAV0";
    config.batteryVolts = 4.2;  // 4.2 × 1024 / (2 × 3.0) = 716.8 -> 717 = 0x02CD
    config.timeSeconds = 59;
    Connect(config);
    Send({'T'});
    const Bytes reply = Receive(42);
    ASSERT_EQ(reply.size(), 42u);
    EXPECT_EQ(Bytes(reply.begin() + 35, reply.end()),
              (Bytes{0x00, 0x00, 59, 0x02, 0xCD, 0x0A, 0x0D}));
    // Low V of 3.5 V in the default memory: 3.5 × 1024 / 6 = 597.3 -> 0x255.
    EXPECT_EQ(reply[33], 0x02);
    EXPECT_EQ(reply[34], 0x55);
}

TEST_F(TrackerSimulatorTest, DefaultMemoryHoldsHandEncodedSettings) {
    SimulatorConfig config;
    config.calibration = -100;
    Connect(config);
    const auto& m = sim->Memory();
    // N0CALL in Morse then as text.
    EXPECT_EQ(Bytes(m.begin(), m.begin() + 14), (Bytes{0xA0, 0xFC, 0xA8, 0x60, 0x48, 0x48, 0x00,
                                                       0x00, 'N', '0', 'C', 'A', 'L', 'L'}));
    // WIDE1-1, WIDE2-1 in both profiles.
    const Bytes paths = {0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40, 0x02,
                         0xAE, 0x92, 0x88, 0x8A, 0x64, 0x40, 0x03};
    EXPECT_EQ(Bytes(m.begin() + 0x2C, m.begin() + 0x3A), paths);
    EXPECT_EQ(Bytes(m.begin() + 0xB0, m.begin() + 0xBE), paths);
    // Calibration -100: magnitude 0x64 twice, sign in both high bytes.
    EXPECT_EQ(Bytes(m.begin() + 0x8B, m.begin() + 0x8F), (Bytes{0x64, 0x80, 0x64, 0x80}));
    // R register of a 2 m tracker with fcal = -100 is 0x04402140; N for 144.390 MHz 0x0008CF69.
    EXPECT_EQ(Bytes(m.begin() + 0xA0, m.begin() + 0xA8),
              (Bytes{0x04, 0x40, 0x21, 0x40, 0x00, 0x08, 0xCF, 0x69}));
    EXPECT_EQ(Bytes(m.begin() + 0xAC, m.begin() + 0xB0), (Bytes{0x00, 0x5A, 0xA0, 0x4F}));
    // Packed 144.390 MHz is 1435233 = 0x15E661.
    EXPECT_EQ(Bytes(m.begin() + 16, m.begin() + 19), (Bytes{0x15, 0xE6, 0x61}));
    // Switch altitudes 1000 m and 300 m, little-endian.
    EXPECT_EQ(Bytes(m.begin() + 0x98, m.begin() + 0x9C), (Bytes{0xE8, 0x03, 0x2C, 0x01}));
    // Messages end with a 0 inside their 32-byte areas.
    EXPECT_NE(std::find(m.begin() + 0x40, m.begin() + 0x60, 0), m.begin() + 0x60);
    EXPECT_NE(std::find(m.begin() + 0x60, m.begin() + 0x80, 0), m.begin() + 0x80);
}

TEST_F(TrackerSimulatorTest, PositiveCalibrationAndSeventyCentimetreModel) {
    SimulatorConfig config;
    config.modelId = "ZPNAVB";
    config.calibration = 100;
    Connect(config);
    const auto& m = sim->Memory();
    EXPECT_EQ(Bytes(m.begin() + 0x8B, m.begin() + 0x8F), (Bytes{0x64, 0x00, 0x64, 0x00}));
    // v = -80 keeps 11 bits: 0x7B0 << 2 = 0x1EC0; no band bit.
    EXPECT_EQ(Bytes(m.begin() + 0xA0, m.begin() + 0xA4), (Bytes{0x00, 0x40, 0x3E, 0xC0}));
}

TEST_F(TrackerSimulatorTest, LegacyBlockCommandsReadAndWriteTheirAddresses) {
    SimulatorConfig config;
    config.serialNumber = 0x12345678;
    config.calibration = -16;
    Connect(config);
    Send({'S'});
    EXPECT_EQ(ReadLineOrFail(), Raw({0x12, 0x34, 0x56, 0x78}));
    Send({'D'});
    EXPECT_EQ(ReadLineOrFail(), Raw({0x10, 0x80, 0x10, 0x80}));
    Send({'X'});
    EXPECT_EQ(ReadLineOrFail().substr(0, 7), Raw({0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40, 0x02}));

    // 'W': one line, 14 bytes each on its own 40 ms apart, one line.
    Send({'W'});
    ReadLineOrFail();
    for (std::uint8_t i = 0; i < 14; ++i) {
        Send({static_cast<std::uint8_t>(0x80 + 2 * i)});
        link->Sleep(40);
    }
    ReadLineOrFail();
    EXPECT_EQ(sim->Memory()[0x2C], 0x80);
    EXPECT_EQ(sim->Memory()[0x39], 0x9A);
    Send({'X'});
    EXPECT_EQ(ReadLineOrFail().substr(12, 2), Raw({0x98, 0x9A}));

    // 'U': one line, then the 15 bytes 0x80..0x8E in one write, nothing after.
    Send({'U'});
    ReadLineOrFail();
    Bytes block = {0x00, 0x00, 0x08, 0x05, 'A', 'B', '1', 0, 0, 0, 0, 0x64, 0x80, 0x64, 0x80};
    ASSERT_TRUE(link->WriteBytes(block.data(), block.size()));
    EXPECT_TRUE(Receive(1).empty());
    EXPECT_EQ(Bytes(sim->Memory().begin() + 0x80, sim->Memory().begin() + 0x8F), block);
    EXPECT_EQ(sim->Pokes().size(), 14u + 15u);
    EXPECT_EQ(sim->Pokes().back(), (std::pair<std::uint8_t, std::uint8_t>{0x8E, 0x80}));
    EXPECT_FALSE(sim->AwaitingArguments());
}

TEST_F(TrackerSimulatorTest, UnknownBytesAreIgnoredBetweenCommands) {
    Connect();
    Send({0x00, 'q', 0x0A, 0x0D, 0xFF});
    EXPECT_TRUE(Receive(1).empty());
    ASSERT_TRUE(link->Sync());
    EXPECT_EQ(sim->Commands(), "?");
    EXPECT_EQ(sim->ReceivedBytes().size(), 6u);
}

TEST_F(TrackerSimulatorTest, ArgumentBytesAreAwaitedWithoutTimeLimit) {
    Connect();
    Send({'P'});
    ReadLineOrFail();
    Send({0x11});
    clock.Advance(600000);  // the host shows message boxes for ten minutes
    EXPECT_TRUE(sim->AwaitingArguments());
    for (int i = 1; i < 35; ++i) {
        Send({'?'});  // argument bytes, even when they look like commands
    }
    EXPECT_EQ(ReadLineOrFail(), "ok");
    EXPECT_EQ(sim->Memory()[0], 0x11);
    EXPECT_EQ(sim->Memory()[34], '?');
    EXPECT_EQ(sim->Commands(), "P");
}

TEST_F(TrackerSimulatorTest, TransmissionAndToneLastUntilTheNextCommand) {
    Connect();
    Send({'G'});
    EXPECT_TRUE(sim->Transmitting());
    EXPECT_TRUE(Receive(1).empty());
    ASSERT_TRUE(link->Sync());
    EXPECT_FALSE(sim->Transmitting());
    Send({'1'});
    EXPECT_TRUE(sim->ToneOn());
    EXPECT_TRUE(Receive(1).empty());
    ASSERT_TRUE(link->Sync());
    EXPECT_FALSE(sim->ToneOn());
}

TEST_F(TrackerSimulatorTest, PacingAt9600BaudTakesAboutAMillisecondPerByte) {
    SimulatorConfig config;
    config.pacedAt9600 = true;
    Connect(config);
    // '?' arrives at 1.04 ms; "OK" LF CR end at 2.08, 3.13, 4.17 and 5.21 ms.
    Send({'?'});
    std::vector<std::int64_t> ready;
    while (auto next = sim->PeekToHost()) {
        ready.push_back(next->readyAtMs);
        sim->PopToHost();
    }
    EXPECT_EQ(ready, (std::vector<std::int64_t>{3, 4, 5, 6}));
}

TEST_F(TrackerSimulatorTest, PacedRepliesQueueBehindEachOther) {
    SimulatorConfig config;
    config.pacedAt9600 = true;
    Connect(config);
    // Two attention bytes in one write: the second reply follows the first on the wire.
    Send({'?', '?'});
    EXPECT_EQ(ReadLineOrFail(), "OK");
    EXPECT_EQ(clock.NowMs(), 6);
    EXPECT_EQ(ReadLineOrFail(), "OK");
    EXPECT_EQ(clock.NowMs(), 10);  // 5.21 + 4 × 1.04 = 9.38 ms
}

TEST_F(TrackerSimulatorTest, PacedHostWritesQueueBehindEachOther) {
    SimulatorConfig config;
    config.pacedAt9600 = true;
    Connect(config);
    // 'P' arrives at 1.04 ms; "rec?" LF CR has left by 7.29 ms, readable at 8.
    Send({'P'});
    ReadLineOrFail();
    ASSERT_EQ(clock.NowMs(), 8);
    // 35 one-byte writes at 8 ms: the last has arrived at 8 + 35 × 1.0417 = 44.46 ms, so the
    // "ok" LF CR ends at 45.50, 46.54, 47.58 and 48.63 ms.
    for (int i = 0; i < 35; ++i) {
        Send({0x20});
    }
    std::vector<std::int64_t> ready;
    while (auto next = sim->PeekToHost()) {
        ready.push_back(next->readyAtMs);
        sim->PopToHost();
    }
    EXPECT_EQ(ready, (std::vector<std::int64_t>{46, 47, 48, 49}));
}

}  // namespace
}  // namespace vanteo::sim::test
