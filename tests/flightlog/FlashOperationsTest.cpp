#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device/Operations.h"
#include "flightlog/DataBlock.h"
#include "flightlog/DataBlockReader.h"
#include "flightlog/FlightLogOperations.h"
#include "sim/DemoFlight.h"
#include "sim/TrackerSimulator.h"
#include "tests/flightlog/FlightLogRig.h"

namespace vanteo {
namespace {

using test::FlightLogRig;
using test::TemporaryFolder;

const std::vector<std::string> kDone{"Done Reading Flash"};

bool Contains(const std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t> sequence) {
    return std::search(bytes.begin(), bytes.end(), sequence.begin(), sequence.end()) != bytes.end();
}

// The point lines of a document: "lon,lat,alt <!-- ... -->".
std::vector<std::string> PointLines(const std::string& document) {
    std::vector<std::string> points;
    std::istringstream lines(document);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find(" sats:") != std::string::npos) {
            points.push_back(line);
        }
    }
    return points;
}

class DownloadTest : public ::testing::TestWithParam<int> {};

// The demo flight downloaded from each memory size: every byte arrives, the progress bar steps
// once per 32 bytes, the data block repeats the flash, and the track holds every demo fix.
TEST_P(DownloadTest, DownloadsTheWholeFlash) {
    const int kbit = GetParam();
    const std::size_t n = static_cast<std::size_t>(kbit) * 128;
    sim::SimulatorConfig config;
    config.memorySizeKbit = kbit;
    config.firmwareVersion = 130;
    sim::TrackerSimulator simulator(config);
    FlightLogRig rig(simulator);
    TemporaryFolder folder;
    const std::string path = folder.Path("flight.kml");
    // The form hands the details over in Latin-1 (0xFC: u-umlaut); the document stays UTF-8.
    rig.ui.QueueFlightDetails(
        FlightDetails{"Ann M\xFCller", "Arrow", "06/15/2009", "H128", "windy -- 5 m/s"});
    ASSERT_TRUE(rig.StartDownload(path));
    const OperationResult result = WaitForFlashWorker(rig.ctx);
    EXPECT_EQ(result.outcome, Outcome::completed);
    EXPECT_EQ(result.count, static_cast<int>(n));
    EXPECT_FALSE(rig.log.flashBusy);
    EXPECT_EQ(rig.ui.MessageTexts(), kDone);
    EXPECT_EQ(rig.ui.ProgressBeginSteps(), static_cast<int>(n / 32));
    EXPECT_EQ(rig.ui.ProgressSteps(), static_cast<int>(n / 32));
    EXPECT_EQ(rig.tracker.capabilities.memorySizeKbit, kbit);
    EXPECT_EQ(rig.tracker.capabilities.firmwareVersion, 130);
    ASSERT_EQ(rig.ui.dialogRequests.size(), 1u);
    EXPECT_EQ(rig.ui.dialogRequests[0].filter, "KML Files (*.kml)|*.kml|All Files (*.*)|*.*||");
    EXPECT_EQ(rig.ui.dialogRequests[0].defaultExtension, "kml");

    const std::vector<std::uint8_t>& flash = simulator.Flash();
    const std::vector<std::uint8_t>& wire = simulator.ReceivedBytes();
    if (kbit == 1024) {
        EXPECT_TRUE(Contains(wire, {'J', 0x04, 0x00, 0x00}));
        EXPECT_TRUE(Contains(wire, {'J', 0x00, 0xFF, 0xF0}));
    } else {
        EXPECT_TRUE(Contains(wire, {'J', static_cast<std::uint8_t>((n - 8) >> 8), 0xF8}));
    }

    const std::string document = test::ReadFile(path);
    EXPECT_NE(
        document.find("<!-- Name       : Ann M\xC3\xBCller -->\n<!-- Rocket Name: Arrow -->\n"),
        std::string::npos);
    std::vector<std::uint32_t> values(n + 16, 0);
    const DataBlockContents block = ReadDataBlock(document, values);
    ASSERT_EQ(block.count, n);
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), values.begin()));
    EXPECT_EQ(block.checksum.value, LogChecksum(std::span(values.data(), n)));
    EXPECT_EQ(rig.log.storedChecksum, block.checksum.value);

    // The track: every demo fix that fits, in order, within the encoding's 1e-4 minute.
    const std::vector<sim::DemoFix> fixes = sim::DemoFlight::Fixes();
    const std::vector<std::string> points = PointLines(document);
    ASSERT_EQ(points.size(), fixes.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        double lon = 0;
        double lat = 0;
        int altitude = 0;
        ASSERT_EQ(std::sscanf(points[i].c_str(), "%lf,%lf,%d", &lon, &lat, &altitude), 3);
        EXPECT_NEAR(lon, fixes[i].longitudeDeg, 2e-6) << points[i];
        EXPECT_NEAR(lat, fixes[i].latitudeDeg, 2e-6) << points[i];
        EXPECT_EQ(altitude, std::max(fixes[i].altitudeM, 0)) << points[i];
    }

    if (test::HaveProgram("xmllint")) {
        std::string output;
        EXPECT_EQ(test::RunCommand("xmllint --noout '" + path + "'", output), 0);
    }
    if (test::HaveProgram("gpsbabel")) {
        std::string csv;
        ASSERT_EQ(test::RunCommand("gpsbabel -i kml -f '" + path + "' -o csv -F -", csv), 0);
        const auto rows = std::count(csv.begin(), csv.end(), '\n');
        EXPECT_EQ(static_cast<std::size_t>(rows), points.size());
    }
}

