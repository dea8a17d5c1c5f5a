#include <gtest/gtest.h>

#include "device/FieldTable.h"
#include "tests/device/DeviceFixture.h"

namespace vanteo::test {
namespace {

class ProfileTest : public DeviceTest {
protected:
    ProfileSettings& Record(int index) {
        return tracker.profileStore.profiles[static_cast<std::size_t>(index)];
    }
};

TEST_F(ProfileTest, StartUpSetsStartValuesAndHidesTrackerControls) {
    EXPECT_EQ(ui.ControlText(1001), "433.92");
    EXPECT_EQ(ui.ControlText(1019), "100");
    EXPECT_EQ(ui.ControlText(1173), "Switch to Profile 2 if:");
    EXPECT_EQ(ui.ControlText(1166), "1");
    for (const int id : ControlsHiddenAtStartUp()) {
        if (id != control::kValidateKml) {
            EXPECT_FALSE(ui.IsVisible(id)) << id;
        }
    }
    EXPECT_TRUE(ui.IsVisible(control::kValidateKml));
    EXPECT_FALSE(ui.IsVisible(control::kDefault));
    EXPECT_FALSE(tracker.calibrationMode);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ProfileTest, StartUpClearsProfileNumbersButNotTexts) {
    Record(1).path1 = "WIDE1-1";
    Record(1).disablePath2 = 1;
    Record(1).slowRate = 300;
    Record(0).switchAbove = 1;
    RunFormStartUp(ctx, "-validate");
    EXPECT_EQ(Record(1).path1, "WIDE1-1");
    EXPECT_EQ(Record(1).disablePath2, 1);
    EXPECT_EQ(Record(1).slowRate, 0u);
    EXPECT_EQ(Record(0).switchAbove, 0);
    EXPECT_FALSE(tracker.calibrationMode);
}

TEST_F(ProfileTest, CalibrationSwitchShowsTheServiceControls) {
    for (const char* other : {"-QRKVZ", "-qrkvzx", "-qrkv"}) {
        RunFormStartUp(ctx, other);
        EXPECT_FALSE(tracker.calibrationMode) << other;
    }
    RunFormStartUp(ctx, "-qrkvz");
    EXPECT_TRUE(tracker.calibrationMode);
    ASSERT_EQ(ui.MessageTexts().size(), 1u);
    EXPECT_EQ(ui.MessageTexts()[0], "Calibration Mode Enabled\n");
    for (const int id : CalibrationModeControls()) {
        EXPECT_TRUE(ui.IsVisible(id)) << id;
    }
    EXPECT_TRUE(ui.IsVisible(control::kValidateKml));
    EXPECT_FALSE(ui.IsVisible(1090));  // "Dig Enable" waits for a Read
}

TEST_F(ProfileTest, SwitchingCarriesEachProfilesOwnFields) {
    ui.Type(1055, "WIDE1-1");
    ui.Type(1008, "300");
    ui.Type(1171, "1000");
    ui.Type(1001, "145.000");  // not a profile field
    OnProfile2Clicked(ctx);
    EXPECT_EQ(tracker.profileStore.currentProfile, 1);
    EXPECT_EQ(Record(0).path1, "WIDE1-1");
    EXPECT_EQ(Record(0).slowRate, 300u);
    EXPECT_EQ(Record(0).switchAltitude, 1000u);
    EXPECT_EQ(ui.ControlText(1055), "");
    EXPECT_EQ(ui.ControlText(1008), "0");
    EXPECT_EQ(ui.ControlText(1166), "0");
    EXPECT_EQ(ui.ControlText(1167), "1");
    EXPECT_EQ(ui.ControlText(1173), "Switch to Profile 1 if:");
    EXPECT_EQ(ui.ControlText(1001), "145.000");

    OnProfile1Clicked(ctx);
    EXPECT_EQ(ui.ControlText(1055), "WIDE1-1");
    EXPECT_EQ(ui.ControlText(1008), "300");
    EXPECT_EQ(ui.ControlText(1171), "1000");
    EXPECT_EQ(ui.ControlText(1173), "Switch to Profile 2 if:");
}

TEST_F(ProfileTest, BothPathsDisabledBecomeNoPath) {
    ui.Type(1055, "WIDE1-1");
    ui.Type(1056, "WIDE2-2");
    ui.Type(1150, "1");
    ui.Type(1151, "1");
    OnProfile2Clicked(ctx);
    EXPECT_EQ(Record(0).path1, "XNOPATH");
    EXPECT_EQ(Record(0).path2, "XNOPATH");
    OnProfile1Clicked(ctx);
    EXPECT_EQ(ui.ControlText(1055), "XNOPATH");
    EXPECT_EQ(ui.ControlText(1056), "XNOPATH");
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ProfileTest, OnlyPath1DisabledIsRefusedOncePerRun) {
    ui.Type(1055, "WIDE1-1");
    ui.Type(1150, "1");
    OnProfile2Clicked(ctx);
    ASSERT_EQ(ui.MessageTexts().size(), 1u);
    EXPECT_EQ(ui.MessageTexts()[0],
              "Can not disable only PATH 1.  For a single path disable PATH 2. Discarding Changes");
    EXPECT_EQ(Record(0).disablePath1, 0);
    EXPECT_EQ(Record(0).path1, "WIDE1-1");
    OnProfile1Clicked(ctx);
    EXPECT_EQ(ui.ControlText(1150), "0");
    EXPECT_EQ(ui.MessageTexts().size(), 1u);
}

TEST_F(ProfileTest, OnlyPath2DisabledBecomesNoPath) {
    ui.Type(1055, "WIDE1-1");
    ui.Type(1056, "WIDE2-2");
    ui.Type(1151, "1");
    OnProfile1Clicked(ctx);  // the profile already shown: stored, rule applied, shown again
    EXPECT_EQ(ui.ControlText(1055), "WIDE1-1");
    EXPECT_EQ(ui.ControlText(1056), "XNOPATH");
}

TEST_F(ProfileTest, SecondRecordFollowsThePathRuleOnlyWithTwoProfiles) {
    Record(1).disablePath1 = 1;
    Record(1).path1 = "WIDE1-1";
    ApplyPathRule(ctx);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(Record(1).disablePath1, 1);

    tracker.capabilities.twoProfiles = true;
    ApplyPathRule(ctx);
    EXPECT_EQ(ui.MessageTexts().size(), 1u);
    EXPECT_EQ(Record(1).disablePath1, 0);
}

TEST_F(ProfileTest, CompareButtonIsPerProfile) {
    OnCompareClicked(ctx);
    EXPECT_EQ(ui.Caption(control::kCompareButton), ">");
    EXPECT_EQ(Record(0).switchAbove, 1);
    OnProfile2Clicked(ctx);
    EXPECT_EQ(ui.Caption(control::kCompareButton), "<");
    OnCompareClicked(ctx);
    OnCompareClicked(ctx);
    EXPECT_EQ(Record(1).switchAbove, 0);
    EXPECT_EQ(ui.Caption(control::kCompareButton), "<");
    OnProfile1Clicked(ctx);
    EXPECT_EQ(ui.Caption(control::kCompareButton), ">");
}

// A shown control the form refuses keeps the profile, the typed texts and the focus on it; the
// box the window toggled goes back. A hidden control refuses nothing.
TEST_F(ProfileTest, OnlyAShownControlRefusesAClickAndTheBoxesFollowTheProfile) {
    ASSERT_TRUE(OnRead(ctx));  // ZPNAV9 at 130: "Tx Rate" hidden, "Once Every" shown
    ui.Type(1134, "253");
    OnProfile2Clicked(ctx);
    EXPECT_EQ(tracker.profileStore.currentProfile, 1);
    EXPECT_TRUE(ui.Messages().empty());

    ui.Type(1008, "70000");
    ui.Type(1055, "WIDE1-1");
    ui.Type(1166, "1");  // the clicked box, toggled by the window before the handler runs
    OnProfile1Clicked(ctx);
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"Please enter an integer between 0 and 65535."});
    EXPECT_EQ(tracker.profileStore.currentProfile, 1);
    EXPECT_EQ(ui.Controls().focusedControl, 1008);
    EXPECT_EQ(ui.ControlText(1008), "70000");
    EXPECT_EQ(ui.ControlText(1055), "WIDE1-1");
    EXPECT_EQ(ui.ControlText(1166), "0");
    EXPECT_EQ(ui.ControlText(1167), "1");
}

