#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
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

// Whether process `pid` still runs, another user's included.
bool ProcessRunning(long pid);
// This user's numeric id, for per-user folder names; 0 where the system has none.
unsigned long CurrentUserId();

// The device number (st_rdev) of the terminal a path leads to, or of an open port's handle;
// false when the system cannot say (no such file; systems without device numbers).
bool DeviceOfPath(const std::string& path, unsigned long& device);
bool DeviceOfHandle(std::intptr_t handle, unsigned long& device);
// True when the terminal behind an open handle has hung up or failed (an unplugged adapter);
// false where the system cannot tell.
bool HandleHungUp(std::intptr_t handle);

// Raises the calling thread's scheduling priority as far as the system grants it; false when it
// grants nothing (no privilege), and the thread then runs at normal priority. Any thread.
bool RaiseCurrentThreadPriority();

}  // namespace vanteo
