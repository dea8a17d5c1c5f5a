#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "device/ProfileStore.h"
#include "device/TrackerCapabilities.h"

// The tracker's 256-byte configuration memory: the addresses the host reads and writes one byte
// at a time, the single-letter commands that move runs of it, and the encodings of the settings
// kept there. Everything here converts values only; the operations move the bytes.
namespace vanteo {

// Command letters, each written as one byte.
namespace command {
inline constexpr std::uint8_t kModel = 'M';
inline constexpr std::uint8_t kVersion = 'V';
inline constexpr std::uint8_t kSerialNumber = 'S';  // without byte access
inline constexpr std::uint8_t kCalibration = 'D';   // without byte access
inline constexpr std::uint8_t kReadPaths = 'X';     // without byte access
inline constexpr std::uint8_t kWritePaths = 'W';    // without byte access
inline constexpr std::uint8_t kFactoryBlock = 'U';
inline constexpr std::uint8_t kMemorySize = 'K';
inline constexpr std::uint8_t kReadRecord = 'T';   // 40 bytes back
inline constexpr std::uint8_t kWriteRecord = 'P';  // 35 bytes out
inline constexpr std::uint8_t kTransmit = 'G';
inline constexpr std::uint8_t kTone1200 = '1';
}  // namespace command

// Addresses in the configuration memory.
namespace address {
inline constexpr std::uint8_t kDevAddr = 0x26;
inline constexpr std::uint8_t kProfile1Paths = 0x2C;    // 14 bytes: path1 then path2
inline constexpr std::uint8_t kProfile2Message = 0x40;  // up to 31 characters and a 0 byte
inline constexpr std::uint8_t kProfile1Message = 0x60;
inline constexpr std::uint8_t kSerialNumber = 0x80;            // 4 bytes, big-endian
inline constexpr std::uint8_t kIdStringCopy = 0x84;            // 7 bytes
inline constexpr std::uint8_t kCalibration = 0x8B;             // scal1 lo, hi, scal2 lo, hi
inline constexpr std::uint8_t kFactoryBlockEnd = 0x8E;         // last byte a restore must not touch
inline constexpr std::uint8_t kProfile2SmartBeacon = 0x90;     // 8 bytes
inline constexpr std::uint8_t kProfile1SwitchAltitude = 0x98;  // 2 bytes, little-endian
inline constexpr std::uint8_t kProfile2SwitchAltitude = 0x9A;  // 2 bytes, little-endian
inline constexpr std::uint8_t kRRegister = 0xA0;               // 4 bytes each, big-endian
inline constexpr std::uint8_t kNRegister = 0xA4;
inline constexpr std::uint8_t kMRegister = 0xA8;
inline constexpr std::uint8_t kFRegister = 0xAC;
inline constexpr std::uint8_t kProfile2Paths = 0xB0;        // 14 bytes
inline constexpr std::uint8_t kProfile1SmartBeacon = 0xC0;  // 8 bytes
inline constexpr std::uint8_t kSecondMRegister = 0xC8;      // 4 bytes, big-endian
}  // namespace address

inline constexpr std::size_t kPathBytes = 14;
inline constexpr std::size_t kSmartBeaconBytes = 8;
// A message area holds 32 addresses: at most 31 characters and the 0 byte that ends them.
inline constexpr std::size_t kMessageArea = 32;
inline constexpr std::size_t kMaxMessageLength = kMessageArea - 1;

// The text the paths of a disabled path become.
inline constexpr const char* kNoPath = "XNOPATH";

// ---- ID String in Morse code and as text (settings record bytes 0 .. 13) ----

// The Morse byte of a character: elements from the most significant bit down, dot 0, dash 1,
// then a single 1 bit as end marker ("A" 0x60, "0" 0xFC, space 0x01). nullopt for a character
// outside the table (lower case included).
std::optional<std::uint8_t> MorseCode(char c);
// The character of a Morse byte, nullopt when no character has that code.
std::optional<char> MorseCharacter(std::uint8_t code);
// Record bytes 0 .. 13: the first six characters of `idString`, padded with spaces, as Morse
// bytes 0 .. 5 (bytes 6 and 7 are 0) and as ASCII bytes 8 .. 13. nullopt when one of those
// characters has no Morse code.
std::optional<std::array<std::uint8_t, 14>> EncodeIdString(const std::string& idString);

// ---- Output power ----

// dBm -20 .. +13 at index 0 .. 33. The step from 0x0F to 0x40 above 0 dBm is the device's own.
const std::array<std::uint8_t, 34>& PowerTable();
// The power code for `dBm` (with powerOffset10 the table is indexed with dBm - 10). A value
// beyond the table is clamped to its ends; Write's range check keeps it inside.
std::uint8_t PowerCode(int dBm, const TrackerCapabilities& caps);
// The lowest dBm whose code is `code` (index - 20, or index - 10 with powerOffset10); nullopt when
// no entry has that code.
std::optional<int> PowerFromCode(std::uint8_t code, const TrackerCapabilities& caps);

// ---- Frequency ----

// Record bytes 16 .. 18 (24 bits, big-endian) for `frequencyMHz`, with `fcal` in 0.0001 MHz.
std::uint32_t PackedFrequencyWord(double frequencyMHz, std::int32_t fcal);
double FrequencyFromPackedWord(std::uint32_t word, std::int32_t fcal);

// The synthesizer registers, each written most significant byte first at its four addresses.
struct SynthRegisters {
    std::uint32_t r = 0;
    std::uint32_t n = 0;
    std::uint32_t m = 0;
    std::uint32_t f = 0;
    std::uint32_t secondM = 0;
};
SynthRegisters ComputeSynthRegisters(double frequencyMHz, std::int32_t fcal,
                                     std::uint32_t deviation, const TrackerCapabilities& caps);
// The frequency (MHz) the N register carries.
double FrequencyFromNRegister(std::uint32_t n);

// ---- Calibration pair (0x8B .. 0x8E, or the first four bytes of the 'D' reply) ----

// fcal from the two copies (lo1, hi1, lo2, hi2); nullopt when their 15-bit magnitudes differ (the
// caller reports the corruption and uses 0). Only bit 7 of hi2 gives the sign.
std::optional<std::int32_t> DecodeCalibration(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2,
                                              std::uint8_t b3);
// The four bytes the factory block carries for `fcal`: both copies equal, bit 7 of each high
// byte set when negative, magnitude |fcal| & 0x7FFF.
std::array<std::uint8_t, 4> EncodeCalibration(std::int32_t fcal);

// ---- Paths ----

// The 14 path bytes of one profile. Each path is cut or padded with spaces to 7 characters.
std::array<std::uint8_t, kPathBytes> EncodePaths(const ProfileSettings& profile);
// path1 and path2 back from their 14 bytes; each text ends at its first 0 character.
void DecodePaths(const std::array<std::uint8_t, kPathBytes>& bytes, ProfileSettings& profile);

// ---- Smart beaconing (0xC0 .. 0xC7 and 0x90 .. 0x97) ----

// Slow rate (2 bytes, big-endian), slow speed, fast speed, fast rate (low byte only), turn angle,
// turn slope, turn time.
std::array<std::uint8_t, kSmartBeaconBytes> EncodeSmartBeacon(const ProfileSettings& profile);
void DecodeSmartBeacon(const std::array<std::uint8_t, kSmartBeaconBytes>& bytes,
                       ProfileSettings& profile);

// ---- Messages ----

// The bytes a message area receives: the message cut to 31 characters, then its 0 byte.
std::string EncodeMessage(const std::string& message);

// ---- Low-voltage threshold (record bytes 33 .. 34) ----

// The 10-bit code of `volts` with the tracker's voltage scale; 0 when no scale is known yet.
// The code is (volts × 1024) / scale truncated toward zero, unless that code reads back as other
// text than `volts` has with two decimals while the next code reads back as that text: then the
// next one. A scale step is just under 0.01 V (9.9 / 1024 on a 3.3 V model), so truncation alone
// stores "3.20" as 330, which reads back as "3.19".
std::uint32_t LowVoltageCode(float volts, const TrackerCapabilities& caps);
// Volts for a code read back (battery or threshold).
double VoltsFromCode(std::uint32_t code, const TrackerCapabilities& caps);
// The text a Read shows for a code (battery or threshold): volts with two decimals ("%4.2f").
std::string VoltsText(std::uint32_t code, const TrackerCapabilities& caps);

}  // namespace vanteo
