#include "device/SettingsRecord.h"

#include <string>

#include "device/MemoryMap.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

struct CheckBit {
    std::int32_t FormModel::*member;
    std::uint8_t mask;
};

constexpr std::array<CheckBit, 8> kOptionBits = {{
    {&FormModel::storeSmartBeacon, flag::kStoreSmartBeacon},
    {&FormModel::onlySendValid, flag::kOnlySendValid},
    {&FormModel::convertMetersToFeet, flag::kConvertMetersToFeet},
    {&FormModel::gpsPowerdown, flag::kGpsPowerdown},
    {&FormModel::transmitVoltage, flag::kTransmitVoltage},
    {&FormModel::alternateSymbol, flag::kAlternateSymbol},
    {&FormModel::transmitAltitude, flag::kTransmitAltitude},
    {&FormModel::overwriteMemory, flag::kOverwriteMemory},
}};

constexpr std::array<CheckBit, 2> kProfileLogBits = {{
    {&FormModel::compressData, flag::kCompressData},
    {&FormModel::storeHm, flag::kStoreHm},
}};

constexpr std::array<CheckBit, 8> kTelemetryBits = {{
    {&FormModel::storeHmTime, flag::kStoreHmTime},
    {&FormModel::digA, flag::kDigA},
    {&FormModel::digB, flag::kDigB},
    {&FormModel::digC, flag::kDigC},
    {&FormModel::digD, flag::kDigD},
    {&FormModel::hwGSwitch, flag::kHwGSwitch},
    {&FormModel::enablePowerAmp, flag::kEnablePowerAmp},
    {&FormModel::digEnable, flag::kDigEnable},
}};

constexpr std::array<CheckBit, 8> kOperationBits = {{
    {&FormModel::wrapDataLog, flag::kWrapDataLog},
    {&FormModel::smartLaunchDetect, flag::kSmartLaunchDetect},
    {&FormModel::lowVoltageShutdown, flag::kLowVoltageShutdown},
    {&FormModel::enableSlotting, flag::kEnableSlotting},
    {&FormModel::enableAprsPacketFormat, flag::kAprsPacketFormat},
    {&FormModel::positionLogging, flag::kPositionLogging},
    {&FormModel::disableRfOut, flag::kDisableRfOut},
    {&FormModel::transmitCourseSpeed, flag::kTransmitCourseSpeed},
}};

template <std::size_t N>
std::uint8_t PackBits(const FormModel& form, const std::array<CheckBit, N>& bits) {
    unsigned value = 0;
    for (const CheckBit& bit : bits) {
        if (form.*bit.member != 0) {
            value |= bit.mask;
        }
    }
    return static_cast<std::uint8_t>(value);
}

template <std::size_t N>
void UnpackBits(std::uint8_t value, FormModel& form, const std::array<CheckBit, N>& bits) {
    for (const CheckBit& bit : bits) {
        form.*bit.member = (value & bit.mask) != 0 ? 1 : 0;
    }
}

std::uint8_t Low(std::int64_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

// The byte stored for a count that trackers with offsetByOne keep one higher than shown.
std::uint8_t WithOffset(std::int32_t value, const TrackerCapabilities& caps) {
    return Low(caps.offsetByOne ? std::int64_t{value} + 1 : value);
}

std::int32_t WithoutOffset(std::uint8_t value, const TrackerCapabilities& caps) {
    return caps.offsetByOne ? value - 1 : value;
}

// An unchanged "Low V" goes back as the code the Read received, so that a Read then a Write
// leaves the tracker's bytes as they were; any other value is encoded from its text.
std::uint32_t LowVoltageCodeToWrite(const FormModel& form, const TrackerCapabilities& caps) {
    const auto volts = static_cast<float>(LeadingDoubleC(form.lowVoltage));
    if (form.lowVoltageCodeRead &&
        VoltsText(*form.lowVoltageCodeRead, caps) == FormatC("%4.2f", static_cast<double>(volts))) {
        return *form.lowVoltageCodeRead;
    }
    return LowVoltageCode(volts, caps);
}

}  // namespace

FlagBytes FormFlagBytes(const FormModel& form, const ProfileStore& profiles) {
    FlagBytes flags;
    flags.optionsA = PackBits(form, kOptionBits);
    unsigned profileLog = PackBits(form, kProfileLogBits);
    const ProfileSettings& p1 = profiles.profiles[0];
    const ProfileSettings& p2 = profiles.profiles[1];
    if (p1.altitudeSwitch != 0)
        profileLog |= flag::kProfile1AltitudeSwitch;
    if (p2.altitudeSwitch != 0)
        profileLog |= flag::kProfile2AltitudeSwitch;
    if (p1.switchAbove != 0)
        profileLog |= flag::kProfile1SwitchAbove;
    if (p2.switchAbove != 0)
        profileLog |= flag::kProfile2SwitchAbove;
    flags.profileLog = static_cast<std::uint8_t>(profileLog);
    flags.telemetry = PackBits(form, kTelemetryBits);
    flags.operation = PackBits(form, kOperationBits);
    return flags;
}

