#pragma once

#include <array>
#include <cstdint>

#include "device/FormModel.h"
#include "device/ProfileStore.h"
#include "device/TrackerCapabilities.h"
#include "device/TrackerState.h"

// The settings record: 35 bytes written after 'P', 40 read back after 'T' (the same 35, then
// the time value and the battery voltage, which are read only).
namespace vanteo {

inline constexpr std::size_t kRecordWriteBytes = 35;
inline constexpr std::size_t kRecordReadBytes = 40;

using WrittenRecord = std::array<std::uint8_t, kRecordWriteBytes>;
using ReadRecord = std::array<std::uint8_t, kRecordReadBytes>;
using IdStringBytes = std::array<std::uint8_t, 14>;

namespace record {
inline constexpr std::size_t kMorse = 0;       // 8 bytes, ID String in Morse code
inline constexpr std::size_t kIdText = 8;      // 6 bytes, ID String as ASCII
inline constexpr std::size_t kIdTextEnd = 14;  // the reader treats this byte as a terminator
inline constexpr std::size_t kSsid = 14;
inline constexpr std::size_t kSymbol = 15;
inline constexpr std::size_t kFrequency = 16;  // 3 bytes, big-endian packed word
inline constexpr std::size_t kPower = 19;
inline constexpr std::size_t kPreamble = 20;
inline constexpr std::size_t kHiddenNumber = 21;
inline constexpr std::size_t kStoreInterval = 22;  // seconds
inline constexpr std::size_t kPacketSpacing = 23;
inline constexpr std::size_t kDeviation = 27;
inline constexpr std::size_t kOptionFlags = 28;
inline constexpr std::size_t kTimeSlot = 29;
inline constexpr std::size_t kProfileFlags = 30;
inline constexpr std::size_t kTelemetryFlags = 31;
inline constexpr std::size_t kOperationFlags = 32;
inline constexpr std::size_t kLowVoltage = 33;  // 2 bytes: bits 9-8, bits 7-0 of the code
inline constexpr std::size_t kTime = 35;        // 3 bytes: minutes (16 bits), seconds
inline constexpr std::size_t kBattery = 38;     // 2 bytes, big-endian code
}  // namespace record

// Bit masks of the four flag bytes; a bit is 1 when its box is checked.
namespace flag {
// Byte 28, option flags A.
inline constexpr std::uint8_t kStoreSmartBeacon = 0x01;
inline constexpr std::uint8_t kOnlySendValid = 0x02;
inline constexpr std::uint8_t kConvertMetersToFeet = 0x04;
inline constexpr std::uint8_t kGpsPowerdown = 0x08;
inline constexpr std::uint8_t kTransmitVoltage = 0x10;
inline constexpr std::uint8_t kAlternateSymbol = 0x20;
inline constexpr std::uint8_t kTransmitAltitude = 0x40;
inline constexpr std::uint8_t kOverwriteMemory = 0x80;
// Byte 30, profiles and logging.
inline constexpr std::uint8_t kProfile1AltitudeSwitch = 0x02;
inline constexpr std::uint8_t kProfile2AltitudeSwitch = 0x04;
inline constexpr std::uint8_t kProfile1SwitchAbove = 0x08;
inline constexpr std::uint8_t kProfile2SwitchAbove = 0x10;
inline constexpr std::uint8_t kCompressData = 0x20;
inline constexpr std::uint8_t kStoreHm = 0x40;
// Byte 31, telemetry.
inline constexpr std::uint8_t kStoreHmTime = 0x01;
inline constexpr std::uint8_t kDigA = 0x02;
inline constexpr std::uint8_t kDigB = 0x04;
inline constexpr std::uint8_t kDigC = 0x08;
inline constexpr std::uint8_t kDigD = 0x10;
inline constexpr std::uint8_t kHwGSwitch = 0x20;
inline constexpr std::uint8_t kEnablePowerAmp = 0x40;
inline constexpr std::uint8_t kDigEnable = 0x80;
// Byte 32, operation.
inline constexpr std::uint8_t kWrapDataLog = 0x01;
inline constexpr std::uint8_t kSmartLaunchDetect = 0x02;
inline constexpr std::uint8_t kLowVoltageShutdown = 0x04;
inline constexpr std::uint8_t kEnableSlotting = 0x08;
inline constexpr std::uint8_t kAprsPacketFormat = 0x10;
inline constexpr std::uint8_t kPositionLogging = 0x20;
inline constexpr std::uint8_t kDisableRfOut = 0x40;
inline constexpr std::uint8_t kTransmitCourseSpeed = 0x80;
}  // namespace flag

// The four flag bytes from the form's check boxes and both profiles' switch settings.
FlagBytes FormFlagBytes(const FormModel& form, const ProfileStore& profiles);

// The 35 bytes 'P' sends: the encoded ID String, the form's values, the flag bytes of
// FormFlagBytes, and the capabilities' encodings (power offset, offset by one, packet spacing,
// packed frequency with form.fcal, low-voltage scale; the low-voltage code the Read received
// while "Low V" still shows it). Bytes 16 .. 18 are 0 without packedFrequency. Cannot fail.
WrittenRecord EncodeSettingsRecord(const IdStringBytes& idBytes, const FormModel& form,
                                   const ProfileStore& profiles, const TrackerCapabilities& caps);

// Applies a record read back with 'T' to the form: the Morse text (1000, emptied first), ID
// String, SSID, Symbol, power (unchanged for an unknown code), frequency (with packedFrequency,
// using form.fcal), preamble, field 1016, store interval, packet spacing into both "Once Every"
// and "Tx Rate", deviation, time slot, low voltage (text, and its code in lowVoltageCodeRead),
// time and battery texts, and every check box of bytes 28, 30, 31 and 32; both profiles'
// altitudeSwitch and switchAbove from byte 30. The four flag bytes received go into `flags`.
void DecodeSettingsRecord(const ReadRecord& bytes, const TrackerCapabilities& caps, FormModel& form,
                          ProfileStore& profiles, FlagBytes& flags);

}  // namespace vanteo
