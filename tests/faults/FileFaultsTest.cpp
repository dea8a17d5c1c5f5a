// Files that cannot be read or written, and files cut short or malformed: each operation must
// say so, send nothing to the tracker it does not need to, and leave every file the user had as
// it was.

#include <grp.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/Operations.h"
#include "flightlog/DataBlock.h"
#include "serial/CFormat.h"
#include "tests/faults/FaultRig.h"
#include "tests/faults/FaultTable.h"
#include "tests/support/OrdinaryUser.h"

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

// What every output's writer is handed in the tests below: a line Fix KML repairs.
constexpr const char* kDamagedLine = "-60.5, 37.2, 1234\n";
constexpr const char* kRepairedLine = "-60.5,37.2,1234\n";

struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
}

// Runs `operation` in a child process as an ordinary user (nobody, when the tests run as root)
// and returns the last message it showed, or "" when none.
std::string LastMessageAsOrdinaryUser(FaultRig& rig, const std::function<void()>& operation) {
    const std::optional<std::string> last = test::RunAsOrdinaryUser([&] {
        rig.ui.ClearMessages();
        operation();
        const std::vector<std::string> messages = rig.ui.MessageTexts();
        return messages.empty() ? std::string() : messages.back();
    });
    EXPECT_TRUE(last.has_value()) << "the child as an ordinary user did not report";
    return last.value_or("");
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
    const bool succeeded = static_cast<bool>(OnRestoreCfg(rig.device));
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

// Every output goes through one writer; each operation's own open-failure message must come back
// where the plain open for writing would have failed, and the file must stay as it was.
TEST_F(FileFaultsTest, OutputsNeverReplaceAFileTheUserCouldNotWrite) {
    std::vector<std::uint32_t> values;
    rig.WriteFile("good.kml", SmallKmlFile(values));
    rig.WriteFile("damaged.kml", kDamagedLine);
    std::filesystem::permissions(rig.folder, std::filesystem::perms::all);  // a shared folder
    struct Target {
        const char* fault;
        const char* name;
    };
    std::vector<Target> targets = {{"read-only output file (0444)", "read-only.kml"},
                                   {"output is a pipe", "pipe.kml"}};
    rig.WriteFile("read-only.kml", kPrecious);
    ASSERT_EQ(chmod(rig.PathOf("read-only.kml").c_str(), 0444), 0);
    ASSERT_EQ(mkfifo(rig.PathOf("pipe.kml").c_str(), 0666), 0);
    if (geteuid() == 0) {
        // Owned by the ordinary user, so only the missing write bit stops the plain open.
        ASSERT_EQ(chown(rig.PathOf("read-only.kml").c_str(), kOrdinaryUser, kOrdinaryUser), 0);
        rig.WriteFile("others.kml", kPrecious);  // root's, 0644, in the shared folder
        targets.push_back({"another user's output file in a writable folder", "others.kml"});
    }
    struct Operation {
        const char* name;
        const char* openFailure;
        std::function<void(const std::string&)> run;
    };
    const std::vector<Operation> operations = {
        {"Fix KML", "Error opening output filefile",
         [&](const std::string& target) {
             rig.ui.QueueOpenFile(rig.PathOf("damaged.kml"));
             rig.ui.QueueSaveFile(target);
             OnFixKml(rig.ctx);
         }},
        {"Validate KML", "Error opening file",
         [&](const std::string& target) {
             rig.ui.QueueOpenFile(rig.PathOf("good.kml"));
             rig.ui.QueueSaveFile(target);
             OnValidateKml(rig.ctx);
         }},
        {"Save Cfg", "Error opening file",
         [&](const std::string& target) {
             rig.ui.QueueSaveFile(target);
             OnSaveCfg(rig.device);
         }},
    };
    const std::vector<std::string> entries = rig.FolderEntries();
    int order = 0;
    for (const Target& target : targets) {
        for (const Operation& operation : operations) {
            SCOPED_TRACE(std::string(target.fault) + ", " + operation.name);
            const std::string message =
                LastMessageAsOrdinaryUser(rig, [&] { operation.run(rig.PathOf(target.name)); });
            EXPECT_EQ(message, operation.openFailure);
            EXPECT_EQ(rig.FolderEntries(), entries) << "a file replaced or left behind";
            if (std::string(target.name) == "pipe.kml") {
                EXPECT_TRUE(S_ISFIFO(StatOf(rig.PathOf(target.name)).st_mode));
            } else {
                EXPECT_TRUE(rig.ReadFile(target.name) == kPrecious) << "the file was replaced";
            }
            Record(80 + order++, target.fault, operation.name, false, {message},
                   "the file kept, nothing replaced");
        }
    }
}

// Where the plain open would have written, the result is what it would have left: the file a
// link leads to, the same permissions and owner, the same inode for every hard link, and any name
// the folder accepts.
TEST_F(FileFaultsTest, OutputsKeepLinksPermissionsAndLongNames) {
    rig.WriteFile("damaged.kml", kDamagedLine);
    rig.WriteFile("real.kml", kPrecious);
    std::filesystem::create_symlink("real.kml", rig.PathOf("link.kml"));
    rig.WriteFile("private.kml", kPrecious);
    ASSERT_EQ(chmod(rig.PathOf("private.kml").c_str(), 0600), 0);
    rig.WriteFile("first.kml", kPrecious);
    std::filesystem::create_hard_link(rig.PathOf("first.kml"), rig.PathOf("second.kml"));
    const std::string longName = std::string(251, 'n') + ".kml";  // 255 bytes, the usual limit
    rig.WriteFile("lent.kml", kPrecious);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(rig.PathOf("lent.kml").c_str(), kOrdinaryUser, kOrdinaryUser), 0);
    }
    const std::vector<std::string> entries = [&] {
        std::vector<std::string> names = rig.FolderEntries();
        names.push_back(longName);
        std::sort(names.begin(), names.end());
        return names;
    }();
    struct Case {
        const char* fault;
        const char* target;   // what the user chose
        const char* written;  // the file that must hold the result
        std::function<void()> check;
    };
    const ino_t hardLinked = StatOf(rig.PathOf("first.kml")).st_ino;
    const std::vector<Case> cases = {
        {"output is a symbolic link", "link.kml", "real.kml",
         [&] {
             std::error_code error;
             EXPECT_EQ(std::filesystem::read_symlink(rig.PathOf("link.kml"), error), "real.kml");
         }},
        {"output file is private (0600)", "private.kml", "private.kml",
         [&] { EXPECT_EQ(StatOf(rig.PathOf("private.kml")).st_mode & 07777, 0600u); }},
        {"output file has a second hard link", "first.kml", "second.kml",
         [&] {
             EXPECT_EQ(StatOf(rig.PathOf("first.kml")).st_ino, hardLinked);
             EXPECT_EQ(StatOf(rig.PathOf("second.kml")).st_nlink, 2u);
         }},
        {"output name of 255 bytes", longName.c_str(), longName.c_str(), [] {}},
        {"output file of another owner, writable to the program", "lent.kml", "lent.kml",
         [&] {
             if (root) {
                 EXPECT_EQ(StatOf(rig.PathOf("lent.kml")).st_uid, kOrdinaryUser);
             }
         }},
    };
    int order = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        rig.ui.ClearMessages();
        rig.ui.QueueOpenFile(rig.PathOf("damaged.kml"));
        rig.ui.QueueSaveFile(rig.PathOf(c.target));
        EXPECT_TRUE(OnFixKml(rig.ctx));
        EXPECT_EQ(rig.ReadFile(c.written), kRepairedLine);
        c.check();
        Record(90 + order++, c.fault, "Fix KML", true, rig.ui.MessageTexts(),
               "written as a plain open would have");
    }
    EXPECT_EQ(rig.FolderEntries(), entries) << "a temporary file left behind";

    // A file the user may write in a folder that takes no new file (no temporary beside it).
    const std::filesystem::path locked = rig.folder / "locked";
    std::filesystem::create_directory(locked);
    const std::string kept = (locked / "kept.kml").string();
    std::filesystem::copy_file(rig.PathOf("real.kml"), kept);
    std::filesystem::permissions(rig.folder, std::filesystem::perms::all);
    ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
    ASSERT_EQ(chmod(kept.c_str(), 0666), 0);
    const std::string message = LastMessageAsOrdinaryUser(rig, [&] {
        rig.ui.QueueOpenFile(rig.PathOf("damaged.kml"));
        rig.ui.QueueSaveFile(kept);
        OnFixKml(rig.ctx);
    });
    EXPECT_EQ(message, " read 1 lines\n");
    EXPECT_EQ(rig.ReadFile("locked/kept.kml"), kRepairedLine);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(locked),
                            std::filesystem::directory_iterator()),
              1);
    Record(99, "writable output file in a folder that takes no new file", "Fix KML",
           message == " read 1 lines\n", {message}, "written in place");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
}

