#include "flightlog/FlightAnalysis.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vanteo {
namespace {

constexpr double kEarthRadiusM = 6371000.0;
constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180.0;
constexpr long long kSecondsPerDay = 86400;
constexpr long long kHalfDayS = 43200;
// Altitudes no fix of this tracker can have (below the lowest dry land, far above any amateur
// flight): corrupt records, not flights.
constexpr long long kLowestAltitudeM = -500;
constexpr long long kHighestAltitudeM = 100000;

// A flight begins where the altitude rises this far above the lowest of the last ground points,
// and its launch point is the last one before that within kPadBandM of that ground.
constexpr double kLaunchRiseM = 30;
constexpr double kPadBandM = 5;
constexpr std::size_t kGroundWindowPoints = 10;
// A pause this long between two points (the tracker switched off and on, perhaps at another
// pad) starts the ground anew.
constexpr double kNewSessionGapS = 60;
// Landed: below the apogee by half the flight's height (at least kLaunchRiseM), and the
// altitude then stays within kRestBandM for kRestS (at least two more points).
constexpr double kRestBandM = 10;
constexpr double kRestS = 10;
// A step down larger than this is still falling, not GPS noise on the ground.
constexpr double kStillStepM = 2;
// A single point is a spike when it lies this far (or kSpikeSpeed x the interval, if more)
// from both neighbours while they lie within half of it of each other.
constexpr double kSpikeHorizontalM = 1000;
constexpr double kSpikeVerticalM = 300;
constexpr double kSpikeSpeed = 100;
// Two descent stages are told apart when the upper one is this much faster than the lower.
constexpr double kStageRatio = 1.5;
constexpr std::size_t kStagePoints = 3;

double Squared(double value) {
    return value * value;
}

bool ValidClock(const LogPoint& p) {
    return p.hours >= 0 && p.hours < 24 && p.minutes >= 0 && p.minutes < 60 && p.seconds >= 0 &&
           p.seconds < 60;
}

// Fills analysis.timeS (and the source) for every decoded point.
void BuildTimeAxis(const DecodedLog& log, FlightAnalysis& analysis) {
    const std::vector<LogPoint>& points = log.points;
    const bool utc = !log.layout.compressed && log.layout.recordBytes == 15;
    bool secondsVary = false;
    for (std::size_t i = 1; i < points.size() && !utc && !log.layout.compressed; ++i) {
        secondsVary = secondsVary || points[i].seconds != points[0].seconds;
    }
    analysis.timeSource = utc           ? TimeSource::utcClock
                          : secondsVary ? TimeSource::secondsField
                                        : TimeSource::storeInterval;
    analysis.timeS.assign(points.size(), 0);
    if (analysis.timeSource == TimeSource::storeInterval) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            analysis.timeS[i] = static_cast<double>(i) * analysis.storeIntervalS;
        }
        return;
    }
    // Records whose clock fields are out of range take the previous time plus one interval.
    bool started = false;
    long long previous = 0;  // the last valid clock reading (seconds of day or of minute)
    double elapsed = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const LogPoint& p = points[i];
        const bool valid = utc ? ValidClock(p) : p.seconds >= 0 && p.seconds < 60;
        if (!valid) {
            elapsed += started || i > 0 ? analysis.storeIntervalS : 0;
            analysis.timeS[i] = elapsed;
            continue;
        }
        const long long reading = utc ? p.hours * 3600LL + p.minutes * 60LL + p.seconds : p.seconds;
        if (started) {
            long long step = reading - previous;
            if (utc) {
                // Midnight: the clock starts again from 0.
                if (step < -kHalfDayS) {
                    step += kSecondsPerDay;
                }
            } else {
                // Only the seconds are logged: they roll over every minute. The same second
                // again is a whole minute only when the tracker stores that rarely.
                step = (step + 60) % 60;
                if (step == 0 && analysis.storeIntervalS >= 60) {
                    step = 60;
                }
            }
            if (step < 0) {
                // The clock went back: the tracker was restarted (or the log holds several
                // copies). The axis stays monotonic and the point starts a new session.
                step = 0;
                analysis.clockRestarts.push_back(i);
            }
            elapsed += static_cast<double>(step);
        }
        started = true;
        previous = reading;
        analysis.timeS[i] = elapsed;
    }
}

