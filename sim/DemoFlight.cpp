#include "sim/DemoFlight.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vanteo::sim {
namespace {

// The launch site: a dry lake bed in the high desert.
constexpr double kPadLatitudeDeg = 40.8800;
constexpr double kPadLongitudeDeg = -119.0600;
constexpr int kPadAltitudeM = 1196;

constexpr double kMetresPerDegreeLatitude = 111195.0;  // mean Earth radius 6371 km
constexpr double kPi = 3.14159265358979323846;

// Flight profile, in seconds after ignition and metres above the pad.
constexpr int kFixesOnPad = 5;
constexpr double kBoostSeconds = 3.0;
constexpr double kBoostAcceleration = 60.0;  // m/s², average over the burn
constexpr double kApogeeAglM = 1500.0;
constexpr double kMainDeployAglM = 250.0;
constexpr double kDrogueDescentRate = 22.0;  // m/s
constexpr double kMainDescentRate = 5.5;     // m/s
constexpr double kAscentDriftEastM = 40.0;   // weathercocking, spread over the ascent
constexpr double kWindEast = 6.0;            // m/s, drift under canopy
constexpr double kWindNorth = 2.5;
constexpr int kFixesAfterLanding = 4;

// First fix: 17:42:05 UTC.
constexpr int kStartSecondOfDay = 17 * 3600 + 42 * 60 + 5;

constexpr std::uint8_t kNegativeBit = 0x80;
constexpr long kTenThousandthsPerDegree = 60L * 10000L;

struct FlightPhases {
    double burnoutAglM;
    double burnoutSpeed;
    double coastDeceleration;
    double apogeeTime;
    double mainTime;
    double landingTime;
};

FlightPhases Phases() {
    FlightPhases phases{};
    phases.burnoutSpeed = kBoostAcceleration * kBoostSeconds;
    phases.burnoutAglM = 0.5 * kBoostAcceleration * kBoostSeconds * kBoostSeconds;
    // Gravity plus drag, chosen so the coast ends exactly at the apogee.
    phases.coastDeceleration =
        phases.burnoutSpeed * phases.burnoutSpeed / (2.0 * (kApogeeAglM - phases.burnoutAglM));
    phases.apogeeTime = kBoostSeconds + phases.burnoutSpeed / phases.coastDeceleration;
    phases.mainTime = phases.apogeeTime + (kApogeeAglM - kMainDeployAglM) / kDrogueDescentRate;
    phases.landingTime = phases.mainTime + kMainDeployAglM / kMainDescentRate;
    return phases;
}

double AltitudeAgl(const FlightPhases& phases, double t) {
    if (t <= 0) {
        return 0;
    }
    if (t <= kBoostSeconds) {
        return 0.5 * kBoostAcceleration * t * t;
    }
    if (t <= phases.apogeeTime) {
        const double c = t - kBoostSeconds;
        return phases.burnoutAglM + phases.burnoutSpeed * c -
               0.5 * phases.coastDeceleration * c * c;
    }
    if (t <= phases.mainTime) {
        return kApogeeAglM - kDrogueDescentRate * (t - phases.apogeeTime);
    }
    if (t <= phases.landingTime) {
        return kMainDeployAglM - kMainDescentRate * (t - phases.mainTime);
    }
    return 0;
}

// Horizontal offset from the pad in metres (east, north).
std::pair<double, double> Drift(const FlightPhases& phases, double t) {
    if (t <= 0) {
        return {0, 0};
    }
    if (t <= phases.apogeeTime) {
        return {kAscentDriftEastM * t / phases.apogeeTime, 0};
    }
    const double underCanopy = std::min(t, phases.landingTime) - phases.apogeeTime;
    return {kAscentDriftEastM + kWindEast * underCanopy, kWindNorth * underCanopy};
}

int Satellites(int index, double t, const FlightPhases& phases) {
    int satellites = 9;
    if (t > 0 && t <= kBoostSeconds + 1) {
        satellites -= 3;  // the receiver loses some under boost acceleration
    }
    if (index % 7 == 3) {
        --satellites;
    }
    if (t > phases.landingTime) {
        --satellites;  // lying in the dust
    }
    return satellites;
}

}  // namespace

std::vector<DemoFix> DemoFlight::Fixes() {
    const FlightPhases phases = Phases();
    const int flightFixes = static_cast<int>(std::ceil(phases.landingTime));
    const int total = kFixesOnPad + flightFixes + kFixesAfterLanding;
    const double metresPerDegreeLongitude =
        kMetresPerDegreeLatitude * std::cos(kPadLatitudeDeg * kPi / 180.0);

    std::vector<DemoFix> fixes;
    fixes.reserve(static_cast<std::size_t>(total));
    for (int i = 0; i < total; ++i) {
        const double t = static_cast<double>(i - kFixesOnPad);
        const auto [east, north] = Drift(phases, t);
        DemoFix fix;
        fix.latitudeDeg = kPadLatitudeDeg + north / kMetresPerDegreeLatitude;
        fix.longitudeDeg = kPadLongitudeDeg + east / metresPerDegreeLongitude;
        fix.altitudeM = kPadAltitudeM + static_cast<int>(std::lround(AltitudeAgl(phases, t)));
        fix.satellites = Satellites(i, t, phases);
        const int second = kStartSecondOfDay + i;
        fix.utcHours = (second / 3600) % 24;
        fix.utcMinutes = (second / 60) % 60;
        fix.utcSeconds = second % 60;
        fixes.push_back(fix);
    }
    return fixes;
}

