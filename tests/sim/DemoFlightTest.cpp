#include "sim/DemoFlight.h"

#include <gtest/gtest.h>

#include "sim/TrackerSimulator.h"

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

constexpr double kMetresPerDegree = 111195.0;  // mean Earth radius 6371 km

// One fix read back from the flash the way the log format lays it out.
struct ReadFix {
    double lat = 0;
    double lon = 0;
    int altitude = -1;  // metres MSL; -1 in a compressed log, which holds none
    int seconds = -1;   // of the minute (13-byte records), of the day (15-byte), -1 (compressed)
};

bool EndMark(const Bytes& image, std::size_t p) {
    if (p + 4 > image.size()) {
        return true;
    }
    for (const int mark : {0xA5, 0x5A, 0x00}) {
        if (std::all_of(image.begin() + static_cast<long>(p),
                        image.begin() + static_cast<long>(p) + 4,
                        [mark](int b) { return b == mark; })) {
            return true;
        }
    }
    return false;
}

std::vector<ReadFix> ReadLog(const Bytes& image, DemoLogLayout layout) {
    std::vector<ReadFix> fixes;
    if (layout != DemoLogLayout::compressed) {
        const std::size_t length = layout == DemoLogLayout::timedRecords ? 15 : 13;
        for (std::size_t p = 0; !EndMark(image, p); p += length) {
            ReadFix fix{Degrees(&image[p + 4]), Degrees(&image[p]), Altitude(&image[p + 8]),
                        image[p + 12]};
            if (length == 15) {
                fix.seconds = image[p + 12] * 3600 + image[p + 13] * 60 + image[p + 14];
            }
            fixes.push_back(fix);
        }
        return fixes;
    }
    // Degrees and whole minutes come from the first fix, counted here in minutes; each 5-byte
    // record holds the fractions of a minute, and a fraction that wraps past 0 moves the minutes.
    const double lonSign = (image[3] & 0x80) ? -1 : 1;
    const double latSign = (image[7] & 0x80) ? -1 : 1;
    int lonMinutes = image[0] * 60 + image[1];
    int latMinutes = image[4] * 60 + image[5];
    int lonFraction = image[2] * 100 + (image[3] & 0x7F);
    int latFraction = image[6] * 100 + (image[7] & 0x7F);
    auto carry = [](int before, int after, int& minutes) {
        if (before > 7500 && after < 2500) {
            ++minutes;
        } else if (after > 7500 && before < 2500) {
            --minutes;
        }
    };
    for (std::size_t p = 13; !EndMark(image, p); p += 5) {
        const int lon = image[p] * 100 + (image[p + 1] & 0x7F);
        const int lat = image[p + 2] * 100 + (image[p + 3] & 0x7F);
        carry(lonFraction, lon, lonMinutes);
        carry(latFraction, lat, latMinutes);
        lonFraction = lon;
        latFraction = lat;
        fixes.push_back(
            {latSign * (latMinutes + lat * 1e-4) / 60, lonSign * (lonMinutes + lon * 1e-4) / 60});
    }
    return fixes;
}

// Metres east and north of `from`.
std::pair<double, double> Offset(const ReadFix& from, const ReadFix& to) {
    return {(to.lon - from.lon) * kMetresPerDegree * std::cos(from.lat * M_PI / 180),
            (to.lat - from.lat) * kMetresPerDegree};
}

