#include <gtest/gtest.h>

#include <set>

#include "device/FieldTable.h"
#include "device/SettingsRecord.h"
#include "tests/device/DeviceFixture.h"

namespace vanteo::test {
namespace {

class ReadTest : public DeviceTest {
protected:
    sim::SimulatorConfig Tracker(const std::string& model, int version) {
        sim::SimulatorConfig config;
        config.modelId = model;
        config.firmwareVersion = version;
        return config;
    }

    // The start-up hidden controls that are visible now.
    std::set<int> ShownControls() {
        std::set<int> shown;
        for (const int id : ControlsHiddenAtStartUp()) {
            if (ui.IsVisible(id)) {
                shown.insert(id);
            }
        }
        return shown;
    }

    // Puts a 70 cm frequency into the record so the source of "Frequency" is visible:
    // ((433.92 - 0.045) * 1e6 - 2500) * 0.01 - 8192 = 4330533 = 0x421425.
    void RecordCarries433() {
        simulator.Memory()[16] = 0x42;
        simulator.Memory()[17] = 0x14;
        simulator.Memory()[18] = 0x25;
    }
};

TEST_F(ReadTest, Zpnav9At130FillsFormProfilesAndCapabilities) {
    ASSERT_TRUE(OnRead(ctx));
    const TrackerCapabilities& caps = tracker.capabilities;
    EXPECT_EQ(caps.modelId, "ZPNAV9");
    EXPECT_EQ(caps.firmwareVersion, 130);
    EXPECT_TRUE(caps.pllRegisters && caps.peekPoke && caps.twoProfiles && caps.txMessages);
    EXPECT_EQ(caps.calibrationBase, 3900);

    EXPECT_EQ(form.modelStatus, "Model: ZPNAV9");
    EXPECT_EQ(form.versionStatus, "Version:130");
    EXPECT_EQ(form.serialNumber, 0x805u);
    EXPECT_EQ(form.serialNumberStatus, "Ser #: B5");
    EXPECT_EQ(form.fcal, 0);
    EXPECT_EQ(form.calibrationField, 3900u);
    EXPECT_EQ(form.rReg, "4402000");
    EXPECT_EQ(form.nReg, "8CF69");
    EXPECT_EQ(form.mReg, "87E2");
    EXPECT_EQ(form.fReg, "5AA04F");
    EXPECT_EQ(form.frequency, "144.390");
    EXPECT_EQ(form.idString, "N0CALL");
    EXPECT_EQ(form.morseText, "N0CALL");
    EXPECT_EQ(form.ssid, 11u);
    EXPECT_EQ(form.symbol, "O");
    EXPECT_EQ(form.outputPower, 10);  // code 0xE0
    EXPECT_EQ(form.preamble, 30);
    EXPECT_EQ(form.storeInterval, 1);
    EXPECT_EQ(form.onceEvery, 5);
    EXPECT_EQ(form.txRate, 5);
    EXPECT_EQ(form.deviation, 8u);
    EXPECT_EQ(form.onlySendValid, 1);
    EXPECT_EQ(form.transmitAltitude, 1);
    EXPECT_EQ(form.lowVoltageShutdown, 1);
    EXPECT_EQ(form.positionLogging, 1);
    EXPECT_EQ(form.wrapDataLog, 0);
    // 362 * 3 * 3.3 / 1024 = 3.4998 V; battery 403 -> 3.896 V.
    EXPECT_EQ(form.lowVoltage, "3.50");
    EXPECT_EQ(form.batteryStatus, "Battery 3.90 V");
    EXPECT_EQ(form.timeStatus, "Time: 1:02:03");
    EXPECT_EQ(form.unitCaption, "meters");
    EXPECT_EQ(ui.Caption(control::kCompareButton), "<");
    EXPECT_EQ(form.messages, "Read Complete");
    EXPECT_EQ(ui.ControlText(1002), "Read Complete");

    // Profile 1 shown, both records filled.
    EXPECT_EQ(form.path1, "WIDE1 1");
    EXPECT_EQ(form.path2, "WIDE2 1");
    EXPECT_EQ(form.slowRate, 600u);
    EXPECT_EQ(form.fastRate, 60u);
    EXPECT_EQ(form.turnTime, 15u);
    EXPECT_EQ(form.txMessage, "Rocket tracker");
    EXPECT_EQ(form.switchAltitude, 1000u);
    const ProfileSettings& second = tracker.profileStore.profiles[1];
    EXPECT_EQ(second.slowRate, 300u);
    EXPECT_EQ(second.txMessage, "Recovery mode");
    EXPECT_EQ(second.switchAltitude, 300u);
    EXPECT_EQ(second.path2, "WIDE2 1");

    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(clock.NowMs(), 600);  // the two settling pauses; the simulator answers at once
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ReadTest, Zpnav9At130ShowsExactlyItsControls) {
    ASSERT_TRUE(OnRead(ctx));
    const std::set<int> expected = {
        1033,                                            // Validate KML, shown at start-up
        1181, 1180, 1174,                                // compress, store HM, altitude
        1178, 1166, 1167, 1173, 1172, 1170, 1171, 1175,  // profile switching
        1114, 1115, 1017,                                // Once Every
        1117, 1118, 1137, 1138, 1156,                    // flag boxes
        1091, 1100,                                      // deviation
        1177, 1010, 1013, 1007, 1008, 1009, 1012, 1021,  // smart beaconing
        1103, 1104, 1105, 1106, 1107, 1108, 1109, 1139, 1140, 1141, 1142, 1143, 1113,
        1092,  // power amp
    };
    EXPECT_EQ(ShownControls(), expected);
    EXPECT_TRUE(ui.IsVisible(1064));
    EXPECT_TRUE(ui.IsVisible(1078));
}

TEST_F(ReadTest, CalibrationModeAlsoShowsDigEnable) {
    RunFormStartUp(ctx, "-qrkvz");
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_TRUE(ui.IsVisible(1090));
    EXPECT_FALSE(ui.IsVisible(1084));
}

TEST_F(ReadTest, PackedFrequencyModelsTakeTheFrequencyFromTheRecord) {
    for (const char* model : {"ZPNAV0", "ZPNAV1", "ZPNAVC", "ZPNAVD", "ZPNAV7"}) {
        Attach(Tracker(model, 130));
        RecordCarries433();
        ASSERT_TRUE(OnRead(ctx)) << model;
        EXPECT_EQ(form.frequency, "433.920") << model;
        EXPECT_TRUE(tracker.capabilities.packedFrequency) << model;
    }
    for (const char* model : {"ZPNAV8", "ZPNAV6", "ZPNAVB"}) {
        Attach(Tracker(model, 130));
        RecordCarries433();
        ASSERT_TRUE(OnRead(ctx)) << model;
        EXPECT_EQ(form.frequency, "144.390") << model;
        EXPECT_FALSE(tracker.capabilities.packedFrequency) << model;
    }
}

TEST_F(ReadTest, OldFirmwareUsesLetterCommandsAndOffsetByOne) {
    Attach(Tracker("ZPNAV0", 17));
    ASSERT_TRUE(OnRead(ctx));
    const std::string& commands = simulator.Commands();
    EXPECT_EQ(commands.find('y'), std::string::npos);
    EXPECT_EQ(commands, "?MMVSDXSDKT");
    EXPECT_EQ(form.storeInterval, 0);  // stored 1, shown one less
    EXPECT_EQ(form.onceEvery, 4);
    EXPECT_EQ(form.txRate, 4);
    EXPECT_EQ(form.path1, "WIDE1 1");
    EXPECT_EQ(form.serialNumber, 0x805u);
    EXPECT_TRUE(ui.IsVisible(1134));   // Tx Rate
    EXPECT_FALSE(ui.IsVisible(1017));  // Once Every
    EXPECT_TRUE(ui.IsVisible(1087));   // HW G-Switch
    EXPECT_FALSE(ui.IsVisible(1177));
}

TEST_F(ReadTest, FirmwareBoundsShowTheirControls) {
    Attach(Tracker("ZPNAV9", 200));
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_TRUE(tracker.capabilities.peekPoke && tracker.capabilities.smartBeaconing);
    EXPECT_TRUE(ui.IsVisible(1134));
    EXPECT_FALSE(ui.IsVisible(1117));
    EXPECT_FALSE(ui.IsVisible(1118));
    EXPECT_FALSE(ui.IsVisible(1166));
    EXPECT_FALSE(ui.IsVisible(1181));

    // A later 212 adds byte access without smart beaconing and hides Enable Slotting.
    Attach(Tracker("ZPNAVC", 224));
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_FALSE(ui.IsVisible(1078));
    EXPECT_FALSE(ui.IsVisible(1064));  // ZPNAVC has no smart launch detect
    EXPECT_TRUE(ui.IsVisible(1197));   // overwrite memory: ZPNAVC from 224
    EXPECT_TRUE(ui.IsVisible(1137));
    EXPECT_TRUE(tracker.capabilities.noSlotting);
}

TEST_F(ReadTest, Zpnav9At212ReadsMessagesIntoAHiddenField) {
    Attach(Tracker("ZPNAV9", 212));
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_EQ(form.txMessage, "Rocket tracker");
    EXPECT_EQ(tracker.profileStore.profiles[1].txMessage, "Recovery mode");
    EXPECT_FALSE(ui.IsVisible(1113));
}

TEST_F(ReadTest, Zpnav1DeviationFrom108) {
    Attach(Tracker("ZPNAV1", 107));
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_FALSE(ui.IsVisible(1091));
    Attach(Tracker("ZPNAV1", 108));
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_TRUE(ui.IsVisible(1091));
}

TEST_F(ReadTest, DigitalTelemetryNeedsTheModelAndTheEnableBit) {
    Attach(Tracker("ZPNAV0", 130));
    simulator.Memory()[31] = 0x80;
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_TRUE(ui.IsVisible(1176));
    EXPECT_TRUE(ui.IsVisible(1089));
    EXPECT_EQ(form.digEnable, 1);
}

TEST_F(ReadTest, FirmwareBelow2StopsAfterSerialAndCalibration) {
    Attach(Tracker("ZPNAV9", 1));
    EXPECT_FALSE(OnRead(ctx));
    EXPECT_EQ(simulator.Commands(), "?MMVSD");
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"You must be running firmware version 2 or greater"});
    EXPECT_TRUE(link.IsOpen());
    // A failed identification shows no model of its own.
    EXPECT_EQ(form.modelStatus, "Model ???");
}

