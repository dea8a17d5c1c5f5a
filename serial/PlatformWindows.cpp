#include <windows.h>

#include "serial/Platform.h"

namespace vanteo {

bool RaiseCurrentThreadPriority() {
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST) != 0;
}

}  // namespace vanteo
