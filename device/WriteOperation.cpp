#include <algorithm>
#include <array>
#include <limits>
#include <string>

#include "device/FieldTable.h"
#include "device/FormTransfer.h"
#include "device/LinkSteps.h"
#include "device/MemoryMap.h"
#include "device/Operations.h"
#include "device/SettingsRecord.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

// The tracker stores each path byte sent after 'W' before it can take the next.
constexpr std::int64_t kPathBytePauseMs = 40;
constexpr int kOldestFirmware = 2;
constexpr std::size_t kIdStringLength = 6;
constexpr std::size_t kPathLength = 7;
constexpr int kSlowestSafeTxRate = 5;  // seconds; below it the GPS may not re-acquire lock
constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();
constexpr const char* kNothingWritten = "Write failed: nothing was written to the tracker";
constexpr const char* kPartlyWritten =
    "Write failed part way: the tracker may be partly written. Read it and check every setting "
    "before flying";

// A failed check: the long text into the Messages field, the short one in a box, nothing sent.
bool Refuse(DeviceContext& ctx, const char* longText, const char* shortText) {
    ctx.form.messages = longText;
    ctx.ui.ShowMessage(shortText);
    ctx.ui.ShowForm();
    return false;
}

bool Validate(DeviceContext& ctx) {
    const FormModel& form = ctx.form;
    const TrackerCapabilities& caps = ctx.tracker.capabilities;
    // A text that is not wholly a number ("434,65", "3.5V") is refused with the field's range
    // message rather than cut short at the first character that does not fit.
    const double frequency = ParseDecimalText(form.frequency).value_or(kNotANumber);
    const float lowVoltage =
        static_cast<float>(ParseDecimalText(form.lowVoltage).value_or(kNotANumber));
    // The ranges are tested as "not inside", so that a refused text fails every range.
    if (caps.band2m) {
        // The accepted band is wider than the message says.
        if (!(frequency >= 140.0 && frequency <= 160.0)) {
            return Refuse(ctx, "Please enter a frequency between 144 and 149 Mhz",
                          "Invalid Frequency");
        }
    } else if (!(frequency >= 420.0 && frequency <= 480.0)) {
        return Refuse(ctx, "Please enter a frequency between 420 and 480 Mhz", "Invalid Frequency");
    }
    if (caps.powerOffset10) {
        if (form.outputPower < -10 || form.outputPower > 20) {
            return Refuse(ctx, "Please enter a valid power number between -10 and +20dBm",
                          "Invalid Power");
        }
    } else if (form.outputPower < -20 || form.outputPower > 12) {
        return Refuse(ctx, "Please enter a valid power number between -20 and +12dBm",
                      "Invalid Power");
    }
    const std::int32_t spacing = caps.txRateSpacing ? form.txRate : form.onceEvery;
    if (spacing < 0 || spacing > 255) {
        return Refuse(ctx, "Please enter a packet spacing between 0 and 255",
                      "Invalid Packet Spacing");
    }
    if (caps.txRateSpacing && form.txRate < kSlowestSafeTxRate) {
        ctx.ui.ShowMessage(
            "Warning, setting transmit rate to less than 5 may result in decreased ability of "
            "GPS to re-acquire lock!");
    }
    if (form.symbol.size() != 1) {
        return Refuse(ctx, "Symbol must be 1 character long", "Invalid Symbol");
    }
    if (form.ssid < 1 || form.ssid > 15) {
        return Refuse(ctx, "Please enter an SSID between 1 and 15", "Invalid SSID");
    }
    // Compared in single precision, so an entry of 3.2 passes.
    if (!(lowVoltage >= 3.2f && lowVoltage <= 4.0f)) {
        return Refuse(ctx, "Please enter a voltage value between 3.2V and 4.0V",
                      "Invalid Low Voltage value");
    }
    if (form.idString.size() > kIdStringLength) {
        return Refuse(ctx, "Callsign must be 6 or fewer characters long",
                      "Invalid callsign length");
    }
    return true;
}

