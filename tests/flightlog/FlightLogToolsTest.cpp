#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/Operations.h"
#include "flightlog/FlightLogOperations.h"
#include "sim/TrackerSimulator.h"
#include "tests/flightlog/FlightLogRig.h"

namespace vanteo {
namespace {

using test::FlightLogRig;
using test::TemporaryFolder;

// Block of the three letters abc with their checksum 00003ED0.
std::string SmallBlock(const std::string& values,
                       const std::string& hoursMinutesKeyword = "KVTHRSMINS") {
    return "</kml>\n<!-- KVTDATA\n" + values +
           "\nKVTENDDATA\nKVTCHECKSUM 00003ED0\nKVTCOMPRESS 0\n" + hoursMinutesKeyword +
           " 0\nKVTTIMESTAMP 0\n-->\n";
}

// 1021 zeros: put before the three letters they make the smallest block a copy is written from
// (1024 values), and leave the checksum as it was (a 0 value only triples a checksum of 0).
std::string LeadingZeros() {
    std::string zeros;
    for (int i = 0; i < 1021; ++i) {
        zeros += "00 ";
    }
    return zeros;
}

class ValidateKmlTest : public ::testing::Test {
protected:
    ValidateKmlTest() : rig(simulator) {}

    // The tracker's log downloaded into `path`, the messages of the download cleared.
    void Download(const std::string& path) {
        ASSERT_TRUE(rig.StartDownload(path));
        ASSERT_TRUE(WaitForFlashWorker(rig.ctx));
        rig.ui.ClearMessages();
    }
    // A downloaded file validates and its copy is written to `copy`.
    void ExpectValidatedWithACopy(const std::string& original, const std::string& copy) {
        ASSERT_TRUE(rig.Validate(original, copy));
        EXPECT_EQ(rig.ui.MessageTexts(),
                  (std::vector<std::string>{
                      "16384 bytes read\n",
                      "Datafile integrity validated, writing a new copy of the KML file\n"}));
    }

