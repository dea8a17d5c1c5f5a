#include "device/TrackerCapabilities.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <source_location>

namespace vanteo {
namespace {

// The whole identification as the Read applies it (the Read starts from a cleared record; a
// record passed in shows what the rules themselves add and clear).
TrackerCapabilities Identify(const std::string& model, int version, TrackerCapabilities caps = {}) {
    caps.Identify(model, version);
    return caps;
}

using Caps = TrackerCapabilities;

// One firmware rule at its bounds, for a model the table does not name: the versions that must
// have `flag` set and those that must have it clear. A failure names the calling line.
void ExpectFlagAt(bool Caps::*flag, std::initializer_list<int> setAt,
                  std::initializer_list<int> clearAt = {},
                  std::source_location where = std::source_location::current()) {
    const ::testing::ScopedTrace trace(where.file_name(), static_cast<int>(where.line()), "");
    for (const int version : setAt) {
        EXPECT_TRUE(Identify("", version).*flag) << "version " << version;
    }
    for (const int version : clearAt) {
        EXPECT_FALSE(Identify("", version).*flag) << "version " << version;
    }
}

TEST(FirmwareRules, BoundsOfTheFirstGroup) {
    ExpectFlagAt(&Caps::peekPoke, {108, 200, 212}, {107, 201, 211});
    ExpectFlagAt(&Caps::smartBeaconing, {108, 200}, {212});
    ExpectFlagAt(&Caps::offsetByOne, {17}, {18});
    const TrackerCapabilities v212 = Identify("", 212);
    EXPECT_TRUE(v212.logTimestamp && v212.logHoursMinutes && v212.noSlotting);
    EXPECT_FALSE(Identify("", 211).noSlotting);
}

TEST(FirmwareRules, Version200BelongsToTheNewLine) {
    const TrackerCapabilities caps = Identify("", 200);
    EXPECT_TRUE(caps.txRateSpacing);
    EXPECT_FALSE(caps.storeSmartBeacon);
    EXPECT_FALSE(caps.onlySendValid);
    EXPECT_FALSE(caps.twoProfiles);
    EXPECT_FALSE(caps.compressCapable);
}

TEST(FirmwareRules, BoundsOfTheSecondGroup) {
    ExpectFlagAt(&Caps::txRateSpacing, {109}, {110});
    ExpectFlagAt(&Caps::storeSmartBeacon, {110});
    ExpectFlagAt(&Caps::metersToFeet, {116, 209}, {115, 208});
    ExpectFlagAt(&Caps::gpsPowerdown, {116}, {209});
    ExpectFlagAt(&Caps::transmitVoltage, {120}, {119});
    ExpectFlagAt(&Caps::twoProfiles, {122, 199}, {121});
    ExpectFlagAt(&Caps::compressCapable, {124}, {123});
    ExpectFlagAt(&Caps::hoursMinutesCapable, {124});
}

TEST(FirmwareRules, The212RulesClearStoreSmartBeacon) {
    const TrackerCapabilities first = Identify("ZPNAV9", 130);
    ASSERT_TRUE(first.storeSmartBeacon);
    // The first group clears it, and the second group does not set it again.
    EXPECT_FALSE(Identify("ZPNAV9", 212, first).storeSmartBeacon);
}

TEST(ModelTable, Zpnav9At130) {
    const TrackerCapabilities caps = Identify("ZPNAV9", 130);
    for (bool flag :
         {caps.peekPoke, caps.smartBeaconing, caps.compressCapable, caps.hoursMinutesCapable,
          caps.pllRegisters, caps.band2m, caps.powerAmp, caps.deviationAdjust, caps.txMessages,
          caps.storeSmartBeacon, caps.onlySendValid, caps.twoProfiles, caps.transmitVoltage,
          caps.metersToFeet, caps.gpsPowerdown, caps.smartLaunchDetect}) {
        EXPECT_TRUE(flag);
    }
    for (bool flag : {caps.offsetByOne, caps.logTimestamp, caps.logHoursMinutes, caps.noSlotting,
                      caps.txRateSpacing, caps.packedFrequency, caps.gSwitch, caps.digitalTelemetry,
                      caps.powerOffset10}) {
        EXPECT_FALSE(flag);
    }
    EXPECT_EQ(caps.calibrationBase, 3900);
    EXPECT_EQ(caps.voltageMultiplier, 3);
    EXPECT_FLOAT_EQ(caps.voltageReference, 3.3f);
}

TEST(ModelTable, EachModelRow) {
    const TrackerCapabilities v8 = Identify("ZPNAV8", 130);
    EXPECT_TRUE(v8.pllRegisters && v8.band2m);
    EXPECT_FALSE(v8.powerAmp || v8.txMessages);
    EXPECT_EQ(v8.calibrationBase, 9200);
    EXPECT_EQ(v8.voltageMultiplier, 2);

    const TrackerCapabilities v6 = Identify("ZPNAV6", 130);
    EXPECT_TRUE(v6.pllRegisters && v6.band2m && v6.powerAmp && v6.txMessages);
    EXPECT_FALSE(v6.smartLaunchDetect);
    EXPECT_EQ(v6.calibrationBase, 3900);
    EXPECT_EQ(v6.voltageMultiplier, 3);

    const TrackerCapabilities v0 = Identify("ZPNAV0", 130);
    EXPECT_TRUE(v0.packedFrequency && v0.gSwitch && v0.digitalTelemetry);
    EXPECT_FALSE(v0.pllRegisters);
    EXPECT_EQ(v0.voltageMultiplier, 2);
    EXPECT_FLOAT_EQ(v0.voltageReference, 3.0f);

    EXPECT_FALSE(Identify("ZPNAV1", 107).deviationAdjust);
    const TrackerCapabilities v1 = Identify("ZPNAV1", 108);
    EXPECT_TRUE(v1.deviationAdjust && v1.powerAmp && v1.gSwitch && v1.packedFrequency);
    EXPECT_EQ(v1.voltageMultiplier, 3);

    const TrackerCapabilities vb = Identify("ZPNAVB", 130, Identify("ZPNAV1", 130));
    EXPECT_TRUE(vb.pllRegisters && vb.powerAmp && vb.deviationAdjust);
    EXPECT_FALSE(vb.band2m || vb.gSwitch);

    const TrackerCapabilities vc = Identify("ZPNAVC", 230, Identify("ZPNAV9", 130));
    EXPECT_FALSE(vc.band2m || vc.powerAmp || vc.deviationAdjust || vc.gSwitch ||
                 vc.smartLaunchDetect || vc.pllRegisters || vc.powerOffset10);
    EXPECT_TRUE(vc.txMessages);  // set only: kept from the earlier read
    EXPECT_EQ(vc.calibrationBase, 9200);

    const TrackerCapabilities vd = Identify("ZPNAVD", 230);
    EXPECT_TRUE(vd.powerOffset10 && vd.packedFrequency);
    EXPECT_FALSE(vd.smartLaunchDetect);
}

TEST(ModelTable, RowsLeaveUnnamedFlagsAsTheyWere) {
    const TrackerCapabilities caps = Identify("ZPNAV0", 130, Identify("ZPNAV8", 130));
    EXPECT_TRUE(caps.band2m);
    EXPECT_FALSE(caps.pllRegisters);
    EXPECT_TRUE(caps.packedFrequency);
    EXPECT_TRUE(caps.gSwitch);
}

TEST(ModelTable, UnlistedOrAlmostMatchingModelsGetTheDefaults) {
    for (const char* model : {"ZPNAV7", "zpnav9", "ZPNAV9 ", ""}) {
        const TrackerCapabilities caps = Identify(model, 130, Identify("ZPNAV9", 130));
        EXPECT_FALSE(caps.pllRegisters) << model;
        EXPECT_TRUE(caps.packedFrequency) << model;
        EXPECT_EQ(caps.calibrationBase, 9200) << model;
        EXPECT_EQ(caps.voltageMultiplier, 2) << model;
        EXPECT_FLOAT_EQ(caps.voltageReference, 3.0f) << model;
        EXPECT_TRUE(caps.band2m) << model;  // model flags stay as the earlier read left them
    }
}

}  // namespace
}  // namespace vanteo