// A tracker that is not identified leaves the record, the identity fields and the texts of the
// tracker identified before it.
TEST_F(ReadTest, AFailedIdentificationChangesNoFlagAndNoShownIdentity) {
    ASSERT_TRUE(OnRead(ctx));
    const TrackerCapabilities before = tracker.capabilities;

    sim::SimulatorConfig tooOld = Tracker("ZPNAV0", 1);
    tooOld.serialNumber = 0x123;
    sim::SimulatorConfig noisy = Tracker("ZPNAVC", 212);
    noisy.faults.garbageLinesBeforeReply = 1;  // the 'V' reply read is a junk line
    for (const sim::SimulatorConfig& config : {tooOld, noisy}) {
        Attach(config);
        ui.ClearMessages();
        EXPECT_FALSE(OnRead(ctx)) << config.modelId;
        const TrackerCapabilities& caps = tracker.capabilities;
        EXPECT_EQ(caps.modelId, "ZPNAV9");
        EXPECT_EQ(caps.firmwareVersion, 130);
        EXPECT_EQ(caps.peekPoke, before.peekPoke);
        EXPECT_EQ(caps.offsetByOne, before.offsetByOne);
        EXPECT_EQ(caps.twoProfiles, before.twoProfiles);
        EXPECT_EQ(caps.gSwitch, before.gSwitch);
        EXPECT_EQ(caps.logTimestamp, before.logTimestamp);
        EXPECT_EQ(caps.calibrationBase, before.calibrationBase);
        EXPECT_EQ(form.modelStatus, "Model: ZPNAV9");
        EXPECT_EQ(form.versionStatus, "Version:130");
        EXPECT_EQ(form.serialNumber, 0x805u);
        EXPECT_NE(form.messages, "Read Complete");
    }
    // The junk line is not taken for a firmware older than 2.
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"The tracker's firmware version reply is not a number; "
                                       "nothing was changed. Check the port and the cable, then "
                                       "Read again."});
    const std::string& commands = simulator.Commands();
    EXPECT_EQ(commands.substr(commands.find('M')), "MMV");
}