    sim::TrackerSimulator simulator;
    FlightLogRig rig;
    TemporaryFolder folder;
};

// A file downloaded from the tracker validates, and its new copy is the same document.
TEST_F(ValidateKmlTest, DownloadedFileValidatesAndIsWrittenAgainUnchanged) {
    const std::string original = folder.Path("flight.kml");
    ASSERT_NO_FATAL_FAILURE(Download(original));

    const std::string copy = folder.Path("copy.kml");
    ASSERT_NO_FATAL_FAILURE(ExpectValidatedWithACopy(original, copy));
    EXPECT_EQ(test::ReadFile(copy), test::ReadFile(original));
    EXPECT_EQ(rig.tracker.capabilities.memorySizeKbit, 128);
    // The capabilities describe the tracker on the port, not the file just validated.
    EXPECT_FALSE(rig.tracker.capabilities.compressCapable);
}

// Details typed with the data-block keywords in them are written with a blank after "KVT", so
// the file still validates and its copy holds the same data block.
TEST_F(ValidateKmlTest, DetailsHoldingKeywordsDoNotStartTheDataBlock) {
    const std::string original = folder.Path("keywords.kml");
    rig.ui.QueueFlightDetails(FlightDetails{"KVTDATA test", "KVTENDDATA", "KVTCHECKSUM 0",
                                            "KVTCOMPRESS 1 KVTHRSMINS 1", "KVTKVTTIMESTAMP 1"});
    ASSERT_NO_FATAL_FAILURE(Download(original));
    const std::string document = test::ReadFile(original);
    EXPECT_NE(document.find("<!-- Name       : KVT DATA test -->\n"
                            "<!-- Rocket Name: KVT ENDDATA -->\n"
                            "<!-- Date       : KVT CHECKSUM 0 -->\n"
                            "<!-- Motor      : KVT COMPRESS 1 KVT HRSMINS 1 -->\n"
                            "<!-- Comments   : KVT KVT TIMESTAMP 1 -->\n"),
              std::string::npos);
    EXPECT_EQ(document.find("KVTDATA"), document.find("<!-- KVTDATA\n") + 5);

    const std::string copy = folder.Path("copy.kml");
    ASSERT_NO_FATAL_FAILURE(ExpectValidatedWithACopy(original, copy));
    const std::string copied = test::ReadFile(copy);
    const std::string block = document.substr(document.find("<!-- KVTDATA\n"));
    ASSERT_GE(copied.size(), block.size());
    EXPECT_EQ(copied.substr(copied.size() - block.size()), block);
    EXPECT_EQ(copied.find("KVTDATA"), copied.size() - block.size() + 5);
}

TEST_F(ValidateKmlTest, ChangedValueIsReportedAndACopyStillWritten) {
    const std::string input = folder.Path("changed.kml");
    test::WriteFile(input, SmallBlock(LeadingZeros() + "61 62 64"));
    rig.ui.QueueOpenFile(input);
    rig.ui.QueueSaveFile(folder.Path("out.kml"));
    rig.log.flightDetails = {"someone", "rocket", "date", "motor", "comments"};
    const ValidationResult result = OnValidateKml(rig.ctx);
    ASSERT_EQ(result.outcome, Outcome::completed);
    EXPECT_EQ(result.valuesRead, 1024u);
    EXPECT_FALSE(result.checksumMatched);
    EXPECT_EQ(result.missingKeywords, 0);
    // 0x64 = 100: 100 mod 28 = 16, multiplier 17 XOR 2 = 19; 3 x 4766 + 1900 = 16198 = 0x3F46.
    EXPECT_EQ(
        rig.ui.MessageTexts(),
        (std::vector<std::string>{"1024 bytes read\n",
                                  "Checksum incorrect:  Expected: 00003ED0, Actual: 00003F46\n"}));
    const std::string copy = test::ReadFile(folder.Path("out.kml"));
    EXPECT_NE(copy.find("<!-- Name       : 10 -->\n<!-- Rocket Name: rocket -->\n"),
              std::string::npos);
    // The copy repeats the values read and carries the checksum computed over them.
    EXPECT_NE(copy.find("\n00 00 00 00 00 00 00 00 00 00 00 00 00 61 62 64 \nKVTENDDATA\n"
                        "KVTCHECKSUM 00003F46\n"),
              std::string::npos);
}

// 1500 values of 2: each step is s := 3 s + 2 x ((2 mod 28 + 1) XOR 2) = 3 s + 2, so the
// checksum is 3^1500 - 1 modulo 2^32 = 8BE28A30 (over the 1024 values written it would be
// 3^1024 - 1 = 9023D000).
TEST_F(ValidateKmlTest, SizeFollowsTheNumberOfValues) {
    std::string values;
    for (int i = 0; i < 1500; ++i) {
        values += "02 ";
    }
    const std::string input = folder.Path("odd.kml");
    test::WriteFile(input, SmallBlock(values));
    ASSERT_TRUE(rig.Validate(input, folder.Path("out.kml")));
    const std::string copy = test::ReadFile(folder.Path("out.kml"));
    std::size_t rows = 0;
    for (std::size_t at = copy.find("02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 \n");
         at != std::string::npos;
         at = copy.find("02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 02 \n", at + 1)) {
        ++rows;
    }
    EXPECT_EQ(rows, 64u);  // 1024 values
    EXPECT_NE(copy.find("\nKVTENDDATA\nKVTCHECKSUM 8BE28A30\n"), std::string::npos);
    EXPECT_EQ(rig.ui.MessageTexts().back(),
              "Checksum incorrect:  Expected: 00003ED0, Actual: 8BE28A30\n");
}

// The file's settings and size decode its copy only: the held form values and the capability
// record are those of the tracker on the port, which a later Write or download uses.
TEST_F(ValidateKmlTest, FileSettingsDecodeTheCopyAndLeaveTheTrackerStateAsItWas) {
    rig.form.compressData = 0;
    rig.form.storeHm = 0;
    rig.tracker.capabilities.memorySizeKbit = 1024;
    const std::string input = folder.Path("settings.kml");
    test::WriteFile(input, "KVTDATA " + LeadingZeros() +
                               "0 0 0 KVTENDDATA KVTCHECKSUM 0 KVTCOMPRESS 10 KVTHRSMINS 1 "
                               "KVTTIMESTAMP 1");
    ASSERT_TRUE(rig.Validate(input, folder.Path("out.kml")));
    EXPECT_EQ(rig.form.compressData, 0);
    EXPECT_EQ(rig.form.storeHm, 0);
    EXPECT_EQ(rig.tracker.capabilities.memorySizeKbit, 1024);
    // A later download is decoded as the tracker on the port logs, not as this file's tracker
    // did: no capture date or 15-byte records for a tracker without them.
    EXPECT_FALSE(rig.tracker.capabilities.compressCapable);
    EXPECT_FALSE(rig.tracker.capabilities.hoursMinutesCapable);
    EXPECT_FALSE(rig.tracker.capabilities.logTimestamp);
    EXPECT_FALSE(rig.tracker.capabilities.logHoursMinutes);
    // The copy is decoded with the file's settings and size, not with the held ones: 1024 values
    // make 8 kbit, 64 rows of 16 values (the held 1024 kbit would make 8192 rows).
    const std::string copy = test::ReadFile(folder.Path("out.kml"));
    EXPECT_NE(copy.find("KVTCOMPRESS 1\nKVTHRSMINS 1\nKVTTIMESTAMP 1\n"), std::string::npos);
    const std::size_t rows = copy.find("KVTDATA\n") + 8;
    ASSERT_LT(rows, copy.find("KVTENDDATA"));
    EXPECT_EQ(std::count(copy.begin() + static_cast<std::ptrdiff_t>(rows),
                         copy.begin() + static_cast<std::ptrdiff_t>(copy.find("KVTENDDATA")), '\n'),
              64);
}

TEST_F(ValidateKmlTest, DamagedFilesAreRefusedWithoutWriting) {
    struct Case {
        std::string text;
        std::string lastMessage;
    };
    const std::vector<Case> cases{
        {"<kml></kml>",
         "The file holds no KVTDATA keyword: it carries no flight-log data block, so it cannot be "
         "validated"},
        {"<!-- KVTDATA 61 62",
         "The file ends before the KVTENDDATA keyword: its data block is incomplete, so it cannot "
         "be validated"},
        {"KVTDATA 61 KVTENDDATA KVTCHECKSUM 1 KVTCOMPRESS 0",
         "The file ends before the KVTHRSMINS line of its data block: it cannot be validated and "
         "no new copy is written"},
        {SmallBlock("61 62 63", "HOURS"), "Error KVTHRSMINS Expected"},
        // Fewer than 1024 values make no memory size: no flight log, no copy.
        {SmallBlock(""),
         "The data block holds only 0 values: it is too short to be a flight log (at least "
         "1024), so no new copy is written"},
        {SmallBlock("61 62 63"),
         "The data block holds only 3 values: it is too short to be a flight log (at least "
         "1024), so no new copy is written"},
        {SmallBlock(LeadingZeros() + "61 62"),
         "The data block holds only 1023 values: it is too short to be a flight log (at least "
         "1024), so no new copy is written"},
    };
    const std::string output = folder.Path("out.kml");
    test::WriteFile(output, "earlier copy");
    for (const Case& c : cases) {
        FlightLogRig fresh(simulator);
        const std::string input = folder.Path("in.kml");
        test::WriteFile(input, c.text);
        EXPECT_FALSE(fresh.Validate(input, output)) << c.text;
        ASSERT_FALSE(fresh.ui.MessageTexts().empty());
        EXPECT_EQ(fresh.ui.MessageTexts().back(), c.lastMessage);
        EXPECT_EQ(fresh.ui.FileDialogsShown(), 1) << "no save dialog";
        EXPECT_EQ(test::ReadFile(output), "earlier copy");
    }
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"in.kml", "out.kml"}));

    FlightLogRig missing(simulator);
    missing.ui.QueueOpenFile(folder.Path("nothing-here.kml"));
    EXPECT_FALSE(OnValidateKml(missing.ctx));
    EXPECT_EQ(missing.ui.MessageTexts(), std::vector<std::string>{"Error opening file"});
}

