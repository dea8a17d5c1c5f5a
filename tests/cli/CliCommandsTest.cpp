// The command layer in-process against the simulated tracker on a virtual clock: what each
// command sends, prints and returns. Expected bytes are worked out by hand from the tracker's
// encodings (Morse ID, shifted paths, little-endian switch altitudes, power codes).
#include "cli/CliCommands.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "cli/CommandLineParser.h"
#include "cli/PortReport.h"
#include "cli/SettingsScope.h"
#include "device/FieldTable.h"
#include "serial/InProcessTransport.h"
#include "sim/TrackerSimulator.h"
#include "tests/support/TemporaryFolder.h"

namespace vanteo::cli {
namespace {

// One run of vanteo-cli: fresh form, tracker records and flight-log state, as a new process has;
// the tracker (and the clock) outlive it.
class CliProcess {
public:
    CliProcess(sim::TrackerSimulator& tracker, VirtualClock& clock)
        : clock_(clock), link_(console_, clock, [&tracker, &clock](const std::string&) {
              return std::make_unique<InProcessTransport>(tracker, clock);
          }) {}

    int Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--port", "SIM"});
        const auto parsed = CommandLineParser::Parse(arguments, nullptr);
        EXPECT_TRUE(parsed.ok) << parsed.error;
        if (!parsed.ok) {
            return CliCommands::kUsage;
        }
        CliCommands commands(flightLog_, console_, out_, portLister_);
        return commands.Run(parsed.request);
    }

    // What `ports` and `doctor` see as the system's port list.
    void SetPortLister(CliCommands::PortLister lister) { portLister_ = std::move(lister); }

    std::string Out() const { return out_.str(); }
    std::string Err() const { return err_.str(); }
    TrackerState& Tracker() { return tracker_; }
    bool Shows(int controlId) const { return console_.IsVisible(controlId); }

private:
    VirtualClock& clock_;
    FormModel form_ = FormModel::Constructed();
    TrackerState tracker_;
    FlightLogState log_;
    std::ostringstream out_;
    std::ostringstream err_;
    ConsoleInteraction console_{form_, err_, clock_, false};
    SerialLink link_;
    DeviceContext device_{form_, tracker_, link_, console_};
    FlightLogContext flightLog_{device_, log_};
    CliCommands::PortLister portLister_;
};

class CliCommandsTest : public ::testing::Test {
protected:
    // The last value poked to each address.
    std::map<int, int> Poked() const {
        std::map<int, int> poked;
        for (const auto& [address, value] : tracker.Pokes()) {
            poked[address] = value;
        }
        return poked;
    }

    std::vector<int> PokedRange(int from, int count) const {
        const auto poked = Poked();
        std::vector<int> values;
        for (int address = from; address < from + count; ++address) {
            const auto it = poked.find(address);
            values.push_back(it == poked.end() ? -1 : it->second);
        }
        return values;
    }

    // A file in the test's own scratch folder, removed with the fixture.
    std::string TempPath(const std::string& name) const { return scratch.Path(name); }

