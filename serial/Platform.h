#pragma once

#include <cstdarg>
#include <cstddef>
#include <string_view>

// The few calls that differ between systems, behind one header: PlatformPosix.cpp on
// Linux and macOS, PlatformWindows.cpp on Windows.

// printf-style argument checking where the compiler has it (GCC, Clang); nothing elsewhere.
#if defined(__GNUC__) || defined(__clang__)
#define VANTEO_PRINTF_FORMAT(formatIndex, firstArgument) \
    __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define VANTEO_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

namespace vanteo {

// True when `a` and `b` are equal but for the case of the letters A-Z (as strcasecmp in the "C"
// locale: other bytes must match exactly, whatever the user's locale).
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// vsnprintf, strtod and strtol in the "C" locale whatever the user's or the thread's locale, so
// numbers in files and on the wire always use '.'. Thread-safe; the thread's locale is unchanged
// afterwards. FormatWithCLocale returns the length the whole text needs, as vsnprintf does
// (`buffer` may be null when `size` is 0); negative on a format error.
int FormatWithCLocale(char* buffer, std::size_t size, const char* format, va_list args);
double StringToDoubleC(const char* text);
long long StringToLongC(const char* text);

// Raises the calling thread's scheduling priority as far as the system grants it; false when it
// grants nothing (no privilege), and the thread then runs at normal priority. Any thread.
bool RaiseCurrentThreadPriority();

}  // namespace vanteo