// The profile the form does not show is sent from the store, which a switch or a settings file
// filled without the Write's own path checks: its paths and message must pass the same checks
// as the form's, or the tracker gets a corrupt address list. Only on a tracker with two
// profiles: without them the user cannot show the second record to correct it, and its message
// goes back as it was read.
bool ValidateOtherProfile(DeviceContext& ctx) {
    const TrackerCapabilities& caps = ctx.tracker.capabilities;
    if (!caps.twoProfiles) {
        return true;
    }
    const int other = 1 - ctx.tracker.profileStore.currentProfile;
    const ProfileSettings& profile =
        ctx.tracker.profileStore.profiles[static_cast<std::size_t>(other)];
    const std::string name = FormatC("Profile %d ", other + 1);
    const bool pathsSent = caps.peekPoke;
    const struct {
        const std::string* text;
        int controlId;
        bool sent;
        const char* lengthText;
    } texts[] = {
        {&profile.path1, control::kPath1, pathsSent, "path 1 must be 7 characters long"},
        {&profile.path2, control::kPath2, pathsSent, "path 2 must be 7 characters long"},
        {&profile.txMessage, control::kTxMessage, caps.smartBeaconing, nullptr},
    };
    for (const auto& text : texts) {
        if (!text.sent) {
            continue;
        }
        if (text.lengthText != nullptr && text.text->size() != kPathLength) {
            const std::string message = name + text.lengthText;
            return Refuse(ctx, message.c_str(), "Invalid path length");
        }
        if (text.lengthText == nullptr && text.text->size() > kMaxMessageLength) {
            const std::string message =
                name +
                FormatC("TX Msg: Please enter no more than %zu characters.", kMaxMessageLength);
            return Refuse(ctx, message.c_str(), "Invalid message length");
        }
        const std::string characters = TextCharacterMessage(*FindField(text.controlId), *text.text);
        if (!characters.empty()) {
            const std::string message = name + characters;
            return Refuse(ctx, message.c_str(), "Invalid character");
        }
    }
    return true;
}

bool AnyDig(const FormModel& form) {
    return form.digA != 0 || form.digB != 0 || form.digC != 0 || form.digD != 0;
}

// The feature interlocks, in the order the tracker's firmware expects them to be resolved.
void ApplyInterlocks(DeviceContext& ctx) {
    FormModel& form = ctx.form;
    UserInteraction& ui = ctx.ui;
    if (form.smartLaunchDetect != 0 &&
        ctx.tracker.capabilities.memorySizeKbit == kLargeMemoryKbit) {
        ui.ShowMessage("Warning: Smart Launch Detect not supported on 1Mbit devices, disabling");
        form.smartLaunchDetect = 0;
    }
    if (form.hwGSwitch != 0 && form.smartLaunchDetect == 0) {
        ui.ShowMessage("HW G-switch requires SMART enabled");
        form.smartLaunchDetect = 1;
    }
    if (form.smartLaunchDetect != 0) {
        form.wrapDataLog = 1;
        form.positionLogging = 1;
    }
    if (form.transmitCourseSpeed != 0 && AnyDig(form)) {
        ui.ShowMessage(
            "Digital telemetry and Course/speed are incompatiable.  Disabling Course/speed");
        form.transmitCourseSpeed = 0;
    }
    if (form.digEnable == 0 && AnyDig(form)) {
        ui.ShowMessage("Digital telemetry feature is not enabled!");
        form.digA = form.digB = form.digC = form.digD = 0;
    }
    if (form.hwGSwitch != 0 && form.digC != 0) {
        ui.ShowMessage("HW G-switch and DigC can not both be enabled, disabling DigC");
        form.digC = 0;
    }
    if (form.enablePowerAmp == 0 && ctx.tracker.capabilities.powerAmp) {
        ui.ShowMessage("Warning: Power Amp disabled, only valid for testing");
    }
}