    static std::string Slurp(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    static void Spit(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    test::TemporaryFolder scratch;
    VirtualClock clock;
    sim::TrackerSimulator tracker;  // a ZPNAV9 at firmware 130: byte access, two profiles
};

// WIDE1-1 and WIDE2-2: '-' as a space, the SSID digit as its number, each byte shifted left,
// 1 added to the last.
const std::vector<int> kWidePaths = {0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40, 0x02,
                                     0xAE, 0x92, 0x88, 0x8A, 0x64, 0x40, 0x05};

TEST_F(CliCommandsTest, WriteSendsTheSetValuesInTheTrackersEncodings) {
    CliProcess cli(tracker, clock);
    ASSERT_EQ(cli.Run({"write", "--set", "ID String=AB1", "--set", "Path 1=WIDE1-1", "--set",
                       "path 2=WIDE2-2", "--set", "1171=2000", "--set", "Slow Rate=300", "--set",
                       "1004=1"}),
              0)
        << cli.Err();
    EXPECT_EQ(cli.Out(), "Write Complete\n");

    const std::vector<std::uint8_t>& record = tracker.LastSettingsRecord();
    ASSERT_EQ(record.size(), 35u);
    // AB1 padded to six: Morse A .- 0x60, B -... 0x88, 1 .---- 0x7C, blanks 0x01; then text.
    const std::vector<std::uint8_t> id = {0x60, 0x88, 0x7C, 0x01, 0x01, 0x01, 0x00,
                                          0x00, 0x41, 0x42, 0x31, 0x20, 0x20, 0x20};
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin(), record.begin() + 14), id);
    EXPECT_EQ(record[19], 0x40);  // +1 dBm
    EXPECT_EQ(PokedRange(0x2C, 14), kWidePaths);
    // Profile 1's switch altitude 2000 m = 0x07D0, low byte first.
    EXPECT_EQ(PokedRange(0x98, 2), (std::vector<int>{0xD0, 0x07}));
    // Slow Rate 300 = 0x012C, big-endian.
    EXPECT_EQ(PokedRange(0xC0, 2), (std::vector<int>{0x01, 0x2C}));
}

TEST_F(CliCommandsTest, WriteProfile2AddressesTheSecondRecordAndKeepsTheFirstAsRead) {
    CliProcess cli(tracker, clock);
    ASSERT_EQ(cli.Run({"write", "--profile", "2", "--set", "Path 1=WIDE1-1", "--set",
                       "Path 2=WIDE2-2", "--set", "1171=2000"}),
              0)
        << cli.Err();
    EXPECT_EQ(PokedRange(0xB0, 14), kWidePaths);
    // Profile 1 was read as WIDE1 1 / WIDE2 1 and goes back unchanged.
    EXPECT_EQ(PokedRange(0x2C, 14), (std::vector<int>{0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40, 0x02,
                                                      0xAE, 0x92, 0x88, 0x8A, 0x64, 0x40, 0x03}));
    EXPECT_EQ(PokedRange(0x98, 4), (std::vector<int>{0xE8, 0x03, 0xD0, 0x07}));
}

TEST_F(CliCommandsTest, WriteProfile2IsRefusedOnATrackerWithOneProfile) {
    tracker.Config().firmwareVersion = 212;  // byte access, but one profile
    CliProcess cli(tracker, clock);
    EXPECT_EQ(cli.Run({"write", "--profile", "2", "--set", "Path 1=WIDE1-1"}), 1);
    EXPECT_NE(cli.Err().find("one profile"), std::string::npos) << cli.Err();
    EXPECT_TRUE(tracker.Pokes().empty());
    EXPECT_EQ(tracker.Commands().find('P'), std::string::npos);
}

// Values a Read leaves in controls this tracker hides never stop a write: the shared record
// byte 23 goes out from the view the tracker shows. A value given for a hidden field still has to
// pass that field's rules.
TEST_F(CliCommandsTest, HiddenFieldsNeverRefuseAWrite) {
    {
        CliProcess cli(tracker, clock);  // firmware 130: "Tx Rate" (1 .. 252) hidden
        ASSERT_EQ(cli.Run({"write", "--set", "Once Every=253"}), 0) << cli.Err();
    }
    {
        CliProcess cli(tracker, clock);
        ASSERT_EQ(cli.Run({"write", "--set", "Once Every=5"}), 0) << cli.Err();
        EXPECT_EQ(tracker.LastSettingsRecord().at(23), 5);
    }
    {
        CliProcess cli(tracker, clock);
        EXPECT_EQ(cli.Run({"write", "--set", "Tx Rate=500"}), 1);
        EXPECT_NE(cli.Err().find("\"Tx Rate\" (1134) refuses '500': Please enter an integer "
                                 "between 1 and 252."),
                  std::string::npos)
            << cli.Err();
    }
    tracker.Config().firmwareVersion = 230;  // "Once Every" (1 .. 254) hidden
    tracker.Memory()[23] = 0;
    for (std::size_t i = 0; i < 32; ++i) {
        tracker.Memory()[0x60 + i] = 'M';  // a message area with no end byte: 32 characters
    }
    {
        CliProcess cli(tracker, clock);
        ASSERT_EQ(cli.Run({"write", "--set", "Tx Rate=6"}), 0) << cli.Err();
        EXPECT_EQ(tracker.LastSettingsRecord().at(23), 6);
    }
}

// The values for Profile 2 never land in Profile 1: when the form refuses the switch, nothing
// is sent.
TEST_F(CliCommandsTest, WriteProfile2StopsWhenTheFormDoesNotSwitch) {
    tracker.Memory()[22] = 0;  // "Store Intveral" 0, outside 1 .. 253
    CliProcess cli(tracker, clock);
    EXPECT_EQ(cli.Run({"write", "--profile", "2", "--set", "Store Intveral=1", "--set",
                       "Path 1=WIDE3-3"}),
              1);
    EXPECT_NE(cli.Err().find("Please enter an integer between 1 and 253."), std::string::npos)
        << cli.Err();
    EXPECT_NE(cli.Err().find("did not switch to Profile 2"), std::string::npos) << cli.Err();
    EXPECT_TRUE(tracker.Pokes().empty());
    EXPECT_EQ(tracker.Commands().find('P'), std::string::npos);
}

TEST_F(CliCommandsTest, ASettingThisTrackerDoesNotShowIsWrittenWithANote) {
    // Firmware 130 spaces packets by "Once Every"; "Tx Rate" stays hidden and unused.
    CliProcess cli(tracker, clock);
    ASSERT_EQ(cli.Run({"write", "--set", "Tx Rate=9", "--set", "Once Every=7"}), 0) << cli.Err();
    EXPECT_NE(cli.Err().find("note: \"Tx Rate\" (1134) is not shown for this tracker"),
              std::string::npos);
    EXPECT_EQ(cli.Err().find("\"Once Every\" (1017) is not shown"), std::string::npos);
    EXPECT_EQ(tracker.LastSettingsRecord().at(23), 7);
}

TEST_F(CliCommandsTest, WriteRefusesBeforeSendingAnythingWhenAValueIsRefused) {
    {
        // Unknown fields and bad check-box values are found before the tracker is asked.
        CliProcess cli(tracker, clock);
        EXPECT_EQ(cli.Run({"write", "--set", "Disable P3=1"}), 1);
        EXPECT_NE(cli.Err().find("no field of the form is called 'Disable P3'"), std::string::npos);
        EXPECT_EQ(cli.Run({"write", "--set", "Disable P2=yes"}), 1);
        EXPECT_EQ(tracker.Commands(), "");
    }
    {
        // The form's own range check, after the Read.
        CliProcess cli(tracker, clock);
        EXPECT_EQ(cli.Run({"write", "--set", "SSID=16"}), 1);
        EXPECT_NE(cli.Err().find("Please enter an integer between 0 and 15.\n"), std::string::npos)
            << cli.Err();
        EXPECT_NE(cli.Err().find("\"SSID\" (1059)"), std::string::npos);
        EXPECT_EQ(tracker.Commands().find('P'), std::string::npos);
        EXPECT_TRUE(tracker.Pokes().empty());
    }
    {
        // The Write's own check: an SSID of 0 passes the form but not the Write.
        CliProcess cli(tracker, clock);
        EXPECT_EQ(cli.Run({"write", "--set", "SSID=0"}), 1);
        EXPECT_NE(cli.Err().find("Invalid SSID"), std::string::npos);
        EXPECT_EQ(cli.Out(), "Please enter an SSID between 1 and 15\n");
        EXPECT_TRUE(tracker.LastSettingsRecord().empty());
    }
}

// A number with trailing text is refused with the field's own message, not cut short: a decimal
// comma would otherwise store 434.000 MHz.
TEST_F(CliCommandsTest, WriteRefusesANumberFollowedByOtherText) {
    tracker.Config().modelId = "ZPNAV0";  // 70 cm
    const struct {
        const char* setting;
        const char* longText;
        const char* shortText;
    } cases[] = {
        {"Frequency=434,65", "Please enter a frequency between 420 and 480 Mhz",
         "Invalid Frequency"},
        {"Low V=3.5V", "Please enter a voltage value between 3.2V and 4.0V",
         "Invalid Low Voltage value"},
    };
    for (const auto& c : cases) {
        CliProcess cli(tracker, clock);
        // The simulated memory holds a 2 m frequency: one on this band, then the case.
        EXPECT_EQ(cli.Run({"write", "--set", "Frequency=433.920", "--set", c.setting}), 1)
            << c.setting;
        EXPECT_EQ(cli.Out(), std::string(c.longText) + "\n");
        EXPECT_NE(cli.Err().find(c.shortText), std::string::npos) << cli.Err();
        EXPECT_TRUE(tracker.LastSettingsRecord().empty());
        EXPECT_TRUE(tracker.Pokes().empty());
    }
}

TEST_F(CliCommandsTest, ReadJsonThenWriteJsonPutsBackTheSameConfiguration) {
    CliProcess first(tracker, clock);
    ASSERT_EQ(first.Run({"write", "--set", "ID String=AB1", "--set", "Path 2=WIDE2-2"}), 0)
        << first.Err();
    const std::vector<std::uint8_t> written = tracker.LastSettingsRecord();

    const std::string json = TempPath("config.json");
    CliProcess reader(tracker, clock);
    ASSERT_EQ(reader.Run({"read", "--json", json}), 0) << reader.Err();
    // The record carries the ID String padded to six characters.
    EXPECT_NE(reader.Out().find("\n1034 ID String: AB1   \n"), std::string::npos);
    EXPECT_NE(reader.Out().find("\n1056 Path 2: WIDE2 2\n"), std::string::npos);
    EXPECT_NE(reader.Out().find("\n1002 Messages: Read Complete\n"), std::string::npos);
    EXPECT_NE(reader.Out().find("\nProfile 2: path1=\"WIDE1 1\" path2=\"WIDE2 1\" "
                                "txMessage=\"Recovery mode\""),
              std::string::npos)
        << reader.Out();

    // Someone changes the tracker; the file puts the saved configuration back.
    CliProcess other(tracker, clock);
    ASSERT_EQ(
        other.Run({"write", "--set", "ID String=ZZ9", "--profile", "2", "--set", "TX Msg=changed"}),
        0)
        << other.Err();
    tracker.ClearReceivedBytes();
    CliProcess restorer(tracker, clock);
    ASSERT_EQ(restorer.Run({"write", "--json", json}), 0) << restorer.Err();
    EXPECT_EQ(tracker.LastSettingsRecord(), written);
    // Profile 2's message "Recovery mode" from 0x40 on, then its 0 byte.
    std::string message;
    for (int address = 0x40; address < 0x4E; ++address) {
        message += static_cast<char>(Poked()[address]);
    }
    EXPECT_EQ(message, std::string("Recovery mode") + '\0');
}

// 346 and 347 both show "3.35" (3 × 3.3 V / 1024 per code): a settings file read from the
// tracker and written back in a new process leaves its low-voltage code as it was.
TEST_F(CliCommandsTest, ReadJsonThenWriteJsonKeepsTheLowVoltageCode) {
    tracker.Memory()[33] = 0x01;
    tracker.Memory()[34] = 0x5B;  // 347
    const std::string json = TempPath("config.json");
    CliProcess reader(tracker, clock);
    ASSERT_EQ(reader.Run({"read", "--json", json}), 0) << reader.Err();
    EXPECT_NE(reader.Out().find("\n1028 Low V: 3.35\n"), std::string::npos) << reader.Out();
    CliProcess writer(tracker, clock);
    ASSERT_EQ(writer.Run({"write", "--json", json}), 0) << writer.Err();
    const std::vector<std::uint8_t>& record = tracker.LastSettingsRecord();
    ASSERT_EQ(record.size(), 35u);
    EXPECT_EQ(record[33], 0x01);
    EXPECT_EQ(record[34], 0x5B);
}

TEST_F(CliCommandsTest, WriteJsonThatIsNotASettingsFileIsRefusedBeforeTheRead) {
    const std::string json = TempPath("bad.json");
    Spit(json, R"({"profiles": [{"slowSpeed": 256}, {}]})");
    CliProcess cli(tracker, clock);
    EXPECT_EQ(cli.Run({"write", "--json", json}), 1);
    EXPECT_NE(cli.Err().find("slowSpeed"), std::string::npos) << cli.Err();
    EXPECT_EQ(cli.Run({"write", "--json", TempPath("missing.json")}), 1);
    EXPECT_EQ(tracker.Commands(), "");
}

// The bytes a 130 tracker has and a 212 one does not: Profile 2 smart beaconing and switch
// altitudes (0x90 .. 0x9B), Profile 2 paths (0xB0 .. 0xBD), Profile 1 smart beaconing
// (0xC0 .. 0xC7) and both messages (0x40 .. 0x7F).
std::vector<int> BytesOnlyA130TrackerHas(const std::array<std::uint8_t, 256>& memory) {
    std::vector<int> bytes;
    for (const auto& [from, to] : {std::pair{0x40, 0x7F}, std::pair{0x90, 0x9B},
                                   std::pair{0xB0, 0xBD}, std::pair{0xC0, 0xC7}}) {
        for (int address = from; address <= to; ++address) {
            bytes.push_back(memory[static_cast<std::size_t>(address)]);
        }
    }
    return bytes;
}

TEST_F(CliCommandsTest, AFileFromFirmware212KeepsWhatThatTrackerDoesNotHave) {
    const std::string json = TempPath("from212.json");
    tracker.Config().firmwareVersion = 212;
    CliProcess reader(tracker, clock);
    ASSERT_EQ(reader.Run({"read", "--json", json}), 0) << reader.Err();
    const std::string written = Slurp(json);
    EXPECT_NE(written.find("\"model\": \"ZPNAV9\""), std::string::npos) << written;
    EXPECT_NE(written.find("\"firmware\": 212"), std::string::npos);
    EXPECT_EQ(written.find("\"1008\""), std::string::npos);  // no smart beaconing at 212
    EXPECT_EQ(written.find("slowRate"), std::string::npos);

    // The same from a version that wrote every field: the status texts name the tracker.
    const std::string older = TempPath("older.json");
    Spit(older, R"({"profile": 1,
        "fields": {"1052": "Model: ZPNAV9", "1051": "Version:212", "1035": 2053,
                   "1001": "144.390", "1134": 9, "1008": 0, "1007": 0, "1113": "",
                   "1055": "WIDE1 1", "1171": 0},
        "profiles": [{"path1": "WIDE1 1", "slowRate": 0, "txMessage": "", "switchAltitude": 0},
                     {"path1": "", "path2": "", "slowRate": 0, "switchAltitude": 0}]})");

