#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace vanteo {

// A position heard live, as the track files take it.
struct LiveTrackPoint {
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    std::optional<double> altitudeM;  // above mean sea level
    std::time_t utc = 0;              // when it was heard, seconds since the epoch
};

enum class LiveTrackFormat {
    gpx,    // GPX 1.1: one track of one segment, a time per point
    kml22,  // KML 2.2: one LineString (a gx:Track would need every time before every point)
};

// A track file that is a complete, valid document after every point: the points go in before
// the closing tags, which are written again behind each new point, and each point is synced to
// the disk before Append returns, so a crash, a kill or a closed lid loses no point appended.
// Numbers in the "C" form. Not thread-safe; one writer per file.
class LiveTrackFile {
public:
    explicit LiveTrackFile(LiveTrackFormat format) : format_(format) {}
    ~LiveTrackFile();
    LiveTrackFile(const LiveTrackFile&) = delete;
    LiveTrackFile& operator=(const LiveTrackFile&) = delete;

    // Creates or truncates `path` and writes a valid empty track named `name` (XML-escaped).
    // False, with the system's message in Error(), when it cannot be written.
    bool Open(const std::string& path, const std::string& name);
    // False (and the file no longer written) when the write or the sync failed.
    bool Append(const LiveTrackPoint& point);
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Error() const { return error_; }

private:
    bool WriteAt(const std::string& bytes, long long offset);

    LiveTrackFormat format_;
    int fd_ = -1;
    long long tailOffset_ = 0;  // where the closing tags begin: the next point goes there
    std::string error_;
};

}  // namespace vanteo
