#include <gtest/gtest.h>

#include <vector>

#include "tests/device/DeviceFixture.h"

namespace vanteo::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class WriteTest : public DeviceTest {
protected:
    void ReadTracker(const std::string& model, int version, int calibration = 0) {
        sim::SimulatorConfig config;
        config.modelId = model;
        config.firmwareVersion = version;
        config.calibration = calibration;
        Attach(config);
        ASSERT_TRUE(OnRead(ctx));
        simulator.ClearReceivedBytes();
        ui.ClearMessages();
        commandsBeforeWrite = simulator.Commands().size();
    }

    // The values poked from `first` on, in the order they were poked.
    Bytes PokedFrom(std::uint8_t first, std::size_t count) {
        Bytes values;
        for (const auto& [address, value] : simulator.Pokes()) {
            if (address >= first && address < first + count) {
                values.push_back(value);
            }
        }
        return values;
    }

    Bytes Record() { return simulator.LastSettingsRecord(); }
    std::string CommandsOfWrite() { return simulator.Commands().substr(commandsBeforeWrite); }

    std::size_t commandsBeforeWrite = 0;
};

TEST_F(WriteTest, RefusedBeforeAnyRead) {
    EXPECT_FALSE(OnWrite(ctx));
    EXPECT_EQ(form.messages, "Please Read the tracker before writing to it");
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Read the tracker first"});
    EXPECT_TRUE(simulator.ReceivedBytes().empty());
}

TEST_F(WriteTest, SynthesizerTrackerOn2m) {
    ReadTracker("ZPNAV9", 130, 100);
    ui.Type(1001, "145.000");
    ui.Type(1034, "KD0ABC");
    ui.Type(1059, "7");
    ui.Type(1004, "5");
    ui.Type(1055, "WIDE1-1");
    ui.Type(1056, "WIDE2-2");
    ui.Type(1008, "300");
    ui.Type(1013, "300");
    ui.Type(1113, "HELLO");
    ui.Type(1171, "1000");
    ASSERT_TRUE(OnWrite(ctx));
    EXPECT_EQ(form.messages, "Write Complete");
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"Warning: Power Amp disabled, only valid for testing"});
    EXPECT_EQ(form.fcal, 100);

    EXPECT_EQ(PokedFrom(0x2C, 14), (Bytes{0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40, 0x02, 0xAE, 0x92,
                                          0x88, 0x8A, 0x64, 0x40, 0x05}));
    // Profile 2 as read: WIDE1 1, WIDE2 1.
    EXPECT_EQ(PokedFrom(0xB0, 14), (Bytes{0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40, 0x02, 0xAE, 0x92,
                                          0x88, 0x8A, 0x64, 0x40, 0x03}));
    EXPECT_EQ(PokedFrom(0x98, 4), (Bytes{0xE8, 0x03, 0x2C, 0x01}));  // 1000 m, 300 m
    // R with fcal 100: v = -80 -> 0x7B0 << 2; N: n = 1596 + 143360 = 144956, * 4 + 1.
    EXPECT_EQ(PokedFrom(0xA0, 16), (Bytes{0x04, 0x40, 0x3E, 0xC0, 0x00, 0x08, 0xD8, 0xF1, 0x00,
                                          0x00, 0x87, 0xE2, 0x00, 0x5A, 0xA0, 0x4F}));
    EXPECT_EQ(PokedFrom(0xC8, 4), (Bytes{0x00, 0x00, 0x07, 0xE2}));
    // Registers go R, N, M, second M, F.
    const auto& pokes = simulator.Pokes();
    const auto at = [&](std::uint8_t address) {
        return std::find_if(pokes.begin(), pokes.end(),
                            [address](const auto& p) { return p.first == address; });
    };
    EXPECT_LT(at(0xA8), at(0xC8));
    EXPECT_LT(at(0xC8), at(0xAC));

    EXPECT_EQ(PokedFrom(0xC0, 8), (Bytes{0x01, 0x2C, 5, 60, 0x2C, 30, 25, 15}));
    EXPECT_EQ(PokedFrom(0x90, 8), (Bytes{0x01, 0x2C, 3, 40, 20, 20, 20, 10}));
    EXPECT_EQ(PokedFrom(0x60, 32), (Bytes{'H', 'E', 'L', 'L', 'O', 0}));
    const std::string recovery = "Recovery mode";
    Bytes second(recovery.begin(), recovery.end());
    second.push_back(0);
    EXPECT_EQ(PokedFrom(0x40, 32), second);

    // K -.- 0xB0, D -.. 0x90, 0 0xFC, A 0x60, B 0x88, C -.-. 0xA8; +5 dBm 0x70; no packed
    // frequency; 3.5 V * 1024 / (3 * 3.3) = 362 = 0x16A.
    EXPECT_EQ(Record(),
              (Bytes{0xB0, 0x90, 0xFC, 0x60, 0x88, 0xA8, 0x00, 0x00, 'K',  'D',  '0',  'A',
                     'B',  'C',  0x07, 'O',  0x00, 0x00, 0x00, 0x70, 0x1E, 0x0A, 0x01, 0x05,
                     0x00, 0x00, 0x00, 0x08, 0x42, 0x00, 0x00, 0x00, 0x24, 0x01, 0x6A}));
    EXPECT_EQ(tracker.flagBytes.optionsA, 0x42);
    EXPECT_EQ(tracker.flagBytes.operation, 0x24);

    // What was written reads back.
    form = FormModel::StartUp();
    form.comPort = "SIM";
    Show();
    ASSERT_TRUE(OnRead(ctx));
    EXPECT_EQ(form.frequency, "145.000");
    EXPECT_EQ(form.idString, "KD0ABC");
    EXPECT_EQ(form.ssid, 7u);
    EXPECT_EQ(form.outputPower, 5);
    EXPECT_EQ(form.path1, "WIDE1 1");
    EXPECT_EQ(form.path2, "WIDE2 2");
    EXPECT_EQ(form.slowRate, 300u);
    EXPECT_EQ(form.fastRate, 44u);  // only its low byte is stored
    EXPECT_EQ(form.txMessage, "HELLO");
    EXPECT_EQ(form.switchAltitude, 1000u);
    EXPECT_EQ(form.fcal, 100);
}