    tracker.Config().firmwareVersion = 130;
    const std::vector<int> before = BytesOnlyA130TrackerHas(tracker.Memory());
    for (const std::string& file : {json, older}) {
        CliProcess writer(tracker, clock);
        ASSERT_EQ(writer.Run({"write", "--json", file}), 0) << writer.Err();
        EXPECT_EQ(writer.Out(), "Write Complete\n");
        EXPECT_EQ(BytesOnlyA130TrackerHas(tracker.Memory()), before) << file;
        EXPECT_NE(writer.Err().find("(ZPNAV9, firmware 130) does not have; not written: "
                                    "\"Tx Rate\" (1134)"),
                  std::string::npos)
            << writer.Err();
        const std::size_t keptAt = writer.Err().find("kept as on the tracker: ");
        ASSERT_NE(keptAt, std::string::npos) << writer.Err();
        const std::string kept = writer.Err().substr(keptAt);
        EXPECT_NE(kept.find("\"Once Every\" (1017)"), std::string::npos) << writer.Err();
        EXPECT_NE(kept.find("Profile 2 slowRate"), std::string::npos);
    }
}

// What a settings file holds for a tracker is what its form shows after a Read, for every
// firmware class (the digital-telemetry boxes aside: the Read shows them by a record bit).
TEST_F(CliCommandsTest, ASettingsFileHoldsWhatTheFormShowsForThatTracker) {
    const std::pair<const char*, int> trackers[] = {
        {"ZPNAV9", 130}, {"ZPNAV9", 212}, {"ZPNAV6", 17},  {"ZPNAV0", 115},
        {"ZPNAV1", 124}, {"ZPNAVB", 200}, {"ZPNAVD", 230}, {"ZPNAVC", 209},
    };
    for (const auto& [model, firmware] : trackers) {
        tracker.Config().modelId = model;
        tracker.Config().firmwareVersion = firmware;
        CliProcess cli(tracker, clock);
        ASSERT_EQ(cli.Run({"read"}), 0) << model << " " << firmware << cli.Err();
        const TrackerCapabilities caps = SettingsScope::Identify(model, firmware);
        for (const FieldRow& row : FieldTable()) {
            const bool digitalTelemetry = row.id == 1084 || row.id == 1085 || row.id == 1086 ||
                                          row.id == 1089 || row.id == 1090;
            if (!SettingsScope::IsSetting(row.id) || digitalTelemetry) {
                continue;
            }
            EXPECT_EQ(SettingsScope::HoldsField(row.id, caps), cli.Shows(row.id))
                << model << " " << firmware << ": " << row.id;
        }
    }
}

