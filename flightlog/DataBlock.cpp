#include "flightlog/DataBlock.h"

#include <algorithm>

#include "serial/CFormat.h"

namespace vanteo {
namespace {

constexpr std::size_t kValuesPerRow = 16;

// "%02X " of one value, by hand: the block of a 1024-kbit memory has 131072 of them, and a
// formatted print per value costs more than the whole rest of the KML file. Hexadecimal digits
// do not depend on the locale. Returns the end of the text written at `at` (at most 9 bytes).
char* PutHexValue(char* at, std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char digits[8];
    std::size_t count = 0;
    do {
        digits[count++] = kDigits[value & 0xFu];
        value >>= 4;
    } while (value != 0);
    if (count < 2) {
        digits[count++] = '0';
    }
    while (count > 0) {
        *at++ = digits[--count];
    }
    *at++ = ' ';
    return at;
}

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
    // Three characters a value and a line end every sixteen values.
    out.reserve(out.size() + values.size() * 3 + values.size() / kValuesPerRow + 128);
    // A row at a time: one append per row, not one per character.
    char row[kValuesPerRow * 9 + 1];
    for (std::size_t first = 0; first < values.size(); first += kValuesPerRow) {
        const std::size_t count = std::min(kValuesPerRow, values.size() - first);
        char* end = row;
        for (std::size_t i = first; i < first + count; ++i) {
            end = PutHexValue(end, values[i]);
        }
        if (count == kValuesPerRow) {
            *end++ = '\n';
        }
        out.append(row, end);
    }
    out += "KVTENDDATA\n";
    out += FormatC("KVTCHECKSUM %08X\n", static_cast<unsigned>(checksum));
    out += FormatC("KVTCOMPRESS %d\n", compress ? 1 : 0);
    out += FormatC("KVTHRSMINS %d\n", hoursMinutes ? 1 : 0);
    out += FormatC("KVTTIMESTAMP %d\n", timestamp ? 1 : 0);
    out += "-->\n";
}

}  // namespace vanteo
