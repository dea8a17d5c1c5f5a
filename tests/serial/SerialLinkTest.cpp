#include "serial/SerialLink.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "serial/InProcessTransport.h"
#include "tests/serial/ScriptedDevice.h"
#include "tests/support/RecordingInteraction.h"

namespace vanteo::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using OpenStatus = ByteTransport::OpenStatus;

const std::string kLineEnd = "\n\r";  // the tracker ends its lines LF then CR
const char* const kLineTimeout = "Serial Port Error: Read returned 0 chars. Closing com port";
const char* const kExactTimeout = "read timed out, make sure the TX is connected and on";

class SerialLinkTest : public ::testing::Test {
protected:
    std::unique_ptr<SerialLink> MakeLink() {
        return std::make_unique<SerialLink>(ui, clock, [this](const std::string& name) {
            openedNames.push_back(name);
            auto transport = std::make_unique<InProcessTransport>(device, clock);
            transport->FailNextOpen(nextOpenStatus);
            return transport;
        });
    }

    void SetUp() override {
        unsetenv("VANTEO_TRACE");
        link = MakeLink();
    }

    bool Open(const std::string& name = "COM3") { return link->OpenPort(name); }

    VirtualClock clock;
    ScriptedDevice device;
    RecordingInteraction ui;
    OpenStatus nextOpenStatus = OpenStatus::ok;
    std::vector<std::string> openedNames;  // every port the link asked its factory for
    std::unique_ptr<SerialLink> link;
};