TEST_F(CliCommandsTest, AFileFromAnotherBandIsRefusedWithNothingSent) {
    const std::string json = TempPath("70cm.json");
    Spit(json, R"({"model": "ZPNAVD", "firmware": 230, "fields": {"SSID": 9}})");
    CliProcess cli(tracker, clock);
    EXPECT_EQ(cli.Run({"write", "--json", json}), 1);
    EXPECT_NE(cli.Err().find("the file comes from a 70 cm tracker (ZPNAVD, firmware 230) and "
                             "this one (ZPNAV9, firmware 130) works on 2 m: its settings cannot "
                             "apply; nothing was written"),
              std::string::npos)
        << cli.Err();
    EXPECT_TRUE(tracker.Pokes().empty());
    EXPECT_EQ(tracker.Commands().find('P'), std::string::npos);
}

// What the tracker cannot hold is refused by every way in, with the field's message, before
// anything is written: a file, --set, and the profile the form does not show.
TEST_F(CliCommandsTest, TextsTheTrackerCannotHoldAreRefusedByFileAndSet) {
    const char* callsign =
        "Invalid character in callsign string, only A-Z, 0-9 and /.?,:;- supported";
    const char* path = "Invalid character in path 1, only printable ASCII supported";
    const char* message = "Invalid character in TX Msg, only printable ASCII supported";
    const struct {
        const char* json;  // the file's text, or nullptr for the --set value
        const char* set;
        const char* told;
    } cases[] = {
        {R"({"fields": {"ID String": "K\u20acBC"}})", nullptr, callsign},
        {nullptr,
         "ID String=K\xE2\x82\xAC"
         "BC",
         callsign},
        {R"({"fields": {"Path 1": "WIDE\u20ac-1"}})", nullptr, path},
        {nullptr, "Path 1=WIDE\xE2\x82\xAC-1", path},
        {R"({"profiles": [{"txMessage": "H\u00c9LLO \u20ac"}, {}]})", nullptr, message},
        {nullptr, "TX Msg=H\xC3\x89LLO \xE2\x82\xAC", message},
        {nullptr, "TX Msg=TWO\nLINES", message},
        {R"({"profiles": [{}, {"path1": "WIDE"}]})", nullptr,
         "Profile 2 path 1 must be 7 characters long"},
        {R"({"profiles": [{}, {"SlowRate": 60}]})", nullptr, "unknown key \"SlowRate\""},
    };
    for (const auto& c : cases) {
        tracker.ClearReceivedBytes();
        std::vector<std::string> arguments = {"write"};
        if (c.json != nullptr) {
            const std::string json = TempPath("refused.json");
            Spit(json, c.json);
            arguments.insert(arguments.end(), {"--json", json});
        } else {
            arguments.insert(arguments.end(), {"--set", c.set});
        }
        CliProcess cli(tracker, clock);
        EXPECT_EQ(cli.Run(arguments), 1) << arguments.back();
        EXPECT_NE((cli.Err() + cli.Out()).find(c.told), std::string::npos)
            << arguments.back() << "\n"
            << cli.Err() << cli.Out();
        EXPECT_TRUE(tracker.Pokes().empty()) << arguments.back();
        EXPECT_EQ(tracker.Commands().find('P'), std::string::npos) << arguments.back();
    }
}

