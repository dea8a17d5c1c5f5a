// Files that cannot be read or written, and files cut short or malformed: each operation must
// say so, send nothing to the tracker it does not need to, and leave every file the user had as
// it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/Operations.h"
#include "flightlog/DataBlock.h"
#include "serial/CFormat.h"
#include "tests/faults/FaultRig.h"
#include "tests/faults/FaultTable.h"

namespace vanteo::test {
namespace {

constexpr const char* kPrecious = "a file the user wants to keep\n";
constexpr const char* kNoFolder = "no-such-folder/out";

// Records one row of the file-fault table.
void Record(int order, const std::string& fault, const std::string& operation, bool succeeded,
            const std::vector<std::string>& messages, const std::string& files) {
    std::string boxes;
    for (const std::string& message : messages) {
        boxes += (boxes.empty() ? "\"" : " / \"") + FaultTable::Cell(message, 80) + "\"";
    }
    FaultTable::Instance().Add({1,
                                order,
                                {fault, operation, succeeded ? "completed" : "stopped",
                                 boxes.empty() ? "none" : boxes, files}});
}

bool Contains(const std::vector<std::string>& messages, const std::string& text) {
    return std::find(messages.begin(), messages.end(), text) != messages.end();
}

// A small KML file as the program writes it: a document, then the data block of a 64-kbit log.
std::string SmallKmlFile(std::vector<std::uint32_t>& values) {
    values.assign(8192, 0);
    for (std::size_t i = 0; i < 64; ++i) {
        values[i] = static_cast<std::uint32_t>(i * 7 + 1) & 0xFF;
    }
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml><Document></Document></kml>\n";
    WriteDataBlock(text, values, LogChecksum(values), false, true, true);
    return text;
}

class FileFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(OnRead(rig.device));
        rig.ui.ClearMessages();
        rig.simulator.ClearReceivedBytes();
        commandsBefore = rig.simulator.Commands().size();
    }
    std::string CommandsSince() const { return rig.simulator.Commands().substr(commandsBefore); }

    FaultRig rig;
    std::size_t commandsBefore = 0;
};

TEST_F(FileFaultsTest, RestoreCfgSendsNothingFromAFileItCannotUse) {
    struct Case {
        const char* fault;
        std::string path;
        const char* message;  // nullptr: any explanation will do
    };
    rig.WriteFile("words.kvt", "hello\nworld\n");
    rig.WriteFile("empty.kvt", "");
    std::filesystem::create_directory(rig.PathOf("folder.kvt"));
    const std::vector<Case> cases = {
        {"missing input file", rig.PathOf("missing.kvt"), "Error opening file"},
        {"input is a folder", rig.PathOf("folder.kvt"), "Error opening file"},
        {"malformed .kvt (no address:value line)", rig.PathOf("words.kvt"), nullptr},
        {"empty .kvt", rig.PathOf("empty.kvt"), nullptr},
    };
    int order = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        rig.ui.ClearMessages();
        rig.ui.QueueOpenFile(c.path);
        EXPECT_FALSE(OnRestoreCfg(rig.device));
        const std::vector<std::string> messages = rig.ui.MessageTexts();
        ASSERT_EQ(messages.size(), 1u);
        if (c.message != nullptr) {
            EXPECT_EQ(messages[0], c.message);
        }
        EXPECT_TRUE(rig.simulator.ReceivedBytes().empty()) << "the tracker was written to";
        Record(10 + order++, c.fault, "Restore Cfg", false, messages,
               "nothing sent to the tracker");
    }
}

TEST_F(FileFaultsTest, RestoreCfgOfATruncatedFileRestoresOnlyItsWholeLines) {
    // Cut in the middle of the third line: "2:" has lost its value.
    rig.WriteFile("cut.kvt", "0:4e\n1:30\n2:");
    rig.ui.QueueOpenFile(rig.PathOf("cut.kvt"));
    const bool succeeded = OnRestoreCfg(rig.device);
    const auto& pokes = rig.simulator.Pokes();
    ASSERT_GE(pokes.size(), 2u);
    EXPECT_EQ(pokes[0], std::make_pair(std::uint8_t{0x00}, std::uint8_t{0x4E}));
    EXPECT_EQ(pokes[1], std::make_pair(std::uint8_t{0x01}, std::uint8_t{0x30}));
    for (const auto& poke : pokes) {
        EXPECT_NE(poke.first, 0x02) << "the cut line was written";
    }
    EXPECT_EQ(rig.ReadFile("cut.kvt"), "0:4e\n1:30\n2:");
    Record(20, "truncated .kvt (last line cut after the colon)", "Restore Cfg", succeeded,
           rig.ui.MessageTexts(), "whole lines restored, the cut line skipped");
}

TEST_F(FileFaultsTest, SaveCfgToAnUnwritableFolderPeeksNothing) {
    rig.ui.QueueSaveFile(rig.PathOf(kNoFolder) + ".kvt");
    EXPECT_FALSE(OnSaveCfg(rig.device));
    EXPECT_TRUE(Contains(rig.ui.MessageTexts(), "Error opening file"));
    EXPECT_EQ(CommandsSince().find('y'), std::string::npos);
    EXPECT_EQ(rig.FolderEntries(), std::vector<std::string>{});
    Record(30, "output folder missing", "Save Cfg", false, rig.ui.MessageTexts(),
           "no file created, nothing read");
}

