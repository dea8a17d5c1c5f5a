#include "cli/FormSettings.h"

#include <gtest/gtest.h>

#include "cli/ConfigurationJson.h"
#include "cli/FieldListing.h"
#include "cli/SettingsScope.h"
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

// The profile members a parse gave, as "index:name" -> text or number.
std::map<std::string, std::string> ProfileMembers(const ConfigurationJson::Contents& contents) {
    std::map<std::string, std::string> members;
    for (const auto& value : contents.profileValues) {
        members[std::to_string(value.index) + ":" + value.row->name] =
            value.row->text != nullptr ? value.text : std::to_string(value.number);
    }
    return members;
}

TEST(ConfigurationJson, WritesWhatItsTrackerHasAndReadsItBack) {
    FormModel form = FormModel::StartUp();
    form.idString = "AB1";
    form.outputPower = -17;
    form.onceEvery = 7;
    form.txRate = 9;
    ProfileStore store;
    store.currentProfile = 1;
    for (ProfileSettings& profile : store.profiles) {
        profile.path1 = "WIDE1 1";
        profile.path2 = "XNOPATH";
        profile.disablePath2 = 1;
    }
    store.profiles[1].slowRate = 300;
    store.profiles[0].switchAbove = 1;

    // Firmware 130: smart beaconing, two profiles, packets spaced by "Once Every".
    ConfigurationJson::Contents contents;
    std::string error;
    std::string json =
        ConfigurationJson::Write(form, store, SettingsScope::Identify("ZPNAV9", 130));
    ASSERT_TRUE(ConfigurationJson::Parse(json, contents, error)) << error;
    EXPECT_EQ(contents.model, "ZPNAV9");
    EXPECT_EQ(contents.firmware, 130);
    std::map<std::string, std::string> fields(contents.fields.begin(), contents.fields.end());
    EXPECT_EQ(fields["1034"], "AB1");
    EXPECT_EQ(fields["1004"], "-17");
    EXPECT_EQ(fields["1017"], "7");
    EXPECT_EQ(fields["1001"], "433.92");
    for (const char* absent : {"1134", "1035", "1015", "1183", "1050", "1002", "1011", "1016",
                               "1123", "1055", "1008", "1084"}) {
        EXPECT_EQ(fields.count(absent), 0u) << absent;  // not held, or per profile
    }
    auto members = ProfileMembers(contents);
    EXPECT_EQ(members.size(), 30u);  // both records, every member
    EXPECT_EQ(members["1:slowRate"], "300");
    EXPECT_EQ(members["1:path2"], "XNOPATH");
    EXPECT_EQ(members["0:switchAbove"], "1");

    // Firmware 212: "Tx Rate", one profile, no smart beaconing or messages.
    json = ConfigurationJson::Write(form, store, SettingsScope::Identify("ZPNAV9", 212));
    ASSERT_TRUE(ConfigurationJson::Parse(json, contents, error)) << error;
    fields = {contents.fields.begin(), contents.fields.end()};
    EXPECT_EQ(fields["1134"], "9");
    EXPECT_EQ(fields.count("1017"), 0u);
    EXPECT_EQ(fields.count("1078"), 0u);  // no slotting from 212 on
    members = ProfileMembers(contents);
    EXPECT_EQ(members, (std::map<std::string, std::string>{{"0:disablePath1", "0"},
                                                           {"0:disablePath2", "1"},
                                                           {"0:path1", "WIDE1 1"},
                                                           {"0:path2", "XNOPATH"}}));
}

TEST(ConfigurationJson, AFileOfTheEarlierVersionLoadsWhatItsTrackerHad) {
    // Written before "model" and "firmware": every field, the status texts, both records.
    const char* text = R"({"profile": 1,
        "fields": {"1052": "Model: ZPNAV9", "1051": "Version:212", "1050": "Battery 3.90 V",
                   "1035": 2053, "1001": "144.390", "1017": 5, "1134": 9, "1008": 0,
                   "1055": "WIDE1 1", "1113": ""},
        "profiles": [{"path1": "WIDE1 1", "slowRate": 0, "txMessage": ""},
                     {"path1": "", "slowRate": 0}]})";
    ConfigurationJson::Contents contents;
    std::string error;
    ASSERT_TRUE(ConfigurationJson::Parse(text, contents, error)) << error;
    EXPECT_EQ(contents.model, "ZPNAV9");
    EXPECT_EQ(contents.firmware, 212);
    // What a 212 tracker has; its zero smart beaconing and empty Profile 2 were never read.
    EXPECT_EQ(contents.fields, (std::vector<std::pair<std::string, std::string>>{
                                   {"1001", "144.390"}, {"1134", "9"}}));
    EXPECT_EQ(ProfileMembers(contents),
              (std::map<std::string, std::string>{{"0:path1", "WIDE1 1"}}));
}

