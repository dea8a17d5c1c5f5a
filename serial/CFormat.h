#pragma once

#include <string>

#include "serial/Platform.h"

namespace vanteo {

// printf-style formatting in the "C" locale whatever the user's locale: numbers in files, on the
// wire and in the form always use '.' as decimal point. Thread-safe.
std::string FormatC(const char* format, ...) VANTEO_PRINTF_FORMAT(1, 2);

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
