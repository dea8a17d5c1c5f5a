#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "flightlog/LogDecoder.h"

namespace vanteo::test {

// Hand-made flight logs for the summary and export tests: a 128-kbit image of 13- or 15-byte
// records written byte by byte as the tracker stores them, positions given in whole
// ten-thousandths of a minute north and east of 10 deg N, 20 deg E.
class FlightLogBuilder {
public:
    static constexpr int kMemoryKbit = 128;

    explicit FlightLogBuilder(int recordBytes) : recordBytes_(recordBytes) {}

    // One record; `clock` is seconds from 00:00 UTC (15-byte records keep h, m, s of it, 13-byte
    // records its seconds only).
    FlightLogBuilder& Add(int northTenThousandths, int eastTenThousandths, int altitudeM,
                          int satellites, int clock);
    // The trailer's capture date, DDMMYY.
    FlightLogBuilder& Date(const std::string& ddmmyy);

    std::vector<std::uint32_t> Image() const;
    LogLayout Layout() const;
    DecodedLog Decode() const;

    std::vector<std::uint32_t> records;  // as logged, before the end mark

private:
    int recordBytes_;
    std::string date_;
};

// The demo of the summary tests, 1 s a point from 23:59:30 UTC on 31 December 2026:
// 3 points on the pad at 1000 m (10 N, 20 E), boost 1100, 1300, 1500, 1600 to the apogee of
// 1650 m at the eighth point, 14 s under the drogue at 25 m/s to 1300 m, 60 s under the main at
// 5 m/s to 1000 m, drifting in steps to the landing 0.3000' north and 0.4000' east of the pad,
// then 12 s on the ground. Satellites 8, one point with 5 and one with 11.
FlightLogBuilder HandMadeFlight(int recordBytes, int startClock = 86370, int altitudeOffset = 0);

}  // namespace vanteo::test