INSTANTIATE_TEST_SUITE_P(MemorySizes, DownloadTest, ::testing::Values(64, 128, 1024));

struct LayoutCase {
    const char* name;
    int firmware;
    int kbit;
    sim::DemoLogLayout layout;
};

class DemoLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

// The demo flight as the tracker logs it in each layout, read the way a user does it (Read, then
// Read Flash): the settings tell the host the layout, every fix becomes a point of the track, and
// the document is one that xmllint and GPSBabel take, every point included.
TEST_P(DemoLayoutTest, EveryFixOfTheDemoFlightReachesTheTrack) {
    const LayoutCase& c = GetParam();
    sim::SimulatorConfig config;
    config.firmwareVersion = c.firmware;
    config.memorySizeKbit = c.kbit;
    config.demoLayout = c.layout;
    sim::TrackerSimulator simulator(config);
    FlightLogRig rig(simulator);
    rig.form = FormModel::Constructed();
    rig.form.comPort = "SIM";
    RunFormStartUp(rig.deviceContext, "");
    ASSERT_TRUE(OnRead(rig.deviceContext)) << ::testing::PrintToString(rig.ui.MessageTexts());
    TemporaryFolder folder;
    const std::string path = folder.Path("flight.kml");
    ASSERT_TRUE(rig.StartDownload(path));
    ASSERT_TRUE(WaitForFlashWorker(rig.ctx));

    // Point lines start with the longitude; the comment lines between them do not.
    const std::string document = test::ReadFile(path);
    const std::size_t from = document.find("<coordinates>");
    const std::size_t to = document.find("</coordinates>");
    ASSERT_LT(from, to);
    std::istringstream lines(document.substr(from, to - from));
    std::vector<std::string> points;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() &&
            (line[0] == '-' || std::isdigit(static_cast<unsigned char>(line[0])))) {
            points.push_back(line);
        }
    }
    const bool compressed = c.layout == sim::DemoLogLayout::compressed;
    const std::vector<sim::DemoFix> fixes = sim::DemoFlight::Fixes();
    ASSERT_EQ(points.size(), fixes.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        double lon = 0;
        double lat = 0;
        int altitude = 0;
        ASSERT_EQ(std::sscanf(points[i].c_str(), "%lf,%lf,%d", &lon, &lat, &altitude), 3);
        EXPECT_NEAR(lon, fixes[i].longitudeDeg, 2e-6) << points[i];
        EXPECT_NEAR(lat, fixes[i].latitudeDeg, 2e-6) << points[i];
        EXPECT_EQ(altitude, compressed ? 0 : fixes[i].altitudeM) << points[i];
    }
    if (c.layout == sim::DemoLogLayout::timedRecords) {
        EXPECT_NE(points.front().find(" UTC 17:56:35 -->"), std::string::npos) << points.front();
        EXPECT_NE(points.back().find(" UTC 18:04:35 -->"), std::string::npos) << points.back();
    }

    std::string output;
    EXPECT_EQ(test::RunCommand("xmllint --noout '" + path + "'", output), 0);
    std::string csv;
    ASSERT_EQ(test::RunCommand("gpsbabel -i kml -f '" + path + "' -o csv -F -", csv), 0);
    EXPECT_EQ(static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n')), points.size());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DemoLayoutTest,
    ::testing::Values(LayoutCase{"ShortRecords", 130, 64, sim::DemoLogLayout::shortRecords},
                      LayoutCase{"HoursMinutes", 130, 64, sim::DemoLogLayout::timedRecords},
                      LayoutCase{"Compressed", 130, 64, sim::DemoLogLayout::compressed},
                      LayoutCase{"CompressedLarge", 150, 1024, sim::DemoLogLayout::compressed},
                      LayoutCase{"Timestamp", 212, 128, sim::DemoLogLayout::timedRecords}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST(ReadFlashTest, DetailsClosedWithoutOkKeepDetailsButName) {
    sim::SimulatorConfig config;
    config.memorySizeKbit = 64;
    sim::TrackerSimulator simulator(config);
    FlightLogRig rig(simulator);
    TemporaryFolder folder;
    rig.log.flightDetails = {"old", "Rocket", "date", "motor", "comments"};
    rig.ui.QueueFlightDetails(std::nullopt);
    ASSERT_TRUE(rig.StartDownload(folder.Path("f.kml")));
    ASSERT_TRUE(WaitForFlashWorker(rig.ctx));
    EXPECT_EQ(rig.log.flightDetails.name, "10");
    EXPECT_EQ(rig.log.flightDetails.motor, "motor");
    const std::string document = test::ReadFile(folder.Path("f.kml"));
    EXPECT_NE(document.find("<!-- Name       : 10 -->\n<!-- Rocket Name: Rocket -->\n"),
              std::string::npos);
}

TEST(ReadFlashTest, CancelledSaveDialogTouchesNothing) {
    sim::TrackerSimulator simulator;
    FlightLogRig rig(simulator);
    rig.ui.QueueFlightDetails(FlightDetails{"A", "B", "C", "D", "E"});
    rig.ui.QueueSaveFile(std::nullopt);
    EXPECT_EQ(OnReadFlash(rig.ctx).outcome, Outcome::cancelled);
    EXPECT_EQ(rig.log.flightDetails.name, "A");  // the details just entered remain
    EXPECT_TRUE(simulator.Commands().empty());
    EXPECT_FALSE(rig.log.flashBusy);
    EXPECT_TRUE(rig.ui.MessageTexts().empty());
}

TEST(ReadFlashTest, FailureBeforeTheDownloadLeavesTheOldFile) {
    sim::TrackerSimulator simulator;
    FlightLogRig rig(simulator);
    TemporaryFolder folder;
    const std::string path = folder.Path("keep.kml");
    test::WriteFile(path, "the user's flight");

    rig.form.comPort = "";  // the port cannot be opened
    EXPECT_FALSE(rig.StartDownload(path));
    EXPECT_EQ(test::ReadFile(path), "the user's flight");
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"keep.kml"});

    // A tracker that does not answer the memory-size query.
    test::ReplyDevice silentOnSize;
    silentOnSize.reply = [](const std::vector<std::uint8_t>& write) -> std::string {
        return write[0] == '?' ? "OK\n\r" : write[0] == 'V' ? "130\n\r" : "";
    };
    FlightLogRig quiet(silentOnSize);
    EXPECT_FALSE(quiet.StartDownload(path));
    const std::vector<std::string> messages = quiet.ui.MessageTexts();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back(), "Error reading memory size");
    EXPECT_FALSE(quiet.log.flashBusy);
    EXPECT_EQ(test::ReadFile(path), "the user's flight");
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"keep.kml"});

    // A save target in a folder that does not exist.
    FlightLogRig noFolder(simulator);
    EXPECT_FALSE(noFolder.StartDownload(folder.Path("missing/f.kml")));
    EXPECT_EQ(noFolder.ui.MessageTexts(), std::vector<std::string>{"Error opening file"});
}

