#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vanteo::sim {

// How the tracker lays its log out in the flash. Firmware 212 on logs 15-byte records with UTC
// hours and minutes and keeps a capture date in the trailer; firmware 124 to 199 logs 13-byte
// records unless its logging flags ask for hours-minutes or compression; older firmware logs
// 13-byte records only.
enum class DemoLogLayout {
    shortRecords,  // 13 bytes: ... satellites, GPS seconds
    timedRecords,  // 15 bytes: ... satellites, UTC hours, minutes, seconds; trailer
    compressed,    // the first fix, then 5-byte records of fractional minutes only
};

// One logged GPS fix of the demo flight.
struct DemoFix {
    double latitudeDeg = 0;   // north positive
    double longitudeDeg = 0;  // east positive, so the demo's desert site is negative
    int altitudeM = 0;        // metres above mean sea level
    int satellites = 0;
    int utcHours = 0;
    int utcMinutes = 0;
    int utcSeconds = 0;
};

// A rocket flight as the tracker logs it to its flash at the default store interval of one fix
// per second, about eight minutes in all: a minute and a half on a dry-lake pad at 1196 m MSL,
// a four-second boost, a coast to an apogee 3000 m above the pad, drogue descent at 25 m/s, the
// main at 300 m above the pad, 6 m/s under it, the wind carrying the rocket east-northeast, and
// three and a half minutes on the ground before the tracker is switched off. The clock passes
// 18:00 UTC under the drogue. Small GPS noise (a few metres) rides on every fix. It fits the
// smallest memory (8192 bytes) in every layout. The encoder here is the tracker's side of the
// log format and shares nothing with the host's decoder.
class DemoFlight {
public:
    static constexpr std::size_t kShortRecordBytes = 13;  // ... sats, GPS seconds
    static constexpr std::size_t kTimedRecordBytes = 15;  // ... sats, UTC hours, minutes, seconds
    // A compressed log opens with the first fix as a whole 13-byte record (the host reads its
    // degrees and whole minutes), then one 5-byte record per fix, the first fix included.
    static constexpr std::size_t kCompressedHeadBytes = 13;
    static constexpr std::size_t kCompressedRecordBytes = 5;
    static constexpr std::uint8_t kEndMarkByte = 0xA5;  // four of them follow the last record
    static constexpr std::size_t kEndMarkBytes = 4;
    static constexpr std::size_t kTrailerBytes = 16;  // trigger, unused, DDMMYY capture date
    static constexpr std::size_t kTrailerAt1024Kbit = 131056;
    static constexpr std::size_t kTrailerAtSmallMemory = 16368;
    static constexpr std::size_t kTrailerDateOffset = 10;
    static constexpr int kFirstTimestampFirmware = 212;      // logs UTC hours/minutes and a trailer
    static constexpr int kFirstLayoutChoiceFirmware = 124;   // compress and hours-minutes flags
    static constexpr int kLastLayoutChoiceFirmware = 199;    // (bits 5 and 6 of settings byte 30)
    static constexpr std::uint8_t kCompressFlag = 0x20;      // "Compress Data"
    static constexpr std::uint8_t kHoursMinutesFlag = 0x40;  // "Store HM"
    static constexpr std::uint16_t kTrigger = 0x0190;        // trigger value stored in the trailer
    static constexpr const char* kCaptureDate = "190926";    // DDMMYY: 19 September 2026

    // The fixes, one per second, the first of them on the pad.
    static std::vector<DemoFix> Fixes();

    // Degrees, whole minutes, hundredths of a minute, ten-thousandths of a minute in bits 0-6
    // with bit 7 set for west or south. Rounded to the nearest ten-thousandth of a minute.
    static std::array<std::uint8_t, 4> EncodeCoordinate(double degrees);
    // alt / 10000, (alt / 100) % 100, alt % 100, so the decimal digits read in pairs; negative
    // altitudes are stored as 0.
    static std::array<std::uint8_t, 3> EncodeAltitude(int metres);
    // Writes kShortRecordBytes (seconds only) or kTimedRecordBytes (UTC h, m, s) at `out`.
    static void EncodeRecord(const DemoFix& fix, bool hoursMinutes, std::uint8_t* out);
    // Writes kCompressedRecordBytes at `out`: hundredths and ten-thousandths of a minute of the
    // longitude, then of the latitude (sign bits dropped), then the satellites. A record whose
    // first four bytes would read as an end mark (all 0 or all 0x5A) has its latitude moved by
    // one ten-thousandth of a minute (0.2 m), or the host would stop reading there.
    static void EncodeCompressedRecord(const DemoFix& fix, std::uint8_t* out);

    // The whole flash, memorySizeKbit × 128 bytes: the records from position 0, the end mark,
    // erased (0x00) bytes after it and, with `timestamp`, the trailer area (when the memory
    // reaches it). Records that would not leave room for the end mark are left out.
    static std::vector<std::uint8_t> BuildImage(const std::vector<DemoFix>& fixes,
                                                int memorySizeKbit, bool hoursMinutes,
                                                bool timestamp);
    // The same for a compressed log (no trailer: the host reads none for it).
    static std::vector<std::uint8_t> BuildCompressedImage(const std::vector<DemoFix>& fixes,
                                                          int memorySizeKbit);
    // The demo flight in `layout`; the timed layout carries the trailer.
    static std::vector<std::uint8_t> BuildImage(int memorySizeKbit, DemoLogLayout layout);
    // The layout a tracker with this firmware and these profile-and-logging flags (settings
    // byte 30) logs in.
    static DemoLogLayout LayoutFor(int firmwareVersion, std::uint8_t loggingFlags);
    // The demo flight as a tracker with this firmware logs it with its logging flags clear:
    // 15-byte records and the trailer from firmware 212 on, 13-byte records before.
    static std::vector<std::uint8_t> BuildImage(int memorySizeKbit, int firmwareVersion);
};

}  // namespace vanteo::sim