WrittenRecord EncodeSettingsRecord(const IdStringBytes& idBytes, const FormModel& form,
                                   const ProfileStore& profiles, const TrackerCapabilities& caps) {
    WrittenRecord bytes{};
    for (std::size_t i = 0; i < idBytes.size(); ++i) {
        bytes[record::kMorse + i] = idBytes[i];
    }
    bytes[record::kSsid] = Low(form.ssid);
    bytes[record::kSymbol] = form.symbol.empty() ? 0 : static_cast<std::uint8_t>(form.symbol[0]);
    if (caps.packedFrequency) {
        const std::uint32_t word = PackedFrequencyWord(LeadingDoubleC(form.frequency), form.fcal);
        bytes[record::kFrequency] = Low(word >> 16);
        bytes[record::kFrequency + 1] = Low(word >> 8);
        bytes[record::kFrequency + 2] = Low(word);
    }
    bytes[record::kPower] = PowerCode(form.outputPower, caps);
    bytes[record::kPreamble] = Low(form.preamble);
    bytes[record::kHiddenNumber] = Low(form.hiddenNumber);
    bytes[record::kStoreInterval] = WithOffset(form.storeInterval, caps);
    bytes[record::kPacketSpacing] =
        WithOffset(caps.txRateSpacing ? form.txRate : form.onceEvery, caps);
    bytes[record::kDeviation] = Low(form.deviation);
    bytes[record::kTimeSlot] = Low(form.timeSlot);
    const FlagBytes flags = FormFlagBytes(form, profiles);
    bytes[record::kOptionFlags] = flags.optionsA;
    bytes[record::kProfileFlags] = flags.profileLog;
    bytes[record::kTelemetryFlags] = flags.telemetry;
    bytes[record::kOperationFlags] = flags.operation;
    const std::uint32_t lowVoltage = LowVoltageCodeToWrite(form, caps);
    bytes[record::kLowVoltage] = Low((lowVoltage >> 8) & 0x3);
    bytes[record::kLowVoltage + 1] = Low(lowVoltage);
    return bytes;
}

void DecodeSettingsRecord(const ReadRecord& bytes, const TrackerCapabilities& caps, FormModel& form,
                          ProfileStore& profiles, FlagBytes& flags) {
    // Morse codes from byte 0 up to the first 0 byte; codes the table lacks are skipped.
    form.morseText.clear();
    for (std::size_t i = record::kMorse; i < record::kIdTextEnd && bytes[i] != 0; ++i) {
        if (const std::optional<char> c = MorseCharacter(bytes[i])) {
            form.morseText.push_back(*c);
        }
    }
    form.idString.clear();
    for (std::size_t i = record::kIdText; i < record::kIdTextEnd && bytes[i] != 0; ++i) {
        form.idString.push_back(static_cast<char>(bytes[i]));
    }
    form.ssid = bytes[record::kSsid];
    form.symbol = bytes[record::kSymbol] == 0
                      ? std::string()
                      : std::string(1, static_cast<char>(bytes[record::kSymbol]));
    if (const std::optional<int> dBm = PowerFromCode(bytes[record::kPower], caps)) {
        form.outputPower = *dBm;
    }
    if (caps.packedFrequency) {
        const std::uint32_t word = (std::uint32_t{bytes[record::kFrequency]} << 16) |
                                   (std::uint32_t{bytes[record::kFrequency + 1]} << 8) |
                                   bytes[record::kFrequency + 2];
        form.frequency = FormatC("%4.3f", FrequencyFromPackedWord(word, form.fcal));
    }
    form.preamble = bytes[record::kPreamble];
    form.hiddenNumber = bytes[record::kHiddenNumber];
    form.storeInterval = WithoutOffset(bytes[record::kStoreInterval], caps);
    form.onceEvery = WithoutOffset(bytes[record::kPacketSpacing], caps);
    form.txRate = form.onceEvery;
    form.deviation = bytes[record::kDeviation];
    form.timeSlot = bytes[record::kTimeSlot];

    flags.optionsA = bytes[record::kOptionFlags];
    flags.profileLog = bytes[record::kProfileFlags];
    flags.telemetry = bytes[record::kTelemetryFlags];
    flags.operation = bytes[record::kOperationFlags];
    UnpackBits(flags.optionsA, form, kOptionBits);
    UnpackBits(flags.profileLog, form, kProfileLogBits);
    UnpackBits(flags.telemetry, form, kTelemetryBits);
    UnpackBits(flags.operation, form, kOperationBits);
    ProfileSettings& p1 = profiles.profiles[0];
    ProfileSettings& p2 = profiles.profiles[1];
    p1.altitudeSwitch = (flags.profileLog & flag::kProfile1AltitudeSwitch) != 0 ? 1 : 0;
    p2.altitudeSwitch = (flags.profileLog & flag::kProfile2AltitudeSwitch) != 0 ? 1 : 0;
    p1.switchAbove = (flags.profileLog & flag::kProfile1SwitchAbove) != 0 ? 1 : 0;
    p2.switchAbove = (flags.profileLog & flag::kProfile2SwitchAbove) != 0 ? 1 : 0;

    const std::uint32_t lowVoltage =
        std::uint32_t{bytes[record::kLowVoltage]} * 256 + bytes[record::kLowVoltage + 1];
    form.lowVoltage = VoltsText(lowVoltage, caps);
    form.lowVoltageCodeRead = lowVoltage;
    const int minutes = bytes[record::kTime] * 256 + bytes[record::kTime + 1];
    const int totalSeconds = minutes * 60 + bytes[record::kTime + 2];
    form.timeStatus = "Time: " + FormatC("%0d:%02d:%02d", totalSeconds / 3600,
                                         (totalSeconds / 60) % 60, totalSeconds % 60);
    const std::uint32_t battery =
        std::uint32_t{bytes[record::kBattery]} * 256 + bytes[record::kBattery + 1];
    form.batteryStatus = "Battery " + FormatC("%4.2f", VoltsFromCode(battery, caps)) + " V";
}

}  // namespace vanteo
