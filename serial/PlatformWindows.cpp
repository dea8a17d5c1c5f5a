#include <windows.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "serial/Platform.h"

namespace vanteo {
namespace {

_locale_t CLocale() {
    static const _locale_t locale = _create_locale(LC_ALL, "C");
    return locale;
}

}  // namespace

int FormatWithCLocale(char* buffer, std::size_t size, const char* format, va_list args) {
    if (buffer == nullptr || size == 0) {
        return _vscprintf_l(format, CLocale(), args);
    }
    va_list measure;
    va_copy(measure, args);
    const int length = _vscprintf_l(format, CLocale(), measure);
    va_end(measure);
    _vsnprintf_s_l(buffer, size, _TRUNCATE, format, CLocale(), args);
    return length;
}

double StringToDoubleC(const char* text) {
    return _strtod_l(text, nullptr, CLocale());
}

long long StringToLongC(const char* text) {
    return _strtoi64_l(text, nullptr, 10, CLocale());
}

bool ProcessRunning(long pid) {
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) {
        // Access denied: the process exists but belongs to someone else.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

unsigned long CurrentUserId() {
    return 0;
}

bool DeviceOfPath(const std::string&, unsigned long&) {
    return false;
}

bool DeviceOfHandle(std::intptr_t, unsigned long&) {
    return false;
}

bool HandleHungUp(std::intptr_t) {
    return false;
}

bool RaiseCurrentThreadPriority() {
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST) != 0;
}

}  // namespace vanteo