TEST_F(FileFaultsTest, ReadFlashToAnUnwritableFolderNeverStartsTheDownload) {
    rig.ui.QueueFlightDetails(FlightDetails{"n", "r", "d", "m", "c"});
    rig.ui.QueueSaveFile(rig.PathOf(kNoFolder) + ".kml");
    EXPECT_FALSE(OnReadFlash(rig.ctx));
    EXPECT_FALSE(rig.log.flashBusy.load());
    EXPECT_EQ(rig.ui.MessageTexts(), std::vector<std::string>{"Error opening file"});
    EXPECT_EQ(CommandsSince(), "") << "the tracker was asked before the file could be written";
    Record(40, "output folder missing", "Read Flash", false, rig.ui.MessageTexts(),
           "no download, no file");
}

TEST_F(FileFaultsTest, ValidateKmlRefusesUnusableInputAndKeepsTheLog) {
    std::vector<std::uint32_t> values;
    const std::string good = SmallKmlFile(values);
    const std::size_t blockAt = good.find("KVTDATA");
    const std::size_t endAt = good.find("KVTENDDATA");
    ASSERT_NE(endAt, std::string::npos);
    rig.WriteFile("no-block.kml", good.substr(0, blockAt - 5));
    rig.WriteFile("cut-in-block.kml", good.substr(0, (blockAt + endAt) / 2));
    rig.WriteFile("cut-before-keywords.kml", good.substr(0, endAt + 11));
    std::filesystem::create_directory(rig.PathOf("folder.kml"));
    struct Case {
        const char* fault;
        const char* name;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"missing input file", "missing.kml", "Error opening file"},
        {"input is a folder", "folder.kml", "Error opening file"},
        {"malformed .kml (no data block)", "no-block.kml", nullptr},
        {"truncated .kml (cut inside the data block)", "cut-in-block.kml", nullptr},
        {"truncated .kml (cut before the keyword lines)", "cut-before-keywords.kml", nullptr},
    };
    rig.log.logImage[0] = 0x1234;  // a log the user still has in memory
    rig.log.storedChecksum = 0x5678;
    const std::vector<std::string> entries = rig.FolderEntries();
    int order = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        rig.ui.ClearMessages();
        rig.ui.QueueOpenFile(rig.PathOf(c.name));
        const int dialogsBefore = rig.ui.FileDialogsShown();
        EXPECT_FALSE(OnValidateKml(rig.ctx));
        EXPECT_EQ(rig.ui.FileDialogsShown(), dialogsBefore + 1) << "asked where to save";
        const std::vector<std::string> messages = rig.ui.MessageTexts();
        ASSERT_FALSE(messages.empty());
        if (c.message != nullptr) {
            EXPECT_EQ(messages.back(), c.message);
        }
        EXPECT_EQ(rig.log.logImage[0], 0x1234u);
        EXPECT_EQ(rig.log.storedChecksum, 0x5678u);
        EXPECT_EQ(rig.FolderEntries(), entries);
        Record(50 + order++, c.fault, "Validate KML", false, messages,
               "log in memory kept, no output");
    }
}

TEST_F(FileFaultsTest, ValidateKmlToAnUnwritableFolderWritesNothing) {
    std::vector<std::uint32_t> values;
    rig.WriteFile("good.kml", SmallKmlFile(values));
    rig.ui.QueueOpenFile(rig.PathOf("good.kml"));
    rig.ui.QueueSaveFile(rig.PathOf(kNoFolder) + ".kml");
    EXPECT_FALSE(OnValidateKml(rig.ctx));
    const std::vector<std::string> messages = rig.ui.MessageTexts();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "Error opening file");
    EXPECT_EQ(rig.FolderEntries(), std::vector<std::string>{"good.kml"});
    Record(60, "output folder missing", "Validate KML", false, messages, "input unchanged");
}

TEST_F(FileFaultsTest, FixKmlRefusesUnusableFilesAndKeepsTheInput) {
    rig.WriteFile("damaged.kml", "<kml>\n<coordinates>\n1,2,3\n");
    rig.ui.QueueOpenFile(rig.PathOf("missing.kml"));
    EXPECT_FALSE(OnFixKml(rig.ctx));
    EXPECT_EQ(rig.ui.MessageTexts().back(), "Error opening file");
    Record(70, "missing input file", "Fix KML", false, rig.ui.MessageTexts(), "nothing written");

    rig.ui.ClearMessages();
    rig.ui.QueueOpenFile(rig.PathOf("damaged.kml"));
    rig.ui.QueueSaveFile(rig.PathOf(kNoFolder) + ".kml");
    EXPECT_FALSE(OnFixKml(rig.ctx));
    EXPECT_EQ(rig.ui.MessageTexts().back(), "Error opening output filefile");
    EXPECT_EQ(rig.ReadFile("damaged.kml"), "<kml>\n<coordinates>\n1,2,3\n");
    EXPECT_EQ(rig.FolderEntries(), std::vector<std::string>{"damaged.kml"});
    Record(71, "output folder missing", "Fix KML", false, rig.ui.MessageTexts(), "input unchanged");
    EXPECT_EQ(CommandsSince(), "");
}

}  // namespace
}  // namespace vanteo::test
