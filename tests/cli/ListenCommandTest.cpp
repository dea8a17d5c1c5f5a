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
    auto parsed = CommandLineParser::Parse({"listen", "--kiss-tcp", "localhost:8001", "--call",
                                            "N0CALL-11", "--json", "--csv", "heard.csv"},
                                           "/dev/pts/9");
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.command, CliCommand::listen);
    EXPECT_EQ(parsed.request.kissTcp, "localhost:8001");
    EXPECT_EQ(parsed.request.station, "N0CALL-11");
    EXPECT_TRUE(parsed.request.listenJson);
    EXPECT_EQ(parsed.request.csvFile, "heard.csv");
    EXPECT_FALSE(parsed.request.NeedsPort());

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
    };
    for (const auto& arguments : bad) {
        EXPECT_FALSE(CommandLineParser::Parse(arguments, nullptr).ok)
            << ::testing::PrintToString(arguments);
    }
}

aprs::HeardPacket Packet(const std::string& info) {
    aprs::HeardPacket packet;
    packet.frame.source = {"N0CALL", 11, false};
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
                  "-119.060000,3000.1,90,10.0,\",\"\"up\"\"\","
                  "\"!4052.80N/11903.60WO090/010/A=009843,\"\"up\"\"\"\n"
                  "2026-09-19T18:00:01Z,N0CALL-11,APZVAN,WIDE2-1*,other,,,,,,,>hi<0x01>\n");
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

}  // namespace
}  // namespace vanteo::cli
