// The tracker's beacon encoder, byte for byte from hand-made frames.

#include "sim/AprsBeacon.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vanteo::sim::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(AprsBeaconTest, PositionReportAndKissFrame) {
    DemoFix fix;
    // 40.88 deg = 40 deg 52.80'; -119.06 = 119 deg 03.60' W; 1196 m / 0.3048 = 3923.9 ft;
    // 3000 m = 9842.5 -> 9843 ft.
    fix.latitudeDeg = 40.88;
    fix.longitudeDeg = -119.06;
    fix.altitudeM = 1196;
    fix.utcHours = 17;
    fix.utcMinutes = 56;
    fix.utcSeconds = 5;
    AprsBeaconConfig config;
    EXPECT_EQ(AprsBeacon::PositionInfo(fix, 360, 12, config),
              "/175605h4052.80N/11903.60WO360/012/A=003924");
    // South and east, one degree digit, minutes rounding up into the next degree:
    // 5.9999999 deg is 359.999994' = 6 deg 00.00'.
    fix.latitudeDeg = -5.9999999;
    fix.longitudeDeg = 8.5;
    fix.altitudeM = 3000;
    EXPECT_EQ(AprsBeacon::PositionInfo(fix, 0, 0, config),
              "/175605h0600.00S/00830.00EO000/000/A=009843");

    // "A" from N0CALL-11 to APZVAN via WIDE2-1; a FEND and a FESC in the info are escaped.
    const Bytes frame = AprsBeacon::KissFrame(std::string("A\xC0\xDB"), config);
    const Bytes expected = {
        0xC0, 0x00,                                // FEND, data frame on port 0
        0x82, 0xA0, 0xB4, 0xAC, 0x82, 0x9C, 0x60,  // APZVAN, SSID 0
        0x9C, 0x60, 0x86, 0x82, 0x98, 0x98, 0x76,  // N0CALL, 0x60 | 11 << 1
        0xAE, 0x92, 0x88, 0x8A, 0x64, 0x40, 0x63,  // WIDE2, 0x60 | 1 << 1 | last
        0x03, 0xF0, 'A',  0xDB, 0xDC, 0xDB, 0xDD, 0xC0,
    };
    EXPECT_EQ(frame, expected);
}

TEST(AprsBeaconTest, CourseAndSpeedBetweenFixes) {
    // 0.0001 deg of latitude = 11.132 m in one second = 21.6 knots due north (360);
    // the same east at latitude 60 (cos 60 = 0.5) is 5.566 m = 10.8 knots at 090.
    DemoFix from;
    from.latitudeDeg = 60;
    DemoFix north = from;
    north.latitudeDeg += 0.0001;
    DemoFix east = from;
    east.longitudeDeg += 0.0001;
    int course = -1;
    int speed = -1;
    AprsBeacon::CourseAndSpeed(from, north, course, speed);
    EXPECT_EQ(course, 360);
    EXPECT_EQ(speed, 22);
    AprsBeacon::CourseAndSpeed(from, east, course, speed);
    EXPECT_EQ(course, 90);
    EXPECT_EQ(speed, 11);
    AprsBeacon::CourseAndSpeed(east, from, course, speed);
    EXPECT_EQ(course, 270);
    AprsBeacon::CourseAndSpeed(from, from, course, speed);
    EXPECT_EQ(course, 0);
    EXPECT_EQ(speed, 0);
}

}  // namespace
}  // namespace vanteo::sim::test
