// The serial KISS source on a pseudo-terminal: the baud asked for, bytes as the TNC sends them,
// and a clear error for a device that is not there.

#include <gtest/gtest.h>
#include <termios.h>

#include <string>

#include "aprs/KissSerialSource.h"
#include "tests/serial/PseudoTerminal.h"

namespace {

using vanteo::aprs::KissByteSource;
using vanteo::aprs::KissSerialSource;

TEST(KissSerialSourceTest, OpensAtTheBaudAndReadsWhatTheTncSends) {
    vanteo::test::PseudoTerminal terminal;
    ASSERT_TRUE(terminal.Ok());
    KissSerialSource source(terminal.SlavePath(), 4800);
    EXPECT_EQ(source.Describe(), "KISS serial " + terminal.SlavePath() + " at 4800 baud");
    std::string error;
    ASSERT_TRUE(source.Open(error)) << error;
    termios settings{};
    ASSERT_EQ(tcgetattr(terminal.SlaveFd(), &settings), 0);
    EXPECT_EQ(cfgetispeed(&settings), static_cast<speed_t>(B4800));

    std::uint8_t buffer[64];
    std::size_t count = 99;
    EXPECT_EQ(source.Read(buffer, sizeof buffer, 10, count), KissByteSource::ReadStatus::timeout);
    EXPECT_EQ(count, 0u);
    ASSERT_TRUE(terminal.TrackerSends(std::string("\xC0\x00\x82\xC0", 4)));
    std::string got;
    for (int i = 0; i < 50 && got.size() < 4; ++i) {
        if (source.Read(buffer, sizeof buffer, 100, count) == KissByteSource::ReadStatus::data) {
            got.append(reinterpret_cast<const char*>(buffer), count);
        }
    }
    EXPECT_EQ(got, std::string("\xC0\x00\x82\xC0", 4));
    source.Close();

    KissSerialSource absent("/dev/vanteo-no-such-tnc", 9600);
    EXPECT_FALSE(absent.Open(error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
