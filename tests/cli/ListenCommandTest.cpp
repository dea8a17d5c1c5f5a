// `vanteo-cli listen` in pieces: its options, and what it prints and logs for each packet.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "aprs/AprsReport.h"
#include "cli/CommandLineParser.h"
#include "cli/PacketPrinter.h"

namespace vanteo::cli {
namespace {

TEST(ListenCommand, Options) {
    auto parsed = CommandLineParser::Parse(
        {"listen", "--kiss-tcp", "localhost:8001", "--call", "N0CALL-11", "--json", "--csv",
         "heard.csv", "--gpx", "heard.gpx", "--kml22", "heard.kml", "--from", "40.8812,-119.0631"},
        "/dev/pts/9");
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.command, CliCommand::listen);
    EXPECT_EQ(parsed.request.kissTcp, "localhost:8001");
    EXPECT_EQ(parsed.request.station, "N0CALL-11");
    EXPECT_TRUE(parsed.request.listenJson);
    EXPECT_EQ(parsed.request.csvFile, "heard.csv");
    EXPECT_EQ(parsed.request.gpxFile, "heard.gpx");
    EXPECT_EQ(parsed.request.kml22File, "heard.kml");
    ASSERT_TRUE(parsed.request.listenerPosition);
    EXPECT_EQ(parsed.request.listenerPosition->first, 40.8812);
    EXPECT_EQ(parsed.request.listenerPosition->second, -119.0631);
    EXPECT_FALSE(parsed.request.NeedsPort());

    parsed = CommandLineParser::Parse(
        {"listen", "--kiss-tcp", "h:1", "--from=-90,180", "--call", "N0CALL-11"}, nullptr);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.listenerPosition, std::make_pair(-90.0, 180.0));
    parsed = CommandLineParser::Parse({"listen", "--kiss-tcp", "h:1", "--gpsd", "pi.local:2948"},
                                      nullptr);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.gpsd, "pi.local:2948");
    EXPECT_FALSE(parsed.request.listenerPosition);

    parsed = CommandLineParser::Parse({"listen", "--kiss-serial=/dev/rfcomm0", "--baud", "9600"},
                                      nullptr);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.kissSerial, "/dev/rfcomm0");
    EXPECT_EQ(parsed.request.baud, 9600);

    const std::vector<std::vector<std::string>> bad = {
        {"listen"},                                                                    // no source
        {"listen", "--kiss-tcp", "h:1", "--kiss-serial", "/dev/x", "--baud", "9600"},  // both
        {"listen", "--kiss-serial", "/dev/x"},                                         // no baud
        {"listen", "--kiss-serial", "/dev/x", "--baud", "0"},
        {"listen", "--kiss-serial", "/dev/x", "--baud", "96k"},
        {"listen", "--kiss-tcp", "h:1", "--baud", "9600"},  // baud of nothing
        {"listen", "--kiss-tcp"},                           // missing value
        {"read", "--kiss-tcp", "h:1"},                      // another command's option
        {"listen", "--kiss-tcp", "h:1", "--from", "90.0001,0"},
        {"listen", "--kiss-tcp", "h:1", "--from", "0,-180.5"},
        {"listen", "--kiss-tcp", "h:1", "--from", "40.88"},
        {"listen", "--kiss-tcp", "h:1", "--from", "40.88,"},
        {"listen", "--kiss-tcp", "h:1", "--from", "40,88N,119W"},
        {"listen", "--kiss-tcp", "h:1", "--from", "nan,0"},
        {"listen", "--kiss-tcp", "h:1", "--from", "1,2", "--gpsd", "h:2947"},  // two of mine
        {"export", "x.kml", "--from", "1,2"},
    };
    for (const auto& arguments : bad) {
        EXPECT_FALSE(CommandLineParser::Parse(arguments, nullptr).ok)
            << ::testing::PrintToString(arguments);
    }
}