TEST_F(ValidateKmlTest, WrongKeywordsAreReportedAndReadingGoesOn) {
    const std::string input = folder.Path("keywords.kml");
    test::WriteFile(input, "KVTDATA " + LeadingZeros() +
                               "61 62 63 KVTENDDATA SUM 3ED0 COMP 0 KVTHRSMINS 0 STAMP 0");
    EXPECT_TRUE(rig.Validate(input, folder.Path("out.kml")));
    EXPECT_EQ(rig.ui.MessageTexts(),
              (std::vector<std::string>{
                  "1024 bytes read\n", "Error KVTCHECKSUM Expected", "Error KVTCOMPRESS Expected",
                  "Error KVTTIMESTAMP Expected",
                  "Datafile integrity validated, writing a new copy of the KML file\n"}));

    // The same file checked only (the save dialog cancelled): the result says what was found.
    FlightLogRig check(simulator);
    check.ui.QueueOpenFile(input);
    check.ui.QueueSaveFile(std::nullopt);
    const ValidationResult result = OnValidateKml(check.ctx);
    EXPECT_EQ(result.outcome, Outcome::cancelled);
    EXPECT_TRUE(result.checksumMatched);
    EXPECT_EQ(result.missingKeywords, 3);
}

// How the tracker laid out the hand-built log below.
enum class LogLayout { shortRecords, timedRecords, compressed };