TEST_F(WriteTest, PackedFrequencyTrackerOn70cm) {
    ReadTracker("ZPNAVD", 230);
    ui.Type(1001, "433.920");
    ui.Type(1004, "20");
    ui.Type(1134, "3");
    ASSERT_TRUE(OnWrite(ctx));
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"Warning, setting transmit rate to less than 5 may result "
                                       "in decreased ability of GPS to re-acquire lock!"});
    EXPECT_EQ(PokedFrom(0x2C, 14).size(), 14u);
    EXPECT_TRUE(PokedFrom(0xA0, 16).empty());
    EXPECT_TRUE(PokedFrom(0xB0, 14).empty());
    EXPECT_TRUE(PokedFrom(0x98, 4).empty());
    EXPECT_TRUE(PokedFrom(0xC0, 8).empty());
    EXPECT_TRUE(PokedFrom(0x60, 32).empty());
    // N0CALL; 433.92 MHz packed = 0x421425; +20 dBm with the 10 dB offset = 0xE0; Tx Rate 3;
    // 3.5 V * 1024 / (2 * 3.0) = 597 = 0x255.
    EXPECT_EQ(Record(),
              (Bytes{0xA0, 0xFC, 0xA8, 0x60, 0x48, 0x48, 0x00, 0x00, 'N',  '0',  'C',  'A',
                     'L',  'L',  0x0B, 'O',  0x42, 0x14, 0x25, 0xE0, 0x1E, 0x0A, 0x01, 0x03,
                     0x00, 0x00, 0x00, 0x08, 0x42, 0x00, 0x00, 0x00, 0x24, 0x02, 0x55}));
}