TEST(ConfigurationJson, HandWrittenFilesMayLeaveOutMembersAndUseNumbersOrLabels) {
    ConfigurationJson::Contents contents;
    std::string error;
    ASSERT_TRUE(ConfigurationJson::Parse(
        R"({"fields": {"Frequency": 144.39, "SSID": 9, "Dig A": true, "Path 1": "WIDE1-1"},
            "profiles": [{"path2": "WIDE2-2", "path1": "WIDE1-1"}, {"slowRate": 60}]})",
        contents, error))
        << error;
    std::map<std::string, std::string> fields(contents.fields.begin(), contents.fields.end());
    EXPECT_EQ(fields["Frequency"], "144.39");
    EXPECT_EQ(fields["SSID"], "9");
    EXPECT_EQ(fields["Dig A"], "1");
    // "Path 1" belongs to Profile 1, given twice with the same value.
    EXPECT_EQ(ProfileMembers(contents),
              (std::map<std::string, std::string>{
                  {"0:path1", "WIDE1-1"}, {"0:path2", "WIDE2-2"}, {"1:slowRate", "60"}}));
}

TEST(ConfigurationJson, RefusesWhatCannotBeASettingsFileNamingTheKey) {
    const struct {
        const char* text;
        const char* named;
    } bad[] = {
        {"", "JSON"},
        {"[1, 2]", "object"},
        {R"({"fields": [1]})", "fields"},
        {R"({"fields": {"1034": null}})", "1034"},
        {R"({"profiles": []})", "profiles"},
        {R"({"profiles": [{"path1": 5}, {}]})", "path1"},
        {R"({"profiles": [{"disablePath1": 2}, {}]})", "disablePath1"},
        {R"({"profiles": [{"slowRate": -1}, {}]})", "slowRate"},
        {R"({"profiles": [{"slowRate": 65536}, {}]})", "between 0 and 65535"},
        {R"({"profiles": [{}, {"turnAngle": 181}]})", "profile 2 \"turnAngle\""},
        {R"({"profiles": [{"path1": "WIDE1-1X"}, {}]})", "no more than 7"},
        {R"({"profiles": [{"fastSpeed": 1.5}, {}]})", "fastSpeed"},
        // Keys that would do nothing: a misspelling, a repeat, two names of one field.
        {R"({"profiles": [{"SlowRate": 60}]})", "unknown key \"SlowRate\""},
        {R"({"profiles": [{"slowRate": 60, "slowRate": 70}]})", "\"slowRate\" is given twice"},
        {R"({"fields": {"1001": "144.39", "Frequency": "144.39"}})", "\"Frequency\" (1001)"},
        {R"({"fields": {"Frequncy": "144.39"}})", "Frequncy"},
        {R"({"field": {}})", "unknown key \"field\""},
        {R"({"model": "ZPNAV9", "firmware": 130, "fields": {"1050": "Battery 4 V"}})", "1050"},
        {R"({"model": "ZPNAV9", "firmware": 130, "fields": {"Ser#": 7}})", "Ser#"},
        {R"({"model": "ZPNAV9"})", "firmware"},
        {R"({"fields": {"Path 1": "WIDE1-1"}, "profiles": [{"path1": "WIDE2-2"}]})", "disagrees"},
        // Text the tracker cannot hold, in either profile.
        {R"({"fields": {"ID String": "K\u20acBC"}})", "Invalid character in callsign string"},
        {R"({"profiles": [{}, {"path1": "WIDE\u20ac-1"}]})", "Invalid character in path 1"},
        {R"({"profiles": [{"txMessage": "H\u00c9LLO"}]})", "Invalid character in TX Msg"},
        {R"({"profiles": [{}, {"txMessage": "TWO\nLINES"}]})", "Invalid character in TX Msg"},
    };
    for (const auto& c : bad) {
        ConfigurationJson::Contents contents;
        std::string error;
        EXPECT_FALSE(ConfigurationJson::Parse(c.text, contents, error)) << c.text;
        EXPECT_NE(error.find(c.named), std::string::npos) << c.text << "\n" << error;
    }
}

}  // namespace
}  // namespace vanteo::cli
