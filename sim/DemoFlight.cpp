#include "sim/DemoFlight.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace vanteo::sim {
namespace {

// The launch site: a dry lake bed in the high desert.
constexpr double kPadLatitudeDeg = 40.8800;
constexpr double kPadLongitudeDeg = -119.0600;
constexpr int kPadAltitudeM = 1196;

constexpr double kMetresPerDegreeLatitude = 111195.0;  // mean Earth radius 6371 km
constexpr double kPi = 3.14159265358979323846;

// Flight profile, in seconds after ignition and metres above the pad. The store interval is the
// simulator's default of one fix per second, so one fix is one second.
constexpr int kFixesOnPad = 90;
constexpr double kBoostSeconds = 4.0;
constexpr double kBoostAcceleration = 60.0;  // m/s², average over the burn
constexpr double kApogeeAglM = 3000.0;
constexpr double kDrogueDescentRate = 25.0;    // m/s
constexpr double kDrogueOpeningSeconds = 4.0;  // from standstill at apogee to the full rate
constexpr double kMainDeployAglM = 300.0;
constexpr double kMainDescentRate = 6.0;     // m/s
constexpr double kMainOpeningSeconds = 3.0;  // from the drogue rate to the main rate
constexpr int kFixesAfterLanding = 210;

// Wind blows towards 67° (from the west-southwest), 3 m/s at the pad rising to 7 m/s at
// apogee height; under canopy the rocket drifts with it. On the way up the rocket weathercocks
// into the wind and reaches apogee 150 m upwind of the pad.
constexpr double kWindTowardsDeg = 67.0;
constexpr double kGroundWind = 3.0;  // m/s
constexpr double kWindGainPerMetre = 4.0 / kApogeeAglM;
constexpr double kWeathercockM = 150.0;

// GPS noise: up to ±2 m in altitude and ±1.5 m across, from a fixed seed.
constexpr double kAltitudeNoiseM = 2.0;
constexpr double kHorizontalNoiseM = 1.5;

// First fix: 17:56:35 UTC; ignition at 17:58:05, the hour turns under the drogue.
constexpr int kStartSecondOfDay = 17 * 3600 + 56 * 60 + 35;

constexpr std::uint8_t kNegativeBit = 0x80;
constexpr std::uint8_t kFractionBits = 0x7F;
constexpr long kTenThousandthsPerDegree = 60L * 10000L;
constexpr std::uint8_t kErasedEndMark = 0x00;  // the host also stops at four of these
constexpr std::uint8_t kOtherEndMark = 0x5A;   // ... and at four of these

struct FlightPhases {
    double burnoutAglM;
    double burnoutSpeed;
    double coastDeceleration;
    double apogeeTime;
    double drogueOpeningDropM;
    double mainTime;
    double mainOpeningDropM;
    double landingTime;
};

FlightPhases Phases() {
    FlightPhases p{};
    p.burnoutSpeed = kBoostAcceleration * kBoostSeconds;
    p.burnoutAglM = 0.5 * kBoostAcceleration * kBoostSeconds * kBoostSeconds;
    // Gravity plus drag, chosen so the coast ends exactly at the apogee.
    p.coastDeceleration = p.burnoutSpeed * p.burnoutSpeed / (2.0 * (kApogeeAglM - p.burnoutAglM));
    p.apogeeTime = kBoostSeconds + p.burnoutSpeed / p.coastDeceleration;
    // The rate grows (or falls) evenly while a canopy opens.
    p.drogueOpeningDropM = 0.5 * kDrogueDescentRate * kDrogueOpeningSeconds;
    p.mainTime = p.apogeeTime + kDrogueOpeningSeconds +
                 (kApogeeAglM - p.drogueOpeningDropM - kMainDeployAglM) / kDrogueDescentRate;
    p.mainOpeningDropM = 0.5 * (kDrogueDescentRate + kMainDescentRate) * kMainOpeningSeconds;
    p.landingTime = p.mainTime + kMainOpeningSeconds +
                    (kMainDeployAglM - p.mainOpeningDropM) / kMainDescentRate;
    return p;
}

double AltitudeAgl(const FlightPhases& p, double t) {
    if (t <= 0) {
        return 0;
    }
    if (t <= kBoostSeconds) {
        return 0.5 * kBoostAcceleration * t * t;
    }
    if (t <= p.apogeeTime) {
        const double c = t - kBoostSeconds;
        return p.burnoutAglM + p.burnoutSpeed * c - 0.5 * p.coastDeceleration * c * c;
    }
    if (t <= p.mainTime) {
        const double s = t - p.apogeeTime;
        if (s <= kDrogueOpeningSeconds) {
            return kApogeeAglM - 0.5 * kDrogueDescentRate / kDrogueOpeningSeconds * s * s;
        }
        return kApogeeAglM - p.drogueOpeningDropM -
               kDrogueDescentRate * (s - kDrogueOpeningSeconds);
    }
    if (t <= p.landingTime) {
        const double s = t - p.mainTime;
        if (s <= kMainOpeningSeconds) {
            const double slowing = (kDrogueDescentRate - kMainDescentRate) / kMainOpeningSeconds;
            return kMainDeployAglM - (kDrogueDescentRate * s - 0.5 * slowing * s * s);
        }
        return kMainDeployAglM - p.mainOpeningDropM - kMainDescentRate * (s - kMainOpeningSeconds);
    }
    return 0;
}

double WindSpeed(double altitudeAglM) {
    return kGroundWind + kWindGainPerMetre * std::max(altitudeAglM, 0.0);
}

int Satellites(int index, double t, const FlightPhases& p) {
    int satellites = index % 3 == 0 ? 9 : 10;
    if (t > 0 && t <= kBoostSeconds + 2) {
        satellites -= 3;  // the receiver loses some under boost acceleration
    }
    if (t > p.landingTime) {
        satellites -= 2;  // lying in the dust
    }
    return satellites;
}

// A fixed sequence in [-1, 1], so the flight is the same on every run and machine.
class Noise {
public:
    double Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / static_cast<double>(1u << 23) - 1.0;
    }

private:
    std::uint32_t state_ = 20260919u;
};

}  // namespace