TEST_F(WriteTest, TrackerWithoutByteAccessGetsPathsByLetterWithPacing) {
    ReadTracker("ZPNAV0", 100);
    ui.Type(1001, "433.920");
    ui.Type(1055, "WIDE1-1");
    ui.Type(1056, "WIDE2-2");
    const std::int64_t start = clock.NowMs();
    ASSERT_TRUE(OnWrite(ctx));
    EXPECT_EQ(clock.NowMs() - start, 14 * 40);  // the only pauses of a Write
    EXPECT_EQ(CommandsOfWrite(), "?SDVKWP");
    const Bytes& sent = simulator.ReceivedBytes();
    const auto w = std::find(sent.begin(), sent.end(), 'W');
    ASSERT_NE(w, sent.end());
    EXPECT_EQ(Bytes(w + 1, w + 15), (Bytes{0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40, 0x02, 0xAE, 0x92,
                                           0x88, 0x8A, 0x64, 0x40, 0x05}));
    // The record carries the packed frequency and Tx Rate (5) as packet spacing.
    EXPECT_EQ(Record()[16], 0x42);
    EXPECT_EQ(Record()[23], 5);
    EXPECT_EQ(form.messages, "Write Complete");
}

TEST_F(WriteTest, ChecksRefuseBeforeAnythingIsSent) {
    ReadTracker("ZPNAV9", 130);
    const struct {
        int id;
        const char* text;
        const char* longText;
        const char* shortText;
    } cases[] = {
        {1001, "160.1", "Please enter a frequency between 144 and 149 Mhz", "Invalid Frequency"},
        {1001, "139.9", "Please enter a frequency between 144 and 149 Mhz", "Invalid Frequency"},
        {1001, "nan", "Please enter a frequency between 144 and 149 Mhz", "Invalid Frequency"},
        {1004, "13", "Please enter a valid power number between -20 and +12dBm", "Invalid Power"},
        {1060, "", "Symbol must be 1 character long", "Invalid Symbol"},
        {1059, "0", "Please enter an SSID between 1 and 15", "Invalid SSID"},
        {1028, "3.1", "Please enter a voltage value between 3.2V and 4.0V",
         "Invalid Low Voltage value"},
        {1028, "nan", "Please enter a voltage value between 3.2V and 4.0V",
         "Invalid Low Voltage value"},
        // Trailing text is refused, not cut off: a decimal comma, a unit, other number forms.
        {1001, "145,5", "Please enter a frequency between 144 and 149 Mhz", "Invalid Frequency"},
        {1001, "145.5 M", "Please enter a frequency between 144 and 149 Mhz", "Invalid Frequency"},
        {1001, "0x91", "Please enter a frequency between 144 and 149 Mhz", "Invalid Frequency"},
        {1001, "1.45e2", "Please enter a frequency between 144 and 149 Mhz", "Invalid Frequency"},
        {1028, "3.5V", "Please enter a voltage value between 3.2V and 4.0V",
         "Invalid Low Voltage value"},
        {1028, "3,5", "Please enter a voltage value between 3.2V and 4.0V",
         "Invalid Low Voltage value"},
        {1034, "KD0ABCD", "Callsign must be 6 or fewer characters long", "Invalid callsign length"},
        {1055, "WIDE1", "path 1 must be 7 characters long", "Invalid path length"},
        {1056, "WIDE2-22", "Please enter no more than 7 characters.", nullptr},
    };
    for (const auto& c : cases) {
        ReadTracker("ZPNAV9", 130);
        ui.Type(c.id, c.text);
        EXPECT_FALSE(OnWrite(ctx)) << c.id << " " << c.text;
        if (c.shortText != nullptr) {
            EXPECT_EQ(form.messages, c.longText) << c.text;
            EXPECT_EQ(ui.MessageTexts().back(), c.shortText) << c.text;
        } else {
            EXPECT_EQ(ui.MessageTexts().back(), c.longText) << c.text;
        }
        EXPECT_TRUE(simulator.ReceivedBytes().empty()) << c.text;
    }
}

