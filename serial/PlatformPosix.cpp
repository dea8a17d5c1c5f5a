#include <locale.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#if defined(__APPLE__)
#include <xlocale.h>
#endif

#include <cstdio>
#include <cstdlib>

#include "serial/Platform.h"

namespace vanteo {
namespace {

locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

int FormatWithCLocale(char* buffer, std::size_t size, const char* format, va_list args) {
    // The calling thread alone switches to the "C" locale, for this one call.
    const locale_t previous = uselocale(CLocale());
    const int length = std::vsnprintf(buffer, size, format, args);
    uselocale(previous);
    return length;
}

double StringToDoubleC(const char* text) {
    return strtod_l(text, nullptr, CLocale());
}

long long StringToLongC(const char* text) {
    return strtoll_l(text, nullptr, 10, CLocale());
}

bool RaiseCurrentThreadPriority() {
#if defined(SYS_gettid)
    // Linux gives each thread its own nice value, addressed by its thread id.
    const auto who = static_cast<id_t>(syscall(SYS_gettid));
#else
    // Elsewhere the nice value belongs to the process.
    const id_t who = 0;
#endif
    for (int nice = -20; nice < 0; ++nice) {
        if (setpriority(PRIO_PROCESS, who, nice) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace vanteo
