// KML line repair: any bytes must be repaired without a crash, with the line ends and the line
// count kept and nothing but commas and blanks removed.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "flightlog/KmlRepair.h"

namespace {

// `text` without its commas and blanks, which are the only characters the repair may remove.
std::string WithoutCommasAndBlanks(std::string_view text) {
    std::string kept;
    for (const char c : text) {
        if (c != ',' && c != ' ') {
            kept += c;
        }
    }
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string out;
    const std::size_t lines = vanteo::RepairKmlText(text, out);

    std::size_t lineEnds = 0;
    for (const char c : text) {
        lineEnds += c == '\n' ? 1 : 0;
    }
    const bool endsWithLineEnd = !text.empty() && text.back() == '\n';
    const std::size_t expectedLines = lineEnds + ((text.empty() || endsWithLineEnd) ? 0 : 1);
    if (lines != expectedLines || out.size() > text.size() ||
        WithoutCommasAndBlanks(out) != WithoutCommasAndBlanks(text)) {
        std::abort();
    }
    // Text with nothing to repair comes out as it went in.
    if (text.find(", ") == std::string_view::npos && text.find(">,") == std::string_view::npos &&
        out != text) {
        std::abort();
    }
    return 0;
}
