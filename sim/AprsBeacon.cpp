#include "sim/AprsBeacon.h"

#include <cmath>
#include <cstdio>

namespace vanteo::sim {

namespace {

constexpr double kFeetPerMetre = 1 / 0.3048;
constexpr double kMetresPerDegreeLatitude = 111320.0;
constexpr double kKnotsPerMetrePerSecond = 3600.0 / 1852.0;
constexpr double kPi = 3.14159265358979323846;

// "DDMM.mm" (or "DDDMM.mm") and the hemisphere letter, in hundredths of a minute.
std::string Coordinate(double degrees, int degreeDigits, char positive, char negative) {
    const long hundredths = std::lround(std::fabs(degrees) * 6000.0);
    // Room for any long the arithmetic can give, though a coordinate needs ten characters.
    char text[64];
    std::snprintf(text, sizeof text, "%0*ld%02ld.%02ld%c", degreeDigits, hundredths / 6000,
                  hundredths / 100 % 60, hundredths % 100, degrees < 0 ? negative : positive);
    return text;
}

void AppendAddress(std::vector<std::uint8_t>& frame, const std::string& call, int ssid, bool last) {
    for (std::size_t i = 0; i < 6; ++i) {
        const char c = i < call.size() ? call[i] : ' ';
        frame.push_back(static_cast<std::uint8_t>(static_cast<unsigned char>(c) << 1));
    }
    // Reserved bits 5-6 set, SSID in bits 1-4, bit 0 on the last address.
    frame.push_back(static_cast<std::uint8_t>(0x60 | (ssid & 0x0F) << 1 | (last ? 1 : 0)));
}

}  // namespace

std::string AprsBeacon::PositionInfo(const DemoFix& fix, int courseDeg, int speedKnots,
                                     const AprsBeaconConfig& config) {
    const long feet = std::lround(fix.altitudeM * kFeetPerMetre);
    char tail[32];
    std::snprintf(tail, sizeof tail, "%03d/%03d/A=%06ld", courseDeg, speedKnots, feet);
    char time[16];
    std::snprintf(time, sizeof time, "/%02d%02d%02dh", fix.utcHours, fix.utcMinutes,
                  fix.utcSeconds);
    return time + Coordinate(fix.latitudeDeg, 2, 'N', 'S') + config.symbolTable +
           Coordinate(fix.longitudeDeg, 3, 'E', 'W') + config.symbolCode + tail;
}

std::vector<std::uint8_t> AprsBeacon::KissFrame(const std::string& info,
                                                const AprsBeaconConfig& config) {
    std::vector<std::uint8_t> frame;
    AppendAddress(frame, config.destination, 0, false);
    AppendAddress(frame, config.callsign, config.ssid, config.path.empty());
    if (!config.path.empty()) {
        AppendAddress(frame, config.path, config.pathSsid, true);
    }
    frame.push_back(0x03);  // UI
    frame.push_back(0xF0);  // no layer 3
    frame.insert(frame.end(), info.begin(), info.end());

    std::vector<std::uint8_t> kiss = {kFend, 0x00};  // data frame, TNC port 0
    for (const std::uint8_t byte : frame) {
        if (byte == kFend) {
            kiss.insert(kiss.end(), {kFesc, kTfend});
        } else if (byte == kFesc) {
            kiss.insert(kiss.end(), {kFesc, kTfesc});
        } else {
            kiss.push_back(byte);
        }
    }
    kiss.push_back(kFend);
    return kiss;
}

void AprsBeacon::CourseAndSpeed(const DemoFix& from, const DemoFix& to, int& courseDeg,
                                int& speedKnots) {
    const double north = (to.latitudeDeg - from.latitudeDeg) * kMetresPerDegreeLatitude;
    const double east = (to.longitudeDeg - from.longitudeDeg) * kMetresPerDegreeLatitude *
                        std::cos(from.latitudeDeg * kPi / 180.0);
    const double metres = std::hypot(north, east);
    speedKnots = static_cast<int>(std::lround(metres * kKnotsPerMetrePerSecond));
    if (metres < 0.5) {
        courseDeg = 0;
        return;
    }
    int course = static_cast<int>(std::lround(std::atan2(east, north) * 180.0 / kPi));
    course = (course + 360) % 360;
    courseDeg = course == 0 ? 360 : course;
}

}  // namespace vanteo::sim
