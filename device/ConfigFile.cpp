#include "device/ConfigFile.h"

#include "serial/CFormat.h"

namespace vanteo {
namespace {

constexpr char kSeparator = ':';
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// One hexadecimal number at `pos` ("0x" prefix allowed). Values above 0xFF are read to their end
// and reported as out of range rather than wrapped.
bool ReadHexByte(std::string_view line, std::size_t& pos, std::uint8_t& value) {
    if (pos + 2 < line.size() && line[pos] == '0' &&
        (line[pos + 1] == 'x' || line[pos + 1] == 'X') && HexDigitValue(line[pos + 2]) >= 0) {
        pos += 2;
    }
    const std::size_t start = pos;
    unsigned accumulated = 0;
    bool tooLarge = false;
    while (pos < line.size() && HexDigitValue(line[pos]) >= 0) {
        accumulated = accumulated * 16 + static_cast<unsigned>(HexDigitValue(line[pos]));
        if (accumulated > 0xFF) {
            tooLarge = true;
            accumulated = 0x100;  // stays above a byte without overflowing
        }
        ++pos;
    }
    if (pos == start || tooLarge) {
        return false;
    }
    value = static_cast<std::uint8_t>(accumulated);
    return true;
}

void SkipBlanks(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && IsBlank(line[pos])) {
        ++pos;
    }
}

// All entries of one line (without its line end), or false when anything on it is unreadable.
bool ParseLine(std::string_view line, std::vector<ConfigEntry>& entries) {
    std::vector<ConfigEntry> found;
    std::size_t pos = 0;
    SkipBlanks(line, pos);
    while (pos < line.size()) {
        ConfigEntry entry;
        if (!ReadHexByte(line, pos, entry.address)) {
            return false;
        }
        SkipBlanks(line, pos);
        if (pos >= line.size() || line[pos] != kSeparator) {
            return false;
        }
        ++pos;
        SkipBlanks(line, pos);
        if (!ReadHexByte(line, pos, entry.value)) {
            return false;
        }
        // Entries on one line need white space between them: "1:23:4" is not two entries.
        if (pos < line.size() && !IsBlank(line[pos])) {
            return false;
        }
        SkipBlanks(line, pos);
        found.push_back(entry);
    }
    entries.insert(entries.end(), found.begin(), found.end());
    return true;
}

}  // namespace

std::string FormatConfigLine(std::uint8_t address, std::uint8_t value) {
    // "%x:%x\n" without a locale switch per line: a file holds 256 of them.
    std::string line;
    AppendHexC(line, address);
    line += ':';
    AppendHexC(line, value);
    line += '\n';
    return line;
}

std::string FormatConfigFile(const std::array<std::uint8_t, kConfigMemorySize>& memory) {
    std::string text;
    for (std::size_t address = 0; address < memory.size(); ++address) {
        text += FormatConfigLine(static_cast<std::uint8_t>(address), memory[address]);
    }
    return text;
}

ConfigFileContents ParseConfigFile(std::string_view text) {
    ConfigFileContents contents;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        ++lineNumber;
        // A line ends at LF, at CR LF, or at a lone CR.
        std::size_t end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') {
            ++end;
        }
        std::size_t next = end;
        if (next < text.size()) {
            next +=
                (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
        }
        if (!ParseLine(text.substr(start, end - start), contents.entries)) {
            ++contents.skippedLines;
            if (contents.firstSkippedLine == 0) {
                contents.firstSkippedLine = lineNumber;
            }
        }
        start = next;
    }
    return contents;
}

}  // namespace vanteo
