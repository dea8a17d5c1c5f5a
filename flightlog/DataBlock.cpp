#include "flightlog/DataBlock.h"

#include "serial/CFormat.h"

namespace vanteo {
namespace {

constexpr std::size_t kValuesPerRow = 16;

}  // namespace

std::uint32_t LogChecksum(std::span<const std::uint32_t> values) {
    std::uint32_t sum = 0;
    for (const std::uint32_t value : values) {
        const std::uint32_t multiplier = ((value % 28u) + 1u) ^ 2u;
        sum = 3u * sum + value * multiplier;  // unsigned arithmetic wraps modulo 2^32
    }
    return sum;
}

void WriteDataBlock(std::string& out, std::span<const std::uint32_t> values, std::uint32_t checksum,
                    bool compress, bool hoursMinutes, bool timestamp) {
    out += "<!-- KVTDATA\n";
    for (std::size_t i = 0; i < values.size(); ++i) {
        out += FormatC("%02X ", static_cast<unsigned>(values[i]));
        if ((i + 1) % kValuesPerRow == 0) {
            out += '\n';
        }
    }
    out += "KVTENDDATA\n";
    out += FormatC("KVTCHECKSUM %08X\n", static_cast<unsigned>(checksum));
    out += FormatC("KVTCOMPRESS %d\n", compress ? 1 : 0);
    out += FormatC("KVTHRSMINS %d\n", hoursMinutes ? 1 : 0);
    out += FormatC("KVTTIMESTAMP %d\n", timestamp ? 1 : 0);
    out += "-->\n";
}

}  // namespace vanteo
