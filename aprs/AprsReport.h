#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vanteo::aprs {

// How the position was sent.
enum class AprsFormat {
    uncompressed,  // DDMM.mmN/DDDMM.mmW, with or without a timestamp
    compressed,    // base-91
    micE,          // latitude in the destination address, the rest in the info field
    other,         // not a position report (or one that did not decode): kept raw
};

// What an APRS information field says about the sender's position. Units: degrees (north and east
// positive), metres, knots, degrees true.
struct AprsReport {
    AprsFormat format = AprsFormat::other;
    char dataType = 0;  // the first info character ('!', '=', '/', '@', '\'', '`', ...)
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    std::optional<double> altitudeM;
    std::optional<int> courseDeg;  // 1..360 as sent; 0 means "not known" and is left out
    std::optional<double> speedKnots;
    char symbolTable = 0;
    char symbolCode = 0;
    std::string timestamp;  // the seven timestamp characters as sent ("092345z"), or empty
    std::string comment;    // what follows the position, less the altitude and course/speed
    std::string error;      // for a position report that did not decode: why

    bool HasPosition() const { return format != AprsFormat::other; }
};

// Decodes the information field `info` of a frame sent to `destination` (the callsign without
// SSID; Mic-E carries the latitude there). Never fails: whatever is not a position report comes
// back as AprsFormat::other with `error` set when it looked like one.
AprsReport DecodeAprs(std::string_view destination, std::string_view info);

constexpr double kMetresPerFoot = 0.3048;
constexpr double kKmhPerKnot = 1.852;

}  // namespace vanteo::aprs