// A 64-kbit tracker whose flash byte at address a is a & 0xFF and which answers the blocks
// `isShort` picks one byte short (seven data bytes and the LF CR). Each short block leaves the
// host waiting out one byte read: 2500 + 2500 x 1 ms.
test::ReplyDevice ShortBlockTracker(std::function<bool(int block)> isShort) {
    test::ReplyDevice tracker;
    tracker.reply = [isShort](const std::vector<std::uint8_t>& write) -> std::string {
        switch (write[0]) {
            case '?':
                return "OK\n\r";
            case 'V':
                return "130\n\r";
            case 'K':
                return "0\n\r";
            case 'J': {
                const int address = write[1] << 8 | write[2];
                std::string block;
                for (int i = 0; i < (isShort(address / 8) ? 7 : 8); ++i) {
                    block.push_back(static_cast<char>((address + i) & 0xFF));
                }
                return block + "\n\r";
            }
            default:
                return "";
        }
    };
    return tracker;
}

// Short blocks are counted and the file still written; a run of 15 short blocks does not stop
// the download, the 16th in a row does: the rest is not asked for.
TEST(ReadFlashTest, ShortBlocksAreCountedAndARunOfThemEndsTheDownload) {
    constexpr std::int64_t kShortBlockMs = 5000;
    {
        // Blocks 0-14 short, 15 whole, 16-30 short, ...: 64 of the 1024 blocks whole.
        test::ReplyDevice tracker = ShortBlockTracker([](int block) { return block % 16 != 15; });
        FlightLogRig rig(tracker);
        TemporaryFolder folder;
        ASSERT_TRUE(rig.StartDownload(folder.Path("short.kml")));
        EXPECT_FALSE(WaitForFlashWorker(rig.ctx));
        // Runs of 15 short blocks: 0-119, 128-247, ... (64 runs).
        EXPECT_EQ(
            rig.ui.MessageTexts(),
            std::vector<std::string>{
                "Flash read incomplete: 960 of 1024 blocks came back short (flash addresses "
                "0-119, 128-247, 256-375, 384-503 and 60 more runs). The data of the short "
                "blocks in the KML file is unreliable: the bytes that arrived are kept as "
                "they came, the tracker's line end (0A 0D) can be among them, and bytes that never "
                "came are 00."});
        EXPECT_EQ(std::count_if(tracker.writes.begin(), tracker.writes.end(),
                                [](const auto& write) { return write[0] == 'J'; }),
                  1024);
        EXPECT_EQ(rig.clock.NowMs(), 960 * kShortBlockMs);
        EXPECT_NE(test::ReadFile(folder.Path("short.kml")).find("KVTENDDATA"), std::string::npos);
    }
    {
        // Blocks 100-115 short, every other block whole.
        test::ReplyDevice tracker =
            ShortBlockTracker([](int block) { return block >= 100 && block < 116; });
        FlightLogRig rig(tracker);
        TemporaryFolder folder;
        ASSERT_TRUE(rig.StartDownload(folder.Path("garbled.kml")));
        EXPECT_FALSE(WaitForFlashWorker(rig.ctx));
        EXPECT_EQ(
            rig.ui.MessageTexts(),
            std::vector<std::string>{
                "The tracker stopped answering properly: 16 blocks in a row came back "
                "short, so the download was stopped. Flash read incomplete: 16 of 1024 "
                "blocks came back short (flash addresses 800-927) and 908 were not read. "
                "The data of the short blocks in the KML file is unreliable: the bytes that "
                "arrived are kept as they came, the tracker's line end (0A 0D) can be among them, "
                "and bytes that never came are 00. The blocks not read are 00."});
        EXPECT_EQ(tracker.writes.back(), (std::vector<std::uint8_t>{'J', 0x03, 0x98}));  // 115 x 8
        EXPECT_EQ(rig.clock.NowMs(), 16 * kShortBlockMs);

        // Every byte that arrived is in the file, the LF of the line end in each short block's
        // last place; the blocks not read are zeros.
        std::vector<std::uint32_t> values(8192 + 16, 0xEE);
        ASSERT_EQ(ReadDataBlock(test::ReadFile(folder.Path("garbled.kml")), values).count, 8192u);
        for (std::size_t address = 0; address < 8192; ++address) {
            if (address < 800 || (address < 928 && address % 8 != 7)) {
                ASSERT_EQ(values[address], address & 0xFF) << address;
            } else if (address < 928) {
                ASSERT_EQ(values[address], 0x0Au) << address;
            } else {
                ASSERT_EQ(values[address], 0u) << address;
            }
        }
    }
}

