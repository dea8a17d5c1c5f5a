#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/DemoFlight.h"

namespace vanteo::sim {

// The tracker's side of its radio beacon: a fix as an APRS position report in an AX.25 UI frame,
// wrapped for a KISS TNC. Its own encoder: it shares nothing with the host's decoder.
struct AprsBeaconConfig {
    std::string callsign = "N0CALL";     // up to six upper-case letters or digits
    int ssid = 11;                       // balloons, aircraft, rockets
    std::string destination = "APZVAN";  // APZ: experimental software
    std::string path = "WIDE2";          // one digipeater hop, WIDE2-1
    int pathSsid = 1;
    char symbolTable = '/';
    char symbolCode = 'O';  // balloon, the usual symbol of a high flyer
};

class AprsBeacon {
public:
    static constexpr std::uint8_t kFend = 0xC0;
    static constexpr std::uint8_t kFesc = 0xDB;
    static constexpr std::uint8_t kTfend = 0xDC;
    static constexpr std::uint8_t kTfesc = 0xDD;

    // "/HHMMSSh" + "DDMM.mmN" + table + "DDDMM.mmW" + code + "CSE/SPD" + "/A=aaaaaa", the
    // minutes rounded to hundredths (about 18 m), course in whole degrees (360 for north, 000
    // when unknown), speed in whole knots, altitude in whole feet.
    static std::string PositionInfo(const DemoFix& fix, int courseDeg, int speedKnots,
                                    const AprsBeaconConfig& config);
    // The AX.25 UI frame (addresses, control 0x03, PID 0xF0, `info`) in one KISS data frame on
    // port 0, escaped, between FENDs.
    static std::vector<std::uint8_t> KissFrame(const std::string& info,
                                               const AprsBeaconConfig& config);
    // Course (degrees true, 1-360) and ground speed (knots) from one fix to the next, a second
    // apart; course 0 when they are the same place.
    static void CourseAndSpeed(const DemoFix& from, const DemoFix& to, int& courseDeg,
                               int& speedKnots);
};

}  // namespace vanteo::sim
