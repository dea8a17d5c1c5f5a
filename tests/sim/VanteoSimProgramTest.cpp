#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "serial/QSerialPortTransport.h"
#include "serial/SerialLink.h"
#include "sim/DemoFlight.h"
#include "tests/sim/SimLinkFixture.h"
#include "tests/support/SimulatorProcess.h"

namespace vanteo::sim::test {
namespace {

namespace fs = std::filesystem;

class VanteoSimProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtimeDir = fs::temp_directory_path() /
                     ("vanteo-sim-test-" + std::to_string(getpid()) + "-" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(runtimeDir);
    }
    void TearDown() override {
        program.Stop();
        fs::remove_all(runtimeDir);
    }

    std::unique_ptr<SerialLink> LinkTo(const std::string& port) {
        auto link = std::make_unique<SerialLink>(
            ui, clock, [](const std::string&) { return std::make_unique<QSerialPortTransport>(); });
        EXPECT_TRUE(link->OpenPort(port)) << port;
        return link;
    }

    fs::path Announcement() const {
        return runtimeDir / "vanteo-sim" / (std::to_string(program.Pid()) + ".port");
    }

    fs::path runtimeDir;
    vanteo::test::SimulatorProcess program{VANTEO_SIM_PROGRAM};
    RecordingInteraction ui;
    SteadyClock clock;
};

TEST_F(VanteoSimProgramTest, PeeksTheConfiguredSerialNumberOverTheRealPort) {
    ASSERT_TRUE(program.Start(runtimeDir, {"--serial", "0x12345678", "--model", "ZPNAV1"}));
    auto link = LinkTo(program.Port());
    ASSERT_TRUE(link->Sync());
    EXPECT_EQ(link->PeekByte(0x80), 0x12);
    EXPECT_EQ(link->PeekByte(0x83), 0x78);
    // The port survives the host closing and reopening it.
    link->Close();
    ASSERT_TRUE(link->OpenPort(program.Port()));
    ASSERT_TRUE(link->WriteByte('M'));
    std::string model;
    ASSERT_TRUE(link->ReadLine(model));
    EXPECT_EQ(model, "ZPNAV1");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(VanteoSimProgramTest, AnnouncesItsPortAndCleansUpWhenTerminated) {
    const fs::path linkPath = runtimeDir / "tracker";
    ASSERT_TRUE(program.Start(runtimeDir, {"--firmware", "212", "--link", linkPath.string()}));
    const fs::path announcement = Announcement();
    std::ifstream file(announcement);
    std::string port;
    std::string description;
    std::getline(file, port);
    std::getline(file, description);
    EXPECT_EQ(port, program.Port());
    EXPECT_EQ(description, "Vanteo tracker simulator (ZPNAV9, firmware 212)");
    EXPECT_EQ(fs::read_symlink(linkPath).string(), program.Port());

    EXPECT_EQ(program.Stop(), 0);
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
    ASSERT_TRUE(program.Start(runtimeDir, {"--flash", image.string()}));
    auto link = LinkTo(program.Port());
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

TEST_F(VanteoSimProgramTest, LogsTheDemoFlightCompressedWhenAsked) {
    ASSERT_TRUE(program.Start(runtimeDir, {"--log", "compressed", "--memory", "64"}));
    auto link = LinkTo(program.Port());
    ASSERT_TRUE(link->Sync());
    EXPECT_EQ(link->PeekByte(30), 0x20);  // "Compress Data" set in the settings
    // The compressed log after the 13-byte first fix: 5-byte records, the first one at 13.
    const std::uint8_t blockRead[] = {'J', 0x00, 0x08};
    ASSERT_TRUE(link->WriteBytes(blockRead, sizeof blockRead));
    std::string block;
    ASSERT_TRUE(link->ReadExact(block, 8));
    std::vector<std::uint8_t> expected(13 + 5);
    const DemoFix first = DemoFlight::Fixes().front();
    DemoFlight::EncodeRecord(first, false, expected.data());
    DemoFlight::EncodeCompressedRecord(first, expected.data() + 13);
    EXPECT_EQ(std::vector<std::uint8_t>(block.begin(), block.end()),
              std::vector<std::uint8_t>(expected.begin() + 8, expected.begin() + 16));
}

TEST_F(VanteoSimProgramTest, RefusesBadOptionsWithoutOpeningAPort) {
    EXPECT_FALSE(program.Start(runtimeDir, {"--memory", "256"}));
    EXPECT_EQ(program.Wait(), 2);
    EXPECT_FALSE(fs::exists(runtimeDir / "vanteo-sim"));
    EXPECT_FALSE(program.Start(runtimeDir, {"--log", "packed"}));
    EXPECT_EQ(program.Wait(), 2);
}

}  // namespace
}  // namespace vanteo::sim::test
