#include "device/MemoryMap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "serial/CFormat.h"

namespace vanteo {
namespace {

struct MorseEntry {
    char character;
    const char* elements;  // '.' dot, '-' dash
};

// International Morse code of the 43 characters the tracker can key (the space is separate).
constexpr std::array<MorseEntry, 43> kMorse = {{
    {'A', ".-"},     {'B', "-..."},   {'C', "-.-."},   {'D', "-.."},    {'E', "."},
    {'F', "..-."},   {'G', "--."},    {'H', "...."},   {'I', ".."},     {'J', ".---"},
    {'K', "-.-"},    {'L', ".-.."},   {'M', "--"},     {'N', "-."},     {'O', "---"},
    {'P', ".--."},   {'Q', "--.-"},   {'R', ".-."},    {'S', "..."},    {'T', "-"},
    {'U', "..-"},    {'V', "...-"},   {'W', ".--"},    {'X', "-..-"},   {'Y', "-.--"},
    {'Z', "--.."},   {'0', "-----"},  {'1', ".----"},  {'2', "..---"},  {'3', "...--"},
    {'4', "....-"},  {'5', "....."},  {'6', "-...."},  {'7', "--..."},  {'8', "---.."},
    {'9', "----."},  {'/', "-..-."},  {'.', ".-.-.-"}, {'?', "..--.."}, {',', "--..--"},
    {':', "---..."}, {';', "-.-.-."}, {'-', "-....-"},
}};

// The low-voltage threshold is a 10-bit code.
constexpr std::uint32_t kLowVoltageCodeMask = 0x3FF;

// The word gap is keyed as the lone end-marker bit at the bottom.
constexpr std::uint8_t kMorseSpace = 0x01;

// Dots as 0 and dashes as 1 from bit 7 down, then the end-marker bit.
std::uint8_t MorseByte(const char* elements) {
    unsigned value = 0;
    int bit = 7;
    for (const char* e = elements; *e != '\0'; ++e, --bit) {
        if (*e == '-') {
            value |= 1u << bit;
        }
    }
    value |= 1u << bit;
    return static_cast<std::uint8_t>(value);
}

constexpr std::array<std::uint8_t, 34> kPowerTable = {
    0x01, 0x01, 0x01, 0x02, 0x02, 0x02, 0x02, 0x03, 0x03, 0x04, 0x04, 0x05,  // -20 .. -9 dBm
    0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0C, 0x0D, 0x0F, 0x40, 0x50, 0x50,  // -8 .. +3 dBm
    0x60, 0x70, 0x80, 0x90, 0xA0, 0xC0, 0xE0, 0xF0, 0xFF, 0x00,              // +4 .. +13 dBm
};

constexpr int PowerIndexOffset(const TrackerCapabilities& caps) {
    return caps.powerOffset10 ? 10 : 20;
}

// Positions of the first path's and the second path's SSID digit among the 14 path bytes.
constexpr std::size_t kPathLength = 7;
constexpr std::array<std::size_t, 2> kSsidPositions = {6, 13};
constexpr std::uint8_t kDigitBase = 0x30;  // '0': the SSID travels as its number
constexpr std::uint8_t kEndOfAddresses = 0x01;

// Packed frequency: the word counts 100 Hz steps above an offset of 8217 steps and 0.045 MHz.
constexpr double kPackedOffsetMHz = 0.045;
constexpr double kFcalStepMHz = 0.0001;
constexpr int kPackedOffsetSteps = 8217;

// Synthesizer register constants.
constexpr std::uint32_t kRBand2m = 0x04000000;  // bit 26: the 2 m divider
constexpr std::uint32_t kRFixed = 0x00402000;
constexpr std::uint32_t kRCalibrationMask = 0x7FF;  // 11-bit two's complement correction
constexpr double kNBaseMHz = 143.404;
constexpr std::int32_t kNBaseCount = 143360;  // N counts kHz above kNBaseMHz from here
constexpr std::uint32_t kNControlBits = 1;
constexpr std::uint32_t kMFixed = 0x000007E2;
constexpr std::uint32_t kFConstant = 0x005AA04F;

}  // namespace

std::optional<std::uint8_t> MorseCode(char c) {
    if (c == ' ') {
        return kMorseSpace;
    }
    for (const MorseEntry& entry : kMorse) {
        if (entry.character == c) {
            return MorseByte(entry.elements);
        }
    }
    return std::nullopt;
}

std::optional<char> MorseCharacter(std::uint8_t code) {
    if (code == kMorseSpace) {
        return ' ';
    }
    for (const MorseEntry& entry : kMorse) {
        if (MorseByte(entry.elements) == code) {
            return entry.character;
        }
    }
    return std::nullopt;
}

std::optional<std::array<std::uint8_t, 14>> EncodeIdString(const std::string& idString) {
    constexpr std::size_t kIdLength = 6;
    constexpr std::size_t kTextStart = 8;
    std::string padded = idString.substr(0, kIdLength);
    padded.resize(kIdLength, ' ');
    std::array<std::uint8_t, 14> bytes{};
    for (std::size_t i = 0; i < kIdLength; ++i) {
        const std::optional<std::uint8_t> code = MorseCode(padded[i]);
        if (!code) {
            return std::nullopt;
        }
        bytes[i] = *code;
        bytes[kTextStart + i] = static_cast<std::uint8_t>(padded[i]);
    }
    return bytes;
}

const std::array<std::uint8_t, 34>& PowerTable() {
    return kPowerTable;
}

std::uint8_t PowerCode(int dBm, const TrackerCapabilities& caps) {
    const int index =
        std::clamp(dBm + PowerIndexOffset(caps), 0, static_cast<int>(kPowerTable.size()) - 1);
    return kPowerTable[static_cast<std::size_t>(index)];
}

std::optional<int> PowerFromCode(std::uint8_t code, const TrackerCapabilities& caps) {
    for (std::size_t i = 0; i < kPowerTable.size(); ++i) {
        if (kPowerTable[i] == code) {
            return static_cast<int>(i) - PowerIndexOffset(caps);
        }
    }
    return std::nullopt;
}

std::uint32_t PackedFrequencyWord(double frequencyMHz, std::int32_t fcal) {
    const double corrected = frequencyMHz - fcal * kFcalStepMHz;
    const double word = ((corrected - kPackedOffsetMHz) * 1000000.0 - 2500.0) * 0.01 - 8192.0;
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(std::trunc(word))) & 0xFFFFFF;
}

