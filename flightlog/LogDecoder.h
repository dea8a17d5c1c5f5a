#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/TrackerCapabilities.h"

namespace vanteo {

// The one decoder of the tracker's flight log: the KML writer, the flight summary and the
// exports all take their points from DecodeLog. Pure functions; any thread.
//
// The log, as the tracker writes it:
// - coordinates are 4 bytes: whole degrees, whole minutes, hundredths of a minute, and
//   ten-thousandths of a minute in bits 0-6 with bit 7 set for west or south;
// - full records of 13 bytes (longitude, latitude, altitude as three byte-sized parts printed
//   side by side, satellites, seconds) or 15 bytes (... satellites, UTC hours, minutes, seconds);
//   a record whose first byte is 0 is skipped;
// - a compressed log holds one full fix at 0..7 and, from 13 on, 5-byte records carrying only
//   the fractional minutes of longitude and latitude plus one undecoded byte;
// - the log ends at four equal bytes 0xA5, 0x5A or 0x00;
// - the last 16 bytes of the memory (of the first 16 KB on the small memories) hold the trigger
//   value in bytes 0-1 and the capture date as ASCII DDMMYY in bytes 10-15.

// How a log is laid out.
struct LogLayout {
    int memorySizeKbit = 0;  // the image holds memorySizeKbit x 128 values
    bool compressed = false;
    int recordBytes = 13;    // full records: 13, or 15 with UTC hours and minutes
    bool timestamp = false;  // the trailer holds the trigger and the capture date
};

// The layout the tracker that wrote the log used: compressed only when caps.compressCapable
// and `compress`; 15-byte records when caps.logHoursMinutes, or, on a tracker that follows the
// "Store HM" setting (caps.hoursMinutesCapable), exactly when `hoursMinutes` (which then sets
// caps.logHoursMinutes, as the tracker's own software did).
LogLayout ResolveLogLayout(TrackerCapabilities& caps, bool compress, bool hoursMinutes);

// One decoded record. Values are the signed integers the log holds (a value above 0x7FFFFFFF,
// only possible from a KML file, reads negative).
struct LogPoint {
    long long address = 0;  // the record's position in the image
    double longitudeDeg = 0;
    double latitudeDeg = 0;
    // Full records only (a compressed record carries neither altitude, satellites nor time).
    bool full = true;
    std::array<int, 3> altitudeParts{};  // bytes 8-10, printed "%d%02d%02d" side by side
    int satellites = 0;
    bool hasHoursMinutes = false;  // 15-byte records
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    // A compressed record's five values as logged (byte 1 without its unused bit 7).
    std::array<int, 5> packed{};
};

// A capture date from the trailer (DDMMYY as ASCII digits).
struct CaptureDate {
    int year = 0;  // 2000 + YY
    int month = 0;
    int day = 0;
};

struct DecodedLog {
    LogLayout layout;
    // Every altitude of the log takes its negative form: the first value of the image is 0xFD.
    bool negativeAltitudes = false;
    std::vector<LogPoint> points;
    // With layout.timestamp: the six date characters (DDMMYY) and the two trigger values.
    std::array<int, 6> dateCharacters{};
    std::array<std::uint32_t, 2> trigger{};
    std::optional<CaptureDate> captureDate;  // when the six characters form a calendar date
    // The altitude field of the record-sized slot at the trailer's date (with a timestamp) or at
    // 32768: the one sample of the KML file's altitude figures.
    long long altitudeSample = 0;
};

// Decodes `image` (the first memorySizeKbit x 128 values of the log; positions beyond it read
// as 0) with `layout`.
DecodedLog DecodeLog(std::span<const std::uint32_t> image, const LogLayout& layout);

// The altitude in metres the point's KML text states: parts side by side, or with
// negativeAltitudes minus the last two parts. Empty when the parts cannot be digits of one
// number (a part out of range), as a corrupt record has them, and for compressed records.
std::optional<long long> AltitudeMetres(const LogPoint& point, bool negativeAltitudes);

// True when the four values at `position` are all 0xA5, all 0x5A or all 0. `image` is the part
// of the log in use; positions beyond it read as 0.
bool IsLogEnd(std::span<const std::uint32_t> image, std::size_t position);

}  // namespace vanteo
