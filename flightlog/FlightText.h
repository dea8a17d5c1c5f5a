#pragma once

#include <optional>
#include <string>

#include "flightlog/LogDecoder.h"

namespace vanteo {

// Number and time texts of the flight summary and exports, appended to `out`. Numbers are
// written with std::to_chars: the "C" form whatever the process locale, with no locale work
// per number.

inline constexpr double kFeetPerMetre = 1 / 0.3048;  // the international foot

// `value` with `decimals` digits after the point ("-0" never written; NaN or infinity as 0).
void AppendFixed(std::string& out, double value, int decimals);
void AppendInteger(std::string& out, long long value);
// "YYYY-MM-DDThh:mm:ssZ" for `seconds` after 00:00 UTC of `date` (later days rolled over).
void AppendUtc(std::string& out, const CaptureDate& date, long long seconds);
// How many digits after the point a file writes for the degrees and for the metres.
struct PositionDecimals {
    int coordinate;
    int altitude;
};
// The head of a GPX point: `<element lat="…" lon="…">`, then `<ele>…</ele>` when there is an
// altitude. The caller adds the time, the name and the closing tag.
void AppendGpxPointHead(std::string& out, const char* element, double latitudeDeg,
                        double longitudeDeg, std::optional<double> altitudeM,
                        PositionDecimals decimals);
// "hh:mm:ss" for a duration or time of day in seconds (hours may exceed 24; negative as 0).
void AppendClock(std::string& out, double seconds);

}  // namespace vanteo
