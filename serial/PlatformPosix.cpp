#include <locale.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#if defined(__APPLE__)
#include <xlocale.h>
#endif

#include <cerrno>
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

bool ProcessRunning(long pid) {
    // EPERM: the process exists but belongs to someone else; it is still running.
    return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

unsigned long CurrentUserId() {
    return static_cast<unsigned long>(getuid());
}

bool DeviceOfPath(const std::string& path, unsigned long& device) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return false;
    }
    device = static_cast<unsigned long>(info.st_rdev);
    return true;
}

bool DeviceOfHandle(std::intptr_t handle, unsigned long& device) {
    struct stat info {};
    if (fstat(static_cast<int>(handle), &info) != 0) {
        return false;
    }
    device = static_cast<unsigned long>(info.st_rdev);
    return true;
}

bool HandleHungUp(std::intptr_t handle) {
    // A hung-up terminal reports POLLHUP (or POLLERR) at once, whatever else is pending.
    pollfd state{static_cast<int>(handle), 0, 0};
    return poll(&state, 1, 0) < 0 || (state.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
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
