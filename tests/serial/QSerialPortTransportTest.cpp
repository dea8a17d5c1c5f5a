#include "serial/QSerialPortTransport.h"

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "serial/Clock.h"
#include "serial/PortLatency.h"
#include "serial/SerialLink.h"
#include "tests/serial/PseudoTerminal.h"
#include "tests/serial/ScriptedDevice.h"
#include "tests/support/RecordingInteraction.h"

namespace vanteo::test {
namespace {

using OpenStatus = ByteTransport::OpenStatus;

std::string AllByteValues() {
    std::string bytes;
    for (int value = 0; value < 256; ++value) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

// Every byte value out to the tracker and back from it, raw in both directions: no CR/LF
// translation, no echo, no XON/XOFF eaten.
void ExpectEveryByteValuePassesUnchanged(QSerialPortTransport& port, PseudoTerminal& pty) {
    const std::string all = AllByteValues();
    ASSERT_TRUE(port.Write(reinterpret_cast<const std::uint8_t*>(all.data()), all.size()));
    EXPECT_EQ(pty.TrackerReceives(all.size()), all);

    ASSERT_TRUE(pty.TrackerSends(all));
    std::string got(all.size(), '\0');
    EXPECT_EQ(port.Read(reinterpret_cast<std::uint8_t*>(got.data()), got.size(), 5000, 5000),
              all.size());
    EXPECT_EQ(got, all);
}

TEST(QSerialPortTransportTest, OpensAtNineSixHundredEightNoneOneAndPassesEveryByteUnchanged) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    QSerialPortTransport port;
    ASSERT_EQ(port.Open(pty.SlavePath()), OpenStatus::ok) << port.LastError();
    EXPECT_TRUE(port.IsOpen());

    termios settings{};
    ASSERT_EQ(tcgetattr(pty.SlaveFd(), &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetispeed(&settings), static_cast<speed_t>(B9600));
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF), 0u);

    ASSERT_NO_FATAL_FAILURE(ExpectEveryByteValuePassesUnchanged(port, pty));

    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.Write(reinterpret_cast<const std::uint8_t*>("?"), 1));
}

// A pseudo-terminal has no driver-side latency: it refuses the low-latency request, has no timer,
// and the port opens and passes every byte as before.
TEST(QSerialPortTransportTest, APortWithoutLowLatencyOpensAndExchangesAsBefore) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    EXPECT_FALSE(RequestLowLatency(pty.SlaveFd()));
    EXPECT_FALSE(RequestLowLatency(-1));
    EXPECT_EQ(AdapterLatencyTimerMs(pty.SlavePath()), std::nullopt);

    QSerialPortTransport port;
    ASSERT_EQ(port.Open(pty.SlavePath()), OpenStatus::ok) << port.LastError();
    EXPECT_EQ(port.TraceNote(), "");
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_NO_FATAL_FAILURE(ExpectEveryByteValuePassesUnchanged(port, pty));
    }
}

// The timer as sysfs shows it, under a scratch root: by bare name, by path, through a link (as
// /dev/serial/by-id/... leads to the terminal); nothing where the file is missing or unreadable.
TEST(QSerialPortTransportTest, ReadsTheAdapterLatencyTimerAndNotesItOnlyWhenHigh) {
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("vanteo-sysfs-" + std::to_string(getpid()));
    const std::filesystem::path devices = root / "bus/usb-serial/devices";
    for (const auto& [tty, content] : {std::pair{"ttyUSB7", "16\n"}, std::pair{"ttyUSB8", "1\n"},
                                       std::pair{"ttyUSB9", "2\n"}, std::pair{"ttyUSB6", "x\n"}}) {
        std::filesystem::create_directories(devices / tty);
        std::ofstream(devices / tty / "latency_timer") << content;
    }
    std::filesystem::create_directories(devices / "ttyUSB5");  // a driver without the file
    std::ofstream(root / "ttyUSB7").put('\n');
    std::filesystem::create_symlink(root / "ttyUSB7", root / "usb-FTDI_FT232R-if00-port0");

    const std::string sys = root.string();
    EXPECT_EQ(AdapterLatencyTimerMs("ttyUSB7", sys), 16);
    EXPECT_EQ(AdapterLatencyTimerMs("/dev/ttyUSB8", sys), 1);
    EXPECT_EQ(AdapterLatencyTimerMs((root / "usb-FTDI_FT232R-if00-port0").string(), sys), 16);
    EXPECT_EQ(AdapterLatencyTimerMs("ttyUSB5", sys), std::nullopt);
    EXPECT_EQ(AdapterLatencyTimerMs("ttyUSB6", sys), std::nullopt);
    EXPECT_EQ(AdapterLatencyTimerMs("ttyS0", sys), std::nullopt);
    EXPECT_EQ(AdapterLatencyTimerMs("", sys), std::nullopt);

    EXPECT_EQ(HighLatencyTimerNote("ttyUSB7", sys),
              "the adapter's latency timer is 16 ms: each reply can wait up to 16 ms in the "
              "adapter; writing 1 to " +
                  sys + "/bus/usb-serial/devices/ttyUSB7/latency_timer (as root) lowers it");
    EXPECT_EQ(HighLatencyTimerNote("ttyUSB8", sys), "");
    EXPECT_EQ(HighLatencyTimerNote("ttyUSB9", sys), "");  // at the limit: not high
    EXPECT_EQ(HighLatencyTimerNote("ttyUSB5", sys), "");
    std::filesystem::remove_all(root);
}