bool SendPaths(DeviceContext& ctx) {
    SerialLink& link = ctx.link;
    const TrackerCapabilities& caps = ctx.tracker.capabilities;
    std::array<ProfileSettings, 2>& profiles = ctx.tracker.profileStore.profiles;
    const std::array<std::uint8_t, kPathBytes> first = EncodePaths(profiles[0]);
    if (caps.peekPoke) {
        if (!PokeRun(link, address::kProfile1Paths, first.data(), first.size())) {
            return false;
        }
    } else {
        std::string line;
        link.WriteByte(command::kWritePaths);
        // Without its prompt the link has closed (and said so): the path bytes would only add
        // a second report of the same loss.
        if (!link.ReadLine(line)) {
            return false;
        }
        for (const std::uint8_t byte : first) {
            link.WriteByte(byte);
            link.Sleep(kPathBytePauseMs);
        }
        link.ReadLine(line);
        if (!link.IsOpen()) {
            return false;
        }
    }
    if (!caps.twoProfiles) {
        return true;
    }
    if (caps.peekPoke) {
        const std::array<std::uint8_t, kPathBytes> second = EncodePaths(profiles[1]);
        if (!PokeRun(link, address::kProfile2Paths, second.data(), second.size())) {
            return false;
        }
    }
    // The only little-endian values of the map.
    const auto littleEndian = [](std::uint32_t value) {
        return std::array<std::uint8_t, 2>{static_cast<std::uint8_t>(value & 0xFF),
                                           static_cast<std::uint8_t>((value >> 8) & 0xFF)};
    };
    const auto altitude1 = littleEndian(profiles[0].switchAltitude);
    const auto altitude2 = littleEndian(profiles[1].switchAltitude);
    return PokeRun(link, address::kProfile1SwitchAltitude, altitude1.data(), altitude1.size()) &&
           PokeRun(link, address::kProfile2SwitchAltitude, altitude2.data(), altitude2.size());
}

bool SendSynthRegisters(DeviceContext& ctx) {
    const SynthRegisters regs =
        ComputeSynthRegisters(LeadingDoubleC(ctx.form.frequency), ctx.form.fcal, ctx.form.deviation,
                              ctx.tracker.capabilities);
    SerialLink& link = ctx.link;
    return PokeWord(link, address::kRRegister, regs.r) &&
           PokeWord(link, address::kNRegister, regs.n) &&
           PokeWord(link, address::kMRegister, regs.m) &&
           PokeWord(link, address::kSecondMRegister, regs.secondM) &&
           PokeWord(link, address::kFRegister, regs.f);
}

bool SendSmartBeaconingAndMessages(DeviceContext& ctx) {
    SerialLink& link = ctx.link;
    const std::array<ProfileSettings, 2>& profiles = ctx.tracker.profileStore.profiles;
    const auto first = EncodeSmartBeacon(profiles[0]);
    if (!PokeRun(link, address::kProfile1SmartBeacon, first.data(), first.size())) {
        return false;
    }
    if (ctx.tracker.capabilities.twoProfiles) {
        const auto second = EncodeSmartBeacon(profiles[1]);
        if (!PokeRun(link, address::kProfile2SmartBeacon, second.data(), second.size())) {
            return false;
        }
    }
    for (const auto& [base, profile] : {std::pair{address::kProfile1Message, &profiles[0]},
                                        std::pair{address::kProfile2Message, &profiles[1]}}) {
        const std::string bytes = EncodeMessage(profile->txMessage);
        if (!PokeRun(link, base, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                     bytes.size())) {
            return false;
        }
    }
    return true;
}

// What the Write asks before it sends: the serial number, the calibration, the firmware version
// and the memory size. Only questions: a stop here leaves the tracker as it was.
bool AskTracker(DeviceContext& ctx) {
    SerialLink& link = ctx.link;
    TrackerCapabilities& caps = ctx.tracker.capabilities;
    // A tracker that does not answer has already been reported by the link, which closed.
    if (!link.Sync() && !link.IsOpen()) {
        return false;
    }
    if (!FetchSerialNumber(ctx) || !FetchCalibration(ctx)) {
        return false;
    }
    std::string line;
    if (!SendCommand(ctx, command::kVersion) || !link.ReadLine(line)) {
        return false;
    }
    caps.firmwareVersion = LeadingIntC(SerialLink::LineText(line));
    if (caps.firmwareVersion < kOldestFirmware) {
        ctx.ui.ShowMessage("YOu must be running firmware version 2 or greater");
        return false;
    }
    char sizeReply = '\0';
    if (!QueryMemorySize(link, sizeReply)) {
        ctx.ui.ShowMessage("Error reading memory size");
        return false;
    }
    ApplyMemorySizeReply(caps, sizeReply, false);
    return true;
}