TEST_F(CliCommandsTest, IdentifyPrintsTheStatusTextsAndTheMessagesLine) {
    CliProcess cli(tracker, clock);
    ASSERT_EQ(cli.Run({"identify"}), 0) << cli.Err();
    // Serial 0x805 has bit 11 set: "Ser #: B" and the low 11 bits. Battery code
    // round(3.9 × 1024 / 9.9) = 403 reads back as 3.896 V; 3723 s is 1:02:03.
    EXPECT_EQ(cli.Out(),
              "Model: ZPNAV9\nVersion:130\nSer #: B5\nBattery 3.90 V\nTime: 1:02:03\n"
              "Read Complete\n");
}

TEST_F(CliCommandsTest, ASilentTrackerFailsWithTheLinksMessage) {
    tracker.Config().faults.silent = true;
    CliProcess cli(tracker, clock);
    EXPECT_EQ(cli.Run({"identify"}), 1);
    EXPECT_NE(cli.Err().find("Serial Port Error: Read returned 0 chars. Closing com port\n"),
              std::string::npos);
    // The link closed itself, so the model query cannot even be written.
    EXPECT_EQ(cli.Out(), "err0\n");
}

// Scripts read the stdout line: after a failure it names the failure, never the "Read Complete"
// of the Read the command began with.
TEST_F(CliCommandsTest, AFailedCommandPrintsItsFailureNotTheReadsResult) {
    CliProcess identify(tracker, clock);
    ASSERT_EQ(identify.Run({"identify"}), 0);
    const long readBytes = tracker.BytesSent();
    CliProcess write(tracker, clock);
    ASSERT_EQ(write.Run({"write"}), 0);
    const long writeBytes = tracker.BytesSent() - 2 * readBytes;

    sim::TrackerSimulator unplugged;  // half way through the Write
    unplugged.Config().faults.disconnectAfterBytes = readBytes + writeBytes / 2;
    CliProcess failedWrite(unplugged, clock);
    EXPECT_EQ(failedWrite.Run({"write"}), 1);
    EXPECT_EQ(failedWrite.Out(),
              "Write failed part way: the tracker may be partly written. Read it and check every "
              "setting before flying\n");
    EXPECT_NE(failedWrite.Err().find("Serial Port Error: Read returned 0 chars"),
              std::string::npos);

    sim::TrackerSimulator silentAfterRead;  // unplugged at Save Cfg's first peek
    silentAfterRead.Config().faults.disconnectAfterBytes = readBytes;
    CliProcess failedSave(silentAfterRead, clock);
    EXPECT_EQ(failedSave.Run({"save-cfg", TempPath("saved.kvt")}), 1);
    EXPECT_EQ(failedSave.Out(), "save-cfg did not complete\n");
}