// Each Read describes the tracker on the port only: nothing an earlier tracker brought stays,
// whether flags, shown controls or profile values. A Read replaces the form, so nothing the form
// holds refuses it.
TEST_F(ReadTest, EachReadDescribesOnlyTheTrackerOnThePort) {
    ASSERT_TRUE(OnRead(ctx));
    Attach(Tracker("ZPNAV0", 17));
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_EQ(form.storeInterval, 0);  // stored 1, shown one less: a value the form refuses
    EXPECT_FALSE(ui.IsVisible(1017));
    EXPECT_FALSE(ui.IsVisible(1166));

    Attach(Tracker("ZPNAV9", 130));
    ASSERT_TRUE(OnRead(ctx));
    const TrackerCapabilities& caps = tracker.capabilities;
    EXPECT_FALSE(caps.offsetByOne);
    EXPECT_FALSE(caps.txRateSpacing);
    EXPECT_FALSE(caps.gSwitch);
    EXPECT_EQ(form.storeInterval, 1);
    EXPECT_EQ(form.onceEvery, 5);
    EXPECT_TRUE(ui.IsVisible(1017));
    EXPECT_FALSE(ui.IsVisible(1134));
    EXPECT_FALSE(ui.IsVisible(1087));  // HW G-Switch was the ZPNAV0's
    ASSERT_TRUE(OnWrite(ctx));
    EXPECT_EQ(simulator.LastSettingsRecord().at(22), 1);
    EXPECT_EQ(simulator.LastSettingsRecord().at(23), 5);

    // A one-profile tracker after a two-profile one shown at Profile 2.
    OnProfile2Clicked(ctx);
    ASSERT_EQ(tracker.profileStore.currentProfile, 1);
    ASSERT_EQ(form.slowRate, 300u);
    Attach(Tracker("ZPNAV9", 212));
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_FALSE(caps.twoProfiles || caps.smartBeaconing || caps.storeSmartBeacon);
    EXPECT_FALSE(ui.IsVisible(1166));
    EXPECT_FALSE(ui.IsVisible(1177));
    EXPECT_EQ(tracker.profileStore.currentProfile, 0);
    EXPECT_EQ(form.profile1, 1);
    EXPECT_EQ(form.path1, "WIDE1 1");
    EXPECT_EQ(form.txMessage, "Rocket tracker");
    EXPECT_EQ(form.slowRate, 0u);
    EXPECT_EQ(tracker.profileStore.profiles[1].path1, "");
    EXPECT_EQ(tracker.profileStore.profiles[1].slowRate, 0u);
}

