#include "app/CoordinateText.h"

#include <cmath>

#include "flightlog/FlightText.h"

namespace vanteo {
namespace {

constexpr int kDecimalDegreeDecimals = 6;  // about 0.1 m
// Coordinates are rounded to tenths of an arc-second (about 3 m) as whole counts, so that the
// carry from seconds into minutes and degrees is exact.
constexpr long long kTenthsPerMinute = 600;
constexpr long long kTenthsPerDegree = 36000;
constexpr int kMapZoom = 16;  // a few streets across: the landing field and its tracks

void AppendTwoDigits(std::string& out, long long value) {
    if (value < 10) {
        out += '0';
    }
    AppendInteger(out, value);
}

void AppendDms(std::string& out, double degrees, char positive, char negative) {
    const long long tenths =
        std::llround(std::fabs(degrees) * static_cast<double>(kTenthsPerDegree));
    AppendInteger(out, tenths / kTenthsPerDegree);
    out += "\xC2\xB0";  // the degree sign, UTF-8
    AppendTwoDigits(out, tenths % kTenthsPerDegree / kTenthsPerMinute);
    out += '\'';
    const long long secondTenths = tenths % kTenthsPerMinute;
    AppendTwoDigits(out, secondTenths / 10);
    out += '.';
    AppendInteger(out, secondTenths % 10);
    out += '"';
    // A place that rounds to the equator or the prime meridian takes the positive letter.
    out += degrees < 0 && tenths != 0 ? negative : positive;
}

}  // namespace

std::string DecimalDegreesText(double latitudeDeg, double longitudeDeg) {
    std::string out;
    AppendFixed(out, latitudeDeg, kDecimalDegreeDecimals);
    out += ", ";
    AppendFixed(out, longitudeDeg, kDecimalDegreeDecimals);
    return out;
}

std::string DegreesMinutesSecondsText(double latitudeDeg, double longitudeDeg) {
    std::string out;
    AppendDms(out, latitudeDeg, 'N', 'S');
    out += ' ';
    AppendDms(out, longitudeDeg, 'E', 'W');
    return out;
}

std::string MapUrl(double latitudeDeg, double longitudeDeg) {
    std::string lat;
    AppendFixed(lat, latitudeDeg, kDecimalDegreeDecimals);
    std::string lon;
    AppendFixed(lon, longitudeDeg, kDecimalDegreeDecimals);
    std::string url = "https://www.openstreetmap.org/?mlat=" + lat + "&mlon=" + lon + "#map=";
    AppendInteger(url, kMapZoom);
    url += '/' + lat + '/' + lon;
    return url;
}

}  // namespace vanteo
