#include "cli/PortReport.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/CommandLineParser.h"

namespace vanteo::cli {
namespace {

const std::vector<PortListing> kPorts = {
    {"ttyUSB0", "FT232R USB UART (FTDI)", "0403:6001", "A12345", "root:dialout crw-rw----", false,
     false, ""},
    {"/dev/pts/3", "Vanteo tracker simulator (pid 77)", "", "", "me:tty crw--w----", true, true,
     ""},
};

TEST(PortReport, ListingNamesTheUsbIdentityAndTheOwnerOfAPortThisUserMayNotOpen) {
    std::ostringstream text;
    WritePortListing(text, kPorts, false);
    EXPECT_EQ(text.str(),
              "ttyUSB0  FT232R USB UART (FTDI)  [USB 0403:6001, serial A12345]  (this user may not "
              "open it: root:dialout crw-rw----)\n"
              "/dev/pts/3  Vanteo tracker simulator (pid 77)\n");

    std::ostringstream json;
    WritePortListing(json, kPorts, true);
    EXPECT_EQ(json.str(),
              "[\n"
              "    {\n"
              "        \"description\": \"FT232R USB UART (FTDI)\",\n"
              "        \"may_open\": false,\n"
              "        \"name\": \"ttyUSB0\",\n"
              "        \"owner\": \"root:dialout crw-rw----\",\n"
              "        \"serial_number\": \"A12345\",\n"
              "        \"simulator\": false,\n"
              "        \"usb_id\": \"0403:6001\"\n"
              "    },\n"
              "    {\n"
              "        \"description\": \"Vanteo tracker simulator (pid 77)\",\n"
              "        \"may_open\": true,\n"
              "        \"name\": \"/dev/pts/3\",\n"
              "        \"owner\": \"me:tty crw--w----\",\n"
              "        \"serial_number\": \"\",\n"
              "        \"simulator\": true,\n"
              "        \"usb_id\": \"\"\n"
              "    }\n"
              "]\n");

    std::ostringstream none;
    WritePortListing(none, {}, true);
    EXPECT_EQ(none.str(), "[\n]\n");
}

TEST(PortReport, PortsJsonDoctorAndVersionNeedNoPort) {
    auto parsed = CommandLineParser::Parse({"ports", "--json"}, nullptr);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_TRUE(parsed.request.jsonOutput);
    parsed = CommandLineParser::Parse({"doctor"}, nullptr);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.command, CliCommand::doctor);
    parsed = CommandLineParser::Parse({"--version"}, nullptr);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_TRUE(parsed.request.version);
    // --json is a flag of ports only; read's --json still takes a file.
    EXPECT_FALSE(CommandLineParser::Parse({"doctor", "--json"}, nullptr).ok);
    parsed = CommandLineParser::Parse({"--port", "p", "read", "--json", "out.json"}, nullptr);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.request.jsonFile, "out.json");
    EXPECT_FALSE(parsed.request.jsonOutput);
}

}  // namespace
}  // namespace vanteo::cli