bool NoFix(const LogPoint& p, bool negativeAltitudes) {
    if (p.latitudeDeg == 0 && p.longitudeDeg == 0) {
        return true;
    }
    if (std::fabs(p.latitudeDeg) > 90 || std::fabs(p.longitudeDeg) > 180) {
        return true;
    }
    if (!p.full) {
        return false;
    }
    const std::optional<long long> altitude = AltitudeMetres(p, negativeAltitudes);
    return p.satellites <= 0 || !altitude || *altitude < kLowestAltitudeM ||
           *altitude > kHighestAltitudeM;
}

bool IsSpike(const TrackPoint& before, const TrackPoint& point, const TrackPoint& after) {
    const double interval = std::max(point.timeS - before.timeS, after.timeS - point.timeS);
    const double horizontal = std::max(kSpikeHorizontalM, kSpikeSpeed * interval);
    const double vertical = std::max(kSpikeVerticalM, kSpikeSpeed * interval);
    const auto far = [](double a, double b, double limit) { return a > limit && b > limit; };
    const bool sideways =
        far(DistanceM(before.latitudeDeg, before.longitudeDeg, point.latitudeDeg,
                      point.longitudeDeg),
            DistanceM(point.latitudeDeg, point.longitudeDeg, after.latitudeDeg, after.longitudeDeg),
            horizontal) &&
        DistanceM(before.latitudeDeg, before.longitudeDeg, after.latitudeDeg, after.longitudeDeg) <
            horizontal / 2;
    const bool upright = point.hasAltitude &&
                         far(std::fabs(point.altitudeM - before.altitudeM),
                             std::fabs(point.altitudeM - after.altitudeM), vertical) &&
                         std::fabs(before.altitudeM - after.altitudeM) < vertical / 2;
    return sideways || upright;
}

void BuildTrack(const DecodedLog& log, FlightAnalysis& analysis) {
    const std::vector<LogPoint>& points = log.points;
    analysis.status.assign(points.size(), PointStatus::track);
    std::vector<TrackPoint> candidates;
    candidates.reserve(points.size());
    const bool absolute =
        analysis.timeSource == TimeSource::utcClock && analysis.captureDate.has_value();
    long long firstClock = 0;
    bool haveFirstClock = false;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const LogPoint& p = points[i];
        if (NoFix(p, log.negativeAltitudes)) {
            analysis.status[i] = PointStatus::noFix;
            ++analysis.noFixCount;
            continue;
        }
        TrackPoint point;
        point.logIndex = i;
        point.timeS = analysis.timeS[i];
        point.latitudeDeg = p.latitudeDeg;
        point.longitudeDeg = p.longitudeDeg;
        if (const std::optional<long long> metres = AltitudeMetres(p, log.negativeAltitudes)) {
            point.hasAltitude = true;
            point.altitudeM = static_cast<double>(*metres);
        }
        if (absolute) {
            // The capture date is the first record's day; later days follow from the axis.
            if (!haveFirstClock && ValidClock(p)) {
                firstClock = p.hours * 3600LL + p.minutes * 60LL + p.seconds -
                             static_cast<long long>(analysis.timeS[i]);
                haveFirstClock = true;
            }
            if (haveFirstClock) {
                point.utcSinceDateS = firstClock + static_cast<long long>(analysis.timeS[i]);
            }
        }
        candidates.push_back(point);
    }
    analysis.track.reserve(candidates.size());
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (i > 0 && i + 1 < candidates.size() && !analysis.track.empty() &&
            IsSpike(analysis.track.back(), candidates[i], candidates[i + 1])) {
            analysis.status[candidates[i].logIndex] = PointStatus::spike;
            ++analysis.spikeCount;
            continue;
        }
        analysis.track.push_back(candidates[i]);
    }
}

