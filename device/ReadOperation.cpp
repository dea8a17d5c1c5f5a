#include <array>
#include <cctype>
#include <string>

#include "device/ControlVisibility.h"
#include "device/FieldTable.h"
#include "device/LinkSteps.h"
#include "device/MemoryMap.h"
#include "device/Operations.h"
#include "device/ProfileFieldTable.h"
#include "device/SettingsRecord.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

// The tracker needs time after the port opens (DTR) before it answers, and a moment after the
// attention exchange before the next command.
constexpr std::int64_t kSettleBeforeSyncMs = 500;
constexpr std::int64_t kSettleAfterSyncMs = 100;

constexpr const char* kWriteFailed = "err0";
constexpr const char* kFirmwareTooOld = "You must be running firmware version 2 or greater";
constexpr const char* kVersionNotANumber =
    "The tracker's firmware version reply is not a number; nothing was changed. Check the port "
    "and the cable, then Read again.";
constexpr int kOldestFirmware = 2;

// The serial number and the calibration, as steps 6 and 7 of the read fetch them.
bool FetchIdentity(DeviceContext& ctx) {
    ctx.form.fcal = 0;
    return FetchSerialNumber(ctx) && FetchCalibration(ctx);
}

ProfileSettings& Profile(DeviceContext& ctx, int index) {
    return ctx.tracker.profileStore.profiles[static_cast<std::size_t>(index)];
}

ProfileSettings& Current(DeviceContext& ctx) {
    return Profile(ctx, ctx.tracker.profileStore.currentProfile);
}

// Leading blanks, an optional sign, then a digit: the 'V' reply holds a version.
bool StartsWithNumber(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])) != 0) {
        ++pos;
    }
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    return pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) != 0;
}

// Both records, and the form's per-profile fields, start empty as at program start, and the
// Read fills what this tracker holds: nothing of an earlier tracker's profiles survives. A
// tracker with one profile has only Profile 1, so the form shows that one.
void ForgetEarlierProfiles(DeviceContext& ctx) {
    ProfileStore& store = ctx.tracker.profileStore;
    store.profiles = {};
    if (!ctx.tracker.capabilities.twoProfiles) {
        store.currentProfile = 0;
    }
    ShowProfile(ctx, store.currentProfile);
}

bool ReadSynthRegisters(DeviceContext& ctx) {
    std::array<std::uint8_t, 16> bytes{};
    if (!PeekRun(ctx.link, address::kRRegister, bytes.size(), bytes.data())) {
        return false;
    }
    const std::uint32_t n = BigEndian32(&bytes[4]);
    ctx.form.rReg = FormatC("%X", BigEndian32(&bytes[0]));
    ctx.form.nReg = FormatC("%X", n);
    ctx.form.mReg = FormatC("%X", BigEndian32(&bytes[8]));
    ctx.form.fReg = FormatC("%X", BigEndian32(&bytes[12]));
    ctx.form.frequency = FormatC("%4.3f", FrequencyFromNRegister(n));
    return true;
}

bool ReadSmartBeaconing(DeviceContext& ctx) {
    std::array<std::uint8_t, kSmartBeaconBytes> first{};
    std::array<std::uint8_t, kSmartBeaconBytes> second{};
    if (!PeekRun(ctx.link, address::kProfile1SmartBeacon, first.size(), first.data()) ||
        !PeekRun(ctx.link, address::kProfile2SmartBeacon, second.size(), second.data())) {
        return false;
    }
    DecodeSmartBeacon(first, Profile(ctx, 0));
    DecodeSmartBeacon(second, Profile(ctx, 1));
    return true;
}

// A message: bytes from `base` up to the first 0 byte, 32 at most.
bool ReadMessage(DeviceContext& ctx, std::uint8_t base, std::string& message) {
    for (std::size_t i = 0; i < kMessageArea; ++i) {
        const std::uint8_t c = ctx.link.PeekByte(static_cast<std::uint8_t>(base + i));
        if (!ctx.link.IsOpen()) {
            return false;
        }
        if (c == 0) {
            break;
        }
        message.push_back(static_cast<char>(c));
    }
    return true;
}

