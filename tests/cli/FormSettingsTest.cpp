#include "cli/FormSettings.h"

#include <gtest/gtest.h>

#include "cli/ConfigurationJson.h"
#include "cli/FieldListing.h"
#include "tests/support/ScriptedInteraction.h"

namespace vanteo::cli {
namespace {

TEST(FormSettingsKeys, LabelsAsTheFormShowsThemOrControlIdentifiers) {
    EXPECT_EQ(FormSettings::Resolve("Frequency")->id, 1001);
    EXPECT_EQ(FormSettings::Resolve("Store Intveral")->id, 1019);  // the form's own spelling
    EXPECT_EQ(FormSettings::Resolve("id string")->id, 1034);       // any letter case
    EXPECT_EQ(FormSettings::Resolve("Disable P2")->id, 1151);
    EXPECT_EQ(FormSettings::Resolve("2")->id, 1167);         // the label is "2 "
    EXPECT_EQ(FormSettings::Resolve("1171")->id, 1171);      // a control without label
    EXPECT_EQ(FormSettings::Resolve("Store HM")->id, 1180);  // not "Store HM (time)" (1081)
    EXPECT_EQ(FormSettings::Resolve("Frequency (Mhz)"), nullptr);
    EXPECT_EQ(FormSettings::Resolve("1999"), nullptr);
    EXPECT_EQ(FormSettings::Resolve(""), nullptr);
}

TEST(FormSettingsKeys, ReadOnlyFieldsAreRefusedOnTheCommandLineAndSkippedInFiles) {
    bool skip = false;
    for (const char* key : {"1050", "Messages", "COM port", "Profile 1", "2"}) {
        EXPECT_FALSE(FormSettings::Check(key, "1", FormSettings::Source::commandLine, skip).empty())
            << key;
        EXPECT_TRUE(skip);
        EXPECT_TRUE(FormSettings::Check(key, "1", FormSettings::Source::file, skip).empty());
        EXPECT_TRUE(skip);
    }
    EXPECT_FALSE(
        FormSettings::Check("Dig A", "2", FormSettings::Source::commandLine, skip).empty());
    EXPECT_FALSE(FormSettings::Check("Dig A", "yes", FormSettings::Source::file, skip).empty());
    EXPECT_TRUE(FormSettings::Check("Dig A", "1", FormSettings::Source::file, skip).empty());
    EXPECT_FALSE(skip);
    EXPECT_FALSE(FormSettings::Check("Nonsense", "1", FormSettings::Source::file, skip).empty());
}

class FormSettingsTyping : public ::testing::Test {
protected:
    FormModel form = FormModel::StartUp();
    test::ScriptedInteraction ui{form};
    FormSettings settings{ui};
};

TEST_F(FormSettingsTyping, ValuesAreTakenByTheFormsOwnTransferAndRefusedValuesAreNamed) {
    std::string note;
    EXPECT_EQ(settings.Apply("SSID", "9", FormSettings::Source::commandLine, note), "");
    EXPECT_EQ(settings.Apply("Path 1", "WIDE1-1", FormSettings::Source::commandLine, note), "");
    EXPECT_EQ(settings.CheckForm(), "");
    EXPECT_EQ(form.ssid, 9u);
    EXPECT_EQ(form.path1, "WIDE1-1");

    // Typed only: nothing changes until the form is taken in.
    settings.Apply("Turn Angle", "181", FormSettings::Source::commandLine, note);
    EXPECT_EQ(form.turnAngle, 0u);
    const std::string failure = settings.CheckForm();
    EXPECT_NE(failure.find("\"Turn Angle\" (1012)"), std::string::npos) << failure;
    EXPECT_NE(failure.find("'181'"), std::string::npos) << failure;
    EXPECT_EQ(ui.MessageTexts().back(), "Please enter an integer between 0 and 180.");
}

TEST_F(FormSettingsTyping, ALaterValueForTheSameFieldWins) {
    std::string note;
    settings.Apply("Output Power", "letters", FormSettings::Source::file, note);
    settings.Apply("1004", "-7", FormSettings::Source::commandLine, note);
    EXPECT_EQ(settings.CheckForm(), "");
    EXPECT_EQ(form.outputPower, -7);
}

TEST_F(FormSettingsTyping, HiddenFieldsAreTypedWithANote) {
    ui.SetControlVisible(1134, false);
    std::string note;
    EXPECT_EQ(settings.Apply("Tx Rate", "7", FormSettings::Source::commandLine, note), "");
    EXPECT_NE(note.find("\"Tx Rate\" (1134)"), std::string::npos);
    EXPECT_EQ(settings.CheckForm(), "");
    EXPECT_EQ(form.txRate, 7);
    EXPECT_EQ(settings.Apply("SSID", "3", FormSettings::Source::commandLine, note), "");
    EXPECT_EQ(note, "");
}

TEST(FieldListing, EscapesWhatWouldBreakTheOneLineLayout) {
    EXPECT_EQ(FieldListing::Escape("a\\b\n\r\t\x01\x7f\"", false), "a\\\\b\\n\\r\\t\\x01\\x7f\"");
    EXPECT_EQ(FieldListing::Escape("say \"hi\"", true), "say \\\"hi\\\"");
}

TEST(FieldListing, OneLinePerFieldInTableOrderAndOneLinePerProfile) {
    FormModel form = FormModel::StartUp();
    test::ScriptedInteraction ui{form};
    form.messages = "line one\nline two";
    const std::string lines = FieldListing::FieldLines(ui);
    EXPECT_EQ(lines.rfind("1000: CQ CQ CQ\n1002 Messages: line one\\nline two\n1001 Frequency: "
                          "433.92\n1004 Output Power: 0\n",
                          0),
              0u)
        << lines;
    EXPECT_NE(lines.find("\n1167 2: 0\n"), std::string::npos);
    EXPECT_NE(lines.find("\n1166 Profile 1: 1\n"), std::string::npos);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 73);