// The usual interval between track points (the median of the positive ones); 0 when none.
double UsualInterval(const std::vector<TrackPoint>& track) {
    std::vector<double> steps;
    steps.reserve(track.size());
    for (std::size_t i = 1; i < track.size(); ++i) {
        if (const double step = track[i].timeS - track[i - 1].timeS; step > 0) {
            steps.push_back(step);
        }
    }
    if (steps.empty()) {
        return 0;
    }
    auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}

void CountGaps(const std::vector<TrackPoint>& track, std::size_t first, std::size_t last,
               double usual, std::size_t& count, double& longest) {
    count = 0;
    longest = 0;
    for (std::size_t i = first + 1; i <= last && i < track.size(); ++i) {
        const double step = track[i].timeS - track[i - 1].timeS;
        if (usual > 0 && step > 2 * usual) {
            ++count;
            longest = std::max(longest, step);
        }
    }
}

// Least-squares line through (t, altitude) of track[first..last]: its squared error and slope.
struct LineFit {
    double error = 0;
    double slope = 0;
};

class RunningSums {
public:
    explicit RunningSums(const std::vector<TrackPoint>& track, std::size_t first,
                         std::size_t last) {
        for (std::size_t i = first; i <= last; ++i) {
            const double t = track[i].timeS - track[first].timeS;
            const double a = track[i].altitudeM;
            Push(t, a);
        }
    }
    // Fit over the points first+from .. first+to (offsets, both included).
    LineFit Fit(std::size_t from, std::size_t to) const {
        const double n = static_cast<double>(to - from + 1);
        const double st = t_[to + 1] - t_[from];
        const double sa = a_[to + 1] - a_[from];
        const double stt = tt_[to + 1] - tt_[from];
        const double sta = ta_[to + 1] - ta_[from];
        const double saa = aa_[to + 1] - aa_[from];
        const double varT = stt - st * st / n;
        LineFit fit;
        if (varT <= 0) {
            return fit;
        }
        const double cov = sta - st * sa / n;
        fit.slope = cov / varT;
        fit.error = std::max(0.0, (saa - sa * sa / n) - fit.slope * cov);
        return fit;
    }

private:
    void Push(double t, double a) {
        const auto add = [](std::vector<double>& sums, double value) {
            sums.push_back((sums.empty() ? 0 : sums.back()) + value);
        };
        if (t_.empty()) {
            for (auto* sums : {&t_, &a_, &tt_, &ta_, &aa_}) {
                sums->push_back(0);
            }
        }
        add(t_, t);
        add(a_, a);
        add(tt_, t * t);
        add(ta_, t * a);
        add(aa_, a * a);
    }
    std::vector<double> t_, a_, tt_, ta_, aa_;
};

void FitDescent(const std::vector<TrackPoint>& track, FlightSummary& flight) {
    const TrackPoint& top = track[flight.apogee];
    const TrackPoint& bottom = track[flight.landing];
    if (bottom.timeS > top.timeS) {
        flight.descentRate = (top.altitudeM - bottom.altitudeM) / (bottom.timeS - top.timeS);
    }
    const std::size_t count = flight.landing - flight.apogee + 1;
    if (count < 2 * kStagePoints - 1) {
        return;
    }
    // Two straight lines meeting at one point (main deployment): the split with the smallest
    // squared error.
    const RunningSums sums(track, flight.apogee, flight.landing);
    double bestError = std::numeric_limits<double>::infinity();
    LineFit upper;
    LineFit lower;
    for (std::size_t split = kStagePoints - 1; split + kStagePoints <= count; ++split) {
        const LineFit a = sums.Fit(0, split);
        const LineFit b = sums.Fit(split, count - 1);
        if (a.error + b.error < bestError) {
            bestError = a.error + b.error;
            upper = a;
            lower = b;
        }
    }
    const double drogue = -upper.slope;
    const double main = -lower.slope;
    if (main > 0 && drogue > kStageRatio * main) {
        flight.twoDescentStages = true;
        flight.drogueDescentRate = drogue;
        flight.mainDescentRate = main;
    }
}