std::vector<DemoFix> DemoFlight::Fixes() {
    const FlightPhases phases = Phases();
    const int flightFixes = static_cast<int>(std::ceil(phases.landingTime));
    const int total = kFixesOnPad + flightFixes + kFixesAfterLanding;
    const double metresPerDegreeLongitude =
        kMetresPerDegreeLatitude * std::cos(kPadLatitudeDeg * kPi / 180.0);
    const double windEast = std::sin(kWindTowardsDeg * kPi / 180.0);
    const double windNorth = std::cos(kWindTowardsDeg * kPi / 180.0);

    Noise noise;
    std::vector<DemoFix> fixes;
    fixes.reserve(static_cast<std::size_t>(total));
    double east = 0;
    double north = 0;
    for (int i = 0; i < total; ++i) {
        const double t = static_cast<double>(i - kFixesOnPad);
        const double altitude = AltitudeAgl(phases, t);
        if (t > 0 && t <= phases.apogeeTime) {
            const double upwind = -kWeathercockM * altitude / kApogeeAglM;
            east = upwind * windEast;
            north = upwind * windNorth;
        } else if (t > phases.apogeeTime) {
            // Drift with the wind at this height for the part of the last second spent aloft.
            const double aloft = std::clamp(
                std::min(t, phases.landingTime) - std::max(t - 1, phases.apogeeTime), 0.0, 1.0);
            east += WindSpeed(altitude) * windEast * aloft;
            north += WindSpeed(altitude) * windNorth * aloft;
        }
        const double noiseEast = kHorizontalNoiseM * noise.Next();
        const double noiseNorth = kHorizontalNoiseM * noise.Next();
        const double noiseUp = kAltitudeNoiseM * noise.Next();
        DemoFix fix;
        fix.latitudeDeg = kPadLatitudeDeg + (north + noiseNorth) / kMetresPerDegreeLatitude;
        fix.longitudeDeg = kPadLongitudeDeg + (east + noiseEast) / metresPerDegreeLongitude;
        fix.altitudeM = kPadAltitudeM + static_cast<int>(std::lround(altitude + noiseUp));
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

void DemoFlight::EncodeCompressedRecord(const DemoFix& fix, std::uint8_t* out) {
    const auto lon = EncodeCoordinate(fix.longitudeDeg);
    const auto lat = EncodeCoordinate(fix.latitudeDeg);
    out[0] = lon[2];
    out[1] = static_cast<std::uint8_t>(lon[3] & kFractionBits);
    out[2] = lat[2];
    out[3] = static_cast<std::uint8_t>(lat[3] & kFractionBits);
    out[4] = static_cast<std::uint8_t>(fix.satellites);
    for (const std::uint8_t mark : {kErasedEndMark, kOtherEndMark}) {
        if (std::all_of(out, out + kEndMarkBytes, [mark](std::uint8_t b) { return b == mark; })) {
            ++out[3];
        }
    }
}

std::vector<std::uint8_t> DemoFlight::BuildCompressedImage(const std::vector<DemoFix>& fixes,
                                                           int memorySizeKbit) {
    const std::size_t size = static_cast<std::size_t>(std::max(memorySizeKbit, 0)) * 128;
    std::vector<std::uint8_t> image(size, 0x00);
    if (fixes.empty() || kCompressedHeadBytes + kEndMarkBytes > size) {
        return image;
    }
    EncodeRecord(fixes.front(), false, image.data());
    std::size_t position = kCompressedHeadBytes;
    for (const DemoFix& fix : fixes) {
        if (position + kCompressedRecordBytes + kEndMarkBytes > size) {
            break;
        }
        EncodeCompressedRecord(fix, image.data() + position);
        position += kCompressedRecordBytes;
    }
    std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(position), kEndMarkBytes, kEndMarkByte);
    return image;
}

std::vector<std::uint8_t> DemoFlight::BuildImage(int memorySizeKbit, DemoLogLayout layout) {
    switch (layout) {
        case DemoLogLayout::compressed:
            return BuildCompressedImage(Fixes(), memorySizeKbit);
        case DemoLogLayout::timedRecords:
            return BuildImage(Fixes(), memorySizeKbit, true, true);
        case DemoLogLayout::shortRecords:
            break;
    }
    return BuildImage(Fixes(), memorySizeKbit, false, false);
}

DemoLogLayout DemoFlight::LayoutFor(int firmwareVersion, std::uint8_t loggingFlags) {
    if (firmwareVersion >= kFirstTimestampFirmware) {
        return DemoLogLayout::timedRecords;
    }
    if (firmwareVersion < kFirstLayoutChoiceFirmware ||
        firmwareVersion > kLastLayoutChoiceFirmware) {
        return DemoLogLayout::shortRecords;
    }
    if ((loggingFlags & kCompressFlag) != 0) {
        return DemoLogLayout::compressed;
    }
    if ((loggingFlags & kHoursMinutesFlag) != 0) {
        return DemoLogLayout::timedRecords;
    }
    return DemoLogLayout::shortRecords;
}

std::vector<std::uint8_t> DemoFlight::BuildImage(int memorySizeKbit, int firmwareVersion) {
    return BuildImage(memorySizeKbit, LayoutFor(firmwareVersion, 0));
}

}  // namespace vanteo::sim