TEST_F(ReadTest, CorruptCalibrationIsReportedAndZeroUsed) {
    simulator.Memory()[0x8D] = 0x11;
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_EQ(ui.MessageTexts(),
              (std::vector<std::string>{"Calibration values CORRUPTED, using 0",
                                        "Calibration values CORRUPTED, using 0"}));
    EXPECT_EQ(form.fcal, 0);
}

TEST_F(ReadTest, CorruptCalibrationByLetterCommand) {
    Attach(Tracker("ZPNAV0", 100));
    simulator.Memory()[0x8D] = 0x11;
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_EQ(ui.MessageTexts().front(), "scal1 != scal2, using zero instead");
    EXPECT_EQ(form.fcal, 0);
}

TEST_F(ReadTest, ByteAccessGoesWithTheTrackerThatHasIt) {
    ASSERT_TRUE(OnRead(ctx));
    Attach(Tracker("ZPNAV0", 100));
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_FALSE(tracker.capabilities.peekPoke);
    EXPECT_EQ(simulator.Commands(), "?MMVSDXSDKT");
}

TEST_F(ReadTest, NegativeCalibrationAndSerialText) {
    sim::SimulatorConfig config = Tracker("ZPNAV9", 130);
    config.calibration = -272;
    config.serialNumber = 0x7FF;
    Attach(config);
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_EQ(form.fcal, -272);
    EXPECT_EQ(form.calibrationField, 3900u - 272u);
    EXPECT_EQ(form.serialNumberStatus, "Ser#: 2047");
}

