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

void ShowStopLine(DeviceContext& ctx, const std::string& lineBefore, const std::string& operation) {
    const std::string& line = ctx.form.messages;
    if (line != lineBefore && !IsProgressLine(line)) {
        return;  // the operation said itself how it ended
    }
    ctx.form.messages = operation + " did not complete";
    ctx.ui.ShowForm();
}

}  // namespace vanteo
