#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "flightlog/FlightExports.h"
#include "flightlog/LiveTrackFile.h"
#include "tests/flightlog/FlightLogBuilder.h"
#include "tests/support/TemporaryFolder.h"

namespace vanteo {
namespace {

namespace fs = std::filesystem;
using test::HandMadeFlight;

class FlightExportsTest : public ::testing::Test {
protected:
    std::string Save(const std::string& name, const std::string& text) const {
        const std::string path = scratch_.Path(name);
        test::WriteFile(path, text);
        return path;
    }

    // Runs a shell command; its exit status (127 when the tool is not installed: a failure).
    static int Run(const std::string& command) {
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The rows GPSBabel reads from `path` (tracks with "-t", waypoints with "-w"), header
    // left out; -1 when it fails.
    int GpsBabelRows(const char* what, const char* format, const std::string& path) const {
        const std::string out = (directory_ / "babel.csv").string();
        if (Run(std::string("gpsbabel ") + what + " -i " + format + " -f '" + path +
                "' -o unicsv -F '" + out + "'") != 0) {
            return -1;
        }
        std::ifstream file(out);
        int rows = -1;
        for (std::string line; std::getline(file, line);) {
            ++rows;
        }
        return rows;
    }

    test::TemporaryFolder scratch_;
    const fs::path directory_ = scratch_.Root();
};

// The hand-made flight (94 points, see FlightLogBuilder.h) with UTC times and a capture date
// gives time-tagged tracks; without them (13-byte records, no trailer) a plain line.
TEST_F(FlightExportsTest, XmlFilesAreWellFormedAndGpsBabelReadsEveryPoint) {
    for (const bool timed : {true, false}) {
        SCOPED_TRACE(timed ? "UTC times" : "no times");
        const test::FlightLogBuilder built =
            timed ? HandMadeFlight(15).Date("311226") : HandMadeFlight(13);
        const DecodedLog log = built.Decode();
        const FlightAnalysis analysis = AnalyseFlights(log, 1);
        ASSERT_EQ(analysis.track.size(), 94u);

        std::string gpx;
        WriteGpx(gpx, analysis);
        std::string kml;
        WriteKml22(kml, analysis);
        EXPECT_EQ(kml.find("<gx:Track>") != std::string::npos, timed);
        EXPECT_EQ(kml.find("<LineString>") != std::string::npos, !timed);
        EXPECT_EQ(
            gpx.find("<time>2027-01-01T00:00:51Z</time><name>Landing</name>") != std::string::npos,
            timed);
        const std::string gpxPath = Save("flight.gpx", gpx);
        const std::string kmlPath = Save("flight.kml", kml);
        EXPECT_EQ(Run("xmllint --noout '" + gpxPath + "' '" + kmlPath + "'"), 0);
        EXPECT_EQ(GpsBabelRows("-t", "gpx", gpxPath), 94);
        EXPECT_EQ(GpsBabelRows("-w", "gpx", gpxPath), 3);
        EXPECT_EQ(GpsBabelRows("-t", "kml", kmlPath), 94);
        EXPECT_EQ(GpsBabelRows("-w", "kml", kmlPath), 3);
    }
}

// The live tracks are whole documents after every point, the empty one included: xmllint takes
// them and GPSBabel reads every point so far. A point without an altitude has none in either.
TEST_F(FlightExportsTest, LiveTracksAreCompleteAfterEveryPoint) {
    constexpr std::time_t k1800Utc = 1789840800;  // 2026-09-19 18:00:00 UTC
    const std::string gpxPath = (directory_ / "live.gpx").string();
    const std::string kmlPath = (directory_ / "live.kml").string();
    LiveTrackFile gpx(LiveTrackFormat::gpx);
    LiveTrackFile kml(LiveTrackFormat::kml22);
    ASSERT_TRUE(gpx.Open(gpxPath, "N0CALL-11 <live> & \"heard\""));
    ASSERT_TRUE(kml.Open(kmlPath, "N0CALL-11"));
    for (int n = 0; n <= 3; ++n) {
        SCOPED_TRACE(std::to_string(n) + " points");
        if (n > 0) {
            const LiveTrackPoint point{40.88 - 0.001 * n, -119.06, std::nullopt, k1800Utc + 10 * n};
            LiveTrackPoint withAltitude = point;
            withAltitude.altitudeM = 3000.1464 - 100 * n;
            ASSERT_TRUE(gpx.Append(n == 2 ? point : withAltitude));
            ASSERT_TRUE(kml.Append(n == 2 ? point : withAltitude));
        }
        EXPECT_EQ(Run("xmllint --noout '" + gpxPath + "' '" + kmlPath + "'"), 0);
        EXPECT_EQ(GpsBabelRows("-t", "gpx", gpxPath), n);
        if (n > 0) {
            // GPSBabel's KML reader wants a line of at least one point.
            EXPECT_EQ(GpsBabelRows("-t", "kml", kmlPath), n);
        }
    }
    std::stringstream gpxText;
    gpxText << std::ifstream(gpxPath).rdbuf();
    EXPECT_NE(gpxText.str().find(
                  "<trk><name>N0CALL-11 &lt;live&gt; &amp; &quot;heard&quot;</name><trkseg>\n"
                  "<trkpt lat=\"40.879000\" lon=\"-119.060000\"><ele>2900.1</ele>"
                  "<time>2026-09-19T18:00:10Z</time></trkpt>\n"
                  "<trkpt lat=\"40.878000\" lon=\"-119.060000\"><time>2026-09-19T18:00:20Z</time>"
                  "</trkpt>\n"),
              std::string::npos)
        << gpxText.str();
    std::stringstream kmlText;
    kmlText << std::ifstream(kmlPath).rdbuf();
    EXPECT_NE(kmlText.str().find("<coordinates>\n-119.060000,40.879000,2900.1\n"
                                 "-119.060000,40.878000\n-119.060000,40.877000,2700.1\n"
                                 "</coordinates></LineString>\n</Placemark>\n</Document>\n"
                                 "</kml>\n"),
              std::string::npos)
        << kmlText.str();

    LiveTrackFile nowhere(LiveTrackFormat::gpx);
    EXPECT_FALSE(nowhere.Open((directory_ / "no-such-folder" / "live.gpx").string(), "x"));
    EXPECT_EQ(nowhere.Error(), "No such file or directory");
    EXPECT_FALSE(nowhere.Append({}));
}

// RFC 4180: a header, CRLF line ends, one row per decoded point (no-fix ones included).
TEST_F(FlightExportsTest, CsvHasOneRowPerDecodedPoint) {
    test::FlightLogBuilder built = HandMadeFlight(15).Date("311226");
    built.records[1 * 15 + 11] = 0;  // the second point has no fix
    const DecodedLog log = built.Decode();
    std::string csv;
    WriteFlightCsv(csv, log, AnalyseFlights(log, 1));
    std::size_t rows = 0;
    for (std::size_t at = 0; (at = csv.find("\r\n", at)) != std::string::npos; at += 2) {
        ++rows;
    }
    EXPECT_EQ(rows, 95u);
    EXPECT_EQ(csv.find('\n'), csv.find("\r\n") + 1);
    EXPECT_EQ(csv.rfind("address,status,time_s,utc,latitude_deg,longitude_deg,altitude_m,"
                        "altitude_ft,satellites,utc_hours,utc_minutes,seconds,"
                        "compressed_values\r\n",
                        0),
              0u);
    EXPECT_NE(csv.find("\r\n15,no fix,1,,10.0000000,20.0000000,1000,3281,0,23,59,31,\r\n"),
              std::string::npos);
    // The landing, record 81 at 81 x 15 = 1215: 10 deg 0.3' N = 10.005, 20 deg 0.4' E =
    // 20.0066667, 1000 m = 3281 ft, 23:59:30 + 81 s = 00:00:51 on the next day.
    EXPECT_NE(csv.find("\r\n1215,track,81,2027-01-01T00:00:51Z,10.0050000,20.0066667,1000,3281,"
                       "8,0,0,51,\r\n"),
              std::string::npos)
        << csv.substr(0, 600);
}

}  // namespace
}  // namespace vanteo
