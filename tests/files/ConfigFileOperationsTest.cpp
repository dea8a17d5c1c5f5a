#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "device/Operations.h"
#include "serial/CFormat.h"
#include "tests/files/TrackerBench.h"

namespace vanteo::test {
namespace {

using Pokes = std::vector<std::pair<std::uint8_t, std::uint8_t>>;

const char* const kSaveButton = "This is the save button\n";

class ConfigFileOperationsTest : public TrackerBench {
protected:
    ConfigFileOperationsTest() { tracker.capabilities.peekPoke = true; }
};

TEST_F(ConfigFileOperationsTest, SaveWritesEveryAddressAsLowerCaseHexLines) {
    for (int address = 0; address < 256; ++address) {
        sim.Memory()[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(255 - address);
    }
    ui.QueueSaveFile(PathOf("tracker.kvt"));
    ASSERT_TRUE(OnSaveCfg(ctx));

    const std::string text = ReadFile("tracker.kvt");
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 256u);
    EXPECT_EQ(lines[0x00], "0:ff");
    EXPECT_EQ(lines[0x0a], "a:f5");
    EXPECT_EQ(lines[0x2c], "2c:d3");
    EXPECT_EQ(lines[0x80], "80:7f");
    EXPECT_EQ(lines[0xf0], "f0:f");
    EXPECT_EQ(lines[0xff], "ff:0");
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(sim.Commands(), std::string(256, 'y'));

    EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{kSaveButton, "INI File Saved\n"}));
    ASSERT_EQ(ui.dialogRequests.size(), 1u);
    EXPECT_EQ(ui.dialogRequests[0].filter, "KVT Files (*.kvt)|*.kvt|All Files (*.*)|*.*||");
    EXPECT_EQ(ui.dialogRequests[0].defaultExtension, "kvt");
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(FilesInDir(), 1u);
}

TEST_F(ConfigFileOperationsTest, SaveIsRefusedWithoutByteAccessAndEndsOnCancel) {
    tracker.capabilities.peekPoke = false;
    EXPECT_FALSE(OnSaveCfg(ctx));
    EXPECT_EQ(ui.MessageTexts(),
              (std::vector<std::string>{kSaveButton, "firmware doesn't support save/restore"}));
    EXPECT_EQ(ui.FileDialogsShown(), 0);

    tracker.capabilities.peekPoke = true;
    ui.ClearMessages();
    ui.QueueSaveFile(std::nullopt);
    EXPECT_FALSE(OnSaveCfg(ctx));
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{kSaveButton});
    EXPECT_TRUE(sim.ReceivedBytes().empty());
    EXPECT_EQ(FilesInDir(), 0u);
}

// A tracker that stops answering part-way must neither produce a file of zeros reported as saved
// nor destroy the file the user chose to replace, and it is reported once, not once per address.
TEST_F(ConfigFileOperationsTest, FailedSaveKeepsTheOldFileAndStopsAtTheFirstLostPeek) {
    WriteFile("tracker.kvt", "old contents\n");
    sim.Config().faults.disconnectAfterBytes = 100;  // ten peeks of "addr?" LF CR and value LF CR
    ui.QueueSaveFile(PathOf("tracker.kvt"));
    EXPECT_FALSE(OnSaveCfg(ctx));

    EXPECT_EQ(ReadFile("tracker.kvt"), "old contents\n");
    EXPECT_EQ(FilesInDir(), 1u);
    const std::vector<std::string> messages = ui.MessageTexts();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[1], kLineTimeout);
    EXPECT_EQ(messages[2], "Configuration not saved: the tracker stopped answering at address a");
    EXPECT_EQ(sim.Commands(), std::string(10, 'y'));
}

// The CLI decides its exit status by how the operation ended, never by the message texts: a
// firmware without byte access refuses, a closed dialog cancels, a lost tracker fails, and a
// completed save and restore count the bytes (256 read; 256 less the 15 of the factory block
// 0x80..0x8E written).
TEST_F(ConfigFileOperationsTest, SaveAndRestoreReportHowTheyEndedAndWhatTheyCounted) {
    const auto expect = [](const OperationResult& result, Outcome outcome, int count) {
        EXPECT_EQ(result.outcome, outcome);
        EXPECT_EQ(result.count, count);
    };
    tracker.capabilities.peekPoke = false;
    expect(OnSaveCfg(ctx), Outcome::refused, 0);
    tracker.capabilities.peekPoke = true;
    ui.QueueSaveFile(std::nullopt);
    expect(OnSaveCfg(ctx), Outcome::cancelled, 0);
    ui.QueueSaveFile(PathOf("tracker.kvt"));
    expect(OnSaveCfg(ctx), Outcome::completed, 256);
    ui.QueueOpenFile(std::nullopt);
    expect(OnRestoreCfg(ctx), Outcome::cancelled, 0);
    ui.QueueOpenFile(PathOf("tracker.kvt"));
    expect(OnRestoreCfg(ctx), Outcome::completed, 241);
    sim.Config().faults.disconnectAfterBytes = 0;
    ui.QueueOpenFile(PathOf("tracker.kvt"));
    EXPECT_EQ(OnRestoreCfg(ctx).outcome, Outcome::failed);
}