// Two fixes at 60°30.5010'W 37°15.0505'N, 1234 m, 7 satellites, one second apart, as each layout
// stores them, then the end mark; with `trailer` the trigger 0x0190 and the date 190926 (DDMMYY)
// at the end of the first 16 KB.
std::vector<std::uint8_t> HandBuiltLog(LogLayout layout, bool trailer) {
    std::vector<std::uint8_t> flash(16384, 0);
    const std::vector<std::uint8_t> fix{0x3C, 0x1E, 0x32, 0x8A, 0x25, 0x0F,
                                        0x05, 0x05, 0x00, 0x0C, 0x22, 0x07};
    std::vector<std::uint8_t> log;
    if (layout == LogLayout::compressed) {
        log = fix;
        log.push_back(0x2D);
        // Fractions only: longitude 5011 and 5012, latitude 0506 and 0507 ten-thousandths.
        log.insert(log.end(), {0x32, 0x0B, 0x05, 0x06, 0x09, 0x32, 0x0C, 0x05, 0x07, 0x09});
    } else {
        for (const std::uint8_t second : {std::uint8_t{0x2D}, std::uint8_t{0x2E}}) {
            log.insert(log.end(), fix.begin(), fix.end());
            if (layout == LogLayout::timedRecords) {
                log.insert(log.end(), {0x0E, 0x1F});  // 14:31 UTC
            }
            log.push_back(second);
        }
    }
    log.insert(log.end(), {0xA5, 0xA5, 0xA5, 0xA5});
    std::copy(log.begin(), log.end(), flash.begin());
    if (trailer) {
        flash[16368] = 0x01;
        flash[16369] = 0x90;
        const std::string date = "190926";
        std::copy(date.begin(), date.end(), flash.begin() + 16378);
    }
    return flash;
}

// The track and everything after it: what the download and the copy must agree on (the header
// before it holds the details and option bytes of the state that wrote each).
std::string Track(const std::string& document) {
    const std::size_t start = document.find("<coordinates>\n");
    return start == std::string::npos ? std::string() : document.substr(start);
}

