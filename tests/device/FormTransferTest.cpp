#include "device/FormTransfer.h"

#include <gtest/gtest.h>

#include "device/FieldTable.h"
#include "tests/support/ScriptedInteraction.h"

namespace vanteo {
namespace {

TEST(ParseIntegerText, AcceptsBlanksSignsAndPlainZeros) {
    EXPECT_EQ(ParseIntegerText("42"), 42);
    EXPECT_EQ(ParseIntegerText(" \t-17\t "), -17);
    EXPECT_EQ(ParseIntegerText("+5"), 5);
    EXPECT_EQ(ParseIntegerText("0"), 0);
    EXPECT_EQ(ParseIntegerText("  00"), 0);
}

TEST(ParseIntegerText, RefusesWhatIsNotAWholeDecimalNumber) {
    for (const char* text :
         {"", "   ", "-", "+", "-0", "+0", "0x10", "12abc", "1 2", "abc", "- 5", "1.5"}) {
        EXPECT_EQ(ParseIntegerText(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(ParseIntegerText, ReadsOnlyTheFirst31Characters) {
    // 29 blanks, "12", then junk from character 32 on: the junk is never looked at.
    EXPECT_EQ(ParseIntegerText(std::string(29, ' ') + "12" + "xyz"), 12);
    // The same junk one position earlier is inside the 31 characters.
    EXPECT_EQ(ParseIntegerText(std::string(28, ' ') + "12" + "xyz"), std::nullopt);
}

TEST(ParseUnsignedText, RefusesAMinusSign) {
    EXPECT_EQ(ParseUnsignedText("-1"), std::nullopt);
    EXPECT_EQ(ParseUnsignedText(" -0"), std::nullopt);
    EXPECT_EQ(ParseUnsignedText("+7"), 7);
}

// Only the port the text names is selected: a longer name that begins with it is another device.
TEST(SelectComPortEntry, ExactEntryOrTheTextAsTyped) {
    const std::vector<std::string> entries = {"COM10", "COM1", "/dev/pts/10", "/dev/x", "/dev/X"};
    const struct {
        const char* text;
        const char* selected;
    } cases[] = {
        {"COM1", "COM1"},  // exact, although "COM10" comes first
        {"com1", "COM1"},  // the one entry equal without regard to case
        {"COM", "COM"},    // a prefix of entries selects none of them
        {"/dev/pts/1", "/dev/pts/1"},
        {"/dev/X", "/dev/X"},  // exact wins over the case variant listed before it
        {"/DEV/x", "/DEV/x"},  // two case variants: neither is guessed
        {"", "COM10"},         // no name typed: the first entry, as at start-up
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SelectComPortEntry(c.text, entries), c.selected) << c.text;
    }
}

class FormTransferTest : public ::testing::Test {
protected:
    FormModel form = FormModel::StartUp();
    test::ScriptedInteraction ui{form};
};

TEST_F(FormTransferTest, LettersInOutputPowerStopTheTransferAtThatField) {
    form.outputPower = 3;
    form.storeInterval = 100;
    ui.ShowForm();
    ui.Type(1004, "abc");
    ui.Type(1011, "COM7");  // after Output Power in table order
    ui.Type(1019, "50");
    EXPECT_FALSE(ui.ReadForm());
    EXPECT_EQ(form.outputPower, 3);
    EXPECT_EQ(form.comPort, "");
    EXPECT_EQ(form.storeInterval, 100);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, "Please enter an integer.");
    EXPECT_EQ(ui.Messages()[0].icon, MessageIcon::none);
    EXPECT_EQ(ui.Controls().focusedControl, 1004);
}

TEST_F(FormTransferTest, SsidParseAndRangeMessages) {
    ui.Type(1059, "-1");
    EXPECT_FALSE(ui.ReadForm());
    EXPECT_EQ(ui.Messages().back().text, "Please enter a positive integer.");
    EXPECT_EQ(form.ssid, 1u);

    ui.Type(1059, "16");
    EXPECT_FALSE(ui.ReadForm());
    EXPECT_EQ(ui.Messages().back().text, "Please enter an integer between 0 and 15.");
    EXPECT_EQ(ui.Messages().back().icon, MessageIcon::exclamation);
    EXPECT_EQ(form.ssid, 16u);  // the field keeps the out-of-range number
    EXPECT_EQ(ui.Controls().focusedControl, 1059);
}

TEST_F(FormTransferTest, RangeMessagesNameTheRowBounds) {
    const struct {
        int id;
        const char* text;
        const char* message;
    } cases[] = {
        {1012, "181", "Please enter an integer between 0 and 180."},
        {1008, "65536", "Please enter an integer between 0 and 65535."},
        {1004, "-1000000", "Please enter an integer between -999999 and 999999."},
        {1017, "0", "Please enter an integer between 1 and 254."},
        {1004, "99999999999", "Please enter an integer between -999999 and 999999."},
        // One record byte each: what a Read can show, nothing the byte cannot hold.
        {1020, "256", "Please enter an integer between 0 and 255."},
        {1020, "-1", "Please enter an integer between 0 and 255."},
        {1091, "256", "Please enter an integer between 0 and 255."},
        {1171, "65536", "Please enter an integer between 0 and 65535."},  // 16 bits
    };
    for (const auto& c : cases) {
        FormModel fresh = FormModel::StartUp();
        test::ScriptedInteraction fresh_ui(fresh);
        fresh_ui.SetControlVisible(c.id, true);  // as after a Read of a tracker that has it
        fresh_ui.Type(c.id, c.text);
        EXPECT_FALSE(fresh_ui.ReadForm()) << c.id;
        EXPECT_EQ(fresh_ui.MessageTexts().back(), c.message) << c.id;
    }
}

TEST_F(FormTransferTest, TooLongTextIsKeptAndRefused) {
    ui.Type(1001, "433.9200");
    EXPECT_FALSE(ui.ReadForm());
    EXPECT_EQ(form.frequency, "433.9200");
    EXPECT_EQ(ui.Messages().back().text, "Please enter no more than 7 characters.");
    EXPECT_EQ(ui.Messages().back().icon, MessageIcon::exclamation);
    EXPECT_EQ(ui.Controls().focusedControl, 1001);
}

// Each text field takes only what its tracker encoding holds: Morse for the ID String, printable
// ASCII for the paths, the symbol and the message, a path's SSID character from '0' on. The
// euro sign arrives as its UTF-8 bytes (what the window and the settings files hand over).
TEST_F(FormTransferTest, TextOutsideTheTrackersCharactersIsKeptAndRefused) {
    const char* callsign =
        "Invalid character in callsign string, only A-Z, 0-9 and /.?,:;- supported";
    const struct {
        int id;
        std::string text;
        const char* message;  // nullptr: accepted
    } cases[] = {
        {1034,
         "K\xE2\x82\xAC"
         "BC",
         callsign},
        {1034, "kd0abc", callsign},
        {1034, "N0/.?,:", nullptr},
        {1034, "AB-1 ;", nullptr},
        {1055, "WIDE\xE2\x82\xAC-1", "Invalid character in path 1, only printable ASCII supported"},
        {1056, "WIDE2\t2", "Invalid character in path 2, only printable ASCII supported"},
        {1055, "WIDE1- ", "Invalid character at the end of path 1, the SSID must be a digit 0-9"},
        {1056, "WIDE2--", "Invalid character at the end of path 2, the SSID must be a digit 0-9"},
        {1055, "XNOPATH", nullptr},
        {1055, "wide1-1", nullptr},
        {1055, "WIDE", nullptr},  // the length is the Write's check
        {1060, "\xC9", "Invalid character in symbol, only printable ASCII supported"},
        {1060, "/", nullptr},
        {1113, "H\xC9LLO", "Invalid character in TX Msg, only printable ASCII supported"},
        {1113, "TWO\nLINES", "Invalid character in TX Msg, only printable ASCII supported"},
        {1113, " ~!@#$%^&*()_+{}|:\"<>?`-=[]\\;'", nullptr},  // 31 characters
    };
    for (const auto& c : cases) {
        FormModel fresh = FormModel::StartUp();
        test::ScriptedInteraction fresh_ui(fresh);
        fresh_ui.Type(c.id, c.text);
        EXPECT_EQ(fresh_ui.ReadForm(), c.message == nullptr) << c.text;
        EXPECT_EQ(fresh.*FindField(c.id)->textMember, c.text);
        if (c.message != nullptr) {
            ASSERT_FALSE(fresh_ui.MessageTexts().empty()) << c.text;
            EXPECT_EQ(fresh_ui.MessageTexts().back(), c.message) << c.text;
            EXPECT_EQ(fresh_ui.Controls().focusedControl, c.id);
        }
    }
}

TEST_F(FormTransferTest, ValidFormReadsEveryKindOfField) {
    ui.Type(1004, " +7 ");
    ui.Type(1011, "COM3");
    ui.Type(1027, "1");
    ui.Type(1035, "4294967295");
    ui.Type(1015, "-272");
    ui.Type(1113, std::string(31, 'M'));
    ui.Type(1053, "Time: 1:02:03");
    ui.Type(1020, "255");
    ui.SetControlVisible(1091, true);
    ui.Type(1091, "255");
    ui.SetControlVisible(1171, true);
    ui.Type(1171, "65535");
    EXPECT_TRUE(ui.ReadForm());
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(form.outputPower, 7);
    EXPECT_EQ(form.comPort, "COM3");
    EXPECT_EQ(form.lowVoltageShutdown, 1);
    EXPECT_EQ(form.serialNumber, 4294967295u);
    EXPECT_EQ(form.fcal, -272);
    EXPECT_EQ(form.txMessage.size(), 31u);
    EXPECT_EQ(form.timeStatus, "Time: 1:02:03");
    EXPECT_EQ(form.timeSlot, 255);
    EXPECT_EQ(form.deviation, 255u);
    EXPECT_EQ(form.switchAltitude, 65535u);
}

TEST_F(FormTransferTest, ShowFormClearsCheckFieldsOutsideTheirRange) {
    form.wrapDataLog = 5;
    form.disableRfOut = 2;
    ui.ShowForm();
    EXPECT_EQ(ui.ControlText(1063), "0");
    EXPECT_EQ(form.wrapDataLog, 0);
    EXPECT_EQ(form.disableRfOut, 2);
}

TEST_F(FormTransferTest, ShowFormFormatsNumbersAndSelectsThePort) {
    form.fcal = -16;
    form.serialNumber = 0x80000000u;
    form.comPort = "com2";
    ui.Controls().comPortEntries = {"COM1", "COM2"};
    ui.ShowForm();
    EXPECT_EQ(ui.ControlText(1015), "-16");
    EXPECT_EQ(ui.ControlText(1035), "2147483648");
    EXPECT_EQ(ui.ControlText(1011), "COM2");
    EXPECT_EQ(ui.ControlText(1001), "433.92");
}

TEST(FieldTable, MatchesTheFormLayout) {
    const auto rows = FieldTable();
    ASSERT_EQ(rows.size(), 73u);
    EXPECT_EQ(rows.front().id, 1000);
    EXPECT_EQ(rows.back().id, 1197);
    EXPECT_EQ(ControlsHiddenAtStartUp().size(), 74u);
    EXPECT_EQ(ControlsHiddenAtStartUp().front(), 1197);
    EXPECT_EQ(ControlsHiddenAtStartUp().back(), 1156);
    EXPECT_EQ(CalibrationModeControls().size(), 19u);
    // Bounds the validation depends on.
    EXPECT_EQ(FindField(1134)->maximum, 252);
    EXPECT_EQ(FindField(1019)->maximum, 253);
    EXPECT_EQ(FindField(1060)->maxLength, 2);
    EXPECT_EQ(FindField(1028)->maxLength, 4);
    EXPECT_EQ(FindField(1059)->type, FieldType::unsigned_);
    EXPECT_EQ(FindField(1091)->maximum, 255);
    EXPECT_EQ(FindField(1020)->maximum, 255);
}

}  // namespace
}  // namespace vanteo
