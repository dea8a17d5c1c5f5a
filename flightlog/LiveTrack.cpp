#include "flightlog/LiveTrack.h"

#include "flightlog/FlightAnalysis.h"

namespace vanteo {

std::optional<double> LiveTrack::VerticalSpeedMps() const {
    const Fix* newest = nullptr;
    const Fix* oldest = nullptr;
    for (auto it = fixes_.rbegin(); it != fixes_.rend(); ++it) {
        if (!it->altitudeM) {
            continue;
        }
        if (newest == nullptr) {
            newest = &*it;
        } else if (newest->timeS - it->timeS > kVerticalSpeedSpanS) {
            break;
        }
        oldest = &*it;
    }
    if (newest == nullptr || newest->timeS - oldest->timeS <= 0) {
        return std::nullopt;
    }
    return (*newest->altitudeM - *oldest->altitudeM) / (newest->timeS - oldest->timeS);
}

std::optional<double> LiveTrack::AgeS(double nowS) const {
    if (fixes_.empty()) {
        return std::nullopt;
    }
    return nowS - fixes_.back().timeS;
}

DistanceBearing FromListener(double listenerLatitudeDeg, double listenerLongitudeDeg,
                             double latitudeDeg, double longitudeDeg) {
    return {DistanceM(listenerLatitudeDeg, listenerLongitudeDeg, latitudeDeg, longitudeDeg),
            BearingDeg(listenerLatitudeDeg, listenerLongitudeDeg, latitudeDeg, longitudeDeg)};
}

}  // namespace vanteo
