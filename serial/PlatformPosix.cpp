#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "serial/Platform.h"

namespace vanteo {

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
