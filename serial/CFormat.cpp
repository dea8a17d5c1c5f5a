#include "serial/CFormat.h"

#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdarg>
#include <vector>

namespace vanteo {

std::string FormatC(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = FormatWithCLocale(nullptr, 0, format, copy);
    va_end(copy);
    std::string result;
    if (length > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
        FormatWithCLocale(buffer.data(), buffer.size(), format, args);
        result.assign(buffer.data(), static_cast<std::size_t>(length));
    }
    va_end(args);
    return result;
}

namespace {

void AppendPadded(std::string& out, const char* first, const char* last, int width, char pad,
                  bool padAfterSign) {
    const auto length = static_cast<int>(last - first);
    if (length >= width) {
        out.append(first, last);
        return;
    }
    const auto fill = static_cast<std::size_t>(width - length);
    if (padAfterSign && *first == '-') {
        out += '-';
        ++first;
    }
    out.append(fill, pad);
    out.append(first, last);
}

}  // namespace

void AppendFixedC(std::string& out, double value, int precision, int width) {
    // 309 integer digits for the largest double, the sign, the point and the decimals.
    char buffer[320 + 64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::fixed, std::clamp(precision, 0, 64));
    AppendPadded(out, buffer, result.ptr, width, ' ', false);
}

void AppendDecimalC(std::string& out, long long value, int width, bool zeroPad) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    AppendPadded(out, buffer, result.ptr, width, zeroPad ? '0' : ' ', zeroPad);
}

void AppendHexC(std::string& out, unsigned long long value, int zeroPadWidth) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    AppendPadded(out, buffer, result.ptr, zeroPadWidth, '0', false);
}

double LeadingDoubleC(const std::string& text) {
    return StringToDoubleC(text.c_str());
}

int LeadingIntC(const std::string& text) {
    errno = 0;
    const long long value = StringToLongC(text.c_str());
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

}  // namespace vanteo
