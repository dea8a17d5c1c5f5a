#include "device/ConfigFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vanteo {
namespace {

using Entries = std::vector<ConfigEntry>;

TEST(ConfigFileFormat, LinesAreLowerCaseHexWithoutLeadingZeros) {
    EXPECT_EQ(FormatConfigLine(0x2C, 0xAE), "2c:ae\n");
    EXPECT_EQ(FormatConfigLine(0x00, 0x00), "0:0\n");
    EXPECT_EQ(FormatConfigLine(0x0A, 0xFF), "a:ff\n");
    EXPECT_EQ(FormatConfigLine(0xFF, 0x05), "ff:5\n");
}

TEST(ConfigFileFormat, AllFfMemoryGives256LinesFrom0ToFf) {
    std::array<std::uint8_t, kConfigMemorySize> memory;
    memory.fill(0xFF);
    const std::string text = FormatConfigFile(memory);
    // 16 lines "x:ff\n" (5 bytes) and 240 lines "xx:ff\n" (6 bytes).
    EXPECT_EQ(text.size(), 16u * 5 + 240u * 6);
    EXPECT_EQ(text.substr(0, 10), "0:ff\n1:ff\n");
    EXPECT_EQ(text.substr(75, 11), "f:ff\n10:ff\n");
    EXPECT_EQ(text.substr(text.size() - 12), "fe:ff\nff:ff\n");
}

TEST(ConfigFileReader, AcceptsCaseLeadingZerosCrLfAndAnyWhiteSpace) {
    const ConfigFileContents contents =
        ParseConfigFile("2C:AE\r\n0a:0F\r\n\r\n   0002c:000ae\t\t7f:12  \n\n0x8f:0X12\n1f: 3\n");
    EXPECT_EQ(
        contents.entries,
        (Entries{
            {0x2C, 0xAE}, {0x0A, 0x0F}, {0x2C, 0xAE}, {0x7F, 0x12}, {0x8F, 0x12}, {0x1F, 0x03}}));
    EXPECT_EQ(contents.skippedLines, 0);
}

TEST(ConfigFileReader, LoneCrEndsALineAndAByteOrderMarkIsIgnored) {
    const ConfigFileContents contents = ParseConfigFile(
        "\xEF\xBB\xBF"
        "1:2\rjunk\r3:4\r");
    EXPECT_EQ(contents.entries, (Entries{{1, 2}, {3, 4}}));
    EXPECT_EQ(contents.skippedLines, 1);
    EXPECT_EQ(contents.firstSkippedLine, 2);
}

TEST(ConfigFileReader, EmptyOrBlankFileHasNothing) {
    for (const char* text : {"", "\n", "\r\n  \t\r\n\n"}) {
        const ConfigFileContents contents = ParseConfigFile(text);
        EXPECT_TRUE(contents.entries.empty()) << text;
        EXPECT_EQ(contents.skippedLines, 0) << text;
        EXPECT_EQ(contents.firstSkippedLine, 0) << text;
    }
}

// A line that is not wholly readable contributes nothing, not even the entries before the fault,
// and nothing from it leaks into the next line.
TEST(ConfigFileReader, SkipsEveryUnreadableLineWhole) {
    const std::string text =
        "7f:12\n"       // 1 good
        "zz:1\n"        // 2 not hex
        "1:2:3\n"       // 3 two colons
        "10:20 junk\n"  // 4 good entry followed by junk
        "5:\n"          // 5 no value
        ":5\n"          // 6 no address
        "1 2\n"         // 7 no colon
        "2c;ae\n"       // 8 wrong separator
        "-1:5\n"        // 9 sign
        "2c :ae\n"      // 10 good (blank before the colon)
        "0x:5\n";       // 11 prefix without digits
    const ConfigFileContents contents = ParseConfigFile(text);
    EXPECT_EQ(contents.entries, (Entries{{0x7F, 0x12}, {0x2C, 0xAE}}));
    EXPECT_EQ(contents.skippedLines, 9);
    EXPECT_EQ(contents.firstSkippedLine, 2);
}

// An address or value above a byte must not wrap to its low byte: 180:12 would otherwise write
// the serial number area, 1ff:1 would write 0xFF.
TEST(ConfigFileReader, RejectsNumbersAboveAByteWithoutWrapping) {
    const ConfigFileContents contents = ParseConfigFile(
        "180:12\n1:100\n1ff:1\nffffffffffffffffffffffff:1\n0000000000000000001:2\n");
    EXPECT_EQ(contents.entries, (Entries{{0x01, 0x02}}));
    EXPECT_EQ(contents.skippedLines, 4);
}

TEST(ConfigFileReader, BinaryBytesMakeALineUnreadable) {
    const std::string text = std::string("1:2\0", 4) + "\n3:4\n\x80\xFF:1\n";
    const ConfigFileContents contents = ParseConfigFile(text);
    EXPECT_EQ(contents.entries, (Entries{{3, 4}}));
    EXPECT_EQ(contents.skippedLines, 2);
}

}  // namespace
}  // namespace vanteo