std::array<std::uint8_t, 4> DemoFlight::EncodeCoordinate(double degrees) {
    const bool negative = degrees < 0;
    const double magnitude = std::fabs(degrees);
    long wholeDegrees = static_cast<long>(std::floor(magnitude));
    long tenThousandths =
        std::lround((magnitude - static_cast<double>(wholeDegrees)) * kTenThousandthsPerDegree);
    if (tenThousandths >= kTenThousandthsPerDegree) {  // rounded up to the next whole degree
        ++wholeDegrees;
        tenThousandths -= kTenThousandthsPerDegree;
    }
    std::array<std::uint8_t, 4> bytes{};
    bytes[0] = static_cast<std::uint8_t>(wholeDegrees);
    bytes[1] = static_cast<std::uint8_t>(tenThousandths / 10000);
    bytes[2] = static_cast<std::uint8_t>((tenThousandths / 100) % 100);
    bytes[3] = static_cast<std::uint8_t>(tenThousandths % 100);
    if (negative && (wholeDegrees != 0 || tenThousandths != 0)) {
        bytes[3] = static_cast<std::uint8_t>(bytes[3] | kNegativeBit);
    }
    return bytes;
}

std::array<std::uint8_t, 3> DemoFlight::EncodeAltitude(int metres) {
    const int altitude = std::max(metres, 0);
    return {static_cast<std::uint8_t>(std::min(altitude / 10000, 255)),
            static_cast<std::uint8_t>((altitude / 100) % 100),
            static_cast<std::uint8_t>(altitude % 100)};
}

void DemoFlight::EncodeRecord(const DemoFix& fix, bool hoursMinutes, std::uint8_t* out) {
    const auto lon = EncodeCoordinate(fix.longitudeDeg);
    const auto lat = EncodeCoordinate(fix.latitudeDeg);
    const auto alt = EncodeAltitude(fix.altitudeM);
    std::copy(lon.begin(), lon.end(), out);
    std::copy(lat.begin(), lat.end(), out + 4);
    std::copy(alt.begin(), alt.end(), out + 8);
    out[11] = static_cast<std::uint8_t>(fix.satellites);
    if (hoursMinutes) {
        out[12] = static_cast<std::uint8_t>(fix.utcHours);
        out[13] = static_cast<std::uint8_t>(fix.utcMinutes);
        out[14] = static_cast<std::uint8_t>(fix.utcSeconds);
    } else {
        out[12] = static_cast<std::uint8_t>(fix.utcSeconds);
    }
}

std::vector<std::uint8_t> DemoFlight::BuildImage(const std::vector<DemoFix>& fixes,
                                                 int memorySizeKbit, bool hoursMinutes,
                                                 bool timestamp) {
    const std::size_t size = static_cast<std::size_t>(std::max(memorySizeKbit, 0)) * 128;
    std::vector<std::uint8_t> image(size, 0x00);
    const std::size_t trailerAt =
        memorySizeKbit == 1024 ? kTrailerAt1024Kbit : kTrailerAtSmallMemory;
    const bool trailerFits = timestamp && trailerAt + kTrailerBytes <= size;
    const std::size_t logEnd = trailerFits ? trailerAt : size;

    const std::size_t recordBytes = hoursMinutes ? kTimedRecordBytes : kShortRecordBytes;
    std::size_t position = 0;
    for (const DemoFix& fix : fixes) {
        if (position + recordBytes + kEndMarkBytes > logEnd) {
            break;
        }
        EncodeRecord(fix, hoursMinutes, image.data() + position);
        position += recordBytes;
    }
    if (position + kEndMarkBytes <= logEnd) {
        std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(position), kEndMarkBytes,
                    kEndMarkByte);
    }
    if (trailerFits) {
        image[trailerAt] = static_cast<std::uint8_t>(kTrigger >> 8);
        image[trailerAt + 1] = static_cast<std::uint8_t>(kTrigger & 0xFF);
        std::memcpy(image.data() + trailerAt + kTrailerDateOffset, kCaptureDate, 6);
    }
    return image;
}

std::vector<std::uint8_t> DemoFlight::BuildImage(int memorySizeKbit, int firmwareVersion) {
    const bool timed = firmwareVersion >= kFirstTimestampFirmware;
    return BuildImage(Fixes(), memorySizeKbit, timed, timed);
}

}  // namespace vanteo::sim