TEST_F(SerialLinkTest, EachOpenFailureShowsItsMessageAndLeavesTheLinkClosed) {
    const struct {
        OpenStatus status;
        const char* message;
    } cases[] = {
        {OpenStatus::cannotOpen, "Error opening com port"},
        {OpenStatus::cannotConfigure, "Error configuring port"},
        {OpenStatus::cannotGetTimeouts, "error getting timeouts"},
        {OpenStatus::cannotSetTimeouts, "Error setting timeouts"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ui.messages.clear();
        nextOpenStatus = c.status;
        EXPECT_FALSE(Open());
        EXPECT_FALSE(link->IsOpen());
        EXPECT_THAT(ui.messages, ElementsAre(c.message));
        EXPECT_FALSE(link->WriteByte('?'));
    }
    EXPECT_THAT(device.writes, IsEmpty());

    // An empty port name cannot be opened either; a later good open still works.
    ui.messages.clear();
    nextOpenStatus = OpenStatus::ok;
    EXPECT_FALSE(Open(""));
    EXPECT_THAT(ui.messages, ElementsAre("Error opening com port"));
    EXPECT_TRUE(Open());
    EXPECT_TRUE(link->IsOpen());
}

TEST_F(SerialLinkTest, OpenPortOnTheOpenPortReturnsAtOnceAndAnotherNameSwitchesPorts) {
    ASSERT_TRUE(Open("COM3"));
    EXPECT_TRUE(Open("COM3"));
    EXPECT_THAT(openedNames, ElementsAre("COM3"));  // not reopened

    // The user picked another port while the link stayed open: the named port is the one used.
    ASSERT_TRUE(Open("/dev/pts/7"));
    EXPECT_THAT(openedNames, ElementsAre("COM3", "/dev/pts/7"));
    EXPECT_EQ(link->PortName(), "/dev/pts/7");
    EXPECT_TRUE(link->IsOpen());

    // If the new port cannot be opened, the old one is closed anyway: no silent fallback.
    nextOpenStatus = OpenStatus::cannotOpen;
    EXPECT_FALSE(Open("COM9"));
    EXPECT_FALSE(link->IsOpen());
    EXPECT_THAT(ui.messages, ElementsAre("Error opening com port"));
}

TEST_F(SerialLinkTest, ReadLineEndsOnlyAtLineFeedThenCarriageReturn) {
    ASSERT_TRUE(Open());
    device.Send("OK" + kLineEnd);
    device.Send(kLineEnd);
    device.Send("AB\r\nCD" + kLineEnd);  // CR LF inside is plain text
    std::string line;
    ASSERT_TRUE(link->ReadLine(line));
    EXPECT_EQ(line, "OK");
    ASSERT_TRUE(link->ReadLine(line));
    EXPECT_EQ(line, "");
    ASSERT_TRUE(link->ReadLine(line));
    EXPECT_EQ(line, "AB\r\nCD");
    EXPECT_EQ(clock.NowMs(), 0);
    EXPECT_THAT(ui.messages, IsEmpty());
}

TEST_F(SerialLinkTest, ReadLineGivesUpAfter65BytesKeepingTheFirst63) {
    ASSERT_TRUE(Open());
    std::string longRun;
    for (int i = 0; i < 70; ++i) {
        longRun += static_cast<char>('A' + i % 26);
    }
    device.Send(longRun + kLineEnd);
    std::string line;
    ASSERT_TRUE(link->ReadLine(line));
    EXPECT_EQ(line, longRun.substr(0, 63));
    // Bytes 64 and 65 are lost; the next read goes on with byte 66.
    ASSERT_TRUE(link->ReadLine(line));
    EXPECT_EQ(line, longRun.substr(65));

    // The longest regular line: 63 characters and its terminator make exactly 65 bytes.
    device.Send(longRun.substr(0, 63) + kLineEnd + "next" + kLineEnd);
    ASSERT_TRUE(link->ReadLine(line));
    EXPECT_EQ(line, longRun.substr(0, 63));
    ASSERT_TRUE(link->ReadLine(line));
    EXPECT_EQ(line, "next");
}

TEST_F(SerialLinkTest, ReadLineTimesOutFiveSecondsAfterTheLastByteAndClosesTheLink) {
    ASSERT_TRUE(Open());
    std::string line;
    EXPECT_FALSE(link->ReadLine(line));
    EXPECT_EQ(clock.NowMs(), 5000);
    EXPECT_FALSE(link->IsOpen());
    EXPECT_THAT(ui.messages, ElementsAre(kLineTimeout));

    // Each awaited byte gets its own 5 s: a byte 4999 ms late is taken, one 5001 ms late is not.
    ui.messages.clear();
    ASSERT_TRUE(Open());
    const std::int64_t start = clock.NowMs();
    device.Send("O", start + 4999);
    device.Send("K", start + 4999 + 5001);
    EXPECT_FALSE(link->ReadLine(line));
    EXPECT_EQ(clock.NowMs(), start + 4999 + 5000);
    EXPECT_THAT(ui.messages, ElementsAre(kLineTimeout));
}

TEST_F(SerialLinkTest, ReadExactTakesCountBytesThenTwoTerminatorBytesWhateverTheyAre) {
    ASSERT_TRUE(Open());
    device.Send(std::string("\0\n\rX", 4) + "zz");  // record bytes may be 0 or line-end bytes
    device.Send(kLineEnd);                          // ReadExact(0): only the terminator
    device.Send("after" + kLineEnd);
    std::string bytes;
    ASSERT_TRUE(link->ReadExact(bytes, 4));
    EXPECT_EQ(bytes, std::string("\0\n\rX", 4));
    ASSERT_TRUE(link->ReadExact(bytes, 0));
    EXPECT_EQ(bytes, "");
    std::string line;
    ASSERT_TRUE(link->ReadLine(line));
    EXPECT_EQ(line, "after");

    // Missing terminator bytes are not an error: 5 s each, the link stays open.
    device.Send("AB");
    ASSERT_TRUE(link->ReadExact(bytes, 2));
    EXPECT_EQ(bytes, "AB");
    EXPECT_EQ(clock.NowMs(), 10000);
    EXPECT_TRUE(link->IsOpen());
    EXPECT_THAT(ui.messages, IsEmpty());
}

TEST_F(SerialLinkTest, ReadExactTimeOutShowsItsMessageAndClosesTheLink) {
    ASSERT_TRUE(Open());
    device.Send("ABC");
    std::string bytes;
    EXPECT_FALSE(link->ReadExact(bytes, 40));
    EXPECT_EQ(clock.NowMs(), 5000);
    EXPECT_FALSE(link->IsOpen());
    EXPECT_THAT(ui.messages, ElementsAre(kExactTimeout));
}

TEST_F(SerialLinkTest, ReadBytesWaitsTheWholeTotalTimeOutBeforeTheFirstByte) {
    ASSERT_TRUE(Open());
    std::uint8_t buffer[16] = {};
    EXPECT_EQ(link->ReadBytes(buffer, 16), 0u);
    EXPECT_EQ(clock.NowMs(), 2500 + 2500 * 16);  // 42500 ms
    EXPECT_TRUE(link->IsOpen());
    EXPECT_THAT(ui.messages, IsEmpty());

    // Once bytes flow, a 2500 ms gap ends the read with what has arrived.
    const std::int64_t start = clock.NowMs();
    device.Send("abc", start + 30000);
    device.Send("d", start + 30000 + 2501);
    EXPECT_EQ(link->ReadBytes(buffer, 16), 3u);
    EXPECT_EQ(clock.NowMs(), start + 30000 + 2500);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), "abc");
    EXPECT_EQ(link->ReadBytes(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 'd');
}

TEST_F(SerialLinkTest, PeekByteReturnsTheFirstByteOfTheSecondLineWhateverItIs) {
    ASSERT_TRUE(Open());
    std::uint8_t value = 0;
    device.onByte = [&](std::uint8_t byte, std::int64_t now) {
        if (byte == 'y') {
            device.Send("y" + kLineEnd, now);
        } else {
            device.Send(std::string(1, static_cast<char>(value)) + kLineEnd, now);
        }
    };
    for (const int v : {0x0A, 0x0D, 0x00, 0xFF, int{'A'}}) {
        SCOPED_TRACE(v);
        value = static_cast<std::uint8_t>(v);
        device.writes.clear();
        EXPECT_EQ(link->PeekByte(0x9C), v);
        EXPECT_THAT(device.writes, ElementsAre("y", "\x9C"));
    }
    EXPECT_TRUE(link->IsOpen());
    EXPECT_THAT(ui.messages, IsEmpty());
}