TEST_F(WriteTest, BandEdgesAndLowVoltageEdgesPass) {
    // White space around the number is no trailing text.
    for (const char* frequency : {"141.0", "159.5", "140", "160", " 141\t "}) {
        ReadTracker("ZPNAV9", 130);
        ui.Type(1001, frequency);
        ui.Type(1028, "3.2 ");
        EXPECT_TRUE(OnWrite(ctx)) << frequency;
    }
}

// Read then Write leaves the low-voltage bytes (record 33-34) as they were, for every code the
// Write accepts on a ZPNAV9: 3 × 3.3 V / 1024 per code, so 331 (3.2001 V, "3.20") up to 414
// (4.0025 V, "4.00"); 330 (3.1904 V) and 415 (4.0122 V) show "3.19" and "4.01" and are refused.
// Some texts belong to two codes (346 and 347 both show "3.35"): each goes back as itself.
TEST_F(WriteTest, ReadThenWriteKeepsEveryLowVoltageCode) {
    for (std::uint32_t code = 330; code <= 415; ++code) {
        sim::SimulatorConfig config;
        Attach(config);
        simulator.Memory()[33] = static_cast<std::uint8_t>(code >> 8);
        simulator.Memory()[34] = static_cast<std::uint8_t>(code & 0xFF);
        ASSERT_TRUE(OnRead(ctx)) << code;
        const bool accepted = static_cast<bool>(OnWrite(ctx));
        if (code == 330 || code == 415) {
            EXPECT_FALSE(accepted) << code;
            EXPECT_EQ(form.messages, "Please enter a voltage value between 3.2V and 4.0V");
            continue;
        }
        ASSERT_TRUE(accepted) << code << " shown as " << form.lowVoltage;
        const Bytes record = Record();
        EXPECT_EQ(
            Bytes(record.begin() + 33, record.begin() + 35),
            (Bytes{static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code & 0xFF)}))
            << code << " shown as " << form.lowVoltage;
    }
    // The same text typed again after a Read of another code: a code that shows it.
    simulator.Memory()[33] = 0x01;
    simulator.Memory()[34] = 0x90;  // 400, "3.87"
    ASSERT_TRUE(OnRead(ctx));
    ui.Type(1028, "3.20");
    ASSERT_TRUE(OnWrite(ctx));
    const Bytes record = Record();
    EXPECT_EQ(Bytes(record.begin() + 33, record.begin() + 35), (Bytes{0x01, 0x4B}));  // 331
}

// The form itself refuses a character Morse cannot key, so the Write stops at its first
// transfer: the profile store is not updated (the Write's own check came after it).
TEST_F(WriteTest, LowerCaseCallsignIsRefusedByTheForm) {
    ReadTracker("ZPNAV9", 130);
    ui.Type(1034, "kd0abc");
    ui.Type(1008, "123");
    EXPECT_FALSE(OnWrite(ctx));
    EXPECT_EQ(ui.MessageTexts().back(),
              "Invalid character in callsign string, only A-Z, 0-9 and /.?,:;- supported");
    EXPECT_NE(tracker.profileStore.profiles[0].slowRate, 123u);
    EXPECT_TRUE(simulator.ReceivedBytes().empty());
}

