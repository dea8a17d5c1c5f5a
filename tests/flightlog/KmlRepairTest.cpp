#include <gtest/gtest.h>

#include <string>

#include "flightlog/KmlRepair.h"

namespace vanteo {
namespace {

TEST(RepairKmlLineTest, Replacements) {
    EXPECT_EQ(RepairKmlLine("-60.5, 37.2, 1234\n"), "-60.5,37.2,1234\n");
    // The first replacement leaves ">," behind, which the second removes.
    EXPECT_EQ(RepairKmlLine("<coordinates>, -60.5, 37.2\n"), "<coordinates>-60.5,37.2\n");
    // Only the blank directly after the comma goes.
    EXPECT_EQ(RepairKmlLine("1,  2"), "1, 2");
    // One pass each: ">,," loses one comma only, ", , " becomes ",,".
    EXPECT_EQ(RepairKmlLine(">,,x"), ">,x");
    EXPECT_EQ(RepairKmlLine("a, , b"), "a,,b");
    EXPECT_EQ(RepairKmlLine("no change here"), "no change here");
    EXPECT_EQ(RepairKmlLine(""), "");
}

TEST(RepairKmlTextTest, CountsLinesAndKeepsLineEnds) {
    std::string out;
    EXPECT_EQ(RepairKmlText("a, b\r\nc, d\n<x>, e", out), 3u);
    EXPECT_EQ(out, "a,b\r\nc,d\n<x>e");

    out.clear();
    EXPECT_EQ(RepairKmlText("", out), 0u);
    EXPECT_EQ(out, "");

    out.clear();
    EXPECT_EQ(RepairKmlText("\n\n", out), 2u);
    EXPECT_EQ(out, "\n\n");
}

TEST(RepairKmlTextTest, LongLinesAreRepairedWhole) {
    // A ", " straddling character 127 is repaired and the line counts once.
    const std::string line = std::string(126, 'x') + ", " + std::string(172, 'y') + "\n";
    std::string out;
    EXPECT_EQ(RepairKmlText(line, out), 1u);
    EXPECT_EQ(out, std::string(126, 'x') + "," + std::string(172, 'y') + "\n");
}

}  // namespace
}  // namespace vanteo
