#include "flightlog/KmlRepair.h"

namespace vanteo {
namespace {

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    result.reserve(text.size());
    std::size_t pos = 0;
    while (true) {
        const std::size_t found = text.find(from, pos);
        if (found == std::string_view::npos) {
            result.append(text.substr(pos));
            return result;
        }
        result.append(text.substr(pos, found - pos));
        result.append(to);
        pos = found + from.size();
    }
}

}  // namespace

std::string RepairKmlLine(std::string_view line) {
    return ReplaceAll(ReplaceAll(line, ", ", ","), ">,", ">");
}

std::size_t RepairKmlText(std::string_view text, std::string& out) {
    std::size_t lines = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lineEnd = text.find('\n', pos);
        const std::size_t next = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        out += RepairKmlLine(text.substr(pos, next - pos));
        ++lines;
        pos = next;
    }
    return lines;
}

}  // namespace vanteo