// The simulator's short blocks (two bytes short): the line end LF CR fills the block's last two
// places and is kept there as it came; the message names the blocks instead of claiming zeros.
TEST(ReadFlashTest, ShortBlocksKeepTheLineEndAndAreNamedAsUnreliable) {
    sim::SimulatorConfig config;
    config.memorySizeKbit = 64;
    config.faults.shortFlashBlocks = 2;
    sim::TrackerSimulator simulator(config);
    FlightLogRig rig(simulator);
    TemporaryFolder folder;
    ASSERT_TRUE(rig.StartDownload(folder.Path("short.kml")));
    EXPECT_FALSE(WaitForFlashWorker(rig.ctx));
    EXPECT_EQ(
        rig.ui.MessageTexts(),
        std::vector<std::string>{
            "The tracker stopped answering properly: 16 blocks in a row came back short, so "
            "the download was stopped. Flash read incomplete: 16 of 1024 blocks came back "
            "short (flash addresses 0-127) and 1008 were not read. The data of the short "
            "blocks in the KML file is unreliable: the bytes that arrived are kept as they "
            "came, the tracker's line end (0A 0D) can be among them, and bytes that never came are "
            "00. The blocks not read are 00."});
    for (std::uint32_t block = 0; block < 16 * 8; block += 8) {
        for (std::uint32_t i = 0; i < 6; ++i) {
            ASSERT_EQ(rig.log.logImage[block + i], simulator.Flash()[block + i]) << block + i;
        }
        EXPECT_EQ(rig.log.logImage[block + 6], 0x0Au) << block;
        EXPECT_EQ(rig.log.logImage[block + 7], 0x0Du) << block;
    }
}