aprs::HeardPacket Packet(const std::string& info, const std::string& call = "N0CALL",
                         int ssid = 11) {
    aprs::HeardPacket packet;
    packet.frame.source = {call, ssid, false};
    packet.frame.destination = {"APZVAN", 0, false};
    packet.frame.path = {{"WIDE2", 1, true}};
    packet.frame.info = info;
    packet.report = aprs::DecodeAprs("APZVAN", info);
    return packet;
}

TEST(ListenCommand, LinesJsonCsvAndTheLastPosition) {
    constexpr std::time_t k1800Utc = 1789840800;  // 2026-09-19 18:00:00 UTC
    const auto position = Packet("!4052.80N/11903.60WO090/010/A=009843,\"up\"");
    const auto status = Packet(std::string(">hi\x01"));

    std::ostringstream lines;
    PacketPrinter printer(lines, false);
    EXPECT_EQ(printer.Summary(), "No position heard.");
    const std::filesystem::path csv = std::filesystem::path(::testing::TempDir()) /
                                      ("listen-" + std::to_string(getpid()) + ".csv");
    ASSERT_TRUE(printer.OpenCsv(csv.string()));
    printer.Print(position, k1800Utc);
    printer.Print(status, k1800Utc + 1);
    // 40 + 52.80 / 60 = 40.88; 9843 ft x 0.3048 = 3000.1 m. A status keeps no position, so the
    // summary still names the last one.
    EXPECT_EQ(lines.str(),
              "18:00:00 N0CALL-11>APZVAN,WIDE2-1*:!4052.80N/11903.60WO090/010/A=009843,\"up\"  "
              "[40.880000 -119.060000, 3000.1 m, course 90, 10.0 kn]\n"
              "18:00:01 N0CALL-11>APZVAN,WIDE2-1*:>hi<0x01>\n");
    EXPECT_EQ(printer.Summary(),
              "Last position: N0CALL-11 40.880000 -119.060000, 3000.1 m, course 90, 10.0 kn, "
              "heard at 18:00:00 UTC");
    // Written as it arrives: readable before the printer is gone.
    std::ifstream file(csv);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(),
              std::string(PacketPrinter::kCsvHeader) +
                  "2026-09-19T18:00:00Z,N0CALL-11,APZVAN,WIDE2-1*,uncompressed,40.880000,"
                  "-119.060000,3000.1,9843,90,10.0,\",\"\"up\"\"\","
                  "\"!4052.80N/11903.60WO090/010/A=009843,\"\"up\"\"\"\r\n"
                  "2026-09-19T18:00:01Z,N0CALL-11,APZVAN,WIDE2-1*,other,,,,,,,,>hi<0x01>\r\n");
    std::filesystem::remove(csv);

    std::ostringstream json;
    PacketPrinter jsonPrinter(json, true);
    jsonPrinter.Print(position, k1800Utc);
    EXPECT_EQ(json.str(),
              "{\"altitude_m\":3000.1464,\"comment\":\",\\\"up\\\"\",\"course_deg\":90,"
              "\"destination\":\"APZVAN\",\"format\":\"uncompressed\","
              "\"info\":\"!4052.80N/11903.60WO090/010/A=009843,\\\"up\\\"\",\"latitude\":40.88,"
              "\"longitude\":-119.06,\"path\":[\"WIDE2-1*\"],\"source\":\"N0CALL-11\","
              "\"speed_kn\":10,\"symbol\":\"/O\",\"timestamp\":\"\","
              "\"utc\":\"2026-09-19T18:00:00Z\"}\n");
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The tracker A, another station B, A again and again: A's vertical speed over the last 30 s of
// its own positions, the time since its position before, its distance and bearing from the
// listener; B neither changes A's figures nor enters the track files, which follow A, the first
// station heard, as told once.
TEST(ListenCommand, EachPositionFromTheListenerAndTheTrackFollowsOneStation) {
    constexpr double k1800Utc = 1789840800;  // 2026-09-19 18:00:00 UTC
    const std::filesystem::path directory =
        std::filesystem::path(::testing::TempDir()) / ("listen-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    std::ostringstream lines;
    PacketPrinter printer(lines, false);
    std::string error;
    ASSERT_TRUE(printer.OpenTracks((directory / "live.gpx").string(), "", std::nullopt, error))
        << error;
    std::vector<std::string> notes;
    printer.SetNote([&](const std::string& note) { notes.push_back(note); });
    // 0.01 deg of latitude north of the tracker: 6371 km x 0.01 x pi / 180 = 1111.95 m, due south.
    printer.SetListener([] { return std::optional(aprs::ListenerPosition{40.89, -119.06}); });

    const auto print = [&](const aprs::HeardPacket& packet, double afterS) {
        lines.str("");
        printer.Print(packet, static_cast<std::time_t>(k1800Utc + afterS), k1800Utc + afterS);
        return lines.str();
    };
    // 9843 ft = 3000.1464 m, 9187 ft = 2800.1976 m, 8530 ft = 2599.944 m.
    EXPECT_EQ(print(Packet("!4052.80N/11903.60WO/A=009843"), 0),
              "18:00:00 N0CALL-11>APZVAN,WIDE2-1*:!4052.80N/11903.60WO/A=009843  "
              "[40.880000 -119.060000, 3000.1 m, 1112 m from you, bearing 180]\n");
    // B, 0.01 deg east at the same latitude (cos 40.89 deg x 1111.95 m = 840.6 m, bearing
    // just under 90 on the great circle): a first position of its own.
    EXPECT_EQ(print(Packet("!4053.40N/11903.00WO/A=001000", "N0CALL", 9), 5),
              "18:00:05 N0CALL-9>APZVAN,WIDE2-1*:!4053.40N/11903.00WO/A=001000  "
              "[40.890000 -119.050000, 304.8 m, 841 m from you, bearing 90]\n");
    // (2800.1976 - 3000.1464) m / 10 s = -19.99 m/s.
    EXPECT_EQ(print(Packet("!4052.80N/11903.60WO/A=009187"), 10),
              "18:00:10 N0CALL-11>APZVAN,WIDE2-1*:!4052.80N/11903.60WO/A=009187  "
              "[40.880000 -119.060000, 2800.2 m, -20.0 m/s vertical, 1112 m from you, bearing "
              "180, 10 s after the one before]\n");
    // The first position is 40 s back, out of the span: (2599.944 - 2800.1976) m / 30 s.
    EXPECT_EQ(print(Packet("!4052.80N/11903.60WO/A=008530"), 40),
              "18:00:40 N0CALL-11>APZVAN,WIDE2-1*:!4052.80N/11903.60WO/A=008530  "
              "[40.880000 -119.060000, 2599.9 m, -6.7 m/s vertical, 1112 m from you, bearing "
              "180, 30 s after the one before]\n");
    EXPECT_EQ(printer.Summary(k1800Utc + 52),
              "Last position: N0CALL-11 40.880000 -119.060000, 2599.9 m, heard at 18:00:40 UTC "
              "(12 s ago), 1112 m from you, bearing 180");
    EXPECT_EQ(notes, std::vector<std::string>{
                         "The track files follow N0CALL-11, the first station heard with a "
                         "position (--call chooses another)."});
    const std::string gpx = ReadAll(directory / "live.gpx");
    std::size_t points = 0;
    for (std::size_t at = gpx.find("<trkpt "); at != std::string::npos;
         at = gpx.find("<trkpt ", at + 1)) {
        ++points;
    }
    EXPECT_EQ(points, 3u) << gpx;
    EXPECT_EQ(gpx.find("-119.050000"), std::string::npos) << gpx;
    EXPECT_TRUE(printer.TrackError().empty());
    std::filesystem::remove_all(directory);

    // No station's file when a track cannot be written: the error names the file.
    PacketPrinter refused(lines, false);
    EXPECT_FALSE(
        refused.OpenTracks("", (directory / "gone" / "live.kml").string(), "N0CALL-11", error));
    EXPECT_EQ(error, "cannot write " + (directory / "gone" / "live.kml").string() +
                         " (No such file or directory)");
}

}  // namespace
}  // namespace vanteo::cli