bool ReadMessages(DeviceContext& ctx) {
    Profile(ctx, 0).txMessage.clear();
    Profile(ctx, 1).txMessage.clear();
    if (!ctx.tracker.capabilities.txMessages) {
        return true;
    }
    std::string first;
    std::string second;
    if (!ReadMessage(ctx, address::kProfile1Message, first) ||
        !ReadMessage(ctx, address::kProfile2Message, second)) {
        return false;
    }
    Profile(ctx, 0).txMessage = first;
    Profile(ctx, 1).txMessage = second;
    return true;
}

bool ReadSwitchAltitudes(DeviceContext& ctx) {
    if (ctx.tracker.capabilities.peekPoke) {
        std::array<std::uint8_t, 4> bytes{};
        if (!PeekRun(ctx.link, address::kProfile1SwitchAltitude, bytes.size(), bytes.data())) {
            return false;
        }
        // The only little-endian values of the map.
        Profile(ctx, 0).switchAltitude = static_cast<std::uint32_t>(bytes[1] * 256 + bytes[0]);
        Profile(ctx, 1).switchAltitude = static_cast<std::uint32_t>(bytes[3] * 256 + bytes[2]);
    }
    return true;
}

bool ReadPaths(DeviceContext& ctx) {
    std::array<std::uint8_t, kPathBytes> bytes{};
    bool havePaths = false;
    if (ctx.tracker.capabilities.peekPoke) {
        if (!PeekRun(ctx.link, address::kProfile1Paths, bytes.size(), bytes.data())) {
            return false;
        }
        havePaths = true;
    } else if (ctx.link.WriteByte(command::kReadPaths)) {
        // Without 'X' or its reply the stored paths stay as they are and the read goes on.
        std::string line;
        if (ctx.link.ReadLine(line)) {
            bytes = LeadingBytes<kPathBytes>(line);
            havePaths = true;
        }
    }
    if (havePaths) {
        DecodePaths(bytes, Profile(ctx, 0));
        if (ctx.tracker.capabilities.twoProfiles) {
            if (!PeekRun(ctx.link, address::kProfile2Paths, bytes.size(), bytes.data())) {
                return false;
            }
            DecodePaths(bytes, Profile(ctx, 1));
        }
    }
    // A stored "XNOPATH" means the path is disabled; any other path means it is in use.
    for (ProfileSettings& profile : ctx.tracker.profileStore.profiles) {
        profile.disablePath1 = !profile.path1.empty() && profile.path1[0] == 'X' ? 1 : 0;
        profile.disablePath2 = !profile.path2.empty() && profile.path2[0] == 'X' ? 1 : 0;
    }
    return true;
}

std::string SerialNumberText(std::uint32_t serial) {
    constexpr std::uint32_t kBatchBit = 0x800;
    constexpr std::uint32_t kNumberMask = 0x7FF;
    const unsigned number = serial & kNumberMask;
    return (serial & kBatchBit) != 0 ? FormatC("Ser #: B%d", number) : FormatC("Ser#: %d", number);
}

// Everything after the identification. Each step decodes into the profile store (the form's
// per-profile fields are not touched here) or into the form's tracker-wide fields.
bool ReadSettings(DeviceContext& ctx) {
    FormModel& form = ctx.form;
    TrackerCapabilities& caps = ctx.tracker.capabilities;
    if (caps.pllRegisters && !ReadSynthRegisters(ctx)) {
        return false;
    }
    if (caps.smartBeaconing && !ReadSmartBeaconing(ctx)) {
        return false;
    }
    if (!ReadMessages(ctx) || !ReadSwitchAltitudes(ctx) || !ReadPaths(ctx)) {
        return false;
    }
    if (!FetchIdentity(ctx)) {
        return false;
    }
    // Asked as the tracker expects it, but the reply is not used by the read.
    char unusedSizeReply = '\0';
    QueryMemorySize(ctx.link, unusedSizeReply);

    if (!SendCommand(ctx, command::kReadRecord)) {
        form.messages = kWriteFailed;
        return false;
    }
    std::string recordBytes;
    if (!ctx.link.ReadExact(recordBytes, kRecordReadBytes)) {
        return false;
    }
    ReadRecord record{};
    for (std::size_t i = 0; i < record.size() && i < recordBytes.size(); ++i) {
        record[i] = static_cast<std::uint8_t>(recordBytes[i]);
    }
    DecodeSettingsRecord(record, caps, form, ctx.tracker.profileStore, ctx.tracker.flagBytes);
    form.serialNumberStatus = SerialNumberText(form.serialNumber);
    form.unitCaption = "meters";
    return true;
}

}  // namespace