TEST_F(ConfigFileOperationsTest, SaveIntoAMissingFolderSaysErrorOpeningFile) {
    ui.QueueSaveFile(PathOf("no/such/folder.kvt"));
    EXPECT_FALSE(OnSaveCfg(ctx));
    EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{kSaveButton, "Error opening file"}));
    EXPECT_TRUE(sim.Commands().empty());
}

TEST_F(ConfigFileOperationsTest, RestoreWritesAllButTheFactoryBlockInFileOrder) {
    std::string text;
    Pokes expected;
    for (int address = 255; address >= 0; --address) {
        const auto a = static_cast<std::uint8_t>(address);
        const auto value = static_cast<std::uint8_t>(a ^ 0x33);
        // Odd lines as saved with CR LF, even ones in upper case with leading zeros.
        text +=
            address % 2 != 0 ? FormatC("%x:%x\r\n", a, value) : FormatC("%02X:%02X\n", a, value);
        if (a < 0x80 || a > 0x8E) {
            expected.emplace_back(a, value);
        }
    }
    const auto factoryBlockBefore = sim.Memory();
    WriteFile("tracker.kvt", text);
    ui.QueueOpenFile(PathOf("tracker.kvt"));
    ASSERT_TRUE(OnRestoreCfg(ctx));

    EXPECT_EQ(sim.Pokes(), expected);
    EXPECT_EQ(expected.size(), 241u);
    for (std::size_t address = 0x80; address <= 0x8E; ++address) {
        EXPECT_EQ(sim.Memory()[address], factoryBlockBefore[address]) << address;
    }
    EXPECT_TRUE(ui.MessageTexts().empty());
    EXPECT_TRUE(link.IsOpen());
}

TEST_F(ConfigFileOperationsTest, RestoreBoundariesOfTheFactoryBlockAndUnreadableLines) {
    WriteFile("edges.kvt", "7f:12\n80:12\n8e:1\n8f:12\nzz\n180:12\n10:1 junk\n");
    ui.QueueOpenFile(PathOf("edges.kvt"));
    ASSERT_TRUE(OnRestoreCfg(ctx));
    EXPECT_EQ(sim.Pokes(), (Pokes{{0x7F, 0x12}, {0x8F, 0x12}}));
    EXPECT_EQ(
        ui.MessageTexts(),
        std::vector<std::string>{"3 unreadable line(s) of the file skipped, the first is line 5"});
}

TEST_F(ConfigFileOperationsTest, RestoreOfNothingTouchesNoTracker) {
    WriteFile("empty.kvt", "");
    WriteFile("junk.kvt", "<kml>\n</kml>\n");
    ui.QueueOpenFile(std::nullopt);
    ui.QueueOpenFile(PathOf("missing.kvt"));
    ui.QueueOpenFile(PathOf("empty.kvt"));
    ui.QueueOpenFile(PathOf("junk.kvt"));
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(OnRestoreCfg(ctx));
    }
    EXPECT_EQ(ui.MessageTexts(),
              (std::vector<std::string>{
                  "Error opening file", "Nothing restored: the file holds no entries",
                  "Nothing restored: none of the 2 lines of the file is an address:value pair "
                  "in hexadecimal"}));
    EXPECT_EQ(portsOpened, 0);
    EXPECT_TRUE(sim.ReceivedBytes().empty());
}

TEST_F(ConfigFileOperationsTest, RestoreStopsWhenTheTrackerStopsAnswering) {
    WriteFile("tracker.kvt", "1:1\n2:2\n3:3\n4:4\n");
    sim.Config().faults.disconnectAfterBytes = 22;  // two pokes of "addr?" LF CR and "ok" LF CR
    ui.QueueOpenFile(PathOf("tracker.kvt"));
    EXPECT_FALSE(OnRestoreCfg(ctx));
    EXPECT_EQ(sim.Pokes(), (Pokes{{1, 1}, {2, 2}}));
    EXPECT_EQ(ui.MessageTexts(),
              (std::vector<std::string>{
                  kLineTimeout,
                  "Restore stopped: the tracker stopped answering after 2 bytes were written"}));
    EXPECT_FALSE(link.IsOpen());
}

}  // namespace
}  // namespace vanteo::test
