#include "cli/CommandLineParser.h"

#include <gtest/gtest.h>

namespace vanteo::cli {
namespace {

CommandLineParser::Outcome Parse(std::vector<std::string> arguments,
                                 const char* environmentPort = nullptr) {
    return CommandLineParser::Parse(arguments, environmentPort);
}

TEST(CommandLineParser, PortComesFromOptionBeforeOrAfterTheCommandElseFromTheEnvironment) {
    auto parsed = Parse({"--port", "/dev/ttyUSB0", "identify"}, "/dev/pts/9");
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.command, CliCommand::identify);
    EXPECT_EQ(parsed.request.port, "/dev/ttyUSB0");

    parsed = Parse({"identify", "--port=COM3"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.port, "COM3");

    parsed = Parse({"identify"}, "/dev/pts/9");
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.port, "/dev/pts/9");

    parsed = Parse({"identify"});
    EXPECT_FALSE(parsed.ok);
    EXPECT_NE(parsed.error.find("VANTEO_PORT"), std::string::npos);

    // Commands on files need no port at all.
    EXPECT_TRUE(Parse({"fix-kml", "in.kml", "out.kml"}).ok);
}

TEST(CommandLineParser, WriteKeepsTheSettingsInOrderAndSplitsAtTheFirstEquals) {
    const auto parsed =
        Parse({"--port", "p", "write", "--profile", "2", "--json", "f.json", "--set",
               "ID String=AB1", "--set=TX Msg=a=b", "--set", "Output Power=-5"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const CliRequest& request = parsed.request;
    EXPECT_EQ(request.profile, 2);
    EXPECT_EQ(request.jsonFile, "f.json");
    ASSERT_EQ(request.settings.size(), 3u);
    EXPECT_EQ(request.settings[0], (std::pair<std::string, std::string>{"ID String", "AB1"}));
    EXPECT_EQ(request.settings[1], (std::pair<std::string, std::string>{"TX Msg", "a=b"}));
    EXPECT_EQ(request.settings[2], (std::pair<std::string, std::string>{"Output Power", "-5"}));
}

TEST(CommandLineParser, UsageErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {},                                          // no command
        {"--port", "p", "frobnicate"},               // unknown command
        {"--port", "p", "write", "--profile", "3"},  // profile 1 or 2 only
        {"--port", "p", "write", "--set", "SSID"},   // no '='
        {"--port", "p", "write", "--set", "=5"},     // no key
        {"--port", "p", "write", "--set"},           // missing value
        {"--port", "p", "read", "--profile", "1"},   // option of another command
        {"--port", "p", "save-cfg"},                 // missing FILE
        {"--port", "p", "save-cfg", "a", "b"},       // extra argument
        {"fix-kml", "in.kml"},                       // missing OUT
        {"validate-kml", "in.kml", "-o"},            // -o without a file
        {"--port", "p", "--calibration", "devaddr", "3"},
        {"--port", "p", "--calibration", "update"},  // nothing to update
        {"--port", "p", "tone"},                     // service command without calibration
        {"--port", "p", "devaddr", "4"},
    };
    for (const auto& arguments : bad) {
        const auto parsed = Parse(arguments);
        EXPECT_FALSE(parsed.ok) << ::testing::PrintToString(arguments);
        EXPECT_FALSE(parsed.error.empty());
    }
}

TEST(CommandLineParser, CommandOptionsAndPositionals) {
    auto parsed = Parse({"--port", "p", "read-flash", "flight.kml", "--name", "Joe", "--rocket",
                         "Arrow", "--date", "2026-12-08", "--motor", "H128", "--comments", "ok"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.file, "flight.kml");
    EXPECT_EQ(parsed.request.details.name, "Joe");
    EXPECT_EQ(parsed.request.details.rocketName, "Arrow");
    EXPECT_EQ(parsed.request.details.date, "2026-12-08");
    EXPECT_EQ(parsed.request.details.motor, "H128");
    EXPECT_EQ(parsed.request.details.comments, "ok");

    parsed = Parse({"--calibration", "--port", "p", "update", "--serial", "2053", "--cal=9100"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_TRUE(parsed.request.calibration);
    EXPECT_EQ(parsed.request.serialNumber, "2053");
    EXPECT_EQ(parsed.request.calibrationValue, "9100");

    parsed = Parse({"--calibration", "--port", "p", "devaddr", "4"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.devAddr, 4);

    parsed = Parse({"validate-kml", "in.kml", "-o", "out.kml"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.file, "in.kml");
    EXPECT_EQ(parsed.request.outputFile, "out.kml");

    parsed = Parse({"--port", "p", "clear-flash"});
    ASSERT_TRUE(parsed.ok);  // parsed; the command itself refuses without --yes
    EXPECT_FALSE(parsed.request.yes);
    parsed = Parse({"--port", "p", "flash-test", "--yes"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_TRUE(parsed.request.yes);
}

TEST(CommandLineParser, HelpNeedsNeitherPortNorArguments) {
    auto parsed = Parse({"--help"});
    ASSERT_TRUE(parsed.ok);
    EXPECT_TRUE(parsed.request.help);
    parsed = Parse({"write", "--help"});
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.request.command, CliCommand::write);
    EXPECT_NE(CommandLineParser::CommandUsage(CliCommand::write).find("--set KEY=VALUE"),
              std::string::npos);
    EXPECT_NE(CommandLineParser::ProgramUsage().find("clear-flash --yes"), std::string::npos);
}

}  // namespace
}  // namespace vanteo::cli