// The configuration itself: paths, synthesizer registers, the settings record, smart beaconing
// and the messages. From the first path byte on, a stop leaves the tracker partly written.
bool SendConfiguration(DeviceContext& ctx, const IdStringBytes& idBytes) {
    SerialLink& link = ctx.link;
    FormModel& form = ctx.form;
    const TrackerCapabilities& caps = ctx.tracker.capabilities;
    if (!SendPaths(ctx)) {
        return false;
    }
    // With packedFrequency the frequency travels in the record (EncodeSettingsRecord).
    if (caps.pllRegisters && !SendSynthRegisters(ctx)) {
        return false;
    }
    std::string line;
    link.WriteByte(command::kWriteRecord);
    link.ReadLine(line);
    if (!link.IsOpen()) {
        return false;
    }
    // The tracker waits for the record while the interlock messages are open.
    ApplyInterlocks(ctx);
    ctx.tracker.flagBytes = FormFlagBytes(form, ctx.tracker.profileStore);
    const WrittenRecord record =
        EncodeSettingsRecord(idBytes, form, ctx.tracker.profileStore, caps);
    for (const std::uint8_t byte : record) {
        link.WriteByte(byte);
    }
    link.ReadLine(line);
    if (!link.IsOpen()) {
        return false;
    }
    return !caps.smartBeaconing || SendSmartBeaconingAndMessages(ctx);
}

// A Write that stopped after the port opened: the Messages field says how far it got (the
// message box has said why).
bool StopWith(DeviceContext& ctx, const char* line) {
    ctx.form.messages = line;
    ctx.ui.ShowForm();
    return false;
}

// The same as the Write's own outcome: a refused check sent nothing, a stop after the port
// opened is a failure.
OperationResult Refused(DeviceContext& ctx, const char* longText, const char* shortText) {
    Refuse(ctx, longText, shortText);
    return Outcome::refused;
}

OperationResult Stopped(DeviceContext& ctx, const char* line) {
    StopWith(ctx, line);
    return Outcome::failed;
}

}  // namespace

OperationResult OnWrite(DeviceContext& ctx) {
    FormModel& form = ctx.form;
    TrackerCapabilities& caps = ctx.tracker.capabilities;
    SerialLink& link = ctx.link;
    ctx.tracker.toneOn = false;
    if (!ctx.ui.ReadForm()) {
        return Outcome::refused;
    }
    ctx.ui.ShowForm();
    // Without an identification there is no voltage scale for the low-voltage code and no way
    // to know which encodings this tracker takes.
    if (caps.voltageMultiplier == 0) {
        return Refused(ctx, "Please Read the tracker before writing to it",
                       "Read the tracker first");
    }
    if (!Validate(ctx)) {
        return Outcome::refused;
    }
    StoreFormInProfile(ctx);
    ApplyPathRule(ctx);
    if (form.path1.size() != kPathLength) {
        return Refused(ctx, "path 1 must be 7 characters long", "Invalid path length");
    }
    if (form.path2.size() != kPathLength) {
        return Refused(ctx, "path 2 must be 7 characters long", "Invalid path length");
    }
    if (!ValidateOtherProfile(ctx)) {
        return Outcome::refused;
    }
    form.idString.resize(std::max(form.idString.size(), kIdStringLength), ' ');
    const std::optional<IdStringBytes> idBytes = EncodeIdString(form.idString);
    if (!idBytes) {
        ctx.ui.ShowMessage(
            "Invalid character in callsign string, only A-Z, 0-9 and /.?,:;- supported");
        return Outcome::refused;
    }

    if (!link.OpenPort(form.comPort)) {
        return Outcome::failed;
    }
    if (!AskTracker(ctx)) {
        return Stopped(ctx, kNothingWritten);
    }
    if (!SendConfiguration(ctx, *idBytes)) {
        return Stopped(ctx, kPartlyWritten);
    }

    form.messages = "Write Complete";
    ctx.ui.ShowForm();
    link.Close();
    return Outcome::completed;
}

}  // namespace vanteo