// True when track point i begins a new session: the clock went back, or the tracker paused.
bool StartsSession(const FlightAnalysis& analysis, std::size_t i) {
    const std::vector<TrackPoint>& track = analysis.track;
    if (i == 0 || i >= track.size()) {
        return false;
    }
    return track[i].timeS - track[i - 1].timeS > kNewSessionGapS ||
           std::binary_search(analysis.clockRestarts.begin(), analysis.clockRestarts.end(),
                              track[i].logIndex);
}

// The landing after the flight that rose at `rise`: the first point below the apogee so far by
// half the flight's height where the altitude then rests. Returns the index and whether it
// rested (false: the log or its session ended first, and its last point is taken).
std::pair<std::size_t, bool> FindLanding(const FlightAnalysis& analysis, std::size_t rise,
                                         double pad) {
    const std::vector<TrackPoint>& track = analysis.track;
    double top = track[rise].altitudeM;
    for (std::size_t j = rise; j < track.size(); ++j) {
        if (j > rise && StartsSession(analysis, j)) {
            return {j - 1, false};
        }
        top = std::max(top, track[j].altitudeM);
        const double below = std::max(kLaunchRiseM, (top - pad) / 2);
        if (track[j].altitudeM > top - below) {
            continue;
        }
        std::size_t after = 0;
        bool resting = true;
        bool sessionEnds = false;
        for (std::size_t k = j + 1; k < track.size() && resting; ++k) {
            if (StartsSession(analysis, k)) {
                sessionEnds = true;
                break;
            }
            if (track[k].timeS - track[j].timeS > kRestS && after >= 2) {
                break;
            }
            resting = std::fabs(track[k].altitudeM - track[j].altitudeM) <= kRestBandM;
            ++after;
        }
        if (resting && (after >= 2 || (sessionEnds && after >= 1))) {
            // The last metres under the main can fall within the band: the landing is where the
            // altitude stops falling.
            while (j + 1 < track.size() && !StartsSession(analysis, j + 1) &&
                   track[j + 1].altitudeM < track[j].altitudeM - kStillStepM) {
                ++j;
            }
            return {j, true};
        }
    }
    return {track.size() - 1, false};
}

FlightSummary Summarise(const std::vector<TrackPoint>& track, std::size_t launch,
                        std::size_t landing, bool landed, double usualInterval) {
    FlightSummary f;
    f.launch = launch;
    f.landing = landing;
    f.landed = landed;
    const TrackPoint& pad = track[launch];
    f.padAltitudeM = pad.altitudeM;
    f.apogee = launch;
    for (std::size_t i = launch; i <= landing; ++i) {
        if (track[i].altitudeM > track[f.apogee].altitudeM) {
            f.apogee = i;
        }
    }
    f.apogeeMslM = track[f.apogee].altitudeM;
    f.apogeeAbovePadM = f.apogeeMslM - f.padAltitudeM;
    f.timeToApogeeS = track[f.apogee].timeS - pad.timeS;
    for (std::size_t i = launch + 1; i <= f.apogee; ++i) {
        const double dt = track[i].timeS - track[i - 1].timeS;
        if (dt > 0) {
            f.maxAscentRate =
                std::max(f.maxAscentRate, (track[i].altitudeM - track[i - 1].altitudeM) / dt);
        }
    }
    FitDescent(track, f);
    const TrackPoint& end = track[landing];
    f.flightTimeS = end.timeS - pad.timeS;
    f.distanceM = DistanceM(pad.latitudeDeg, pad.longitudeDeg, end.latitudeDeg, end.longitudeDeg);
    f.bearingDeg = BearingDeg(pad.latitudeDeg, pad.longitudeDeg, end.latitudeDeg, end.longitudeDeg);
    f.pointCount = landing - launch + 1;
    CountGaps(track, launch, landing, usualInterval, f.gapCount, f.longestGapS);
    return f;
}

