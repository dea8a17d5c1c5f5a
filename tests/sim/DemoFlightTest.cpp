#include "sim/DemoFlight.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vanteo::sim::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& array) {
    return Bytes(array.begin(), array.end());
}

// Reads a coordinate back the way the log format defines it.
double Degrees(const std::uint8_t* b) {
    const double value = b[0] + (b[1] + b[2] * 0.01 + (b[3] & 0x7F) * 0.0001) / 60.0;
    return (b[3] & 0x80) ? -value : value;
}

int Altitude(const std::uint8_t* b) {
    return b[0] * 10000 + b[1] * 100 + b[2];
}

TEST(DemoFlightEncoding, CoordinatesSplitIntoDegreesMinutesAndFractions) {
    // 60° 30.5010' west and 37° 15.0505' north.
    EXPECT_EQ(ToBytes(DemoFlight::EncodeCoordinate(-(60 + 30.5010 / 60))),
              (Bytes{0x3C, 0x1E, 0x32, 0x8A}));
    EXPECT_EQ(ToBytes(DemoFlight::EncodeCoordinate(37 + 15.0505 / 60)),
              (Bytes{0x25, 0x0F, 0x05, 0x05}));
    // 119° 3.5999' west: ten-thousandths 99 keep the sign bit above them.
    EXPECT_EQ(ToBytes(DemoFlight::EncodeCoordinate(-(119 + 3.5999 / 60))),
              (Bytes{119, 3, 59, 0xE3}));
}

