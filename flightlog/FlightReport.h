#pragma once

#include <string>

#include "flightlog/FlightAnalysis.h"

namespace vanteo {

// The summary of every flight in `analysis` for people (lines of text, metres and feet) and for
// scripts (one JSON object; numbers in metres, seconds and metres per second). A log without a
// flight says "no flight found" and why. `log` is the decoding the analysis was made from.
std::string FlightSummaryText(const DecodedLog& log, const FlightAnalysis& analysis);
std::string FlightSummaryJson(const DecodedLog& log, const FlightAnalysis& analysis);

}  // namespace vanteo
