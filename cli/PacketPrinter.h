#pragma once

#include <ctime>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>

#include "aprs/AprsPacketDecoder.h"

namespace vanteo::cli {

// What `vanteo-cli listen` does with each packet heard: one line (or one JSON object) on `out`,
// one CSV row in the log file when one is open (flushed per packet, so a crash loses nothing
// heard), and the last position kept for the summary at the end. Numbers in the "C" locale.
class PacketPrinter {
public:
    static constexpr const char* kCsvHeader =
        "utc,source,destination,path,format,latitude,longitude,altitude_m,course_deg,speed_kn,"
        "comment,info\n";

    PacketPrinter(std::ostream& out, bool json) : out_(out), json_(json) {}

    // Opens (truncates) `path` and writes the header; false when it cannot be written.
    bool OpenCsv(const std::string& path);
    // `heardAt`: UTC seconds since the epoch.
    void Print(const aprs::HeardPacket& packet, std::time_t heardAt);
    // "Last position: ..." or "No position heard.", one line.
    std::string Summary() const;
    bool CsvFailed() const { return csvFailed_; }

private:
    struct LastPosition {
        std::string station;
        aprs::AprsReport report;
        std::time_t heardAt = 0;
    };

    std::ostream& out_;
    bool json_;
    std::ofstream csv_;
    bool csvFailed_ = false;
    std::optional<LastPosition> last_;
};

}  // namespace vanteo::cli