TEST(DemoFlightEncoding, CoordinateRoundingCarriesIntoDegrees) {
    // 59.99999' rounds to 60.0000', which is the next whole degree.
    EXPECT_EQ(ToBytes(DemoFlight::EncodeCoordinate(10 + 59.999995 / 60)), (Bytes{11, 0, 0, 0}));
    // A value that rounds to zero carries no sign.
    EXPECT_EQ(ToBytes(DemoFlight::EncodeCoordinate(-0.0000001)), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(ToBytes(DemoFlight::EncodeCoordinate(-0.00001)), (Bytes{0, 0, 0, 0x86}));
}

TEST(DemoFlightEncoding, AltitudeIsStoredAsDecimalDigitPairs) {
    EXPECT_EQ(ToBytes(DemoFlight::EncodeAltitude(1234)), (Bytes{0, 12, 34}));
    EXPECT_EQ(ToBytes(DemoFlight::EncodeAltitude(2696)), (Bytes{0, 26, 96}));
    EXPECT_EQ(ToBytes(DemoFlight::EncodeAltitude(123456)), (Bytes{12, 34, 56}));
    EXPECT_EQ(ToBytes(DemoFlight::EncodeAltitude(-20)), (Bytes{0, 0, 0}));
}

TEST(DemoFlightEncoding, RecordsCarrySecondsOrUtcTime) {
    DemoFix fix;
    fix.longitudeDeg = -(60 + 30.5010 / 60);
    fix.latitudeDeg = 37 + 15.0505 / 60;
    fix.altitudeM = 1234;
    fix.satellites = 7;
    fix.utcHours = 17;
    fix.utcMinutes = 42;
    fix.utcSeconds = 45;
    Bytes record(15, 0xEE);
    DemoFlight::EncodeRecord(fix, false, record.data());
    EXPECT_EQ(record, (Bytes{0x3C, 0x1E, 0x32, 0x8A, 0x25, 0x0F, 0x05, 0x05, 0x00, 0x0C, 0x22, 0x07,
                             0x2D, 0xEE, 0xEE}));
    DemoFlight::EncodeRecord(fix, true, record.data());
    EXPECT_EQ(Bytes(record.begin() + 11, record.end()), (Bytes{7, 17, 42, 45}));
}

TEST(DemoFlightImage, ShortRecordsEndWithTheMarkAndNoTrailer) {
    const std::vector<DemoFix> fixes = DemoFlight::Fixes();
    const Bytes image = DemoFlight::BuildImage(128, 130);
    ASSERT_EQ(image.size(), 16384u);
    const std::size_t end = fixes.size() * 13;
    EXPECT_EQ(
        Bytes(image.begin() + static_cast<long>(end), image.begin() + static_cast<long>(end) + 5),
        (Bytes{0xA5, 0xA5, 0xA5, 0xA5, 0x00}));
    EXPECT_EQ(image[13 * 3 + 12], fixes[3].utcSeconds);
    EXPECT_TRUE(std::all_of(image.begin() + 16368, image.end(), [](int b) { return b == 0; }));
}

TEST(DemoFlightImage, TimestampFirmwareLogsUtcAndTheTrailer) {
    const std::vector<DemoFix> fixes = DemoFlight::Fixes();
    const Bytes image = DemoFlight::BuildImage(1024, 212);
    ASSERT_EQ(image.size(), 131072u);
    EXPECT_EQ(image[15 * 2 + 12], fixes[2].utcHours);
    EXPECT_EQ(image[15 * 2 + 13], fixes[2].utcMinutes);
    EXPECT_EQ(image[15 * 2 + 14], fixes[2].utcSeconds);
    EXPECT_EQ(image[fixes.size() * 15], 0xA5);
    // Trigger 0x0190, then the capture date 19 September 2026 as DDMMYY.
    EXPECT_EQ(image[131056], 0x01);
    EXPECT_EQ(image[131057], 0x90);
    EXPECT_EQ(std::string(image.begin() + 131066, image.end()), "190926");

    const Bytes small = DemoFlight::BuildImage(128, 224);
    EXPECT_EQ(std::string(small.begin() + 16378, small.end()), "190926");
    // 64 kbit ends before the trailer position: no trailer, no overrun.
    EXPECT_EQ(DemoFlight::BuildImage(64, 224).size(), 8192u);
}

TEST(DemoFlightImage, RecordsThatDoNotFitAreLeftOutButTheEndMarkStays) {
    std::vector<DemoFix> many(700, DemoFlight::Fixes()[0]);  // 700 × 13 bytes > 8192
    const Bytes image = DemoFlight::BuildImage(many, 64, false, false);
    // 629 records fill 8177 bytes; a 630th would leave no room for the four-byte mark.
    EXPECT_EQ(image[629 * 13], 0xA5);
    EXPECT_EQ(image[629 * 13 + 3], 0xA5);
    EXPECT_EQ(image[628 * 13], image[0]);
}

TEST(DemoFlightProfile, IsARocketFlightFromADesertPad) {
    const Bytes image = DemoFlight::BuildImage(128, 130);
    std::vector<int> altitudes;
    double firstLat = 0;
    double firstLon = 0;
    double lastLat = 0;
    double lastLon = 0;
    for (std::size_t p = 0; !(image[p] == 0xA5 && image[p + 1] == 0xA5); p += 13) {
        const double lon = Degrees(&image[p]);
        const double lat = Degrees(&image[p + 4]);
        if (p == 0) {
            firstLat = lat;
            firstLon = lon;
        }
        lastLat = lat;
        lastLon = lon;
        altitudes.push_back(Altitude(&image[p + 8]));
        EXPECT_GE(image[p + 11], 4) << "satellites at " << p;
    }
    // About two minutes at one fix per second.
    EXPECT_GE(altitudes.size(), 110u);
    EXPECT_LE(altitudes.size(), 150u);
    const int pad = altitudes.front();
    const int apogee = *std::max_element(altitudes.begin(), altitudes.end());
    EXPECT_NEAR(pad, 1200, 50);
    EXPECT_NEAR(apogee - pad, 1500, 20);
    EXPECT_NEAR(altitudes.back(), pad, 5);
    for (std::size_t i = 1; i < altitudes.size(); ++i) {
        EXPECT_LT(std::abs(altitudes[i] - altitudes[i - 1]), 250) << "fix " << i;
    }
    EXPECT_LT(firstLon, 0);  // west
    const double northM = (lastLat - firstLat) * 111195.0;
    const double eastM = (lastLon - firstLon) * 111195.0 * std::cos(firstLat * M_PI / 180);
    const double drift = std::hypot(northM, eastM);
    EXPECT_GT(drift, 300);
    EXPECT_LT(drift, 1500);
}

}  // namespace
}  // namespace vanteo::sim::test
