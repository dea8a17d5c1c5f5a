#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vanteo::sim {

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

// A rocket flight as the tracker logs it to its flash, for the simulator's default flash: about
// two minutes at one fix per second from a dry-lake pad at about 1196 m MSL, boost, coast to an
// apogee 1500 m above the pad, drogue and main descent, several hundred metres of drift to the
// east-northeast. The encoder here is the tracker's side of the log format and shares nothing
// with the host's decoder.
class DemoFlight {
public:
    static constexpr std::size_t kShortRecordBytes = 13;  // ... sats, GPS seconds
    static constexpr std::size_t kTimedRecordBytes = 15;  // ... sats, UTC hours, minutes, seconds
    static constexpr std::uint8_t kEndMarkByte = 0xA5;    // four of them follow the last record
    static constexpr std::size_t kEndMarkBytes = 4;
    static constexpr std::size_t kTrailerBytes = 16;  // trigger, unused, DDMMYY capture date
    static constexpr std::size_t kTrailerAt1024Kbit = 131056;
    static constexpr std::size_t kTrailerAtSmallMemory = 16368;
    static constexpr std::size_t kTrailerDateOffset = 10;
    static constexpr int kFirstTimestampFirmware = 212;    // logs UTC hours/minutes and a trailer
    static constexpr std::uint16_t kTrigger = 0x0190;      // trigger value stored in the trailer
    static constexpr const char* kCaptureDate = "190926";  // DDMMYY: 19 September 2026

    // The fixes, one per second, first on the pad.
    static std::vector<DemoFix> Fixes();

    // Degrees, whole minutes, hundredths of a minute, ten-thousandths of a minute in bits 0-6
    // with bit 7 set for west or south. Rounded to the nearest ten-thousandth of a minute.
    static std::array<std::uint8_t, 4> EncodeCoordinate(double degrees);
    // alt / 10000, (alt / 100) % 100, alt % 100, so the decimal digits read in pairs; negative
    // altitudes are stored as 0.
    static std::array<std::uint8_t, 3> EncodeAltitude(int metres);
    // Writes kShortRecordBytes (seconds only) or kTimedRecordBytes (UTC h, m, s) at `out`.
    static void EncodeRecord(const DemoFix& fix, bool hoursMinutes, std::uint8_t* out);

    // The whole flash, memorySizeKbit × 128 bytes: the records from position 0, the end mark,
    // erased (0x00) bytes after it and, with `timestamp`, the trailer area (when the memory
    // reaches it). Records that would not leave room for the end mark are left out.
    static std::vector<std::uint8_t> BuildImage(const std::vector<DemoFix>& fixes,
                                                int memorySizeKbit, bool hoursMinutes,
                                                bool timestamp);
    // The demo flight as a tracker with this firmware logs it: 15-byte records and the trailer
    // from firmware 212 on, 13-byte records before.
    static std::vector<std::uint8_t> BuildImage(int memorySizeKbit, int firmwareVersion);
};

}  // namespace vanteo::sim