TEST(QSerialPortTransportTest, RefusesAbsentBusyAndUnnamedPorts) {
    QSerialPortTransport port;
    EXPECT_EQ(port.Open("/dev/vanteo-no-such-port"), OpenStatus::cannotOpen);
    EXPECT_FALSE(port.LastError().empty());
    EXPECT_EQ(port.Open(""), OpenStatus::cannotOpen);
    EXPECT_FALSE(port.IsOpen());

    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    ASSERT_EQ(port.Open(pty.SlavePath()), OpenStatus::ok);
    QSerialPortTransport second;
    EXPECT_EQ(second.Open(pty.SlavePath()), OpenStatus::cannotOpen);  // exclusive
}

TEST(QSerialPortTransportTest, APortThatWillNotOpenKeepsItsMessageAndAddsTheCause) {
    SteadyClock clock;
    RecordingInteraction ui;
    SerialLink link(ui, clock,
                    [](const std::string&) { return std::make_unique<QSerialPortTransport>(); });
    EXPECT_FALSE(link.OpenPort("vanteo-no-such-port"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].starts_with("Error opening com port\n")) << ui.messages[0];
    EXPECT_NE(ui.messages[0].find("/dev/vanteo-no-such-port does not exist"), std::string::npos);
    EXPECT_NE(ui.messages[0].find("unplugged"), std::string::npos);
    EXPECT_FALSE(link.IsOpen());
}

TEST(QSerialPortTransportTest, ATimedOutReadLeavesThePortUsable) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    QSerialPortTransport port;
    ASSERT_EQ(port.Open(pty.SlavePath()), OpenStatus::ok);
    std::uint8_t byte = 0;
    EXPECT_EQ(port.Read(&byte, 1, 20, 20), 0u);
    EXPECT_EQ(port.Read(&byte, 1, 20, 20), 0u);

    ASSERT_TRUE(pty.TrackerSends("Z"));
    EXPECT_EQ(port.Read(&byte, 1, 5000, 5000), 1u);
    EXPECT_EQ(byte, 'Z');
    ASSERT_TRUE(port.Write(&byte, 1));
    EXPECT_EQ(pty.TrackerReceives(1), "Z");
}

// The flash worker's pattern: the user-interface thread opens the port, a worker thread takes
// it over for its exchange and gives it back.
TEST(QSerialPortTransportTest, AWorkerThreadTakesOverTheOpenPortAndGivesItBack) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    RecordingInteraction ui;
    SteadyClock clock;
    SerialLink link(ui, clock,
                    [](const std::string&) { return std::make_unique<QSerialPortTransport>(); });
    ASSERT_TRUE(link.OpenPort(pty.SlavePath()));

    link.ReleaseToOtherThread();
    bool synced = false;
    std::thread worker([&] {
        link.TakeOverInCurrentThread();
        synced = link.Sync();
        link.ReleaseToOtherThread();
    });
    // The tracker answers the attention command once it has it (Sync drops what came before).
    EXPECT_EQ(pty.TrackerReceives(1), "?");
    EXPECT_TRUE(pty.TrackerSends("OKAY\n\r"));
    worker.join();
    link.TakeOverInCurrentThread();
    EXPECT_TRUE(synced);

    // Back on this thread the port still works.
    ASSERT_TRUE(pty.TrackerSends("y\n\r\x0D\n\r"));
    EXPECT_EQ(link.PeekByte(0x21), 0x0D);
    EXPECT_EQ(pty.TrackerReceives(2), "y\x21");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(link.IsOpen());
}

// A port opened through a link stays connected while the link leads to its terminal, with
// nothing sent to ask; once the link leads to another terminal it is not.
TEST(QSerialPortTransportTest, StillConnectedOnlyWhileTheNameLeadsToTheOpenedTerminal) {
    PseudoTerminal first;
    PseudoTerminal second;
    ASSERT_TRUE(first.Ok() && second.Ok());
    const std::filesystem::path linkPath =
        std::filesystem::path(::testing::TempDir()) / ("vanteo-link-" + std::to_string(getpid()));
    std::filesystem::remove(linkPath);
    std::filesystem::create_symlink(first.SlavePath(), linkPath);

    QSerialPortTransport port;
    EXPECT_FALSE(port.StillConnected());
    ASSERT_EQ(port.Open(linkPath.string()), OpenStatus::ok) << port.LastError();
    EXPECT_TRUE(port.StillConnected());
    EXPECT_TRUE(port.StillConnected());
    EXPECT_EQ(first.TrackerReceives(1, 50), "");

    std::filesystem::remove(linkPath);
    std::filesystem::create_symlink(second.SlavePath(), linkPath);
    EXPECT_FALSE(port.StillConnected());
    ASSERT_EQ(port.Open(linkPath.string()), OpenStatus::ok) << port.LastError();
    EXPECT_TRUE(port.StillConnected());
    std::filesystem::remove(linkPath);
    EXPECT_FALSE(port.StillConnected());
}

}  // namespace
}  // namespace vanteo::test