double FrequencyFromPackedWord(std::uint32_t word, std::int32_t fcal) {
    return (static_cast<double>(word) + kPackedOffsetSteps) * kFcalStepMHz + fcal * kFcalStepMHz +
           kPackedOffsetMHz;
}

SynthRegisters ComputeSynthRegisters(double frequencyMHz, std::int32_t fcal,
                                     std::uint32_t deviation, const TrackerCapabilities& caps) {
    SynthRegisters regs;
    // The calibration is applied as a reference-divider correction, not to N.
    const std::int32_t correction = (-100 * fcal) / 125;
    const std::uint32_t v = static_cast<std::uint32_t>(correction) & kRCalibrationMask;
    regs.r = (caps.band2m ? kRBand2m : 0u) | kRFixed | (v << 2);
    const double n = std::trunc((frequencyMHz - kNBaseMHz) * 1000.0 + kNBaseCount);
    regs.n = static_cast<std::uint32_t>(static_cast<std::int64_t>(n)) * 4u + kNControlBits;
    regs.m = kMFixed | ((deviation & 0xFu) << 12);
    regs.f = kFConstant;
    regs.secondM = ((deviation & ~std::uint32_t{0x8}) << 8) | kMFixed;
    return regs;
}

double FrequencyFromNRegister(std::uint32_t n) {
    const std::int32_t count = static_cast<std::int32_t>(n) >> 2;  // arithmetic shift
    return (count - kNBaseCount) * 0.001 + kNBaseMHz;
}

std::optional<std::int32_t> DecodeCalibration(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2,
                                              std::uint8_t b3) {
    const std::int32_t scal1 = (b1 & 0x7F) * 256 + b0;
    const std::int32_t scal2 = (b3 & 0x7F) * 256 + b2;
    if (scal1 != scal2) {
        return std::nullopt;
    }
    return (b3 & 0x80) != 0 ? -scal2 : scal2;
}

std::array<std::uint8_t, 4> EncodeCalibration(std::int32_t fcal) {
    // Widened first: the magnitude of the most negative int does not fit an int.
    const std::uint32_t magnitude =
        static_cast<std::uint32_t>(std::abs(static_cast<std::int64_t>(fcal)) & 0x7FFF);
    const std::uint8_t low = static_cast<std::uint8_t>(magnitude & 0xFF);
    std::uint8_t high = static_cast<std::uint8_t>(magnitude >> 8);
    if (fcal < 0) {
        high = static_cast<std::uint8_t>(high | 0x80);
    }
    return {low, high, low, high};
}

