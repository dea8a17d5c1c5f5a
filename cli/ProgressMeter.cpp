#include "cli/ProgressMeter.h"

#include <algorithm>

#include "serial/CFormat.h"

namespace vanteo::cli {

std::string ProgressMeter::Duration(std::int64_t seconds) {
    seconds = std::max<std::int64_t>(seconds, 0);
    const long long hours = seconds / 3600;
    const long long minutes = (seconds / 60) % 60;
    const long long rest = seconds % 60;
    if (hours > 0) {
        return FormatC("%lld:%02lld:%02lld", hours, minutes, rest);
    }
    return FormatC("%lld:%02lld", minutes, rest);
}

std::string ProgressMeter::Line(int done, int total, std::int64_t elapsedMs) {
    if (total <= 0) {
        return FormatC("working... %d  %s elapsed", std::max(done, 0),
                       Duration(elapsedMs / 1000).c_str());
    }
    // A worker may step past the range it announced (the erase steps once per reply byte).
    done = std::clamp(done, 0, total);
    const int filled = static_cast<int>(static_cast<std::int64_t>(done) * kBarWidth / total);
    const int percent = static_cast<int>(static_cast<std::int64_t>(done) * 100 / total);
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "]" +
                       FormatC(" %3d%%", percent);
    if (done == 0) {
        return line + "  estimating...";
    }
    // Remaining = elapsed per step times the steps still to go, rounded up to whole seconds.
    const std::int64_t remainingMs = elapsedMs * (total - done) / done;
    return line + "  " + Duration((remainingMs + 999) / 1000) + " left";
}

}  // namespace vanteo::cli