TEST_F(CliCommandsTest, SaveAndRestoreTheConfigurationMemory) {
    const std::string saved = TempPath("saved.kvt");
    CliProcess saver(tracker, clock);
    ASSERT_EQ(saver.Run({"save-cfg", saved}), 0) << saver.Err();
    EXPECT_NE(saver.Err().find("This is the save button\n"), std::string::npos);
    const std::string text = Slurp(saved);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 256);
    // Serial number 0x805 at 0x80..0x83, big-endian; the first path byte 0xAE at 0x2C.
    EXPECT_NE(text.find("\n80:0\n81:0\n82:8\n83:5\n"), std::string::npos);
    EXPECT_NE(text.find("\n2c:ae\n"), std::string::npos);

    const std::string restore = TempPath("restore.kvt");
    Spit(restore, "7f:12\n80:12\n");
    CliProcess restorer(tracker, clock);
    ASSERT_EQ(restorer.Run({"restore-cfg", restore}), 0) << restorer.Err();
    EXPECT_EQ(tracker.Memory()[0x7F], 0x12);
    EXPECT_EQ(tracker.Memory()[0x80], 0x00);  // the factory block is never restored

    tracker.ClearReceivedBytes();
    CliProcess missing(tracker, clock);
    EXPECT_EQ(missing.Run({"restore-cfg", TempPath("absent.kvt")}), 1);
    EXPECT_TRUE(tracker.ReceivedBytes().empty());
}