std::array<std::uint8_t, kPathBytes> EncodePaths(const ProfileSettings& profile) {
    std::string text;
    for (const std::string* path : {&profile.path1, &profile.path2}) {
        std::string padded = path->substr(0, kPathLength);
        padded.resize(kPathLength, ' ');
        text += padded;
    }
    std::array<std::uint8_t, kPathBytes> bytes{};
    for (std::size_t i = 0; i < kPathBytes; ++i) {
        std::uint8_t c = static_cast<std::uint8_t>(text[i] == '-' ? ' ' : text[i]);
        if (i == kSsidPositions[0] || i == kSsidPositions[1]) {
            c = static_cast<std::uint8_t>(c - kDigitBase);
        }
        bytes[i] = static_cast<std::uint8_t>(c << 1);
    }
    bytes[kPathBytes - 1] = static_cast<std::uint8_t>(bytes[kPathBytes - 1] + kEndOfAddresses);
    return bytes;
}

void DecodePaths(const std::array<std::uint8_t, kPathBytes>& bytes, ProfileSettings& profile) {
    std::string text(kPathBytes, ' ');
    for (std::size_t i = 0; i < kPathBytes; ++i) {
        std::uint8_t c = static_cast<std::uint8_t>(bytes[i] >> 1);
        if (i == kSsidPositions[0] || i == kSsidPositions[1]) {
            c = static_cast<std::uint8_t>(c + kDigitBase);
        }
        text[i] = static_cast<char>(c);
    }
    // A path is a C text: a 0 character ends it.
    const auto cText = [](std::string s) { return s.substr(0, s.find('\0')); };
    profile.path1 = cText(text.substr(0, kPathLength));
    profile.path2 = cText(text.substr(kPathLength, kPathLength));
}

std::array<std::uint8_t, kSmartBeaconBytes> EncodeSmartBeacon(const ProfileSettings& profile) {
    const auto low = [](std::uint32_t value) { return static_cast<std::uint8_t>(value & 0xFF); };
    return {low(profile.slowRate >> 8), low(profile.slowRate), low(profile.slowSpeed),
            low(profile.fastSpeed),     low(profile.fastRate), low(profile.turnAngle),
            low(profile.turnSlope),     low(profile.turnTime)};
}

void DecodeSmartBeacon(const std::array<std::uint8_t, kSmartBeaconBytes>& bytes,
                       ProfileSettings& profile) {
    profile.slowRate = static_cast<std::uint32_t>(bytes[0] * 256 + bytes[1]);
    profile.slowSpeed = bytes[2];
    profile.fastSpeed = bytes[3];
    profile.fastRate = bytes[4];
    profile.turnAngle = bytes[5];
    profile.turnSlope = bytes[6];
    profile.turnTime = bytes[7];
}

std::string EncodeMessage(const std::string& message) {
    std::string bytes = message.substr(0, kMaxMessageLength);
    bytes.push_back('\0');
    return bytes;
}

std::uint32_t LowVoltageCode(float volts, const TrackerCapabilities& caps) {
    const double scale = caps.voltageMultiplier * static_cast<double>(caps.voltageReference);
    if (scale <= 0.0) {
        return 0;
    }
    const double truncated = std::trunc((static_cast<double>(volts) * 1024.0) / scale);
    const std::uint32_t code =
        static_cast<std::uint32_t>(static_cast<std::int64_t>(truncated)) & kLowVoltageCodeMask;
    const std::string wanted = FormatC("%4.2f", static_cast<double>(volts));
    if (code < kLowVoltageCodeMask && VoltsText(code, caps) != wanted &&
        VoltsText(code + 1, caps) == wanted) {
        return code + 1;
    }
    return code;
}

double VoltsFromCode(std::uint32_t code, const TrackerCapabilities& caps) {
    return static_cast<double>(code) * caps.voltageMultiplier *
           static_cast<double>(caps.voltageReference) / 1024.0;
}

std::string VoltsText(std::uint32_t code, const TrackerCapabilities& caps) {
    return FormatC("%4.2f", VoltsFromCode(code, caps));
}

}  // namespace vanteo