// The profile the form does not show passes the same path and message checks as the shown one.
TEST_F(WriteTest, TheOtherProfilesStoredTextsAreCheckedBeforeAnythingIsSent) {
    const struct {
        int profile;
        const char* path1;
        const char* message;
        const char* longText;
    } cases[] = {
        {1, "WIDE", "", "Profile 2 path 1 must be 7 characters long"},
        {1, "WIDE1 ", "", "Profile 2 path 1 must be 7 characters long"},
        {1, "WIDE1  ", "",
         "Profile 2 Invalid character at the end of path 1, the SSID must be a digit 0-9"},
        {1, "WIDE1-1", "TWO\nLINES",
         "Profile 2 Invalid character in TX Msg, only printable ASCII supported"},
        {0, "WIDE\xc9-1", "",
         "Profile 1 Invalid character in path 1, only printable ASCII "
         "supported"},
    };
    for (const auto& c : cases) {
        ReadTracker("ZPNAV9", 130);
        // The stored record as a settings file or an earlier switch could leave it.
        ProfileSettings& stored =
            tracker.profileStore.profiles[static_cast<std::size_t>(c.profile)];
        stored.path1 = c.path1;
        stored.txMessage = c.message;
        if (c.profile == 0) {
            OnProfile2Clicked(ctx);
            tracker.profileStore.profiles[0].path1 = c.path1;
        }
        EXPECT_FALSE(OnWrite(ctx)) << c.path1;
        EXPECT_EQ(form.messages, c.longText);
        EXPECT_TRUE(simulator.ReceivedBytes().empty()) << c.path1;
    }
}

TEST_F(WriteTest, ShortCallsignIsPaddedInTheForm) {
    ReadTracker("ZPNAV9", 130);
    ui.Type(1034, "AB1");
    ASSERT_TRUE(OnWrite(ctx));
    EXPECT_EQ(ui.ControlText(1034), "AB1   ");
    const Bytes record = Record();
    EXPECT_EQ(Bytes(record.begin(), record.begin() + 14),
              (Bytes{0x60, 0x88, 0x7C, 0x01, 0x01, 0x01, 0x00, 0x00, 0x41, 0x42, 0x31, 0x20, 0x20,
                     0x20}));
}

TEST_F(WriteTest, InterlocksChangeTheBoxesInOrder) {
    ReadTracker("ZPNAV0", 130);
    ui.Type(1001, "433.920");
    ui.Type(1074, "1");  // Course/speed
    ui.Type(1087, "1");  // G-switch, without Smart Launch Detect
    ui.Type(1086, "1");  // Dig C
    ui.Type(1090, "1");  // Dig Enable
    ASSERT_TRUE(OnWrite(ctx));
    EXPECT_EQ(ui.MessageTexts(),
              (std::vector<std::string>{
                  "HW G-switch requires SMART enabled",
                  "Digital telemetry and Course/speed are incompatiable.  Disabling Course/speed",
                  "HW G-switch and DigC can not both be enabled, disabling DigC"}));
    EXPECT_EQ(ui.ControlText(1064), "1");
    EXPECT_EQ(ui.ControlText(1086), "0");
    EXPECT_EQ(ui.ControlText(1074), "0");
    // Wrap, smart launch, low-V shutdown, position logging; G-switch and Dig Enable.
    EXPECT_EQ(Record()[32], 0x27);
    EXPECT_EQ(Record()[31], 0xA0);
    EXPECT_EQ(tracker.flagBytes.telemetry, 0xA0);
}

TEST_F(WriteTest, DigBoxesClearedWithoutDigEnable) {
    ReadTracker("ZPNAV0", 130);
    ui.Type(1001, "433.920");
    ui.Type(1087, "1");
    ui.Type(1064, "1");
    ui.Type(1086, "1");
    ui.Type(1084, "1");
    ASSERT_TRUE(OnWrite(ctx));
    EXPECT_EQ(ui.MessageTexts(),
              std::vector<std::string>{"Digital telemetry feature is not enabled!"});
    EXPECT_EQ(Record()[31], 0x20);
}

