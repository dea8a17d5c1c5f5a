#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "serial/QSerialPortTransport.h"
#include "serial/SerialLink.h"
#include "tests/sim/SimLinkFixture.h"

extern char** environ;

namespace vanteo::sim::test {
namespace {

namespace fs = std::filesystem;

// Bounds the wait for the program's first line, in case it hangs; no test waits this long.
constexpr int kStartupLimitMs = 10000;

// The built vanteo-sim, started with a private announcement directory.
class RunningSimulator {
public:
    explicit RunningSimulator(const fs::path& runtimeDir) : runtimeDir_(runtimeDir) {}
    ~RunningSimulator() { Stop(); }

    // Starts the program and reads the port from its first line of output.
    bool Start(const std::vector<std::string>& arguments) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0) {
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);

        std::vector<std::string> argStrings = {VANTEO_SIM_PROGRAM};
        argStrings.insert(argStrings.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& a : argStrings) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> envStrings;
        for (char** e = environ; *e != nullptr; ++e) {
            if (std::string(*e).rfind("XDG_RUNTIME_DIR=", 0) != 0) {
                envStrings.emplace_back(*e);
            }
        }
        envStrings.push_back("XDG_RUNTIME_DIR=" + runtimeDir_.string());
        std::vector<char*> envp;
        for (std::string& e : envStrings) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);

        const int spawned =
            posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        if (spawned != 0) {
            close(pipeFds[0]);
            pid_ = -1;
            return false;
        }
        output_ = pipeFds[0];
        return ReadFirstLine();
    }

    // SIGTERM, then the exit status (-1 when it did not exit normally).
    int Stop() {
        if (output_ >= 0) {
            close(output_);
            output_ = -1;
        }
        if (pid_ <= 0) {
            return -1;
        }
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Waits for a program that ends by itself.
    int Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t Pid() const { return pid_; }
    const std::string& Port() const { return port_; }

private:
    bool ReadFirstLine() {
        char c = 0;
        while (true) {
            pollfd watch{output_, POLLIN, 0};
            if (poll(&watch, 1, kStartupLimitMs) <= 0 || read(output_, &c, 1) != 1) {
                return false;
            }
            if (c == '\n') {
                return !port_.empty();
            }
            port_.push_back(c);
        }
    }

    fs::path runtimeDir_;
    pid_t pid_ = -1;
    int output_ = -1;
    std::string port_;
};

class VanteoSimProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtimeDir = fs::temp_directory_path() /
                     ("vanteo-sim-test-" + std::to_string(getpid()) + "-" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(runtimeDir);
        program = std::make_unique<RunningSimulator>(runtimeDir);
    }
    void TearDown() override {
        program.reset();
        fs::remove_all(runtimeDir);
    }

    std::unique_ptr<SerialLink> LinkTo(const std::string& port) {
        auto link = std::make_unique<SerialLink>(
            ui, clock, [](const std::string&) { return std::make_unique<QSerialPortTransport>(); });
        EXPECT_TRUE(link->OpenPort(port)) << port;
        return link;
    }

    fs::path Announcement() const {
        return runtimeDir / "vanteo-sim" / (std::to_string(program->Pid()) + ".port");
    }

    fs::path runtimeDir;
    std::unique_ptr<RunningSimulator> program;
    MessageRecorder ui;
    SteadyClock clock;
};

TEST_F(VanteoSimProgramTest, PeeksTheConfiguredSerialNumberOverTheRealPort) {
    ASSERT_TRUE(program->Start({"--serial", "0x12345678", "--model", "ZPNAV1"}));
    auto link = LinkTo(program->Port());
    ASSERT_TRUE(link->Sync());
    EXPECT_EQ(link->PeekByte(0x80), 0x12);
    EXPECT_EQ(link->PeekByte(0x83), 0x78);
    // The port survives the host closing and reopening it.
    link->Close();
    ASSERT_TRUE(link->OpenPort(program->Port()));
    ASSERT_TRUE(link->WriteByte('M'));
    std::string model;
    ASSERT_TRUE(link->ReadLine(model));
    EXPECT_EQ(model, "ZPNAV1");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(VanteoSimProgramTest, AnnouncesItsPortAndCleansUpWhenTerminated) {
    const fs::path linkPath = runtimeDir / "tracker";
    ASSERT_TRUE(program->Start({"--firmware", "212", "--link", linkPath.string()}));
    const fs::path announcement = Announcement();
    std::ifstream file(announcement);
    std::string port;
    std::string description;
    std::getline(file, port);
    std::getline(file, description);
    EXPECT_EQ(port, program->Port());
    EXPECT_EQ(description, "Vanteo tracker simulator (ZPNAV9, firmware 212)");
    EXPECT_EQ(fs::read_symlink(linkPath).string(), program->Port());

    EXPECT_EQ(program->Stop(), 0);
    EXPECT_FALSE(fs::exists(announcement));
    EXPECT_FALSE(fs::exists(fs::symlink_status(linkPath)));
}

TEST_F(VanteoSimProgramTest, ServesAFlashImageFromAFile) {
    const fs::path image = runtimeDir / "image.bin";
    {
        std::ofstream out(image, std::ios::binary);
        std::string bytes(8192, '\0');
        bytes[8184] = 'E';
        bytes[8191] = 'Z';
        out << bytes;
    }
    // 8192 bytes make a 64 kbit memory.
    ASSERT_TRUE(program->Start({"--flash", image.string()}));
    auto link = LinkTo(program->Port());
    ASSERT_TRUE(link->WriteByte('K'));
    std::string size;
    ASSERT_TRUE(link->ReadLine(size));
    EXPECT_EQ(size, "0");
    const std::uint8_t blockRead[] = {'J', 0x1F, 0xF8};
    ASSERT_TRUE(link->WriteBytes(blockRead, sizeof blockRead));
    std::string block;
    ASSERT_TRUE(link->ReadExact(block, 8));
    EXPECT_EQ(block, std::string("E\0\0\0\0\0\0Z", 8));
}

TEST_F(VanteoSimProgramTest, RefusesBadOptionsWithoutOpeningAPort) {
    EXPECT_FALSE(program->Start({"--memory", "256"}));
    EXPECT_EQ(program->Wait(), 2);
    EXPECT_FALSE(fs::exists(runtimeDir / "vanteo-sim"));
}

}  // namespace
}  // namespace vanteo::sim::test