TEST_F(ReadTest, ProfileTwoShownGetsItsOwnValues) {
    tracker.profileStore.currentProfile = 1;
    simulator.Memory()[30] = 0x10;  // profile 2 switches above
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_EQ(form.slowRate, 300u);
    EXPECT_EQ(form.txMessage, "Recovery mode");
    EXPECT_EQ(form.switchAltitude, 300u);
    EXPECT_EQ(ui.Caption(control::kCompareButton), ">");
    EXPECT_EQ(tracker.profileStore.currentProfile, 1);
}

TEST_F(ReadTest, DisabledPathsFollowWhatEachReadFinds) {
    // "XNOPATH" as profile 1's path 2: 'X'<<1 ... and 'H' - '0' = 0x18 << 1 = 0x30, + end bit.
    const std::uint8_t noPath[7] = {0xB0, 0x9C, 0x9E, 0xA0, 0x82, 0xA8, 0x31};
    std::copy(std::begin(noPath), std::end(noPath), simulator.Memory().begin() + 0x33);
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_EQ(form.path2, "XNOPATH");
    EXPECT_EQ(form.disablePath2, 1);
    EXPECT_EQ(form.disablePath1, 0);

    Attach(sim::SimulatorConfig{});
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_EQ(form.path2, "WIDE2 1");
    EXPECT_EQ(form.disablePath2, 0);
    EXPECT_EQ(tracker.profileStore.profiles[0].disablePath2, 0);
}

TEST_F(ReadTest, FullLengthMessageIsTakenWhole) {
    for (std::size_t i = 0; i < 33; ++i) {
        simulator.Memory()[0x60 + i] = 'M';
    }
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_EQ(form.txMessage, std::string(32, 'M'));
}

TEST_F(ReadTest, LinkLossStopsTheReadWithoutReportingSuccess) {
    sim::SimulatorConfig config;
    config.faults.disconnectAfterBytes = 60;  // during the serial-number peeks
    Attach(config);
    form.serialNumber = 77;
    Show();
    EXPECT_FALSE(OnRead(ctx));
    EXPECT_NE(form.messages, "Read Complete");
    EXPECT_EQ(form.serialNumber, 77u);  // not filled with zeros
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(ui.MessageTexts().size(), 1u);
}

// A Read that loses the tracker in its last step, the settings record, still shows what it read
// of this tracker's profile, in the field and its control, and nothing of the tracker before.
TEST_F(ReadTest, AReadStoppedInTheRecordShowsTheProfileItGot) {
    const auto storeMessage = [this](const std::string& text) {
        std::copy(text.c_str(), text.c_str() + text.size() + 1, simulator.Memory().begin() + 0x60);
    };
    storeMessage("Tracker A");
    ASSERT_TRUE(OnRead(ctx));
    ASSERT_EQ(ui.ControlText(control::kTxMessage), "Tracker A");
    const long wholeRead = simulator.BytesSent();

    sim::SimulatorConfig config;
    // Unplugged half-way through the record, the last reply of the Read.
    config.faults.disconnectAfterBytes = wholeRead - static_cast<long>(kRecordReadBytes) / 2;
    Attach(config);
    storeMessage("Tracker B");  // as long as A's: the same exchange
    EXPECT_FALSE(OnRead(ctx));
    EXPECT_NE(form.messages, "Read Complete");
    EXPECT_EQ(tracker.profileStore.profiles[0].txMessage, "Tracker B");
    EXPECT_EQ(form.txMessage, "Tracker B");
    EXPECT_EQ(ui.ControlText(control::kTxMessage), "Tracker B");
}

TEST_F(ReadTest, NothingTheFormHoldsStopsTheRead) {
    ui.Type(1004, "abc");  // before "COM port" in the transfer order
    ui.Type(1059, "99");
    ui.Type(1134, "0");
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(ui.ControlText(1004), "10");
    EXPECT_EQ(form.ssid, 11u);
    EXPECT_EQ(ui.Controls().focusedControl, 0);
}

}  // namespace
}  // namespace vanteo::test