// Cancel stops the download after the block being read; what arrived is written and reported
// like any incomplete download, and the next download on the same link gets every block.
TEST(ReadFlashTest, CancelKeepsWhatArrivedAndLeavesTheLinkClean) {
    sim::SimulatorConfig config;
    config.memorySizeKbit = 64;
    sim::TrackerSimulator simulator(config);
    FlightLogRig rig(simulator);
    TemporaryFolder folder;
    // Step 10 comes after the block at 288 (one step per 32 bytes): blocks 0-36 are read.
    rig.ui.CancelAfterProgressSteps(10);
    ASSERT_TRUE(rig.StartDownload(folder.Path("part.kml")));
    const OperationResult result = WaitForFlashWorker(rig.ctx);
    EXPECT_EQ(result.outcome, Outcome::cancelled);
    EXPECT_EQ(result.count, 296);  // the 37 eight-byte blocks that arrived
    EXPECT_EQ(rig.ui.MessageTexts(),
              std::vector<std::string>{"Read Flash cancelled. Flash read incomplete: 987 of 1024 "
                                       "blocks were not read; they are 00 in the KML file."});
    EXPECT_EQ(std::count(simulator.Commands().begin(), simulator.Commands().end(), 'J'), 37);
    std::vector<std::uint32_t> values(8192 + 16, 0xEE);
    ASSERT_EQ(ReadDataBlock(test::ReadFile(folder.Path("part.kml")), values).count, 8192u);
    for (std::size_t address = 0; address < 8192; ++address) {
        ASSERT_EQ(values[address], address < 296 ? simulator.Flash()[address] : 0u) << address;
    }
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"part.kml"});

    rig.ui.Cancel(false);
    rig.ui.ClearMessages();
    ASSERT_TRUE(rig.StartDownload(folder.Path("whole.kml")));
    EXPECT_TRUE(WaitForFlashWorker(rig.ctx));
    EXPECT_EQ(rig.ui.MessageTexts(), kDone);
    EXPECT_TRUE(
        std::equal(simulator.Flash().begin(), simulator.Flash().end(), rig.log.logImage.begin()));
}

