#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "flightlog/DataBlock.h"
#include "flightlog/FlightAnalysis.h"
#include "flightlog/FlightLogSource.h"
#include "flightlog/FlightReport.h"
#include "flightlog/KmlWriter.h"
#include "tests/flightlog/FlightLogBuilder.h"

namespace vanteo {
namespace {

using test::FlightLogBuilder;
using test::HandMadeFlight;

// The documented 13-byte record (3C 1E 32 8A 25 0F 05 05 00 0C 22 07 2D at 26) decodes to the
// values its KML line prints: -60.508350,37.250842,01234, 7 satellites, 45 seconds.
TEST(LogDecoderTest, DecodesTheRecordAsTheKmlLinePrintsIt) {
    std::vector<std::uint32_t> image(64, 0x11);
    const std::vector<std::uint32_t> record = {0x3C, 0x1E, 0x32, 0x8A, 0x25, 0x0F, 0x05,
                                               0x05, 0x00, 0x0C, 0x22, 0x07, 0x2D};
    std::copy(record.begin(), record.end(), image.begin() + 26);
    std::fill_n(image.begin() + 39, 4, 0xA5);
    const DecodedLog log = DecodeLog(image, LogLayout{8, false, 13, false});
    ASSERT_EQ(log.points.size(), 3u);  // 0, 13 (first value 0x11, not 0) and 26
    const LogPoint& p = log.points[2];
    EXPECT_EQ(p.address, 26);
    EXPECT_NEAR(p.longitudeDeg, -60.508350, 5e-7);
    EXPECT_NEAR(p.latitudeDeg, 37.250842, 5e-7);
    EXPECT_EQ(AltitudeMetres(p, false), 1234);
    EXPECT_EQ(p.satellites, 7);
    EXPECT_EQ(p.seconds, 45);
    EXPECT_FALSE(p.hasHoursMinutes);
}

// A file whose block says KVTTIMESTAMP 1 came from a tracker that logs 15-byte records, even
// with KVTHRSMINS 0: the flight is decoded as Validate KML decodes its copy.
TEST(FlightLogSourceTest, KmlFileDecodedAsItsTrackerWroteIt) {
    const FlightLogBuilder built = HandMadeFlight(15).Date("311226");
    TrackerCapabilities caps;
    caps.memorySizeKbit = FlightLogBuilder::kMemoryKbit;
    caps.logTimestamp = true;
    caps.logHoursMinutes = true;
    const std::vector<std::uint32_t> image = built.Image();
    std::string kml;
    WriteKml(kml, image, caps, {FlightDetails{}, FlagBytes{}, LogChecksum(image)}, false, false);
    ASSERT_NE(kml.find("KVTHRSMINS 0\nKVTTIMESTAMP 1\n"), std::string::npos);

    FlightLogSource source;
    std::string error;
    ASSERT_TRUE(FlightLogFromKml(kml, source, error)) << error;
    EXPECT_EQ(source.layout.recordBytes, 15);
    EXPECT_TRUE(source.layout.timestamp);
    EXPECT_EQ(source.image, image);

    EXPECT_FALSE(FlightLogFromKml("<kml></kml>", source, error));
    EXPECT_NE(error.find("KVTDATA"), std::string::npos);
}

struct LayoutCase {
    const char* name;
    int recordBytes;
    bool clearSeconds;  // every seconds field 0: the log holds no time
    TimeSource expectedSource;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.name;
}

class HandMadeFlightTest : public ::testing::TestWithParam<LayoutCase> {};

// The same flight in every layout gives the same figures; only the time source differs.
TEST_P(HandMadeFlightTest, SummaryMatchesTheHandComputedFigures) {
    const LayoutCase& c = GetParam();
    FlightLogBuilder built = HandMadeFlight(c.recordBytes).Date("311226");
    if (c.clearSeconds) {
        for (std::size_t p = 12; p < built.records.size(); p += 13) {
            built.records[p] = 0;
        }
    }
    const DecodedLog log = built.Decode();
    const FlightAnalysis a = AnalyseFlights(log, 1);
    EXPECT_EQ(a.timeSource, c.expectedSource);
    ASSERT_EQ(a.flights.size(), 1u) << a.noFlightReason;
    const FlightSummary& f = a.flights[0];
    // Ground at 1000 m; the first point 30 m above it is index 3, the pad point before it 2.
    EXPECT_EQ(f.launch, 2u);
    EXPECT_DOUBLE_EQ(f.padAltitudeM, 1000);
    EXPECT_EQ(f.apogee, 7u);
    EXPECT_DOUBLE_EQ(f.apogeeMslM, 1650);
    EXPECT_DOUBLE_EQ(f.apogeeAbovePadM, 650);
    EXPECT_DOUBLE_EQ(f.timeToApogeeS, 5);
    EXPECT_DOUBLE_EQ(f.maxAscentRate, 200);  // 1100 -> 1300 and 1300 -> 1500 in 1 s
    ASSERT_TRUE(f.twoDescentStages);
    EXPECT_NEAR(f.drogueDescentRate, 25, 1e-6);
    EXPECT_NEAR(f.mainDescentRate, 5, 1e-6);
    EXPECT_NEAR(f.descentRate, 650.0 / 74, 1e-9);  // apogee at 7 s, landing at 81 s
    EXPECT_TRUE(f.landed);
    EXPECT_EQ(f.landing, 81u);
    EXPECT_DOUBLE_EQ(f.flightTimeS, 79);
    // Pad 10 N 20 E, landing 0.3' north and 0.4' east: dphi = 0.005 deg = 8.72665e-5 rad,
    // dlambda = 0.0066667 deg = 1.16355e-4 rad. Haversine h = sin^2(dphi/2)
    // + cos(10) cos(10.005) sin^2(dlambda/2) = 1.90386e-9 + 0.969829 x 3.38465e-9 = 5.18642e-9;
    // d = 2 R asin(sqrt h) = 2 x 6371000 x 7.20168e-5 = 917.64 m (north 555.97 m, east
    // 730.04 m). Bearing atan2(sin dlambda cos phi2, cos phi1 sin phi2 - sin phi1 cos phi2
    // cos dlambda) = atan2(730.04, 555.97) = 52.71 deg.
    EXPECT_NEAR(f.distanceM, 917.64, 0.01);
    EXPECT_NEAR(f.bearingDeg, 52.71, 0.01);
    EXPECT_NEAR(f.farthestM, 917.64, 0.01);
    EXPECT_EQ(f.pointCount, 80u);
    EXPECT_EQ(f.satellitesMin, 5);
    EXPECT_EQ(f.satellitesMax, 11);
    EXPECT_EQ(f.gapCount, 0u);
    EXPECT_EQ(a.spikeCount, 0u);
    EXPECT_EQ(a.noFixCount, 0u);

    const std::string text = FlightSummaryText(log, a);
    // 23:59:30 + 81 s, past midnight and the year's end: the clock rolled over minute, hour
    // and day.
    const bool utc = c.expectedSource == TimeSource::utcClock;
    EXPECT_EQ(text.find("(2027-01-01T00:00:51Z)") != std::string::npos, utc) << text;
    EXPECT_NE(text.find("1650 m (5413 ft) MSL, 650 m (2133 ft) above the pad"), std::string::npos);
    EXPECT_NE(
        text.find(c.expectedSource == TimeSource::storeInterval ? "store interval" : "the log's"),
        std::string::npos)
        << text;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, HandMadeFlightTest,
    ::testing::Values(LayoutCase{"UtcRecords", 15, false, TimeSource::utcClock},
                      LayoutCase{"SecondsOnly", 13, false, TimeSource::secondsField},
                      LayoutCase{"NoTime", 13, true, TimeSource::storeInterval}),
    [](const auto& info) { return std::string(info.param.name); });

// Messy logs: each gets a sensible answer, never a crash or a wild number.
struct MessyCase {
    const char* name;
    std::function<DecodedLog()> make;
    std::size_t flights;
    double firstApogeeM;  // of the first flight, when there is one
    std::size_t spikes;
    std::size_t noFix;
    bool landed;
};

DecodedLog Edited(std::function<void(FlightLogBuilder&)> edit) {
    FlightLogBuilder built = HandMadeFlight(15);
    edit(built);
    return built.Decode();
}

// A 128-kbit memory holding nothing but `word`, read as records of `recordBytes`.
DecodedLog Filled(std::uint32_t word, int recordBytes) {
    return DecodeLog(std::vector<std::uint32_t>(16384, word), LogLayout{128, false, recordBytes});
}

std::vector<MessyCase> MessyCases() {
    constexpr std::size_t kRecord = 15;
    return {
        {"AltitudeSpike",
         [] {
             return Edited([](FlightLogBuilder& b) {
                 b.records[40 * kRecord + 9] = 91;  // 1205 m becomes 9105 m for one point
             });
         },
         1, 1650, 1, 0, true},
        {"PositionSpike",
         [] { return Edited([](FlightLogBuilder& b) { b.records[50 * kRecord + 4] = 12; }); }, 1,
         1650, 1, 0, true},
        {"NoFixRecords",
         [] {
             return Edited([](FlightLogBuilder& b) {
                 for (const std::size_t i : {1u, 30u, 31u}) {
                     b.records[i * kRecord + 11] = 0;  // no satellites
                     for (std::size_t k = 4; k < 11; ++k) {
                         b.records[i * kRecord + k] = 0;  // latitude and altitude 0
                     }
                 }
             });
         },
         1, 1650, 0, 3, true},
        {"ImpossibleAltitudes",
         [] {
             return Edited([](FlightLogBuilder& b) {
                 for (const std::size_t i : {40u, 41u}) {
                     b.records[i * kRecord + 8] = 20;  // 200000 m and more, twice in a row
                 }
             });
         },
         1, 1650, 0, 2, true},
        {"ErasedMemoryAfterTheFlight",
         [] {
             return Edited([](FlightLogBuilder& b) {
                 b.records.insert(b.records.end(), 20 * kRecord, 0xFF);
             });
         },
         1, 1650, 0, 20, true},
        {"AllErased", [] { return Filled(0xFF, 15); }, 0, 0, 0, 1091, false},
        {"GroundOnly",
         [] {
             FlightLogBuilder b(15);
             for (int i = 0; i < 40; ++i) {
                 b.Add(i % 3, 0, 1000 + (i * 7) % 9, 7, 3600 + i);
             }
             return b.Decode();
         },
         0, 0, 0, 0, false},
        {"TwoFlights",
         [] {
             FlightLogBuilder b = HandMadeFlight(15);
             // An hour later at a pad 200 m higher.
             const FlightLogBuilder second = HandMadeFlight(15, 90000, 200);
             b.records.insert(b.records.end(), second.records.begin(), second.records.end());
             return b.Decode();
         },
         2, 1650, 0, 0, true},
        {"TwoFlightsClockRestarted",
         [] {
             // The tracker restarted on the same pad: the clock goes back to 01:00:00.
             // Only 3 s on the ground in between.
             FlightLogBuilder b = HandMadeFlight(15, 3600);
             b.records.resize((82 + 3) * kRecord);
             const FlightLogBuilder second = HandMadeFlight(15, 3600);
             b.records.insert(b.records.end(), second.records.begin(), second.records.end());
             return b.Decode();
         },
         2, 1650, 0, 0, true},
        {"EndsUnderTheDrogue",
         [] { return Edited([](FlightLogBuilder& b) { b.records.resize(15 * kRecord); }); }, 1,
         1650, 0, 0, false},
        {"Empty", [] { return Filled(0, 13); }, 0, 0, 0, 0, false},
        {"CompressedHasNoAltitudes",
         [] {
             std::vector<std::uint32_t> image(8192, 0);
             const std::vector<std::uint32_t> fix = {20, 0, 0, 0, 10, 0, 0, 0};
             std::copy(fix.begin(), fix.end(), image.begin());
             for (std::size_t p = 13; p < 13 + 5 * 30; ++p) {
                 image[p] = 10;
             }
             return DecodeLog(image, LogLayout{64, true, 13});
         },
         0, 0, 0, 0, false},
    };
}

void PrintTo(const MessyCase& c, std::ostream* os) {
    *os << c.name;
}

class MessyLogTest : public ::testing::TestWithParam<MessyCase> {};

TEST_P(MessyLogTest, SensibleAnswer) {
    const MessyCase& c = GetParam();
    const DecodedLog log = c.make();
    const FlightAnalysis a = AnalyseFlights(log, 1);
    EXPECT_EQ(a.flights.size(), c.flights) << a.noFlightReason;
    EXPECT_EQ(a.spikeCount, c.spikes);
    EXPECT_EQ(a.noFixCount, c.noFix);
    const std::string text = FlightSummaryText(log, a);
    if (c.flights == 0) {
        EXPECT_EQ(text.rfind("no flight found: ", 0), 0u) << text;
        return;
    }
    const FlightSummary& f = a.flights[0];
    EXPECT_DOUBLE_EQ(f.apogeeMslM, c.firstApogeeM);
    EXPECT_EQ(f.landed, c.landed);
    EXPECT_LT(f.farthestM, 1000);  // a spike never makes the flight drift off
    EXPECT_LE(f.maxAscentRate, 200);
    for (const FlightSummary& each : a.flights) {
        EXPECT_GT(each.flightTimeS, 0);
        EXPECT_DOUBLE_EQ(each.apogeeAbovePadM, 650);  // the second flight's pad is 200 m higher
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MessyLogTest, ::testing::ValuesIn(MessyCases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vanteo
