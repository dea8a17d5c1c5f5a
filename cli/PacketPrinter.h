#pragma once

#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "aprs/AprsPacketDecoder.h"
#include "aprs/GpsdClient.h"
#include "aprs/HeardPacketCsv.h"
#include "flightlog/LiveTrack.h"
#include "flightlog/LiveTrackFile.h"

namespace vanteo::cli {

// What `vanteo-cli listen` does with each packet heard: one line (or one JSON object) on `out`,
// one CSV row in the log file when one is open (flushed per packet, so a crash loses nothing
// heard), one point in the GPX and KML tracks when open (valid documents after every point),
// and each station's positions kept for its vertical speed, its distance and bearing from the
// listener and the summary at the end. Numbers in the "C" locale.
class PacketPrinter {
public:
    // The CSV log's columns, shared with the recovery window's.
    static constexpr const char* kCsvHeader = aprs::HeardPacketCsv::kHeader;
    // Where the listener stands, asked once per position printed; none: no distance, bearing.
    using ListenerSource = std::function<std::optional<aprs::ListenerPosition>()>;

    PacketPrinter(std::ostream& out, bool json) : out_(out), json_(json) {}

    // Opens (truncates) `path` and writes the header; false when it cannot be written.
    bool OpenCsv(const std::string& path);
    // Opens (truncates) the track file asked for (an empty path: none) as a valid empty track of
    // `station`; false, with `error` naming the file and why, when one cannot be written. The
    // tracks take the positions of `station` only; none: of the first station heard with one
    // (a track through several stations would be no flight), told once through `note`.
    bool OpenTracks(const std::string& gpxPath, const std::string& kmlPath,
                    const std::optional<std::string>& station, std::string& error);
    void SetListener(ListenerSource listener) { listener_ = std::move(listener); }
    void SetNote(std::function<void(const std::string&)> note) { note_ = std::move(note); }

    // `heardAt`: UTC seconds since the epoch; `heardAtS` the same with its fraction, the time
    // the vertical speed is taken on.
    void Print(const aprs::HeardPacket& packet, std::time_t heardAt, double heardAtS);
    void Print(const aprs::HeardPacket& packet, std::time_t heardAt) {
        Print(packet, heardAt, static_cast<double>(heardAt));
    }
    // "Last position: ..." or "No position heard.", one line; with `nowS` (as `heardAtS`) also
    // how long ago it was heard, and with the listener's position its distance and bearing.
    std::string Summary(std::optional<double> nowS = std::nullopt) const;
    bool CsvFailed() const { return csv_.Failed(); }
    // The first track file that could not be written, and why; empty while all are fine.
    const std::string& TrackError() const { return trackError_; }

private:
    struct LastPosition {
        std::string station;
        aprs::AprsReport report;
        std::time_t heardAt = 0;
        double heardAtS = 0;
    };

    void AppendToTracks(const std::string& station, const aprs::AprsReport& report,
                        std::time_t heardAt);

    std::ostream& out_;
    bool json_;
    aprs::HeardPacketCsv csv_;
    std::optional<LastPosition> last_;
    std::map<std::string, LiveTrack> tracks_;  // by station, positions only
    ListenerSource listener_;
    std::function<void(const std::string&)> note_;
    std::unique_ptr<LiveTrackFile> gpx_;
    std::unique_ptr<LiveTrackFile> kml_;
    std::string gpxPath_;
    std::string kmlPath_;
    std::optional<std::string> trackStation_;
    std::string trackError_;
};

}  // namespace vanteo::cli