// Cancelled before a block arrived (Ctrl+C while the tracker was being identified): the file the
// user had stays, and no temporary file is left beside it.
TEST(ReadFlashTest, CancelBeforeTheFirstBlockWritesNoFile) {
    sim::TrackerSimulator simulator;
    FlightLogRig rig(simulator);
    TemporaryFolder folder;
    test::WriteFile(folder.Path("keep.kml"), "the user's flight");
    rig.ui.Cancel();
    EXPECT_FALSE(rig.StartDownload(folder.Path("keep.kml")));
    EXPECT_EQ(rig.ui.MessageTexts(),
              std::vector<std::string>{
                  "Read Flash cancelled before the first block: no file was written"});
    EXPECT_EQ(simulator.Commands().find('J'), std::string::npos);
    EXPECT_FALSE(rig.log.flashBusy);
    EXPECT_EQ(test::ReadFile(folder.Path("keep.kml")), "the user's flight");
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"keep.kml"});
}

// Cancel pressed on another thread while the worker waits in its first block read: that block
// is finished, nothing more is asked for.
TEST(ReadFlashTest, CancelFromTheUserInterfaceThreadStopsAfterTheCurrentBlock) {
    sim::SimulatorConfig config;
    config.memorySizeKbit = 1024;
    sim::TrackerSimulator simulator(config);
    test::GatedDevice gate(simulator, 'J');
    FlightLogRig rig(gate);
    TemporaryFolder folder;
    ASSERT_TRUE(rig.StartDownload(folder.Path("one.kml")));
    while (!gate.Reached()) {
        std::this_thread::yield();
    }
    rig.ui.Cancel();
    gate.Open();
    EXPECT_FALSE(WaitForFlashWorker(rig.ctx));
    EXPECT_EQ(std::count(simulator.Commands().begin(), simulator.Commands().end(), 'J'), 1);
    EXPECT_EQ(rig.ui.MessageTexts().back(),
              "Read Flash cancelled. Flash read incomplete: 8191 of 8192 blocks were not read; "
              "they are 00 in the KML file.");
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"one.kml"});
}

TEST(ReadFlashTest, UnpluggedTrackerEndsTheDownloadSoon) {
    sim::SimulatorConfig config;
    config.memorySizeKbit = 1024;
    config.faults.disconnectAfterBytes = 200;  // a few blocks into the download
    sim::TrackerSimulator simulator(config);
    FlightLogRig rig(simulator);
    TemporaryFolder folder;
    ASSERT_TRUE(rig.StartDownload(folder.Path("gone.kml")));
    EXPECT_EQ(WaitForFlashWorker(rig.ctx).outcome, Outcome::failed);
    const std::vector<std::string> messages = rig.ui.MessageTexts();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("The tracker stopped answering. Flash read incomplete: ", 0), 0u)
        << messages[0];
    EXPECT_NE(messages[0].find(" of 8192 blocks"), std::string::npos);
    EXPECT_LT(rig.clock.NowMs(), 5 * 60 * 1000);  // minutes, not the hours of 8192 time-outs
    EXPECT_NE(test::ReadFile(folder.Path("gone.kml")).find("KVTENDDATA"), std::string::npos);
}

// The download worker is held at its first block read while the form tries everything else.
TEST(FlashBusyTest, EveryOperationWaitsForTheWorker) {
    sim::SimulatorConfig config;
    config.memorySizeKbit = 64;
    sim::TrackerSimulator simulator(config);
    test::GatedDevice gate(simulator, 'J');
    FlightLogRig rig(gate);
    TemporaryFolder folder;
    ASSERT_TRUE(rig.StartDownload(folder.Path("busy.kml")));
    ASSERT_TRUE(rig.log.flashBusy);
    const int dialogs = rig.ui.FileDialogsShown();

    rig.ui.QueueClearConfirmation(true);
    EXPECT_EQ(OnReadFlash(rig.ctx).outcome, Outcome::refused);
    EXPECT_EQ(OnClearFlash(rig.ctx).outcome, Outcome::refused);
    EXPECT_EQ(OnValidateKml(rig.ctx).outcome, Outcome::refused);
    EXPECT_EQ(OnFixKml(rig.ctx).outcome, Outcome::refused);
    EXPECT_EQ(OnFlashTest(rig.ctx).outcome, Outcome::refused);
    EXPECT_TRUE(RefuseWhileFlashBusy(rig.ctx));
    EXPECT_EQ(rig.ui.FileDialogsShown(), dialogs);
    const std::string wait = "Please wait until the previous operation completes";
    EXPECT_EQ(rig.ui.MessageTexts(), std::vector<std::string>(6, wait));

    gate.Open();
    EXPECT_TRUE(WaitForFlashWorker(rig.ctx));
    EXPECT_FALSE(RefuseWhileFlashBusy(rig.ctx));
    EXPECT_EQ(rig.ui.MessageTexts().back(), "Done Reading Flash");
    EXPECT_EQ(simulator.Commands().find('Z'), std::string::npos);  // the erase never started
}

