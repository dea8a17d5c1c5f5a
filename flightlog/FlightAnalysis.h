#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "flightlog/LogDecoder.h"

namespace vanteo {

// What a decoded log says about its flights: a time axis, the track without its no-fix records
// and single-point spikes, and one summary per flight found. Distances in metres, times in
// seconds, rates in metres per second, angles in degrees. Pure functions; any thread.

// Where the time axis comes from.
enum class TimeSource {
    utcClock,       // the records' UTC hours, minutes and seconds (midnight rolls into a new day)
    secondsField,   // the records' seconds, a minute added each time they roll over
    storeInterval,  // the log holds no time: point n is n store intervals after the first
};

// What the summary made of each decoded point.
enum class PointStatus {
    track,  // kept
    noFix,  // 0,0, no satellites, out-of-range coordinates or an altitude that is no number
    spike,  // a single point far from both neighbours, which agree with each other
};

struct TrackPoint {
    std::size_t logIndex = 0;  // index into DecodedLog::points
    double timeS = 0;          // from the first decoded point
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    bool hasAltitude = false;  // false in compressed logs
    double altitudeM = 0;      // above mean sea level
    // Seconds from 00:00 UTC of the capture date: set when the log holds UTC times and the
    // trailer a capture date.
    std::optional<long long> utcSinceDateS;
};

struct FlightSummary {
    // Indices into FlightAnalysis::track.
    std::size_t launch = 0;
    std::size_t apogee = 0;
    std::size_t landing = 0;
    double padAltitudeM = 0;  // the launch point's altitude
    double apogeeMslM = 0;
    double apogeeAbovePadM = 0;
    double timeToApogeeS = 0;
    double maxAscentRate = 0;
    // Drogue and main told apart: two descent rates; else descentRate only.
    bool twoDescentStages = false;
    double drogueDescentRate = 0;
    double mainDescentRate = 0;
    double descentRate = 0;  // apogee to landing overall
    bool landed = false;     // false: the log ends before the rocket came to rest
    double flightTimeS = 0;
    double distanceM = 0;   // pad to landing
    double bearingDeg = 0;  // pad to landing, from true north, clockwise
    double farthestM = 0;   // largest distance from the pad during the flight
    std::size_t pointCount = 0;
    int satellitesMin = 0;
    int satellitesMax = 0;
    std::size_t gapCount = 0;  // intervals longer than twice the usual one
    double longestGapS = 0;
};

struct FlightAnalysis {
    TimeSource timeSource = TimeSource::storeInterval;
    double storeIntervalS = 1;
    std::optional<CaptureDate> captureDate;
    std::vector<PointStatus> status;  // one per decoded point
    std::vector<double> timeS;        // one per decoded point
    // Decoded points where the log's clock went back (a restarted tracker): each begins a new
    // session, 0 s after the point before it. In log order.
    std::vector<std::size_t> clockRestarts;
    std::vector<TrackPoint> track;
    std::size_t noFixCount = 0;
    std::size_t spikeCount = 0;
    std::size_t gapCount = 0;  // over the whole track
    double longestGapS = 0;
    std::vector<FlightSummary> flights;
    std::string noFlightReason;  // set when flights is empty
};

// Analyses `log`; `storeIntervalS` (the tracker's "Store Intveral", seconds) spaces the points
// when the log holds no time.
FlightAnalysis AnalyseFlights(const DecodedLog& log, double storeIntervalS);

// Great-circle distance (haversine, mean Earth radius 6371 km) and initial bearing (degrees
// from true north, clockwise, 0 to below 360) from the first point to the second.
double DistanceM(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg);
double BearingDeg(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg);

}  // namespace vanteo