TEST_F(CliCommandsTest, ServiceCommandsInCalibrationMode) {
    CliProcess tone(tracker, clock);
    ASSERT_EQ(tone.Run({"--calibration", "tone"}), 0) << tone.Err();
    EXPECT_TRUE(tracker.ToneOn());
    EXPECT_EQ(tone.Out(), "Turning on 1200 Hz tone\n");
    EXPECT_EQ(tone.Err().rfind("Calibration Mode Enabled\n", 0), 0u);

    CliProcess off(tracker, clock);
    ASSERT_EQ(off.Run({"--calibration", "tone", "--off"}), 0) << off.Err();
    EXPECT_FALSE(tracker.ToneOn());
    EXPECT_EQ(off.Out(), "Turning off 1200 Hz tone\n");

    // A ZPNAV9's calibration base is 3900: 3800 before "-->" is a calibration of -100, whose
    // magnitude 0x64 goes into both copies with the sign bit in both high bytes.
    CliProcess update(tracker, clock);
    ASSERT_EQ(update.Run({"--calibration", "update", "--serial", "2053", "--cal", "3800"}), 0)
        << update.Err();
    EXPECT_NE(update.Err().find("Serial Numbers updated"), std::string::npos);
    const auto& memory = tracker.Memory();
    EXPECT_EQ(std::vector<int>(memory.begin() + 0x80, memory.begin() + 0x84),
              (std::vector<int>{0x00, 0x00, 0x08, 0x05}));
    EXPECT_EQ(std::vector<int>(memory.begin() + 0x8B, memory.begin() + 0x8F),
              (std::vector<int>{0x64, 0x80, 0x64, 0x80}));

    CliProcess refused(tracker, clock);
    EXPECT_EQ(refused.Run({"--calibration", "update", "--serial", "-5"}), 1);
    EXPECT_NE(refused.Err().find("Please enter a positive integer."), std::string::npos);

    // A new process opens the link itself before the poke.
    CliProcess devAddr(tracker, clock);
    ASSERT_EQ(devAddr.Run({"--calibration", "devaddr", "4"}), 0) << devAddr.Err();
    EXPECT_EQ(tracker.Memory()[0x26], 4);
    EXPECT_NE(devAddr.Err().find("DevAddr updated to 4"), std::string::npos);
}

TEST_F(CliCommandsTest, RunStartsTheTestTransmission) {
    CliProcess cli(tracker, clock);
    ASSERT_EQ(cli.Run({"run"}), 0) << cli.Err();
    EXPECT_TRUE(tracker.Transmitting());
    EXPECT_EQ(cli.Out(), "TX running, Enter a command to stop\n");
}

TEST_F(CliCommandsTest, DownloadThenValidateTheFlightLog) {
    const std::string kml = TempPath("flight.kml");
    CliProcess download(tracker, clock);
    ASSERT_EQ(download.Run({"read-flash", kml, "--name", "Joe", "--motor", "H128"}), 0)
        << download.Err();
    EXPECT_NE(download.Err().find("Done Reading Flash"), std::string::npos);
    const std::string text = Slurp(kml);
    EXPECT_NE(text.find("Joe"), std::string::npos);
    EXPECT_NE(text.find("H128"), std::string::npos);
    EXPECT_NE(text.find("KVTDATA"), std::string::npos);

    CliProcess check(tracker, clock);
    EXPECT_EQ(check.Run({"validate-kml", kml}), 0) << check.Err();
    const std::string copy = TempPath("copy.kml");
    CliProcess rewrite(tracker, clock);
    EXPECT_EQ(rewrite.Run({"validate-kml", kml, "-o", copy}), 0) << rewrite.Err();
    EXPECT_NE(Slurp(copy).find("KVTCHECKSUM"), std::string::npos);

    // One value of the data block changed: the checksum no longer matches.
    std::string tampered = text;
    const std::size_t first = tampered.find("KVTDATA\n") + 8;
    tampered.replace(first, 2, tampered.compare(first, 2, "7E") == 0 ? "7F" : "7E");
    Spit(kml, tampered);
    CliProcess bad(tracker, clock);
    EXPECT_EQ(bad.Run({"validate-kml", kml}), 1);
    EXPECT_NE(bad.Err().find("Checksum incorrect:  Expected: "), std::string::npos);

    // Three values with their right checksum are still no flight log: no copy, exit 1.
    Spit(kml,
         "<!-- KVTDATA 61 62 63 KVTENDDATA KVTCHECKSUM 3ED0 KVTCOMPRESS 0 KVTHRSMINS 0 "
         "KVTTIMESTAMP 0 -->\n");
    const std::string shortCopy = TempPath("short-copy.kml");
    CliProcess tooShort(tracker, clock);
    EXPECT_EQ(tooShort.Run({"validate-kml", kml, "-o", shortCopy}), 1);
    EXPECT_NE(tooShort.Err().find("too short to be a flight log"), std::string::npos);
    EXPECT_FALSE(std::ifstream(shortCopy).good());
}