    ProfileStore store;
    store.profiles[0].path1 = "WIDE1 1";
    store.profiles[1].switchAltitude = 1000;
    store.profiles[1].switchAbove = 1;
    EXPECT_EQ(FieldListing::ProfileLines(store),
              "Profile 1: path1=\"WIDE1 1\" path2=\"\" txMessage=\"\" disablePath1=0 "
              "disablePath2=0 altitudeSwitch=0 switchAltitude=0 switchAbove=0 slowRate=0 "
              "slowSpeed=0 fastRate=0 fastSpeed=0 turnAngle=0 turnSlope=0 turnTime=0\n"
              "Profile 2: path1=\"\" path2=\"\" txMessage=\"\" disablePath1=0 disablePath2=0 "
              "altitudeSwitch=0 switchAltitude=1000 switchAbove=1 slowRate=0 slowSpeed=0 "
              "fastRate=0 fastSpeed=0 turnAngle=0 turnSlope=0 turnTime=0\n");
}

TEST(ConfigurationJson, RoundTripKeepsEveryFieldAndBothProfilesByteForByte) {
    FormModel form = FormModel::StartUp();
    form.idString = "AB1";
    form.txMessage = std::string("caf\xe9", 4);  // a byte above 0x7F survives
    form.outputPower = -17;
    form.serialNumber = 4000000000u;
    form.digC = 1;
    ProfileStore store;
    store.currentProfile = 1;
    store.profiles[1].path2 = "XNOPATH";
    store.profiles[1].slowRate = 300;
    store.profiles[0].switchAbove = 1;

    const std::string json = ConfigurationJson::Write(form, store);
    ConfigurationJson::Contents contents;
    std::string error;
    ASSERT_TRUE(ConfigurationJson::Parse(json, ProfileStore{}, contents, error)) << error;
    std::map<std::string, std::string> fields(contents.fields.begin(), contents.fields.end());
    EXPECT_EQ(fields.size(), 73u);
    EXPECT_EQ(fields["1034"], "AB1");
    EXPECT_EQ(fields["1113"], std::string("caf\xe9", 4));
    EXPECT_EQ(fields["1004"], "-17");
    EXPECT_EQ(fields["1035"], "4000000000");
    EXPECT_EQ(fields["1086"], "1");
    EXPECT_EQ(fields["1001"], "433.92");
    ASSERT_TRUE(contents.hasProfiles);
    EXPECT_EQ(contents.profiles.profiles[1].path2, "XNOPATH");
    EXPECT_EQ(contents.profiles.profiles[1].slowRate, 300u);
    EXPECT_EQ(contents.profiles.profiles[0].switchAbove, 1);
}

TEST(ConfigurationJson, HandWrittenFilesMayLeaveOutMembersAndUseNumbersOrLabels) {
    ProfileStore base;
    base.profiles[0].path1 = "WIDE1-1";
    base.profiles[1].turnTime = 12;
    ConfigurationJson::Contents contents;
    std::string error;
    ASSERT_TRUE(ConfigurationJson::Parse(
        R"({"fields": {"Frequency": 144.39, "SSID": 9, "Dig A": true},
            "profiles": [{"path2": "WIDE2-2"}, {"slowRate": 60}]})",
        base, contents, error))
        << error;
    std::map<std::string, std::string> fields(contents.fields.begin(), contents.fields.end());
    EXPECT_EQ(fields["Frequency"], "144.39");
    EXPECT_EQ(fields["SSID"], "9");
    EXPECT_EQ(fields["Dig A"], "1");
    EXPECT_EQ(contents.profiles.profiles[0].path1, "WIDE1-1");
    EXPECT_EQ(contents.profiles.profiles[0].path2, "WIDE2-2");
    EXPECT_EQ(contents.profiles.profiles[1].turnTime, 12u);
    EXPECT_EQ(contents.profiles.profiles[1].slowRate, 60u);

    ASSERT_TRUE(ConfigurationJson::Parse(R"({"fields": {"1034": "X"}})", base, contents, error));
    EXPECT_FALSE(contents.hasProfiles);
}

TEST(ConfigurationJson, RefusesWhatCannotBeASettingsFile) {
    const char* bad[] = {
        "",
        "[1, 2]",
        R"({"fields": [1]})",
        R"({"fields": {"1034": null}})",
        R"({"profiles": [{}]})",
        R"({"profiles": [{"path1": 5}, {}]})",
        R"({"profiles": [{"disablePath1": 2}, {}]})",
        R"({"profiles": [{"slowRate": -1}, {}]})",
        R"({"profiles": [{"slowRate": 65536}, {}]})",    // the form's range of "Slow Rate"
        R"({"profiles": [{}, {"turnAngle": 181}]})",     // the other profile is checked too
        R"({"profiles": [{"path1": "WIDE1-1X"}, {}]})",  // 7 characters at most
        R"({"profiles": [{"fastSpeed": 1.5}, {}]})",
    };
    for (const char* text : bad) {
        ConfigurationJson::Contents contents;
        std::string error;
        EXPECT_FALSE(ConfigurationJson::Parse(text, ProfileStore{}, contents, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

}  // namespace
}  // namespace vanteo::cli