double Distance(const ReadFix& from, const ReadFix& to) {
    const auto [east, north] = Offset(from, to);
    return std::hypot(east, north);
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

TEST(DemoFlightEncoding, CompressedRecordsCarryTheFractionsOfAMinute) {
    DemoFix fix;
    fix.longitudeDeg = -(119 + 3.5999 / 60);
    fix.latitudeDeg = 40 + 52.8012 / 60;
    fix.satellites = 9;
    Bytes record(5, 0xEE);
    DemoFlight::EncodeCompressedRecord(fix, record.data());
    EXPECT_EQ(record, (Bytes{59, 99, 80, 12, 9}));  // no sign bit: the first fix gives the sign
    // Fractions that would read as an end mark (all 0, all 0x5A) move by 0.0001' of latitude.
    fix.longitudeDeg = -(119 + 3.0 / 60);
    fix.latitudeDeg = 40 + 52.0 / 60;
    DemoFlight::EncodeCompressedRecord(fix, record.data());
    EXPECT_EQ(record, (Bytes{0, 0, 0, 1, 9}));
    fix.longitudeDeg = 119 + 3.9090 / 60;
    fix.latitudeDeg = 40 + 52.9090 / 60;
    DemoFlight::EncodeCompressedRecord(fix, record.data());
    EXPECT_EQ(record, (Bytes{90, 90, 90, 91, 9}));
}

TEST(DemoFlightImage, CompressedLogStartsWithTheWholeFirstFix) {
    const std::vector<DemoFix> fixes = DemoFlight::Fixes();
    const Bytes image = DemoFlight::BuildImage(128, DemoLogLayout::compressed);
    Bytes head(13);
    DemoFlight::EncodeRecord(fixes[0], false, head.data());
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 13), head);
    Bytes first(5);
    DemoFlight::EncodeCompressedRecord(fixes[0], first.data());
    EXPECT_EQ(Bytes(image.begin() + 13, image.begin() + 18), first);
    const std::size_t end = 13 + fixes.size() * 5;
    EXPECT_EQ(
        Bytes(image.begin() + static_cast<long>(end), image.begin() + static_cast<long>(end) + 5),
        (Bytes{0xA5, 0xA5, 0xA5, 0xA5, 0x00}));
    EXPECT_TRUE(std::all_of(image.begin() + 16368, image.end(), [](int b) { return b == 0; }));
}

// Which layout the simulated tracker logs in, and the flags its settings then show.
TEST(DemoFlightImage, TheTrackerLogsInTheLayoutItsFirmwareAndFlagsSelect) {
    struct Case {
        int firmware;
        std::optional<DemoLogLayout> asked;
        DemoLogLayout logged;
        std::uint8_t flags;  // settings byte 30
    };
    const Case cases[] = {
        {130, std::nullopt, DemoLogLayout::shortRecords, 0x00},
        {130, DemoLogLayout::compressed, DemoLogLayout::compressed, 0x20},
        {130, DemoLogLayout::timedRecords, DemoLogLayout::timedRecords, 0x40},
        {124, DemoLogLayout::compressed, DemoLogLayout::compressed, 0x20},
        {199, DemoLogLayout::timedRecords, DemoLogLayout::timedRecords, 0x40},
        {212, std::nullopt, DemoLogLayout::timedRecords, 0x00},
        {212, DemoLogLayout::shortRecords, DemoLogLayout::shortRecords, 0x00},
        {200, DemoLogLayout::compressed, DemoLogLayout::compressed, 0x00},  // no flag to set
        {123, std::nullopt, DemoLogLayout::shortRecords, 0x00},
    };
    for (const Case& c : cases) {
        SimulatorConfig config;
        config.firmwareVersion = c.firmware;
        config.memorySizeKbit = 64;
        config.demoLayout = c.asked;
        TrackerSimulator tracker(config);
        SCOPED_TRACE(c.firmware);
        EXPECT_EQ(tracker.Memory()[30], c.flags);
        EXPECT_EQ(tracker.Flash(), DemoFlight::BuildImage(64, c.logged));
    }
    EXPECT_EQ(DemoFlight::LayoutFor(130, 0x60), DemoLogLayout::compressed);
    EXPECT_EQ(DemoFlight::LayoutFor(200, 0x60), DemoLogLayout::shortRecords);
    EXPECT_EQ(DemoFlight::LayoutFor(123, 0x40), DemoLogLayout::shortRecords);
}

class DemoFlightProfile : public ::testing::TestWithParam<DemoLogLayout> {};