TEST_F(ProfileTest, ConvertMetersToFeetOnlyTransfers) {
    ui.Type(1137, "1");
    ui.Type(1171, "1000");
    OnConvertMetersToFeetClicked(ctx);
    EXPECT_EQ(form.convertMetersToFeet, 1);
    EXPECT_EQ(form.switchAltitude, 1000u);
    EXPECT_EQ(ui.ControlText(1171), "1000");
}

TEST_F(ProfileTest, DefaultSetsItsFieldsWithoutReadingTheForm) {
    ui.Type(1034, "TYPED");  // replaced by the field's last value
    OnDefaultClicked(ctx);
    EXPECT_EQ(ui.ControlText(1001), "433.920");
    EXPECT_EQ(ui.ControlText(1134), "5");
    EXPECT_EQ(ui.ControlText(1091), "8");
    EXPECT_EQ(ui.ControlText(1073), "25");
    EXPECT_EQ(ui.ControlText(1183), "9200");
    EXPECT_EQ(ui.ControlText(1028), "3.5");
    EXPECT_EQ(ui.ControlText(1061), "1");
    EXPECT_EQ(ui.ControlText(1150), "1");
    EXPECT_EQ(ui.ControlText(1151), "1");
    EXPECT_EQ(ui.ControlText(1027), "1");
    EXPECT_EQ(ui.ControlText(1019), "1");
    EXPECT_EQ(ui.ControlText(1034), "");
    EXPECT_TRUE(simulator.ReceivedBytes().empty());
}

}  // namespace
}  // namespace vanteo::test