TEST_F(CliCommandsTest, ClearFlashOnlyWithYes) {
    CliProcess refused(tracker, clock);
    EXPECT_EQ(refused.Run({"clear-flash"}), 1);
    EXPECT_NE(refused.Err().find("--yes"), std::string::npos);
    EXPECT_EQ(tracker.Commands().find('Z'), std::string::npos);

    CliProcess clear(tracker, clock);
    ASSERT_EQ(clear.Run({"clear-flash", "--yes"}), 0) << clear.Err();
    EXPECT_NE(tracker.Commands().find('Z'), std::string::npos);
    EXPECT_NE(clear.Err().find("Done Clearing Flash"), std::string::npos);
}

TEST_F(CliCommandsTest, FlashTestAndFixKml) {
    // The pattern would overwrite the start of the flight log: refused without --yes.
    CliProcess refused(tracker, clock);
    EXPECT_EQ(refused.Run({"flash-test"}), 1);
    EXPECT_NE(refused.Err().find("overwrites the start of the flight log"), std::string::npos);
    EXPECT_NE(refused.Err().find("--yes"), std::string::npos);
    EXPECT_TRUE(tracker.FlashWrites().empty());
    EXPECT_EQ(tracker.Commands().find('I'), std::string::npos);

    CliProcess test(tracker, clock);
    ASSERT_EQ(test.Run({"flash-test", "--yes"}), 0) << test.Err();
    EXPECT_NE(test.Err().find("I2C Test Passed"), std::string::npos);

    const std::string in = TempPath("broken.kml");
    const std::string out = TempPath("fixed.kml");
    Spit(in, "<coordinates>, -60.5, 37.2\n-60.5, 37.2, 1234\n");
    CliProcess fix(tracker, clock);
    ASSERT_EQ(fix.Run({"fix-kml", in, out}), 0) << fix.Err();
    EXPECT_EQ(Slurp(out), "<coordinates>-60.5,37.2\n-60.5,37.2,1234\n");
    EXPECT_NE(fix.Err().find(" read 2 lines\n"), std::string::npos);
}

// The doctor report puts the note under a USB adapter whose latency timer is above 2 ms, with the
// file that lowers it; an adapter at 1 ms and a port without a timer (a pseudo-terminal) get none.
TEST_F(CliCommandsTest, DoctorNotesAHighAdapterLatencyTimer) {
    const std::string sys = scratch.Path("sys");
    const std::string devices = sys + "/bus/usb-serial/devices/";
    for (const auto& [tty, timer] : {std::pair{"ttyUSB0", "16\n"}, std::pair{"ttyUSB1", "1\n"}}) {
        std::filesystem::create_directories(devices + tty);
        Spit(devices + tty + "/latency_timer", timer);
    }
    CliProcess cli(tracker, clock);
    cli.SetPortLister([&sys] {
        return DescribePorts(
            {PortInfo("/dev/ttyUSB0", "FT232R USB UART"), PortInfo("ttyUSB1", "FT232R USB UART"),
             PortInfo("/dev/pts/3", "Vanteo tracker simulator")},
            sys);
    });
    ASSERT_EQ(cli.Run({"doctor"}), 0);
    const std::string out = cli.Out();
    const std::string note =
        "  /dev/ttyUSB0  ?  this user may open it  FT232R USB UART\n"
        "    the adapter's latency timer is 16 ms: each reply can wait up to 16 ms in the "
        "adapter; writing 1 to " +
        devices +
        "ttyUSB0/latency_timer (as root) lowers it\n"
        "  ttyUSB1  ?  this user may open it  FT232R USB UART\n"
        "  /dev/pts/3  ?  this user may open it  Vanteo tracker simulator\n"
        "newest vanteo-sim announcement: none\n";
    ASSERT_GE(out.size(), note.size());
    EXPECT_EQ(out.substr(out.size() - note.size()), note) << out;
}

}  // namespace
}  // namespace vanteo::cli