// The flight read back from the smallest memory, one fix per second: a minute and more on the
// pad, boost and coast to about 3000 m above it, drogue at about 25 m/s, main at about 300 m and
// 6 m/s, drift downwind, and minutes on the ground. A compressed log holds no altitude or time;
// its track is the same as that of the 13-byte log.
TEST_P(DemoFlightProfile, IsARocketFlightFromADesertPad) {
    const DemoLogLayout layout = GetParam();
    const std::vector<ReadFix> fixes = ReadLog(DemoFlight::BuildImage(64, layout), layout);
    // Every fix fits the 8192-byte memory: the same count as in the 131072-byte one.
    EXPECT_EQ(fixes.size(), ReadLog(DemoFlight::BuildImage(1024, layout), layout).size());
    ASSERT_GE(fixes.size(), 300u);

    const ReadFix& pad = fixes.front();
    const ReadFix& landed = fixes.back();
    EXPECT_NEAR(pad.lat, 40.88, 0.01);
    EXPECT_NEAR(pad.lon, -119.06, 0.01);  // west
    std::size_t still = 0;
    while (Distance(pad, fixes[still]) < 5) {
        ++still;
    }
    EXPECT_GE(still, 60u) << "a minute on the pad";
    std::size_t resting = 0;
    while (Distance(landed, fixes[fixes.size() - 1 - resting]) < 5) {
        ++resting;
    }
    EXPECT_GE(resting, 120u) << "two minutes on the ground";
    const auto [east, north] = Offset(pad, landed);
    EXPECT_GT(std::hypot(east, north), 300);
    EXPECT_LT(std::hypot(east, north), 1500);
    const double bearing = std::atan2(east, north) * 180 / M_PI;
    EXPECT_GT(bearing, 45);  // downwind: east-northeast
    EXPECT_LT(bearing, 90);
    for (std::size_t i = 1; i < fixes.size(); ++i) {
        EXPECT_LT(Distance(fixes[i - 1], fixes[i]), 20) << "fix " << i;
    }

    if (layout == DemoLogLayout::compressed) {
        const std::vector<ReadFix> full = ReadLog(
            DemoFlight::BuildImage(64, DemoLogLayout::shortRecords), DemoLogLayout::shortRecords);
        ASSERT_EQ(fixes.size(), full.size());
        for (std::size_t i = 0; i < fixes.size(); ++i) {
            EXPECT_NEAR(fixes[i].lat, full[i].lat, 1e-9) << "fix " << i;
            EXPECT_NEAR(fixes[i].lon, full[i].lon, 1e-9) << "fix " << i;
        }
        return;
    }

    const int dayOrMinute = layout == DemoLogLayout::timedRecords ? 86400 : 60;
    for (std::size_t i = 1; i < fixes.size(); ++i) {
        EXPECT_EQ(fixes[i].seconds, (fixes[i - 1].seconds + 1) % dayOrMinute) << "fix " << i;
    }
    std::vector<int> agl;
    for (const ReadFix& fix : fixes) {
        agl.push_back(fix.altitude - pad.altitude);
    }
    EXPECT_NEAR(pad.altitude, 1196, 5);
    const auto highest = std::max_element(agl.begin(), agl.end());
    const std::size_t apogee = static_cast<std::size_t>(highest - agl.begin());
    EXPECT_NEAR(*highest, 3000, 100);
    const std::size_t launch = static_cast<std::size_t>(
        std::find_if(agl.begin(), agl.end(), [](int a) { return a > 20; }) - agl.begin());
    EXPECT_GE(launch, 60u);
    EXPECT_GE(apogee - launch, 15u) << "boost and coast";
    EXPECT_LE(apogee - launch, 40u);

    // The main opens where the drop over two seconds falls from about 50 m to about 12 m.
    std::size_t main = apogee + 5;
    while (main + 2 < agl.size() && agl[main] - agl[main + 2] > 30) {
        ++main;
    }
    EXPECT_NEAR(agl[main], 300, 40);
    const std::size_t drogueFrom = apogee + 10;
    const std::size_t drogueTo = main - 5;
    EXPECT_NEAR(static_cast<double>(agl[drogueFrom] - agl[drogueTo]) /
                    static_cast<double>(drogueTo - drogueFrom),
                25, 1.5);
    std::size_t touchdown = main;
    while (agl[touchdown] > 10) {
        ++touchdown;
    }
    const std::size_t mainFrom = main + 5;
    EXPECT_NEAR(static_cast<double>(agl[mainFrom] - agl[touchdown]) /
                    static_cast<double>(touchdown - mainFrom),
                6, 0.5);
    EXPECT_GE(fixes.size() - touchdown, 120u) << "two minutes on the ground";
    EXPECT_TRUE(std::all_of(agl.begin() + static_cast<long>(touchdown) + 1, agl.end(),
                            [](int a) { return std::abs(a) <= 5; }));
}

std::string LayoutName(const ::testing::TestParamInfo<DemoLogLayout>& info) {
    switch (info.param) {
        case DemoLogLayout::shortRecords:
            return "ShortRecords";
        case DemoLogLayout::timedRecords:
            return "TimedRecords";
        case DemoLogLayout::compressed:
            break;
    }
    return "Compressed";
}

INSTANTIATE_TEST_SUITE_P(Layouts, DemoFlightProfile,
                         ::testing::Values(DemoLogLayout::shortRecords, DemoLogLayout::timedRecords,
                                           DemoLogLayout::compressed),
                         LayoutName);

}  // namespace
}  // namespace vanteo::sim::test
