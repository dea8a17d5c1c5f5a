#include "serial/PortEnumerator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tests/serial/PseudoTerminal.h"

namespace vanteo::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::Field;

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/vanteo-ports-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

void Announce(const fs::path& file, const std::string& contents) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << contents;
}

pid_t DeadPid() {
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    return child;
}

TEST(PortEnumeratorTest, AnnouncementDirectoryFollowsTheRuntimeDirectory) {
    {
        ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/1234");
        EXPECT_EQ(SimulatorAnnouncementDirectory(), "/run/user/1234/vanteo-sim");
    }
    const std::string fallback = "/tmp/vanteo-sim-" + std::to_string(getuid());
    {
        ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
        EXPECT_EQ(SimulatorAnnouncementDirectory(), fallback);
    }
    {
        ScopedEnv runtime("XDG_RUNTIME_DIR", "");
        EXPECT_EQ(SimulatorAnnouncementDirectory(), fallback);
    }
}

TEST(PortEnumeratorTest, OnlyLiveSimulatorsWithAnExistingPortAreListed) {
    TempDir dir;
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    const fs::path base = dir.Path();
    Announce(base / (std::to_string(getpid()) + ".port"),
             pty.SlavePath() + "\nSimulated tracker ZPNAV9\n");
    Announce(base / (std::to_string(DeadPid()) + ".port"), pty.SlavePath() + "\nkilled\n");
    Announce(base / (std::to_string(getppid()) + ".port"), "/dev/pts/vanteo-gone\ngone\n");
    Announce(base / "notes.txt", pty.SlavePath() + "\n");
    Announce(base / "abc.port", pty.SlavePath() + "\n");

    const std::vector<PortInfo> ports = ReadSimulatorAnnouncements(dir.Path());
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].name, pty.SlavePath());
    EXPECT_THAT(ports[0].description, ::testing::HasSubstr("Simulated tracker ZPNAV9"));

    EXPECT_TRUE(ReadSimulatorAnnouncements(dir.Path() + "/none").empty());
}

TEST(PortEnumeratorTest, ListIsSortedAsASortedComboBoxSortsIt) {
    std::vector<PortInfo> ports = {{"COM2", "a"},       {"ttyUSB0", "b"}, {"COM10", "c"},
                                   {"/dev/pts/3", "d"}, {"com3", "e"},    {"COM2", "twice"}};
    SortPortList(ports);
    EXPECT_THAT(ports,
                ElementsAre(Field(&PortInfo::name, "/dev/pts/3"), Field(&PortInfo::name, "COM10"),
                            Field(&PortInfo::name, "COM2"), Field(&PortInfo::name, "com3"),
                            Field(&PortInfo::name, "ttyUSB0")));
    EXPECT_EQ(ports[2].description, "a");  // the first of two equal names stays
}

TEST(PortEnumeratorTest, SummaryAddsTheUsbIdentityAndTheOwnerOfAPortThisUserMayNotOpen) {
    PortInfo adapter("ttyUSB0", "FT232R USB UART (FTDI)");
    adapter.usbId = "0403:6001";
    adapter.serialNumber = "A12345";
    adapter.access = {true, "root", "dialout", "crw-rw----", true};
    EXPECT_EQ(PortSummary(adapter), "FT232R USB UART (FTDI), USB 0403:6001, serial A12345");
    adapter.access.mayOpen = false;
    EXPECT_EQ(PortSummary(adapter),
              "FT232R USB UART (FTDI), USB 0403:6001, serial A12345; this user may not open it "
              "(root:dialout crw-rw----)");
    EXPECT_EQ(PortSummary({"/dev/pts/3", "Simulated tracker"}), "Simulated tracker");
}

TEST(PortEnumeratorTest, NewestAnnouncementIsReportedAliveOrLeftBehind) {
    TempDir dir;
    EXPECT_EQ(NewestSimulatorAnnouncement(dir.Path()), "");
    // A simulator that was killed left its file behind.
    const std::string dead = std::to_string(DeadPid());
    const fs::path stale = fs::path(dir.Path()) / (dead + ".port");
    Announce(stale, "/dev/pts/9\nOld tracker\n");
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(1));
    EXPECT_EQ(NewestSimulatorAnnouncement(dir.Path()),
              stale.string() + ": /dev/pts/9, Old tracker, pid " + dead + " no longer running");
    const fs::path live = fs::path(dir.Path()) / (std::to_string(getpid()) + ".port");
    Announce(live, "/dev/pts/4\nNew tracker\n");
    EXPECT_EQ(
        NewestSimulatorAnnouncement(dir.Path()),
        live.string() + ": /dev/pts/4, New tracker, pid " + std::to_string(getpid()) + " running");
}

TEST(PortEnumeratorTest, RunningSimulatorAppearsInThePortList) {
    TempDir dir;
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    ScopedEnv runtime("XDG_RUNTIME_DIR", dir.Path().c_str());
    Announce(fs::path(SimulatorAnnouncementDirectory()) / (std::to_string(getpid()) + ".port"),
             pty.SlavePath() + "\nSimulated tracker\n");

    int found = 0;
    for (const PortInfo& port : EnumeratePorts()) {
        EXPECT_FALSE(port.description.empty()) << port.name;
        found += port.name == pty.SlavePath() ? 1 : 0;
    }
    EXPECT_EQ(found, 1);
}

}  // namespace
}  // namespace vanteo::test