// Each firmware class downloaded as a new process does it (Read, then Read Flash), then the file
// validated in another new process: the copy's track is the download's, worked out by hand.
TEST(ValidateKmlFirmwareTest, CopyDecodesTheLogAsItsTrackerWroteIt) {
    const std::string shortTrack =
        "\n-60.508350,37.250842,01234 <!-- 0 sats:7 secs:45 -->"
        "\n-60.508350,37.250842,01234 <!-- 13 sats:7 secs:46 -->\n      </coordinates>";
    const std::string timedTrack =
        "\n-60.508350,37.250842,01234 <!-- 0 sats:7 UTC 14:31:45 -->"
        "\n-60.508350,37.250842,01234 <!-- 15 sats:7 UTC 14:31:46 -->\n      </coordinates>";
    const std::string compressedTrack =
        "<coordinates>\n-60.508352,37.250843,0 <!-- 50 11   05 06   09  -->\n"
        "-60.508353,37.250845,0 <!-- 50 12   05 07   09  -->\n\n      </coordinates>";
    const std::string trailerLines = "<!-- Capture Date: 09/19/2026 -->\n<!-- Trigger: 0x0190-->\n";
    const std::string compressNote = "The data block says the log is compressed (KVTCOMPRESS)";
    const std::string hoursMinutesNote = "The data block says the records hold hours and minutes";
    struct Case {
        const char* name;
        int firmware;
        std::uint8_t loggingFlags;  // settings record byte 30: 0x20 Compress Data, 0x40 Store HM
        LogLayout layout;
        std::string track;      // in the download, by hand
        std::string note;       // what validation says it cannot prove, or empty
        bool sameTrack = true;  // false: the file cannot tell its tracker's decoding
    };
    const std::vector<Case> cases{
        {"130, both clear", 130, 0x00, LogLayout::shortRecords, shortTrack, ""},
        {"130, Store HM", 130, 0x40, LogLayout::timedRecords, timedTrack, hoursMinutesNote},
        {"130, Compress Data", 130, 0x20, LogLayout::compressed, compressedTrack, compressNote},
        {"212, Store HM clear", 212, 0x00, LogLayout::timedRecords, trailerLines, ""},
        {"212, Store HM", 212, 0x40, LogLayout::timedRecords, timedTrack, ""},
        {"212, Compress Data", 212, 0x20, LogLayout::timedRecords, timedTrack, ""},
        {"201, Compress Data", 201, 0x20, LogLayout::shortRecords, shortTrack, compressNote, false},
    };
    TemporaryFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimulatorConfig config;
        config.firmwareVersion = c.firmware;
        sim::TrackerSimulator simulator(config);
        simulator.Memory()[30] = c.loggingFlags;
        simulator.Flash() = HandBuiltLog(c.layout, c.firmware >= 212);
        const std::string original = folder.Path("flight.kml");
        const std::string copy = folder.Path("copy.kml");
        {
            FlightLogRig download(simulator);
            download.form = FormModel::Constructed();
            download.form.comPort = "SIM";
            RunFormStartUp(download.deviceContext, "");
            ASSERT_TRUE(OnRead(download.deviceContext))
                << ::testing::PrintToString(download.ui.MessageTexts());
            ASSERT_TRUE(download.StartDownload(original));
            ASSERT_TRUE(WaitForFlashWorker(download.ctx));
        }
        const std::string downloaded = test::ReadFile(original);
        EXPECT_NE(downloaded.find(c.track), std::string::npos) << Track(downloaded);
        if (c.firmware >= 212) {
            EXPECT_NE(downloaded.find(trailerLines), std::string::npos);
            EXPECT_NE(downloaded.find(timedTrack), std::string::npos);
        }

        FlightLogRig fresh(simulator);
        ASSERT_TRUE(fresh.Validate(original, copy));
        const std::vector<std::string> messages = fresh.ui.MessageTexts();
        ASSERT_GE(messages.size(), 2u);
        EXPECT_EQ(messages[1],
                  "Datafile integrity validated, writing a new copy of the KML file\n");
        EXPECT_EQ(messages.size(), c.note.empty() ? 2u : 3u);
        if (!c.note.empty() && messages.size() == 3) {
            EXPECT_EQ(messages[2].rfind(c.note, 0), 0u) << messages[2];
        }
        if (c.sameTrack) {
            EXPECT_EQ(Track(test::ReadFile(copy)), Track(downloaded));
        }
    }
}