TEST(ClearFlashTest, LargeMemoryErasesAndZeroesTheTrailer) {
    sim::SimulatorConfig config;
    config.memorySizeKbit = 1024;
    config.eraseProgressBytes = 20;
    sim::TrackerSimulator simulator(config);
    FlightLogRig rig(simulator);
    rig.ui.QueueClearConfirmation(true);
    ASSERT_TRUE(OnClearFlash(rig.ctx));
    EXPECT_TRUE(WaitForFlashWorker(rig.ctx));
    EXPECT_EQ(rig.ui.MessageTexts(), std::vector<std::string>{"Done Clearing Flash"});
    EXPECT_EQ(rig.ui.ProgressBeginSteps(), 0);  // busy indicator
    EXPECT_EQ(rig.ui.ProgressSteps(), 22);      // 20 progress bytes, LF, CR
    const auto& writes = simulator.FlashWrites();
    ASSERT_EQ(writes.size(), 16u);
    for (std::size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].first, 131056u + i);
        EXPECT_EQ(writes[i].second, 0);
    }
    EXPECT_TRUE(Contains(simulator.ReceivedBytes(), {'I', 0x04, 0xFF, 0xF0, 0x00}));
    EXPECT_EQ(rig.tracker.capabilities.memorySizeKbit, 1024);
}

TEST(ClearFlashTest, ConfirmationAndMemorySizeReplies) {
    sim::SimulatorConfig config;
    config.memorySizeKbit = 128;
    sim::TrackerSimulator simulator(config);
    FlightLogRig rig(simulator);
    rig.ui.QueueClearConfirmation(false);
    EXPECT_EQ(OnClearFlash(rig.ctx).outcome, Outcome::cancelled);
    EXPECT_TRUE(simulator.Commands().empty());

    rig.ui.QueueClearConfirmation(true);
    ASSERT_TRUE(OnClearFlash(rig.ctx));
    EXPECT_TRUE(WaitForFlashWorker(rig.ctx));
    EXPECT_EQ(rig.ui.MessageTexts(),
              (std::vector<std::string>{"memsize set to 128", "Done Clearing Flash"}));
    EXPECT_TRUE(simulator.FlashWrites().empty());
}

// Also: the erase takes a '0' memory-size reply as no change (Read Flash alone maps it to 64).
TEST(ClearFlashTest, EraseEndsOnLineFeedThenCarriageReturnOnly) {
    test::ReplyDevice device;
    device.reply = [](const std::vector<std::uint8_t>& write) -> std::string {
        switch (write[0]) {
            case '?':
                return "OK\n\r";
            case 'K':
                return "0\n\r";
            case 'Z':
                return std::string("ab\r\ncd\n\r");
            default:
                return "";
        }
    };
    FlightLogRig rig(device);
    rig.tracker.capabilities.memorySizeKbit = 128;
    rig.ui.QueueClearConfirmation(true);
    ASSERT_TRUE(OnClearFlash(rig.ctx));
    EXPECT_TRUE(WaitForFlashWorker(rig.ctx));
    EXPECT_EQ(rig.ui.ProgressSteps(), 8);
    EXPECT_EQ(rig.ui.MessageTexts(), std::vector<std::string>{"Done Clearing Flash"});
    EXPECT_EQ(rig.tracker.capabilities.memorySizeKbit, 128);
}

TEST(ClearFlashTest, SilentTrackerEndsTheEraseOnTheVirtualClock) {
    sim::SimulatorConfig config;
    config.memorySizeKbit = 128;
    config.eraseProgressBytes = 5;
    config.eraseByteIntervalMs = 100;
    config.faults.endlessErase = true;
    sim::TrackerSimulator simulator(config);
    FlightLogRig rig(simulator);
    rig.ui.QueueClearConfirmation(true);
    ASSERT_TRUE(OnClearFlash(rig.ctx));
    EXPECT_FALSE(WaitForFlashWorker(rig.ctx));
    const std::vector<std::string> messages = rig.ui.MessageTexts();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].rfind("The tracker stopped answering during the erase", 0), 0u);
    EXPECT_EQ(rig.ui.ProgressSteps(), 5);
    // The last progress byte came at about 500 ms; the wait ends 30 s later, not much after.
    EXPECT_GE(rig.clock.NowMs(), 500 + 30000);
    EXPECT_LT(rig.clock.NowMs(), 500 + 30000 + 6000);
    EXPECT_FALSE(rig.log.flashBusy);
}

