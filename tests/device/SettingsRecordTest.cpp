#include "device/SettingsRecord.h"

#include <gtest/gtest.h>

#include "device/MemoryMap.h"

namespace vanteo {
namespace {

TrackerCapabilities PackedTracker() {
    TrackerCapabilities caps;
    caps.packedFrequency = true;
    caps.voltageMultiplier = 2;
    caps.voltageReference = 3.0f;
    return caps;
}

class SettingsRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = FormModel::StartUp();
        form.idString = "AB1";
        form.ssid = 9;
        form.symbol = "O";
        form.frequency = "144.39";
        form.outputPower = 0;
        form.preamble = 25;
        form.hiddenNumber = 10;
        form.storeInterval = 100;
        form.onceEvery = 5;
        form.txRate = 3;
        form.deviation = 8;
        form.timeSlot = 300;  // only the low byte travels
        form.lowVoltage = "3.5";
        form.convertMetersToFeet = 1;
        form.overwriteMemory = 1;
        form.storeHm = 1;
        form.digEnable = 1;
        form.digB = 1;
        form.positionLogging = 1;
        form.transmitCourseSpeed = 1;
        form.wrapDataLog = 1;
        profiles.profiles[0].altitudeSwitch = 1;
        profiles.profiles[1].switchAbove = 1;
    }

    IdStringBytes Id() { return *EncodeIdString(form.idString); }

    FormModel form;
    ProfileStore profiles;
};

// Bytes worked out by hand from the layout: ID "AB1", SSID 9, 'O', 144.39 MHz packed, 0 dBm,
// preamble 25, field 1016 10, store 100 s, once every 5, deviation 8, slot 300, 3.5 V and the
// flag boxes set above.
const WrittenRecord kExpected = {
    0x60, 0x88, 0x7C, 0x01, 0x01, 0x01, 0x00, 0x00,                                // Morse
    0x41, 0x42, 0x31, 0x20, 0x20, 0x20,                                            // text
    0x09, 0x4F, 0x15, 0xE6, 0x61, 0x0F, 0x19, 0x0A, 0x64, 0x05, 0x00, 0x00, 0x00,  // reserved
    0x08, 0x84, 0x2C, 0x52, 0x84, 0xA1, 0x02, 0x55,
};

TEST_F(SettingsRecordTest, EncodesEveryByte) {
    EXPECT_EQ(EncodeSettingsRecord(Id(), form, profiles, PackedTracker()), kExpected);
}

TEST_F(SettingsRecordTest, CapabilitiesChangeTheirBytesOnly) {
    TrackerCapabilities caps = PackedTracker();
    caps.packedFrequency = false;
    caps.pllRegisters = true;
    caps.offsetByOne = true;
    caps.txRateSpacing = true;
    caps.powerOffset10 = true;
    form.outputPower = 20;
    WrittenRecord expected = kExpected;
    expected[16] = expected[17] = expected[18] = 0;
    expected[19] = 0xE0;
    expected[22] = 0x65;  // 100 + 1
    expected[23] = 0x04;  // Tx Rate 3 + 1
    EXPECT_EQ(EncodeSettingsRecord(Id(), form, profiles, caps), expected);
}

TEST_F(SettingsRecordTest, FlagBytesOfTheForm) {
    const FlagBytes flags = FormFlagBytes(form, profiles);
    EXPECT_EQ(flags.optionsA, 0x84);
    EXPECT_EQ(flags.profileLog, 0x52);
    EXPECT_EQ(flags.telemetry, 0x84);
    EXPECT_EQ(flags.operation, 0xA1);
}

ReadRecord ReadBack(const WrittenRecord& written) {
    ReadRecord bytes{};
    std::copy(written.begin(), written.end(), bytes.begin());
    bytes[35] = 0x00;  // 62 minutes ...
    bytes[36] = 0x3E;
    bytes[37] = 0x03;  // ... and 3 seconds: 1:02:03
    bytes[38] = 0x02;  // battery code 666: 666 * 2 * 3.0 / 1024 = 3.902 V
    bytes[39] = 0x9A;
    return bytes;
}

