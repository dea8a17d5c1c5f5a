#include "flightlog/DataBlockReader.h"

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

// White space as the "C" locale's isspace sees it.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
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
        HexDigitValue(text[at + 2]) >= 0) {
        at += 2;
    }
    const std::size_t firstDigit = at;
    std::uint64_t value = 0;
    while (at < text.size() && HexDigitValue(text[at]) >= 0) {
        value = value * 16 + static_cast<std::uint64_t>(HexDigitValue(text[at]));
        if (value > 0xFFFFFFFFull) {
            value = 0xFFFFFFFFull + 1;  // too large: remembered as "above 32 bits", no overflow
        }
        ++at;
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
    std::size_t pos = 0;
    return ParseHex(text, pos).value_or(0);
}

DataBlockContents ReadDataBlock(std::string_view text, std::span<std::uint32_t> image) {
    DataBlockContents contents;
    TokenScanner scanner(text);
    while (const std::optional<std::string_view> token = scanner.NextToken()) {
        if (token->find(kDataKeyword) != std::string_view::npos) {
            contents.dataKeywordFound = true;
            break;
        }
    }
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
