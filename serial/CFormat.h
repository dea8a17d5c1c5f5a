#pragma once

#include <string>

#include "serial/Platform.h"

namespace vanteo {

// printf-style formatting in the "C" locale whatever the user's locale: numbers in files, on the
// wire and in the form always use '.' as decimal point. Thread-safe.
std::string FormatC(const char* format, ...) VANTEO_PRINTF_FORMAT(1, 2);

// Fast appenders for writers that print one number after another (thousands of track points):
// std::to_chars gives exactly the digits printf gives in the "C" locale, correctly rounded, and
// never looks at the locale, so no locale switch per number. Thread-safe.
//
// AppendFixedC: `value` as "%*.*f" prints it (`precision` digits after the point, 6 as "%f";
// padded with blanks on the left to `width` characters). `precision` 0 to 64.
void AppendFixedC(std::string& out, double value, int precision = 6, int width = 0);
// AppendDecimalC: `value` as "%*d" / "%0*d" print it (`zeroPad` puts zeros after the sign
// instead of blanks before it), for any integer width up to long long.
void AppendDecimalC(std::string& out, long long value, int width = 0, bool zeroPad = false);
// AppendHexC: `value` as "%x" / "%0*x" print it (lower-case digits, no prefix; `width` zeros
// on the left at least, as "%02x" with 2).
void AppendHexC(std::string& out, unsigned long long value, int zeroPadWidth = 0);

// The number at the start of `text` as strtod reads it in the "C" locale (leading blanks
// skipped); 0 when the text does not start with a number.
double LeadingDoubleC(const std::string& text);

// The decimal integer at the start of `text` as atoi reads it (leading blanks and a sign
// allowed); 0 when there is none. Saturates instead of overflowing.
int LeadingIntC(const std::string& text);

// The value of one hexadecimal digit (either case), or -1 for any other character.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace vanteo
