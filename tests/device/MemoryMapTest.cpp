#include "device/MemoryMap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace vanteo {
namespace {

using Bytes14 = std::array<std::uint8_t, 14>;

TEST(Morse, CodesOfTheTable) {
    EXPECT_EQ(MorseCode('A'), 0x60);
    EXPECT_EQ(MorseCode('E'), 0x40);
    EXPECT_EQ(MorseCode('T'), 0xC0);
    EXPECT_EQ(MorseCode('0'), 0xFC);
    EXPECT_EQ(MorseCode('5'), 0x04);
    EXPECT_EQ(MorseCode(' '), 0x01);
    EXPECT_EQ(MorseCode('/'), 0x94);
    EXPECT_EQ(MorseCode('.'), 0x56);
    EXPECT_EQ(MorseCode('?'), 0x32);
    EXPECT_EQ(MorseCode(','), 0xCE);
    EXPECT_EQ(MorseCode(':'), 0xE2);
    EXPECT_EQ(MorseCode(';'), 0xAA);
    EXPECT_EQ(MorseCode('-'), 0x86);
    EXPECT_EQ(MorseCode('a'), std::nullopt);
    EXPECT_EQ(MorseCode('!'), std::nullopt);
}

TEST(Morse, EveryCodeReadsBackAsItsCharacter) {
    const std::string all = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 /.?,:;-";
    ASSERT_EQ(all.size(), 44u);
    for (char c : all) {
        const auto code = MorseCode(c);
        ASSERT_TRUE(code) << c;
        EXPECT_EQ(MorseCharacter(*code), c);
    }
    EXPECT_EQ(MorseCharacter(0x00), std::nullopt);
    EXPECT_EQ(MorseCharacter(0x80), std::nullopt);  // no elements at all
}

TEST(EncodeIdString, PadsToSixAndCarriesMorseAndText) {
    const Bytes14 expected = {0x60, 0x88, 0x7C, 0x01, 0x01, 0x01, 0x00,
                              0x00, 0x41, 0x42, 0x31, 0x20, 0x20, 0x20};
    EXPECT_EQ(EncodeIdString("AB1"), expected);
    EXPECT_EQ(EncodeIdString("ab1"), std::nullopt);
    EXPECT_EQ(EncodeIdString("KD0#"), std::nullopt);
}

TEST(Power, CodesOnWrite) {
    TrackerCapabilities caps;
    EXPECT_EQ(PowerCode(0, caps), 0x0F);
    EXPECT_EQ(PowerCode(1, caps), 0x40);
    EXPECT_EQ(PowerCode(-20, caps), 0x01);
    EXPECT_EQ(PowerCode(12, caps), 0xFF);
    caps.powerOffset10 = true;
    EXPECT_EQ(PowerCode(20, caps), 0xE0);
    EXPECT_EQ(PowerCode(-10, caps), 0x01);
}

TEST(Power, CodesOnReadGiveTheLowestPower) {
    TrackerCapabilities caps;
    EXPECT_EQ(PowerFromCode(0x02, caps), -17);
    EXPECT_EQ(PowerFromCode(0x00, caps), 13);
    EXPECT_EQ(PowerFromCode(0x01, caps), -20);
    EXPECT_EQ(PowerFromCode(0x03, caps), -13);
    EXPECT_EQ(PowerFromCode(0x04, caps), -11);
    EXPECT_EQ(PowerFromCode(0x05, caps), -9);
    EXPECT_EQ(PowerFromCode(0x50, caps), 2);
    EXPECT_EQ(PowerFromCode(0x11, caps), std::nullopt);
    caps.powerOffset10 = true;
    EXPECT_EQ(PowerFromCode(0xE0, caps), 20);
    EXPECT_EQ(PowerFromCode(0x00, caps), 23);
}

TEST(PackedFrequency, ExampleAndReadBack) {
    EXPECT_EQ(PackedFrequencyWord(144.39, 0), 0x15E661u);
    EXPECT_NEAR(FrequencyFromPackedWord(0x15E661, 0), 144.39, 1e-9);
    // fcal 100 = 0.01 MHz is taken off before packing and added back on read:
    // ((144.38 - 0.045) * 1e6 - 2500) * 0.01 - 8192 = 1435133.
    EXPECT_EQ(PackedFrequencyWord(144.39, 100), 1435133u);
    EXPECT_NEAR(FrequencyFromPackedWord(1435133, 100), 144.39, 1e-9);
}

TEST(SynthRegisters, RegistersOfThe2mBand) {
    TrackerCapabilities caps;
    caps.band2m = true;
    const SynthRegisters regs = ComputeSynthRegisters(144.39, 0, 0, caps);
    EXPECT_EQ(regs.r, 0x04402000u);
    EXPECT_EQ(regs.n, 0x0008CF69u);
    EXPECT_EQ(regs.m, 0x000007E2u);
    EXPECT_EQ(regs.f, 0x005AA04Fu);
    EXPECT_EQ(regs.secondM, 0x000007E2u);
    EXPECT_NEAR(FrequencyFromNRegister(regs.n), 144.39, 1e-9);
}

TEST(SynthRegisters, CalibrationGoesIntoR) {
    TrackerCapabilities caps;
    caps.band2m = true;
    EXPECT_EQ(ComputeSynthRegisters(144.39, 100, 0, caps).r, 0x04403EC0u);
    EXPECT_EQ(ComputeSynthRegisters(144.39, -100, 0, caps).r, 0x04402140u);
    caps.band2m = false;
    EXPECT_EQ(ComputeSynthRegisters(144.39, 0, 0, caps).r, 0x00402000u);
}

TEST(SynthRegisters, DeviationInMOnlyAndLowBitsTagTheRegister) {
    TrackerCapabilities caps;
    for (std::uint32_t deviation = 0; deviation <= 15; ++deviation) {
        const SynthRegisters regs = ComputeSynthRegisters(145.0, 0, deviation, caps);
        EXPECT_EQ(regs.m, 0x7E2u | (deviation << 12));
        EXPECT_EQ(regs.secondM, 0x7E2u);
        EXPECT_EQ(regs.r & 3u, 0u);
        EXPECT_EQ(regs.n & 3u, 1u);
        EXPECT_EQ(regs.m & 3u, 2u);
        EXPECT_EQ(regs.f & 3u, 3u);
    }
    // Deviation 8 sets M bit 15; 0x18 wraps to the low four bits.
    EXPECT_EQ(ComputeSynthRegisters(145.0, 0, 8, caps).m, 0x87E2u);
    EXPECT_EQ(ComputeSynthRegisters(145.0, 0, 0x18, caps).m, 0x87E2u);
}

TEST(Calibration, SignFromTheSecondCopyOnly) {
    EXPECT_EQ(DecodeCalibration(0x10, 0x80, 0x10, 0x80), -16);
    EXPECT_EQ(DecodeCalibration(0x10, 0x01, 0x10, 0x81), -272);
    EXPECT_EQ(DecodeCalibration(0x10, 0x81, 0x10, 0x01), 272);
    EXPECT_EQ(DecodeCalibration(0x10, 0x00, 0x11, 0x00), std::nullopt);
    EXPECT_EQ(DecodeCalibration(0x10, 0x01, 0x11, 0x81), std::nullopt);
}

TEST(Calibration, EncodedPairReadsBack) {
    EXPECT_EQ(EncodeCalibration(-272), (std::array<std::uint8_t, 4>{0x10, 0x81, 0x10, 0x81}));
    EXPECT_EQ(EncodeCalibration(300), (std::array<std::uint8_t, 4>{0x2C, 0x01, 0x2C, 0x01}));
    // 0x80000000 keeps no magnitude bits below bit 15; only the sign bits remain.
    EXPECT_EQ(EncodeCalibration(std::numeric_limits<std::int32_t>::min()),
              (std::array<std::uint8_t, 4>{0x00, 0x80, 0x00, 0x80}));
    for (int fcal : {0, 1, -1, 32767, -32767}) {
        const auto b = EncodeCalibration(fcal);
        EXPECT_EQ(DecodeCalibration(b[0], b[1], b[2], b[3]), fcal);
    }
}

TEST(Paths, WideExample) {
    ProfileSettings profile;
    profile.path1 = "WIDE1-1";
    profile.path2 = "WIDE2-2";
    const Bytes14 expected = {0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40, 0x02,
                              0xAE, 0x92, 0x88, 0x8A, 0x64, 0x40, 0x05};
    EXPECT_EQ(EncodePaths(profile), expected);

    ProfileSettings back;
    DecodePaths(expected, back);
    EXPECT_EQ(back.path1, "WIDE1 1");
    EXPECT_EQ(back.path2, "WIDE2 2");
}

TEST(Paths, DisabledPathTextAndShortPaths) {
    ProfileSettings profile;
    profile.path1 = "XNOPATH";
    profile.path2 = "AB";  // padded with spaces, never read past its end
    const Bytes14 bytes = EncodePaths(profile);
    EXPECT_EQ(bytes[0], 0xB0);   // 'X' << 1
    EXPECT_EQ(bytes[6], 0x30);   // 'H' - '0' = 0x18, << 1
    EXPECT_EQ(bytes[9], 0x40);   // space
    EXPECT_EQ(bytes[13], 0xE1);  // ' ' - '0' = 0xF0, << 1 = 0xE0, + end mark
    ProfileSettings back;
    DecodePaths(bytes, back);
    EXPECT_EQ(back.path1, "XNOPATH");
}

TEST(Paths, ZeroBytesEndThePathText) {
    Bytes14 bytes{};
    bytes[0] = 'A' << 1;
    ProfileSettings back;
    DecodePaths(bytes, back);
    EXPECT_EQ(back.path1, "A");
    EXPECT_EQ(back.path2, "");
}

TEST(SmartBeacon, RatesAndTheirWidths) {
    ProfileSettings profile;
    profile.slowRate = 300;
    profile.fastRate = 300;
    profile.slowSpeed = 5;
    profile.fastSpeed = 60;
    profile.turnAngle = 30;
    profile.turnSlope = 255;
    profile.turnTime = 15;
    const std::array<std::uint8_t, 8> expected = {0x01, 0x2C, 5, 60, 0x2C, 30, 255, 15};
    EXPECT_EQ(EncodeSmartBeacon(profile), expected);
    ProfileSettings back;
    DecodeSmartBeacon(expected, back);
    EXPECT_EQ(back.slowRate, 300u);
    EXPECT_EQ(back.fastRate, 44u);  // only the low byte travels
}

TEST(Messages, ZeroByteStaysInsideTheArea) {
    EXPECT_EQ(EncodeMessage(""), std::string(1, '\0'));
    const std::string full(31, 'Q');
    EXPECT_EQ(EncodeMessage(full), full + '\0');
    EXPECT_EQ(EncodeMessage(std::string(40, 'Q')), full + '\0');
}

TEST(LowVoltage, CodeAndScale) {
    TrackerCapabilities caps;
    EXPECT_EQ(LowVoltageCode(3.5f, caps), 0u);  // no scale before identification
    caps.voltageMultiplier = 2;
    caps.voltageReference = 3.0f;
    EXPECT_EQ(LowVoltageCode(3.5f, caps), 0x255u);
    // 597 * 2 * 3.0 / 1024 = 3.498...
    EXPECT_NEAR(VoltsFromCode(597, caps), 3.498046875, 1e-9);
    caps.voltageMultiplier = 3;
    caps.voltageReference = 3.3f;
    // 3.5 * 1024 / (3 * 3.3) = 362.02 -> 362
    EXPECT_EQ(LowVoltageCode(3.5f, caps), 362u);
}

// A typed value a Read could have shown is stored as a code that reads back as that same text.
// On the 3.3 V scale a code is 9.9 / 1024 = 0.0096680 V, a little under the 0.01 V the text
// shows, so truncation can land one code low.
TEST(LowVoltage, ATypedTextIsStoredAsACodeShowingThatText) {
    TrackerCapabilities caps;
    caps.voltageMultiplier = 3;
    caps.voltageReference = 3.3f;
    const struct {
        float volts;
        std::uint32_t code;
    } cases[] = {
        {3.20f, 331},  // 330.99 truncates to 330 = 3.1904 V ("3.19"); 331 = 3.2001 V
        {3.35f, 346},  // 346.51 -> 346 = 3.3451 V already shows "3.35" (as does 347)
        {3.36f, 348},  // 347.54 -> 347 = 3.3548 V ("3.35"); 348 = 3.3644 V
        {3.50f, 362},  // 362.02 -> 362 = 3.4998 V
        {4.00f, 414},  // 413.74 -> 413 = 3.9929 V ("3.99"); 414 = 4.0025 V
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LowVoltageCode(c.volts, caps), c.code) << c.volts;
    }
    // Every text a code from 3.20 to 4.00 V shows, typed back.
    for (std::uint32_t code = 331; code <= 414; ++code) {
        char shown[8];
        std::snprintf(shown, sizeof shown, "%4.2f", code * 3 * static_cast<double>(3.3f) / 1024.0);
        const std::uint32_t stored = LowVoltageCode(std::strtof(shown, nullptr), caps);
        char storedShows[8];
        std::snprintf(storedShows, sizeof storedShows, "%4.2f",
                      stored * 3 * static_cast<double>(3.3f) / 1024.0);
        EXPECT_STREQ(storedShows, shown) << code;
    }
}

}  // namespace
}  // namespace vanteo
