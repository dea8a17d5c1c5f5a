#pragma once

#include <ctime>
#include <fstream>
#include <string>

#include "aprs/AprsPacketDecoder.h"

namespace vanteo::aprs {

// The log of everything heard as a CSV file, one row per packet, flushed per row so a crash or a
// closed lid loses no row written. Shared by `vanteo-cli listen --csv` and the recovery window.
// Numbers in the "C" locale. Not thread-safe; one writer per file.
class HeardPacketCsv {
public:
    // The columns that mean the same as in the flight log's CSV export carry its names (utc,
    // latitude_deg, longitude_deg, altitude_m, altitude_ft) and its RFC 4180 line ends; the
    // coordinates keep APRS's resolution (6 decimals), the altitude a tenth of a metre (APRS
    // sends whole feet).
    static constexpr const char* kHeader =
        "utc,source,destination,path,format,latitude_deg,longitude_deg,altitude_m,altitude_ft,"
        "course_deg,speed_kn,comment,info\r\n";

    // Opens (truncates) `path` and writes the header; false when it cannot be written.
    bool Open(const std::string& path);
    bool IsOpen() const { return file_.is_open(); }
    // One row for `packet`, heard at `heardAt` (UTC seconds since the epoch); false once a write
    // has failed.
    bool Append(const HeardPacket& packet, std::time_t heardAt);
    bool Failed() const { return failed_; }

private:
    std::ofstream file_;
    bool failed_ = false;
};

// "uncompressed", "compressed", "mic-e" or "other".
const char* AprsFormatName(AprsFormat format);
// Bytes outside printable ASCII as <0xNN>, so a packet never garbles a terminal or a log line.
std::string PrintableBytes(const std::string& bytes);
// "49.058333 -72.029167, 376.1 m, course 88, 36.0 kn": what a position report says, in that
// order, the parts sent.
std::string PositionText(const AprsReport& report);
// "2026-05-01T14:03:07Z" (format "%Y-%m-%dT%H:%M:%SZ") or any other strftime format, in UTC.
std::string UtcTimeText(std::time_t at, const char* format);

}  // namespace vanteo::aprs
