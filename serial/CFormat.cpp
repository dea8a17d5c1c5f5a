#include "serial/CFormat.h"

#include <cerrno>
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