// A device, a pipe or an oversized file is refused before anything is read into memory, sent or
// written; before, /dev/zero was read until the memory ran out and a pipe blocked the open.
TEST_F(FileFaultsTest, InputsThatAreNoFileOrFarTooLargeAreRefused) {
    ASSERT_EQ(mkfifo(rig.PathOf("pipe").c_str(), 0600), 0);
    // Sparse files one byte over each limit: 64 MB for a KML file, 1 MB for a .kvt file.
    rig.WriteFile("huge.kml", "");
    std::filesystem::resize_file(rig.PathOf("huge.kml"), 64 * 1024 * 1024 + 1);
    rig.WriteFile("huge.kvt", "");
    std::filesystem::resize_file(rig.PathOf("huge.kvt"), 1024 * 1024 + 1);
    const std::vector<std::string> entries = rig.FolderEntries();
    constexpr const char* kNoFile = "Error opening file: it is a device or a pipe, not a file";
    struct Case {
        const char* fault;
        std::string path;
        const char* operation;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"input is a device (/dev/zero)", "/dev/zero", "Validate KML", kNoFile},
        {"input is a device (/dev/zero)", "/dev/zero", "Fix KML", kNoFile},
        {"input is a device (/dev/zero)", "/dev/zero", "Restore Cfg", kNoFile},
        {"input is a pipe with no writer", rig.PathOf("pipe"), "Validate KML", kNoFile},
        {"input is a pipe with no writer", rig.PathOf("pipe"), "Restore Cfg", kNoFile},
        {"input far too large (64 MB + 1)", rig.PathOf("huge.kml"), "Fix KML",
         "Error opening file: it is larger than 67108864 bytes, far more than such a file holds"},
        {"input far too large (1 MB + 1)", rig.PathOf("huge.kvt"), "Restore Cfg",
         "Not a configuration file: it is far too large"},
    };
    int order = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + ", " + c.operation);
        rig.ui.ClearMessages();
        rig.ui.QueueOpenFile(c.path);
        const int dialogsBefore = rig.ui.FileDialogsShown();
        const std::string operation = c.operation;
        const bool succeeded = operation == "Restore Cfg"
                                   ? static_cast<bool>(OnRestoreCfg(rig.device))
                               : operation == "Fix KML" ? static_cast<bool>(OnFixKml(rig.ctx))
                                                        : static_cast<bool>(OnValidateKml(rig.ctx));
        EXPECT_FALSE(succeeded);
        ASSERT_FALSE(rig.ui.MessageTexts().empty());
        EXPECT_EQ(rig.ui.MessageTexts().back(), c.message);
        EXPECT_EQ(rig.ui.FileDialogsShown(), dialogsBefore + 1) << "asked for an output";
        EXPECT_TRUE(rig.simulator.ReceivedBytes().empty()) << "the tracker was written to";
        EXPECT_EQ(rig.FolderEntries(), entries);
        Record(100 + order++, c.fault, c.operation, false, {c.message}, "nothing read or written");
    }
}

}  // namespace
}  // namespace vanteo::test
