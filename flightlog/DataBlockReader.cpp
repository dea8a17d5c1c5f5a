#include "flightlog/DataBlockReader.h"

#include <array>
#include <optional>

#include "serial/CFormat.h"

namespace vanteo {
namespace {

constexpr std::string_view kDataKeyword = "KVTDATA";
constexpr std::string_view kEndKeyword = "KVTENDDATA";
constexpr std::string_view kChecksumKeyword = "KVTCHECKSUM";
constexpr std::string_view kCompressKeyword = "KVTCOMPRESS";
constexpr std::string_view kHoursMinutesKeyword = "KVTHRSMINS";
constexpr std::string_view kTimestampKeyword = "KVTTIMESTAMP";

// Byte classes for the scanner, by table: a 1024-kbit block is 131072 tokens of two digits, and
// testing each character against every class costs more than reading the whole file.
constexpr std::uint8_t kNotHex = 16;
constexpr std::array<std::uint8_t, 256> kHexValues = [] {
    std::array<std::uint8_t, 256> values{};
    for (int byte = 0; byte < 256; ++byte) {
        const int digit = HexDigitValue(static_cast<char>(byte));
        values[static_cast<std::size_t>(byte)] =
            static_cast<std::uint8_t>(digit < 0 ? kNotHex : digit);
    }
    return values;
}();
// White space as the "C" locale's isspace sees it.
constexpr std::array<bool, 256> kSpaces = [] {
    std::array<bool, 256> spaces{};
    for (const char c : {' ', '\t', '\n', '\v', '\f', '\r'}) {
        spaces[static_cast<unsigned char>(c)] = true;
    }
    return spaces;
}();

unsigned HexValue(char c) {
    return kHexValues[static_cast<unsigned char>(c)];
}

bool IsSpace(char c) {
    return kSpaces[static_cast<unsigned char>(c)];
}

// Parses a hexadecimal number at `pos`; on success moves `pos` past it. No digits: nullopt and
// `pos` unchanged.
std::optional<std::uint32_t> ParseHex(std::string_view text, std::size_t& pos) {
    std::size_t at = pos;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at + 2 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X') &&
        HexValue(text[at + 2]) != kNotHex) {
        at += 2;
    }
    const std::size_t firstDigit = at;
    std::uint64_t value = 0;
    for (unsigned digit = 0; at < text.size() && (digit = HexValue(text[at])) != kNotHex; ++at) {
        value = value * 16 + digit;
        if (value > 0xFFFFFFFFull) {
            value = 0xFFFFFFFFull + 1;  // too large: remembered as "above 32 bits", no overflow
        }
    }
    if (at == firstDigit) {
        return std::nullopt;
    }
    pos = at;
    const auto magnitude =
        static_cast<std::uint32_t>(value > 0xFFFFFFFFull ? 0xFFFFFFFFull : value);
    return negative ? static_cast<std::uint32_t>(0u - magnitude) : magnitude;
}

class TokenScanner {
public:
    explicit TokenScanner(std::string_view text) : text_(text) {}

    std::optional<std::string_view> NextToken() {
        SkipSpace();
        if (pos_ >= text_.size()) {
            return std::nullopt;
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !IsSpace(text_[pos_])) {
            ++pos_;
        }
        return text_.substr(start, pos_ - start);
    }

    // Moves past the first token that holds `keyword`; false (nothing consumed) when none does.
    // The keyword holds no blank, so its first occurrence lies in the first token holding it:
    // one search through the text instead of a look at every token of the track before it.
    bool SkipPastTokenHolding(std::string_view keyword) {
        const std::size_t found = text_.find(keyword, pos_);
        if (found == std::string_view::npos) {
            return false;
        }
        pos_ = found + keyword.size();
        while (pos_ < text_.size() && !IsSpace(text_[pos_])) {
            ++pos_;
        }
        return true;
    }

    // A number read straight from the text: a failed conversion consumes nothing, so the next
    // token starts where the number should have been.
    std::uint32_t NextNumber() {
        SkipSpace();
        return ParseHex(text_, pos_).value_or(0);
    }

private:
    void SkipSpace() {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) {
            ++pos_;
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

DataBlockKeywordLine ReadKeywordLine(TokenScanner& scanner, std::string_view keyword) {
    DataBlockKeywordLine line;
    const std::optional<std::string_view> token = scanner.NextToken();
    if (!token) {
        return line;
    }
    line.reached = true;
    line.keywordMatched = token->find(keyword) != std::string_view::npos;
    line.value = scanner.NextNumber();
    return line;
}

}  // namespace

std::uint32_t LeadingHexValue(std::string_view text) {
    // Nearly every token of a block is one to eight digits and nothing else: read those at once.
    if (text.size() <= 8) {
        std::uint32_t value = 0;
        std::size_t at = 0;
        for (unsigned digit = 0; at < text.size() && (digit = HexValue(text[at])) != kNotHex;
             ++at) {
            value = value * 16 + digit;
        }
        if (at == text.size() && at > 0) {
            return value;
        }
    }
    std::size_t pos = 0;
    return ParseHex(text, pos).value_or(0);
}

DataBlockContents ReadDataBlock(std::string_view text, std::span<std::uint32_t> image) {
    DataBlockContents contents;
    TokenScanner scanner(text);
    contents.dataKeywordFound = scanner.SkipPastTokenHolding(kDataKeyword);
    if (!contents.dataKeywordFound) {
        return contents;
    }
    while (const std::optional<std::string_view> token = scanner.NextToken()) {
        if (token->find(kEndKeyword) != std::string_view::npos) {
            contents.endKeywordFound = true;
            break;
        }
        if (contents.count < image.size()) {
            image[contents.count++] = LeadingHexValue(*token);
        } else {
            contents.truncated = true;
        }
    }
    if (!contents.endKeywordFound) {
        return contents;
    }
    contents.checksum = ReadKeywordLine(scanner, kChecksumKeyword);
    contents.compress = ReadKeywordLine(scanner, kCompressKeyword);
    contents.hoursMinutes = ReadKeywordLine(scanner, kHoursMinutesKeyword);
    if (contents.hoursMinutes.reached && !contents.hoursMinutes.keywordMatched) {
        return contents;
    }
    contents.timestamp = ReadKeywordLine(scanner, kTimestampKeyword);
    return contents;
}

TrackerCapabilities WriterCapabilities(const DataBlockContents& block) {
    TrackerCapabilities writer;
    writer.memorySizeKbit = static_cast<int>(block.count / 1024) * 8;
    if (block.timestamp.value != 0) {
        writer.logTimestamp = true;
        writer.logHoursMinutes = true;
    } else {
        writer.compressCapable = true;
        writer.hoursMinutesCapable = true;
    }
    return writer;
}

}  // namespace vanteo
