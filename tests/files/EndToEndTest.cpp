// Save and restore through the real port layer: the vanteo-sim program behind a pseudo-terminal,
// SerialLink over QSerialPortTransport, real time.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "device/Operations.h"
#include "serial/CFormat.h"
#include "serial/Clock.h"
#include "serial/QSerialPortTransport.h"
#include "serial/SerialLink.h"
#include "sim/TrackerSimulator.h"
#include "tests/support/ScriptedInteraction.h"

namespace vanteo::test {
namespace {

// vanteo-sim as a child process; its first line on stdout is the terminal to open.
class SimulatorProcess {
public:
    SimulatorProcess() {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            execl(VANTEO_SIM_PROGRAM, VANTEO_SIM_PROGRAM, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        output_ = fdopen(out[0], "r");
        char line[256];
        if (pid_ > 0 && output_ != nullptr && std::fgets(line, sizeof line, output_) != nullptr) {
            path_ = line;
            while (!path_.empty() && (path_.back() == '\n' || path_.back() == '\r')) {
                path_.pop_back();
            }
        }
    }
    ~SimulatorProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (output_ != nullptr) {
            std::fclose(output_);
        }
    }
    const std::string& PortPath() const { return path_; }

private:
    pid_t pid_ = -1;
    std::FILE* output_ = nullptr;
    std::string path_;
};

class EndToEndTest : public ::testing::Test {
protected:
    EndToEndTest() {
        form.comPort = simulator.PortPath();
        ui.ShowForm();
        tracker.capabilities.peekPoke = true;  // the simulator's default firmware has byte access
        dir = std::filesystem::path(::testing::TempDir()) / "files_end_to_end";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    ~EndToEndTest() override {
        link.Close();
        std::filesystem::remove_all(dir);
    }

    SimulatorProcess simulator;
    FormModel form = FormModel::StartUp();
    TrackerState tracker;
    ScriptedInteraction ui{form};
    SteadyClock clock;
    SerialLink link{ui, clock,
                    [](const std::string&) { return std::make_unique<QSerialPortTransport>(); }};
    DeviceContext ctx{form, tracker, link, ui};
    std::filesystem::path dir;
};

TEST_F(EndToEndTest, SaveThenRestoreOverAPseudoTerminal) {
    ASSERT_FALSE(simulator.PortPath().empty());
    const std::string file = (dir / "tracker.kvt").string();

    ui.QueueSaveFile(file);
    ASSERT_TRUE(OnSaveCfg(ctx)) << ::testing::PrintToString(ui.MessageTexts());
    const auto memory = sim::TrackerSimulator::DefaultMemoryImage(sim::SimulatorConfig());
    std::string expected;
    for (std::size_t address = 0; address < memory.size(); ++address) {
        expected += FormatC("%x:%x\n", static_cast<unsigned>(address),
                            static_cast<unsigned>(memory[address]));
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream saved;
    saved << in.rdbuf();
    EXPECT_EQ(saved.str(), expected);

    std::ofstream(file, std::ios::binary | std::ios::trunc) << "7F:12\r\n80:99\n30:ab\n";
    ui.QueueOpenFile(file);
    ASSERT_TRUE(OnRestoreCfg(ctx)) << ::testing::PrintToString(ui.MessageTexts());
    ASSERT_TRUE(link.IsOpen());
    EXPECT_EQ(link.PeekByte(0x7F), 0x12);
    EXPECT_EQ(link.PeekByte(0x30), 0xAB);
    EXPECT_EQ(link.PeekByte(0x80), memory[0x80]);  // the serial number is never restored
    EXPECT_EQ(ui.MessageTexts(),
              (std::vector<std::string>{"This is the save button\n", "INI File Saved\n"}));
}

}  // namespace
}  // namespace vanteo::test