TEST_F(SettingsRecordTest, DecodesIntoAnotherForm) {
    FormModel shown = FormModel::StartUp();
    shown.outputPower = 5;
    shown.symbol = "X";
    shown.enableSlotting = 1;  // clear in the record
    ProfileStore store;
    store.profiles[0].switchAbove = 1;  // clear in the record
    FlagBytes flags;
    DecodeSettingsRecord(ReadBack(kExpected), PackedTracker(), shown, store, flags);

    EXPECT_EQ(shown.morseText, "AB1   ");
    EXPECT_EQ(shown.idString, "AB1   ");
    EXPECT_EQ(shown.ssid, 9u);
    EXPECT_EQ(shown.symbol, "O");
    EXPECT_EQ(shown.frequency, "144.390");
    EXPECT_EQ(shown.outputPower, 0);
    EXPECT_EQ(shown.preamble, 25);
    EXPECT_EQ(shown.hiddenNumber, 10);
    EXPECT_EQ(shown.storeInterval, 100);
    EXPECT_EQ(shown.onceEvery, 5);
    EXPECT_EQ(shown.txRate, 5);
    EXPECT_EQ(shown.deviation, 8u);
    EXPECT_EQ(shown.timeSlot, 0x2C);
    EXPECT_EQ(shown.lowVoltage, "3.50");
    EXPECT_EQ(shown.timeStatus, "Time: 1:02:03");
    EXPECT_EQ(shown.batteryStatus, "Battery 3.90 V");
    EXPECT_EQ(shown.convertMetersToFeet, 1);
    EXPECT_EQ(shown.overwriteMemory, 1);
    EXPECT_EQ(shown.storeHm, 1);
    EXPECT_EQ(shown.compressData, 0);
    EXPECT_EQ(shown.digEnable, 1);
    EXPECT_EQ(shown.digB, 1);
    EXPECT_EQ(shown.digA, 0);
    EXPECT_EQ(shown.enableSlotting, 0);
    EXPECT_EQ(shown.transmitCourseSpeed, 1);
    EXPECT_EQ(store.profiles[0].altitudeSwitch, 1);
    EXPECT_EQ(store.profiles[0].switchAbove, 0);
    EXPECT_EQ(store.profiles[1].altitudeSwitch, 0);
    EXPECT_EQ(store.profiles[1].switchAbove, 1);
    EXPECT_EQ(flags.optionsA, 0x84);
    EXPECT_EQ(flags.profileLog, 0x52);
    EXPECT_EQ(flags.telemetry, 0x84);
    EXPECT_EQ(flags.operation, 0xA1);
}

TEST_F(SettingsRecordTest, DecodeQuirks) {
    ReadRecord bytes = ReadBack(kExpected);
    bytes[2] = 0xFF;   // no character has this code: skipped
    bytes[6] = 0x40;   // 'E': the Morse scan goes on up to the first 0 byte
    bytes[19] = 0x11;  // not a power code: the field keeps its value
    bytes[22] = 0x65;
    bytes[23] = 0x04;
    TrackerCapabilities caps = PackedTracker();
    caps.packedFrequency = false;
    caps.offsetByOne = true;
    FormModel shown = FormModel::StartUp();
    shown.outputPower = 7;
    ProfileStore store;
    FlagBytes flags;
    DecodeSettingsRecord(bytes, caps, shown, store, flags);
    EXPECT_EQ(shown.morseText, "AB   E");
    EXPECT_EQ(shown.outputPower, 7);
    EXPECT_EQ(shown.frequency, "433.92");  // not from the record without packedFrequency
    EXPECT_EQ(shown.storeInterval, 100);
    EXPECT_EQ(shown.onceEvery, 3);
    EXPECT_EQ(shown.txRate, 3);
}

TEST_F(SettingsRecordTest, MorseScanStopsBeforeByte14) {
    ReadRecord bytes{};
    for (std::size_t i = 0; i < 16; ++i) {
        bytes[i] = 0x60;  // 'A' everywhere, no 0 byte
    }
    FormModel shown;
    ProfileStore store;
    FlagBytes flags;
    DecodeSettingsRecord(bytes, PackedTracker(), shown, store, flags);
    EXPECT_EQ(shown.morseText, std::string(14, 'A'));
    EXPECT_EQ(shown.idString, "``````");  // 0x60 as text, six at most
}

}  // namespace
}  // namespace vanteo