// A tracker that keeps sending erase progress without ever ending the reply: the whole erase is
// bounded (20 minutes), not only the silence between bytes.
TEST(ClearFlashTest, EndlessProgressEndsTheEraseAfterTwentyMinutes) {
    sim::SimulatorConfig config;
    config.memorySizeKbit = 1024;
    config.eraseProgressBytes = 2000;  // one a second: 33 minutes of progress, then silence
    config.eraseByteIntervalMs = 1000;
    config.faults.endlessErase = true;
    sim::TrackerSimulator simulator(config);
    FlightLogRig rig(simulator);
    rig.ui.QueueClearConfirmation(true);
    ASSERT_TRUE(OnClearFlash(rig.ctx));
    EXPECT_FALSE(WaitForFlashWorker(rig.ctx));
    EXPECT_EQ(rig.ui.MessageTexts(),
              std::vector<std::string>{
                  "The erase did not end within 20 minutes although the tracker kept sending. "
                  "The flash may not be fully cleared: check the tracker and press Clear Flash "
                  "again."});
    EXPECT_GE(rig.clock.NowMs(), 20 * 60 * 1000);
    EXPECT_LT(rig.clock.NowMs(), 20 * 60 * 1000 + 2000);
    EXPECT_TRUE(simulator.FlashWrites().empty());  // the trailer is not touched
}

// Cancel during the erase stops the wait at once and says what state the log is in.
TEST(ClearFlashTest, CancelStopsTheWaitAndSaysTheLogIsPartlyErased) {
    sim::SimulatorConfig config;
    config.memorySizeKbit = 1024;
    config.eraseProgressBytes = 20;
    config.eraseByteIntervalMs = 100;
    sim::TrackerSimulator simulator(config);
    FlightLogRig rig(simulator);
    rig.ui.QueueClearConfirmation(true);
    rig.ui.CancelAfterProgressSteps(3);
    ASSERT_TRUE(OnClearFlash(rig.ctx));
    EXPECT_EQ(WaitForFlashWorker(rig.ctx).outcome, Outcome::cancelled);
    EXPECT_EQ(rig.ui.MessageTexts(),
              std::vector<std::string>{
                  "Clear Flash cancelled. The tracker may still be erasing, and the flight log is "
                  "partly erased: wait until it has finished or switch it off and on, then press "
                  "Clear Flash again and let it finish before the next flight."});
    EXPECT_EQ(rig.ui.ProgressSteps(), 3);
    EXPECT_LT(rig.clock.NowMs(), 1000);
    EXPECT_TRUE(simulator.FlashWrites().empty());
    EXPECT_FALSE(rig.log.flashBusy);

    // The advice followed: the first erase has ended, the rest of its progress bytes and its
    // line end wait unread. The second erase is reported done on its own end only, and a
    // download after it gets its own answers.
    rig.clock.Advance(5000);
    rig.ui.Cancel(false);
    rig.ui.ClearMessages();
    rig.ui.QueueClearConfirmation(true);
    ASSERT_TRUE(OnClearFlash(rig.ctx));
    EXPECT_TRUE(WaitForFlashWorker(rig.ctx));
    EXPECT_EQ(std::count(simulator.Commands().begin(), simulator.Commands().end(), 'Z'), 2);
    EXPECT_EQ(rig.ui.ProgressSteps(), 22);  // its 20 progress bytes and the line end
    EXPECT_EQ(rig.ui.MessageTexts().back(), "Done Clearing Flash");
    rig.ui.ClearMessages();
    const TemporaryFolder folder;
    ASSERT_TRUE(rig.StartDownload(folder.Path("after.kml")));
    EXPECT_TRUE(WaitForFlashWorker(rig.ctx)) << ::testing::PrintToString(rig.ui.MessageTexts());
}

}  // namespace
}  // namespace vanteo