TEST(FixKmlTest, RepairsEveryLineIntoTheOutputFile) {
    sim::TrackerSimulator simulator;
    FlightLogRig rig(simulator);
    TemporaryFolder folder;
    const std::string input = folder.Path("broken.kml");
    test::WriteFile(
        input, "<coordinates>, -60.5, 37.2, 1234\n" + std::string(300, 'x') + ", 1\nlast, line");
    rig.ui.QueueOpenFile(input);
    rig.ui.QueueSaveFile(input);  // over the input itself
    ASSERT_TRUE(OnFixKml(rig.ctx));
    EXPECT_EQ(rig.ui.MessageTexts(),
              (std::vector<std::string>{"First select an input file", "Now select an output file",
                                        " read 3 lines\n"}));
    EXPECT_EQ(test::ReadFile(input),
              "<coordinates>-60.5,37.2,1234\n" + std::string(300, 'x') + ",1\nlast,line");
    EXPECT_TRUE(rig.tracker.capabilities.compressCapable);
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"broken.kml"});
}

TEST(FixKmlTest, EmptyFileAndFailures) {
    sim::TrackerSimulator simulator;
    TemporaryFolder folder;
    test::WriteFile(folder.Path("empty.kml"), "");

    FlightLogRig rig(simulator);
    rig.ui.QueueOpenFile(folder.Path("empty.kml"));
    rig.ui.QueueSaveFile(folder.Path("out.kml"));
    ASSERT_TRUE(OnFixKml(rig.ctx));
    EXPECT_EQ(rig.ui.MessageTexts().back(), " read 0 lines\n");
    EXPECT_EQ(test::ReadFile(folder.Path("out.kml")), "");

    FlightLogRig noInput(simulator);
    noInput.ui.QueueOpenFile(folder.Path("absent.kml"));
    EXPECT_FALSE(OnFixKml(noInput.ctx));
    EXPECT_EQ(noInput.ui.MessageTexts().back(), "Error opening file");

    FlightLogRig noOutput(simulator);
    noOutput.ui.QueueOpenFile(folder.Path("empty.kml"));
    noOutput.ui.QueueSaveFile(folder.Path("no/such/folder.kml"));
    EXPECT_FALSE(OnFixKml(noOutput.ctx));
    EXPECT_EQ(noOutput.ui.MessageTexts().back(), "Error opening output filefile");
}

TEST(FlashTestTest, PatternWrittenAndCheckedOnEachMemory) {
    for (const int kbit : {128, 1024}) {
        sim::SimulatorConfig config;
        config.memorySizeKbit = kbit;
        sim::TrackerSimulator simulator(config);
        FlightLogRig rig(simulator);
        rig.ui.QueueFlashTestConfirmation(true);
        ASSERT_TRUE(OnFlashTest(rig.ctx));
        EXPECT_EQ(rig.ui.MessageTexts(), std::vector<std::string>{"I2C Test Passed"});
        const auto& writes = simulator.FlashWrites();
        ASSERT_EQ(writes.size(), kbit == 1024 ? 64u : 32u);
        EXPECT_EQ(writes[0], (std::pair<std::uint32_t, std::uint8_t>{0, 3}));
        EXPECT_EQ(writes[15], (std::pair<std::uint32_t, std::uint8_t>{15, 18}));
        EXPECT_EQ(writes[16], (std::pair<std::uint32_t, std::uint8_t>{16, 21}));
        EXPECT_EQ(writes[31], (std::pair<std::uint32_t, std::uint8_t>{31, 36}));
        if (kbit == 1024) {
            EXPECT_EQ(writes[32], (std::pair<std::uint32_t, std::uint8_t>{65536, 7}));
            EXPECT_EQ(writes[47], (std::pair<std::uint32_t, std::uint8_t>{65551, 22}));
            EXPECT_EQ(writes[48], (std::pair<std::uint32_t, std::uint8_t>{131056, 0}));
            EXPECT_EQ(writes[63], (std::pair<std::uint32_t, std::uint8_t>{131071, 0}));
        }
    }
}

