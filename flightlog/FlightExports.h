#pragma once

#include <string>

#include "device/UserInteraction.h"

#include "flightlog/FlightAnalysis.h"

namespace vanteo {

// The flight in the files other programs read, written beside the exact KML file. Each appends
// a whole document to `out`; numbers in the "C" form (FlightText.h). The tracks hold the
// analysis's track (no-fix records and spikes left out); launch, apogee and landing of every
// flight are marked ("Launch", "Apogee", "Landing", numbered when the log holds several flights).

// GPX 1.1: waypoints, then one track of one segment (lat, lon, ele where the log has altitudes,
// time where the UTC time and capture date are known).
void WriteGpx(std::string& out, const FlightAnalysis& analysis);

// CSV (RFC 4180: CRLF line ends, a header row): one row per decoded point, kept or not, with
// every decoded field; altitudes in metres and feet.
void WriteFlightCsv(std::string& out, const DecodedLog& log, const FlightAnalysis& analysis);

// KML 2.2: the placemarks, then the track as a gx:Track with a "when" per point when every point
// has a UTC time, else as a LineString; altitudes absolute (clamped to the ground when the log
// has none).
void WriteKml22(std::string& out, const FlightAnalysis& analysis);

// The export files asked for; an empty path is not written.
struct FlightExportPaths {
    std::string gpx;
    std::string csv;
    std::string kml22;

    bool Any() const { return !gpx.empty() || !csv.empty() || !kml22.empty(); }
};

// Writes every file asked for beside its target and puts it in the target's place only when it
// is complete (AtomicFileWriter). False, after telling the user which file was not saved, when
// any could not be written; the others are written all the same.
bool WriteFlightExports(UserInteraction& ui, const DecodedLog& log, const FlightAnalysis& analysis,
                        const FlightExportPaths& paths);

}  // namespace vanteo