TEST_F(SerialLinkTest, PeekByteYieldsZeroWhenTheValueLineDoesNotCome) {
    ASSERT_TRUE(Open());
    device.Send("y" + kLineEnd);
    EXPECT_EQ(link->PeekByte(0x10), 0);
    EXPECT_FALSE(link->IsOpen());
    EXPECT_THAT(ui.messages, ElementsAre(kLineTimeout));
}

TEST_F(SerialLinkTest, PokeByteSendsTheLetterThenAddressAndValueInOneWrite) {
    ASSERT_TRUE(Open());
    // The tracker answers 'Y' with a line and the value byte with the acknowledgement line.
    device.onByte = [&](std::uint8_t byte, std::int64_t now) {
        if (byte == 'Y' || byte == 0x0A) {
            device.Send("Y" + kLineEnd, now);
        }
    };
    EXPECT_TRUE(link->PokeByte(0x42, 0x0A));
    EXPECT_THAT(device.writes, ElementsAre("Y", "\x42\x0A"));

    // No answer to 'Y': the address and value are never sent.
    device.onByte = nullptr;
    device.writes.clear();
    EXPECT_FALSE(link->PokeByte(0x42, 0x0A));
    EXPECT_THAT(device.writes, ElementsAre("Y"));
    EXPECT_THAT(ui.messages, ElementsAre(kLineTimeout));
}

TEST_F(SerialLinkTest, SyncSucceedsOnALineStartingWithOk) {
    ASSERT_TRUE(Open());
    int attentions = 0;
    device.onByte = [&](std::uint8_t byte, std::int64_t now) {
        ASSERT_EQ(byte, '?');
        ++attentions;
        device.Send(attentions < 3 ? "?" + kLineEnd : "OKAY" + kLineEnd, now);
    };
    EXPECT_TRUE(link->Sync());
    EXPECT_EQ(attentions, 3);
    EXPECT_THAT(ui.messages, IsEmpty());
}

TEST_F(SerialLinkTest, SyncGivesUpOnEndlessGarbageAndFailsOnSilence) {
    ASSERT_TRUE(Open());
    int attentions = 0;
    device.onByte = [&](std::uint8_t, std::int64_t now) {
        ++attentions;
        device.Send("Ok, not quite" + kLineEnd, now);  // case matters
    };
    EXPECT_FALSE(link->Sync());
    EXPECT_EQ(attentions, SerialLink::kSyncAttempts);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("did not answer OK"), std::string::npos);

    // A tracker that says nothing: one 5 s read time-out, then false with the read's message.
    device.onByte = nullptr;
    ui.messages.clear();
    const std::int64_t start = clock.NowMs();
    EXPECT_FALSE(link->Sync());
    EXPECT_EQ(clock.NowMs() - start, 5000);
    EXPECT_FALSE(link->IsOpen());
    EXPECT_THAT(ui.messages, ElementsAre(kLineTimeout));
}

TEST_F(SerialLinkTest, PrimitivesOnAClosedLinkTouchNoPort) {
    device.Send("OK" + kLineEnd);  // would be read if anything reached the port
    std::uint8_t buffer[4] = {};
    std::string text;
    EXPECT_FALSE(link->WriteBytes(buffer, 4));
    EXPECT_EQ(link->ReadBytes(buffer, 4), 0u);
    EXPECT_THAT(ui.messages, IsEmpty());

    EXPECT_FALSE(link->ReadLine(text));
    EXPECT_FALSE(link->ReadExact(text, 3));
    EXPECT_EQ(link->PeekByte(1), 0);
    EXPECT_FALSE(link->PokeByte(1, 2));
    EXPECT_FALSE(link->Sync());
    EXPECT_THAT(ui.messages,
                ElementsAre(kLineTimeout, kExactTimeout, kLineTimeout, kLineTimeout, kLineTimeout));
    EXPECT_THAT(openedNames, IsEmpty());
    EXPECT_THAT(device.writes, IsEmpty());
    EXPECT_EQ(clock.NowMs(), 0);  // nothing waited either
}

TEST_F(SerialLinkTest, TraceShowsEveryByteInHexWhenAskedFor) {
    setenv("VANTEO_TRACE", "1", 1);
    link = MakeLink();
    unsetenv("VANTEO_TRACE");
    testing::internal::CaptureStderr();
    ASSERT_TRUE(Open("COM4"));
    device.Send("\xB5" + kLineEnd);
    link->WriteByte('y');
    std::string line;
    ASSERT_TRUE(link->ReadLine(line));
    link->Close();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[vanteo] open COM4\n"
              "[vanteo] > 79\n"
              "[vanteo] < B5\n"
              "[vanteo] < 0A\n"
              "[vanteo] < 0D\n"
              "[vanteo] close COM4\n");

    // Off by default.
    link = MakeLink();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(Open("COM4"));
    link->WriteByte('y');
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace vanteo::test
