// Save and restore through the real port layer: the vanteo-sim program behind a pseudo-terminal,
// SerialLink over QSerialPortTransport, real time.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "device/Operations.h"
#include "flightlog/FlightLogOperations.h"
#include "serial/CFormat.h"
#include "serial/Clock.h"
#include "serial/QSerialPortTransport.h"
#include "serial/SerialLink.h"
#include "sim/TrackerSimulator.h"
#include "tests/support/ScriptedInteraction.h"
#include "tests/support/SimulatorProcess.h"

namespace vanteo::test {
namespace {

class EndToEndTest : public ::testing::Test {
protected:
    EndToEndTest() {
        // One folder per test and process: ctest runs the tests of this file side by side.
        dir = std::filesystem::path(::testing::TempDir()) /
              ("files_end_to_end-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir / "run");
        std::filesystem::permissions(dir / "run", std::filesystem::perms::owner_all);
        // vanteo-sim announces its port under dir/run; its first line is the terminal to open.
        simulator.Start(dir / "run");
        form.comPort = simulator.Port();
        ui.ShowForm();
        tracker.capabilities.peekPoke = true;  // the simulator's default firmware has byte access
    }
    ~EndToEndTest() override {
        link.Close();
        simulator.Stop();
        std::filesystem::remove_all(dir);
    }

    SimulatorProcess simulator{VANTEO_SIM_PROGRAM};
    FormModel form = FormModel::StartUp();
    TrackerState tracker;
    ScriptedInteraction ui{form};
    SteadyClock clock;
    int portsOpened = 0;  // transports the link asked for
    SerialLink link{ui, clock, [this](const std::string&) {
                        ++portsOpened;
                        return std::make_unique<QSerialPortTransport>();
                    }};
    DeviceContext ctx{form, tracker, link, ui};
    std::filesystem::path dir;
};

TEST_F(EndToEndTest, SaveThenRestoreOverAPseudoTerminal) {
    ASSERT_FALSE(simulator.Port().empty());
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

// Save Cfg leaves the port open. One tracker is unplugged and another plugged in under the same
// name (the simulator restarted behind the same link): the next Save Cfg reads the new tracker.
TEST_F(EndToEndTest, TrackerSwappedUnderTheSamePortNameIsReadAtOnce) {
    simulator.Stop();
    const std::string linkPath = (dir / "ttyTRACKER").string();
    SimulatorProcess first{VANTEO_SIM_PROGRAM};
    ASSERT_TRUE(first.Start(dir / "run", {"--link", linkPath}));
    form.comPort = linkPath;
    ui.ShowForm();
    const std::string file = (dir / "tracker.kvt").string();
    const auto serialLines = [&file] {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream saved;
        saved << in.rdbuf();
        const std::string text = saved.str();
        const std::size_t from = text.find("\n80:");
        const std::size_t to = text.find("\n84:");
        return from == std::string::npos || to == std::string::npos
                   ? text
                   : text.substr(from + 1, to - from);
    };

    ui.QueueSaveFile(file);
    ASSERT_TRUE(OnSaveCfg(ctx)) << ::testing::PrintToString(ui.MessageTexts());
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(serialLines(), "80:0\n81:0\n82:8\n83:5\n");  // serial number 0x805
    EXPECT_EQ(portsOpened, 1);

    first.Stop();
    SimulatorProcess second{VANTEO_SIM_PROGRAM};
    ASSERT_TRUE(second.Start(dir / "run", {"--link", linkPath, "--serial", "0x1234"}));
    ui.QueueSaveFile(file);
    ASSERT_TRUE(OnSaveCfg(ctx)) << ::testing::PrintToString(ui.MessageTexts());
    EXPECT_EQ(serialLines(), "80:0\n81:0\n82:12\n83:34\n");
    EXPECT_EQ(portsOpened, 2);

    // On the live port the same name returns at once: the third save opens nothing new.
    ui.QueueSaveFile(file);
    ASSERT_TRUE(OnSaveCfg(ctx)) << ::testing::PrintToString(ui.MessageTexts());
    EXPECT_EQ(serialLines(), "80:0\n81:0\n82:12\n83:34\n");
    EXPECT_EQ(portsOpened, 2);
    link.Close();
    second.Stop();
}

// Read Flash leaves the port with the link after its worker has given it back. Another tracker
// plugged in under the same name: the next Read Flash opens it afresh and its worker downloads it.
TEST_F(EndToEndTest, ReadFlashAfterASwapUnderTheSamePortName) {
    simulator.Stop();
    const std::string linkPath = (dir / "ttyTRACKER").string();
    form.comPort = linkPath;
    ui.ShowForm();
    FlightLogState log;
    FlightLogContext flash{ctx, log};
    for (const char* serial : {"0x805", "0x1234"}) {
        SimulatorProcess tracker{VANTEO_SIM_PROGRAM};
        ASSERT_TRUE(tracker.Start(dir / "run", {"--link", linkPath, "--serial", serial}));
        const std::string kml = (dir / (std::string(serial) + ".kml")).string();
        ui.ClearMessages();
        ui.QueueSaveFile(kml);
        ASSERT_TRUE(OnReadFlash(flash)) << ::testing::PrintToString(ui.MessageTexts());
        EXPECT_TRUE(WaitForFlashWorker(flash)) << ::testing::PrintToString(ui.MessageTexts());
        EXPECT_EQ(ui.MessageTexts().back(), "Done Reading Flash") << serial;
        tracker.Stop();
    }
    EXPECT_EQ(portsOpened, 2);
    link.Close();
}

}  // namespace
}  // namespace vanteo::test