void FindFlights(const DecodedLog& log, FlightAnalysis& analysis) {
    const std::vector<TrackPoint>& track = analysis.track;
    if (log.layout.compressed) {
        analysis.noFlightReason =
            "no flight found: a compressed log holds positions only, no altitudes";
        return;
    }
    if (track.empty()) {
        analysis.noFlightReason = "no flight found: the log holds no position fix";
        return;
    }
    const double usual = UsualInterval(track);
    std::size_t groundStart = 0;
    for (std::size_t i = 0; i < track.size(); ++i) {
        if (StartsSession(analysis, i)) {
            groundStart = i;
        }
        const std::size_t from = std::max(
            groundStart, i >= kGroundWindowPoints ? i - kGroundWindowPoints : std::size_t{0});
        double ground = track[from].altitudeM;
        for (std::size_t k = from; k < i; ++k) {
            ground = std::min(ground, track[k].altitudeM);
        }
        if (i == from || track[i].altitudeM <= ground + kLaunchRiseM) {
            continue;
        }
        std::size_t launch = i - 1;
        while (launch > from && track[launch].altitudeM > ground + kPadBandM) {
            --launch;
        }
        const auto [landing, landed] = FindLanding(analysis, i, track[launch].altitudeM);
        FlightSummary flight = Summarise(track, launch, landing, landed, usual);
        flight.satellitesMin = log.points[track[launch].logIndex].satellites;
        flight.satellitesMax = flight.satellitesMin;
        for (std::size_t k = launch; k <= landing; ++k) {
            const LogPoint& p = log.points[track[k].logIndex];
            flight.satellitesMin = std::min(flight.satellitesMin, p.satellites);
            flight.satellitesMax = std::max(flight.satellitesMax, p.satellites);
            flight.farthestM = std::max(
                flight.farthestM, DistanceM(track[launch].latitudeDeg, track[launch].longitudeDeg,
                                            track[k].latitudeDeg, track[k].longitudeDeg));
        }
        analysis.flights.push_back(flight);
        groundStart = landing;
        i = landing;
    }
    if (analysis.flights.empty()) {
        analysis.noFlightReason = "no flight found: the altitude never rises 30 m above the ground";
    }
}

}  // namespace

double DistanceM(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg) {
    const double phi1 = lat1Deg * kDegree;
    const double phi2 = lat2Deg * kDegree;
    const double h =
        Squared(std::sin((phi2 - phi1) / 2)) +
        std::cos(phi1) * std::cos(phi2) * Squared(std::sin((lon2Deg - lon1Deg) * kDegree / 2));
    return 2 * kEarthRadiusM * std::asin(std::min(1.0, std::sqrt(h)));
}

double BearingDeg(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg) {
    const double phi1 = lat1Deg * kDegree;
    const double phi2 = lat2Deg * kDegree;
    const double dLambda = (lon2Deg - lon1Deg) * kDegree;
    const double y = std::sin(dLambda) * std::cos(phi2);
    const double x =
        std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLambda);
    if (x == 0 && y == 0) {
        return 0;
    }
    const double bearing = std::atan2(y, x) / kDegree;
    return bearing < 0 ? bearing + 360 : bearing;
}

FlightAnalysis AnalyseFlights(const DecodedLog& log, double storeIntervalS) {
    FlightAnalysis analysis;
    analysis.storeIntervalS = storeIntervalS > 0 ? storeIntervalS : 1;
    analysis.captureDate = log.captureDate;
    BuildTimeAxis(log, analysis);
    BuildTrack(log, analysis);
    CountGaps(analysis.track, 0, analysis.track.empty() ? 0 : analysis.track.size() - 1,
              UsualInterval(analysis.track), analysis.gapCount, analysis.longestGapS);
    FindFlights(log, analysis);
    return analysis;
}

}  // namespace vanteo
