// Configuration-file reader: any bytes must parse without a crash or a hang, and every entry it
// accepts must survive being written out and read back unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "device/ConfigFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vanteo::ConfigFileContents contents = vanteo::ParseConfigFile(text);

    std::size_t lineEnds = 1;
    for (const char c : text) {
        lineEnds += (c == '\n' || c == '\r') ? 1 : 0;
    }
    if (static_cast<std::size_t>(contents.skippedLines) > lineEnds ||
        (contents.skippedLines > 0) != (contents.firstSkippedLine > 0)) {
        std::abort();
    }

    std::string written;
    for (const vanteo::ConfigEntry& entry : contents.entries) {
        written += vanteo::FormatConfigLine(entry.address, entry.value);
    }
    const vanteo::ConfigFileContents reread = vanteo::ParseConfigFile(written);
    if (reread.entries != contents.entries || reread.skippedLines != 0) {
        std::abort();
    }
    return 0;
}