// The pattern overwrites the start of the flight log: declined, nothing reaches the tracker and
// the flight stays; agreed, the test runs as before. A busy worker refuses before asking.
TEST(FlashTestTest, AsksFirstAndDeclinedLeavesTheFlightAlone) {
    sim::SimulatorConfig config;
    config.memorySizeKbit = 128;
    sim::TrackerSimulator simulator(config);
    const std::vector<std::uint8_t> flight = simulator.Flash();
    FlightLogRig rig(simulator);
    rig.ui.QueueFlashTestConfirmation(false);
    EXPECT_EQ(OnFlashTest(rig.ctx).outcome, Outcome::cancelled);
    EXPECT_TRUE(simulator.Commands().empty());
    EXPECT_TRUE(rig.ui.MessageTexts().empty());
    EXPECT_EQ(simulator.Flash(), flight);

    rig.ui.QueueFlashTestConfirmation(true);
    EXPECT_TRUE(OnFlashTest(rig.ctx));
    EXPECT_EQ(rig.ui.MessageTexts(), std::vector<std::string>{"I2C Test Passed"});
    EXPECT_EQ(simulator.Flash()[0], 3);
}

// A tracker answering the flash test: "OK" to '?', its memory-size code to 'K', what `readBack`
// makes of each 'J' read command (the pattern as its memory holds it), an empty line to the rest.
void AnswerFlashTest(test::ReplyDevice& device, const std::string& memorySizeCode,
                     std::function<std::string(const std::vector<std::uint8_t>&)> readBack) {
    device.reply = [memorySizeCode,
                    readBack](const std::vector<std::uint8_t>& write) -> std::string {
        switch (write[0]) {
            case '?':
                return "OK\n\r";
            case 'K':
                return memorySizeCode + "\n\r";
            case 'J':
                return readBack(write);
            default:
                return "\n\r";
        }
    };
}

TEST(FlashTestTest, BadMemoryIsReportedWithItsFirstValues) {
    test::ReplyDevice device;
    AnswerFlashTest(device, "1", [](const std::vector<std::uint8_t>&) {
        return std::string("\x03\x04\x05\x06\x07\x08\x09\x00", 8) + "\n\r";
    });
    FlightLogRig rig(device);
    rig.ui.QueueFlashTestConfirmation(true);
    EXPECT_EQ(OnFlashTest(rig.ctx).outcome, Outcome::failed);
    EXPECT_EQ(rig.ui.MessageTexts(),
              (std::vector<std::string>{"Data Read0 Error", " read 3 4 5 6 \n"}));

    test::ReplyDevice upper;
    AnswerFlashTest(upper, "2", [](const std::vector<std::uint8_t>& write) {
        if (write[1] == 0x04) {  // the upper bank holds stale data
            return std::string(16, '\x1a') + "\n\r";
        }
        return std::string("\x03\x04\x05\x06\x07\x08\x09\x0a", 8) + std::string(8, '\0') + "\n\r";
    });
    FlightLogRig rig2(upper);
    rig2.ui.QueueFlashTestConfirmation(true);
    EXPECT_FALSE(OnFlashTest(rig2.ctx));
    EXPECT_EQ(rig2.ui.MessageTexts(),
              (std::vector<std::string>{"Data Read1 Error", " read 1a 1a 1a 1a \n"}));
    EXPECT_EQ(rig2.tracker.capabilities.memorySizeKbit, 1024);
}

}  // namespace
}  // namespace vanteo