TEST_F(WriteTest, ProfileTwoShownGoesToItsOwnAddresses) {
    ReadTracker("ZPNAV9", 130);
    OnProfile2Clicked(ctx);
    ui.Type(1055, "RELAY-3");
    ui.Type(1056, "WIDE2-2");
    ASSERT_TRUE(OnWrite(ctx));
    // RELAY-3: R 0xA4, E 0x8A, L 0x98, A 0x82, Y 0xB2, space 0x40, 3 -> 0x06.
    EXPECT_EQ(PokedFrom(0xB0, 14), (Bytes{0xA4, 0x8A, 0x98, 0x82, 0xB2, 0x40, 0x06, 0xAE, 0x92,
                                          0x88, 0x8A, 0x64, 0x40, 0x05}));
    EXPECT_EQ(PokedFrom(0x2C, 14), (Bytes{0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40, 0x02, 0xAE, 0x92,
                                          0x88, 0x8A, 0x64, 0x40, 0x03}));
}

TEST_F(WriteTest, LinkLossEndsTheWriteWithoutCompletion) {
    ReadTracker("ZPNAV9", 130);
    simulator.Config().faults.disconnectAfterBytes = 100;
    EXPECT_FALSE(OnWrite(ctx));
    EXPECT_NE(form.messages, "Write Complete");
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{
                                     "Serial Port Error: Read returned 0 chars. Closing com port"});

    // Without byte access: unplugged inside the 'W' prompt, after "OK", the serial number and
    // calibration lines (4 + 2 bytes each), "100" and "1" (24 bytes with their terminators).
    // The loss is reported once, not again by the reply read after the path bytes.
    tracker.capabilities = TrackerCapabilities{};  // a fresh run: no byte access from above
    ReadTracker("ZPNAV0", 100);
    ui.Type(1001, "433.920");
    simulator.Config().faults.disconnectAfterBytes = simulator.BytesSent() + 26;
    EXPECT_FALSE(OnWrite(ctx));
    EXPECT_EQ(CommandsOfWrite(), "?SDVKW");
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{
                                     "Serial Port Error: Read returned 0 chars. Closing com port"});
}

// Unplugged at every byte of a Write: the Messages field never keeps the Read's "Read
// Complete", and once anything may have reached the tracker's memory it says so.
TEST_F(WriteTest, AWriteThatStopsSaysHowFarItGot) {
    const std::string nothingWritten = "Write failed: nothing was written to the tracker";
    const std::string partlyWritten =
        "Write failed part way: the tracker may be partly written. Read it and check every "
        "setting before flying";
    ReadTracker("ZPNAV9", 130);
    const long before = simulator.BytesSent();
    ASSERT_TRUE(OnWrite(ctx));
    const long writeBytes = simulator.BytesSent() - before;
    int partly = 0;
    for (long cut = 0; cut < writeBytes; ++cut) {
        ReadTracker("ZPNAV9", 130);
        ASSERT_EQ(form.messages, "Read Complete");
        simulator.Config().faults.disconnectAfterBytes = simulator.BytesSent() + cut;
        EXPECT_FALSE(OnWrite(ctx)) << cut;
        EXPECT_EQ(ui.ControlText(1002), form.messages) << cut;
        if (!simulator.Pokes().empty()) {
            EXPECT_EQ(form.messages, partlyWritten) << cut;
        } else if (cut < 4) {  // not even the attention exchange's "OK" LF CR
            EXPECT_EQ(form.messages, nothingWritten) << cut;
        } else {
            EXPECT_TRUE(form.messages == nothingWritten || form.messages == partlyWritten)
                << cut << ": " << form.messages;
        }
        partly += form.messages == partlyWritten ? 1 : 0;
    }
    EXPECT_GT(partly, 0);
}

TEST_F(WriteTest, OldFirmwareStopsAfterTheVersion) {
    ReadTracker("ZPNAV9", 130);
    simulator.Config().firmwareVersion = 1;
    EXPECT_FALSE(OnWrite(ctx));
    EXPECT_EQ(ui.MessageTexts().back(), "YOu must be running firmware version 2 or greater");
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(simulator.LastSettingsRecord().empty());
}

}  // namespace
}  // namespace vanteo::test
