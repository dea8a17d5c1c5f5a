#pragma once

#include <cstdint>
#include <string>

namespace vanteo::cli {

// The text of a terminal progress bar for a long tracker job (the flash download or erase):
// the bar, the percentage and the expected remaining time, extrapolated from the time the steps
// done so far have taken. Pure: the caller supplies the elapsed time from its clock.
class ProgressMeter {
public:
    static constexpr int kBarWidth = 30;  // characters between the brackets

    // `done` of `total` steps after `elapsedMs`. total <= 0 gives a busy line without a bar.
    // Example: 5 of 20 after 10 s -> "[#######                       ]  25%  0:30 left".
    static std::string Line(int done, int total, std::int64_t elapsedMs);

    // Seconds as "m:ss" (or "h:mm:ss" from one hour on).
    static std::string Duration(std::int64_t seconds);
};

}  // namespace vanteo::cli