OperationResult OnRead(DeviceContext& ctx) {
    FormModel& form = ctx.form;
    TrackerCapabilities& caps = ctx.tracker.capabilities;
    // Only the port is needed; the Read replaces the rest, so nothing the form holds stops it.
    ctx.ui.ReadFormQuietly();
    form.messages = "Reading...";
    ctx.tracker.toneOn = false;
    if (!ctx.link.OpenPort(form.comPort)) {
        return Outcome::failed;
    }
    ctx.link.Sleep(kSettleBeforeSyncMs);
    ctx.link.Sync();
    ctx.link.Sleep(kSettleAfterSyncMs);

    // Identification starts from the record as it is at program start, so the flags describe
    // the tracker on the port and nothing an earlier tracker had. Until it succeeds the earlier
    // record, the identity fields and the model and version texts stay as they were.
    const TrackerCapabilities earlier = caps;
    const std::uint32_t earlierSerialNumber = form.serialNumber;
    const std::int32_t earlierFcal = form.fcal;
    const auto identificationFailed = [&] {
        caps = earlier;
        form.serialNumber = earlierSerialNumber;
        form.fcal = earlierFcal;
        ctx.ui.ShowForm();
        return OperationResult(Outcome::failed);
    };
    caps = TrackerCapabilities{};

    // The first model line after the attention exchange is discarded.
    if (!SendCommand(ctx, command::kModel)) {
        form.messages = kWriteFailed;
        ctx.ui.ShowForm();
        return identificationFailed();
    }
    std::string line;
    if (!ctx.link.ReadLine(line) || !SendCommand(ctx, command::kModel) ||
        !ctx.link.ReadLine(line)) {
        return identificationFailed();
    }
    caps.modelId = SerialLink::LineText(line);
    caps.packedFrequency = true;
    caps.pllRegisters = false;

    if (!SendCommand(ctx, command::kVersion) || !ctx.link.ReadLine(line)) {
        return identificationFailed();
    }
    const std::string versionText = SerialLink::LineText(line);
    if (!StartsWithNumber(versionText)) {
        // Line noise or another device: nothing says how old the firmware is. The link is
        // closed so the next operation starts on a clean line.
        ctx.ui.ShowMessage(kVersionNotANumber);
        ctx.link.Close();
        return identificationFailed();
    }
    const int version = LeadingIntC(versionText);
    caps.firmwareVersion = version;
    caps.ApplyFirmwareRules(version);

    if (!FetchIdentity(ctx)) {
        return identificationFailed();
    }
    if (version < kOldestFirmware) {
        ctx.ui.ShowMessage(kFirmwareTooOld);
        return identificationFailed();
    }
    caps.ApplyModelTable(caps.modelId, version);
    caps.ApplyLateFirmwareRules(version);
    form.modelStatus = "Model: " + caps.modelId;
    ForgetEarlierProfiles(ctx);
    ApplyVisibility(ctx.ui, ctx.tracker, CapabilityVisibilityRows());
    form.calibrationField = static_cast<std::uint32_t>(form.fcal + caps.calibrationBase);
    form.versionStatus = FormatC("Version:%d", version);
    ctx.ui.ShowForm();

    const bool settingsRead = ReadSettings(ctx);
    // The form shows the current profile once, as the store holds it however far the Read got:
    // members no step reached are still the empty ones ForgetEarlierProfiles showed.
    CopyProfileToForm(Current(ctx), form);
    if (!settingsRead) {
        ctx.ui.ShowForm();
        return Outcome::failed;
    }
    ctx.ui.SetControlCaption(control::kCompareButton, Current(ctx).switchAbove != 0 ? ">" : "<");
    ApplyVisibility(ctx.ui, ctx.tracker, RecordVisibilityRows());
    form.messages = "Read Complete";
    ctx.ui.ShowForm();
    ctx.link.Close();
    return Outcome::completed;
}

}  // namespace vanteo
