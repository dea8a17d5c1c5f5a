#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "flightlog/DataBlock.h"
#include "flightlog/DataBlockReader.h"

namespace vanteo {
namespace {

TEST(LogChecksumTest, KnownValues) {
    EXPECT_EQ(LogChecksum(std::vector<std::uint32_t>{0x61, 0x62, 0x63}), 0x00003ED0u);
    EXPECT_EQ(LogChecksum(std::vector<std::uint32_t>(1000, 0)), 0u);
    // 0xFFFFFFFF mod 28 = 3, so the multiplier is (3 + 1) XOR 2 = 6: -6 modulo 2^32.
    EXPECT_EQ(LogChecksum(std::vector<std::uint32_t>{0xFFFFFFFF}), 0xFFFFFFFAu);
    // Order matters: 3 x 1164 + 99 x 18 = 5274 against 3 x 1782 + 97 x 12 = 6510.
    EXPECT_EQ(LogChecksum(std::vector<std::uint32_t>{0x61, 0x63}), 5274u);
    EXPECT_EQ(LogChecksum(std::vector<std::uint32_t>{0x63, 0x61}), 6510u);
}

TEST(WriteDataBlockTest, SixteenValuesMakeOneRow) {
    std::vector<std::uint32_t> values;
    for (std::uint32_t v = 0; v < 16; ++v) {
        values.push_back(v);
    }
    std::string out;
    WriteDataBlock(out, values, 0x00003ED0, true, false, true);
    EXPECT_EQ(out,
              "<!-- KVTDATA\n"
              "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \n"
              "KVTENDDATA\n"
              "KVTCHECKSUM 00003ED0\n"
              "KVTCOMPRESS 1\n"
              "KVTHRSMINS 0\n"
              "KVTTIMESTAMP 1\n"
              "-->\n");
}

TEST(WriteDataBlockTest, WideValuesAndSeveralRows) {
    std::vector<std::uint32_t> values(32, 0xFF);
    values[1] = 0x1FF;
    values[17] = 0xDEADBEEF;
    std::string out;
    WriteDataBlock(out, values, 0xFFFFFFFF, false, true, false);
    EXPECT_EQ(out,
              "<!-- KVTDATA\n"
              "FF 1FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF \n"
              "FF DEADBEEF FF FF FF FF FF FF FF FF FF FF FF FF FF FF \n"
              "KVTENDDATA\n"
              "KVTCHECKSUM FFFFFFFF\n"
              "KVTCOMPRESS 0\n"
              "KVTHRSMINS 1\n"
              "KVTTIMESTAMP 0\n"
              "-->\n");
}

TEST(ReadDataBlockTest, OnlyTokenOrderCounts) {
    std::vector<std::uint32_t> image(16, 0);
    const DataBlockContents block = ReadDataBlock(
        "x KVTDATA\t61   62\t\t63\r\nKVTENDDATA KVTCHECKSUM\t3ED0 KVTCOMPRESS 10 "
        "KVTHRSMINS 1 KVTTIMESTAMP 0",
        image);
    ASSERT_EQ(block.count, 3u);
    EXPECT_EQ(image[1], 0x62u);
    EXPECT_EQ(block.checksum.value, 0x3ED0u);
    EXPECT_EQ(block.compress.value, 0x10u);  // read as hexadecimal
    EXPECT_EQ(block.hoursMinutes.value, 1u);
    EXPECT_TRUE(block.timestamp.reached);
}

TEST(ReadDataBlockTest, FirstTokenContainingTheKeywordStartsTheBlock) {
    std::vector<std::uint32_t> image(16, 0);
    const DataBlockContents block = ReadDataBlock(
        "<!-- Comments   : see<KVTDATA> -->\n</kml> 1 2 KVTENDDATA KVTCHECKSUM 0 KVTCOMPRESS 0 "
        "KVTHRSMINS 0 KVTTIMESTAMP 0",
        image);
    // The values: "-->" and "</kml>" (no hex digits: 0), then 1 and 2.
    ASSERT_EQ(block.count, 4u);
    EXPECT_EQ(image[0], 0u);
    EXPECT_EQ(image[2], 1u);
    EXPECT_EQ(image[3], 2u);
}

TEST(ReadDataBlockTest, TokensReadAsHexNumbers) {
    EXPECT_EQ(LeadingHexValue("1f"), 0x1Fu);
    EXPECT_EQ(LeadingHexValue("0x1F"), 0x1Fu);
    EXPECT_EQ(LeadingHexValue("12zz"), 0x12u);
    EXPECT_EQ(LeadingHexValue("zz"), 0u);
    EXPECT_EQ(LeadingHexValue("0xg"), 0u);
    EXPECT_EQ(LeadingHexValue("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(LeadingHexValue("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(LeadingHexValue("100000000"), 0xFFFFFFFFu);
    EXPECT_EQ(LeadingHexValue(std::string(500, '7')), 0xFFFFFFFFu);
}

TEST(ReadDataBlockTest, MissingPartsAreReported) {
    std::vector<std::uint32_t> image(16, 0);
    EXPECT_FALSE(ReadDataBlock("<kml></kml> no block here", image).dataKeywordFound);

    const DataBlockContents noEnd = ReadDataBlock("KVTDATA 01 02 03", image);
    EXPECT_TRUE(noEnd.dataKeywordFound);
    EXPECT_FALSE(noEnd.endKeywordFound);

    const DataBlockContents noLines = ReadDataBlock("KVTDATA 01 KVTENDDATA KVTCHECKSUM 5", image);
    EXPECT_TRUE(noLines.checksum.reached);
    EXPECT_EQ(noLines.checksum.value, 5u);
    EXPECT_FALSE(noLines.compress.reached);
    EXPECT_FALSE(noLines.timestamp.reached);

    // A keyword line without its number: the next keyword is not taken as the number.
    const DataBlockContents noNumber = ReadDataBlock(
        "KVTDATA KVTENDDATA KVTCHECKSUM KVTCOMPRESS 1 KVTHRSMINS 1 KVTTIMESTAMP 1", image);
    EXPECT_EQ(noNumber.checksum.value, 0u);
    EXPECT_TRUE(noNumber.compress.keywordMatched);
    EXPECT_EQ(noNumber.compress.value, 1u);
    EXPECT_TRUE(noNumber.timestamp.keywordMatched);

    // Wrong keywords are reported; a wrong KVTHRSMINS stops the reading.
    const DataBlockContents wrong =
        ReadDataBlock("KVTDATA KVTENDDATA CHECK 1 COMP 1 HOURS 1 KVTTIMESTAMP 1", image);
    EXPECT_FALSE(wrong.checksum.keywordMatched);
    EXPECT_EQ(wrong.checksum.value, 1u);
    EXPECT_FALSE(wrong.compress.keywordMatched);
    EXPECT_TRUE(wrong.hoursMinutes.reached);
    EXPECT_FALSE(wrong.hoursMinutes.keywordMatched);
    EXPECT_FALSE(wrong.timestamp.reached);
}

TEST(ReadDataBlockTest, OversizedBlocksAndTokensAreReadSafely) {
    std::vector<std::uint32_t> image(4, 0);
    const DataBlockContents excess =
        ReadDataBlock("KVTDATA 1 2 3 4 5 6 KVTENDDATA KVTCHECKSUM 9", image);
    EXPECT_EQ(excess.count, 4u);
    EXPECT_TRUE(excess.truncated);
    EXPECT_EQ(image[3], 4u);
    EXPECT_EQ(excess.checksum.value, 9u);

    const std::string longKeyword = std::string(300, 'A') + "KVTDATA" + std::string(300, 'B');
    const DataBlockContents block =
        ReadDataBlock(longKeyword + " " + std::string(1000, 'F') + " x" + std::string(200, '-') +
                          "KVTENDDATA KVTCHECKSUM 1",
                      image);
    ASSERT_TRUE(block.endKeywordFound);
    EXPECT_EQ(block.count, 1u);
    EXPECT_EQ(image[0], 0xFFFFFFFFu);
}

}  // namespace
}  // namespace vanteo
