// What the Messages field says after an operation that stopped.

#include <string>
#include <string_view>

#include "device/Operations.h"

namespace vanteo {
namespace {

// Progress texts ("Reading...") say an operation is under way, never how it ended.
bool IsProgressLine(const std::string& line) {
    constexpr std::string_view kEllipsis = "...";
    return line.size() >= kEllipsis.size() &&
           line.compare(line.size() - kEllipsis.size(), kEllipsis.size(), kEllipsis) == 0;
}

}  // namespace

bool SetStopLine(FormModel& form, const std::string& lineBefore, const std::string& operation) {
    if (form.messages != lineBefore && !IsProgressLine(form.messages)) {
        return false;  // the operation said itself how it ended
    }
    form.messages = operation + " did not complete";
    return true;
}

}  // namespace vanteo
