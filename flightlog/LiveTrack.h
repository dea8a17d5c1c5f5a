#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace vanteo {

// One station's positions as they are heard, and what the recovery needs from them: the last
// position, how fast it climbs or falls, how long ago it was heard, how far and which way it
// lies from the listener. Times in seconds on any one clock the caller keeps to (the receive
// time, not the packet's own timestamp, which APRS trackers often leave out); metres, degrees.
// Not thread-safe.
class LiveTrack {
public:
    struct Fix {
        double timeS = 0;
        double latitudeDeg = 0;
        double longitudeDeg = 0;
        std::optional<double> altitudeM;
    };

    // The fixes a vertical speed is taken over: those within this span before the newest one
    // (a beacon every 2 to 10 s gives 3 to 15 of them), so a descent rate follows a change of
    // parachute within the span rather than averaging the whole flight.
    static constexpr double kVerticalSpeedSpanS = 30;

    void Add(const Fix& fix) { fixes_.push_back(fix); }
    const std::vector<Fix>& Fixes() const { return fixes_; }
    const Fix* Last() const { return fixes_.empty() ? nullptr : &fixes_.back(); }

    // Metres per second, positive climbing: the altitude change between the oldest and the
    // newest fix with an altitude within kVerticalSpeedSpanS of the newest, over their time
    // apart. None with fewer than two such fixes at different times.
    std::optional<double> VerticalSpeedMps() const;
    // Seconds since the newest fix at `nowS`; none before any fix.
    std::optional<double> AgeS(double nowS) const;

private:
    std::vector<Fix> fixes_;
};

// Where a position lies from the listener: great-circle distance in metres and the initial
// bearing in degrees from true north, clockwise (0 to below 360).
struct DistanceBearing {
    double distanceM = 0;
    double bearingDeg = 0;
};
DistanceBearing FromListener(double listenerLatitudeDeg, double listenerLongitudeDeg,
                             double latitudeDeg, double longitudeDeg);

}  // namespace vanteo
