#include "serial/PortLatency.h"

#include <sys/ioctl.h>

#ifdef __linux__
#include <linux/serial.h>
#endif

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vanteo {
namespace {

// The terminal's name under /dev as sysfs knows it: links followed (/dev/serial/by-id/...), a
// bare name taken as it is.
std::string TerminalName(const std::string& portName) {
    const bool path =
        portName.starts_with('/') || portName.starts_with("./") || portName.starts_with("../");
    std::filesystem::path device = path ? portName : "/dev/" + portName;
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(device, error);
    return (error ? device : resolved).filename().string();
}

}  // namespace

bool RequestLowLatency(int fd) {
#if defined(__linux__) && defined(TIOCGSERIAL) && defined(ASYNC_LOW_LATENCY)
    serial_struct serial{};
    if (fd < 0 || ioctl(fd, TIOCGSERIAL, &serial) != 0) {
        return false;
    }
    if ((serial.flags & ASYNC_LOW_LATENCY) != 0) {
        return true;
    }
    serial.flags |= ASYNC_LOW_LATENCY;
    return ioctl(fd, TIOCSSERIAL, &serial) == 0;
#else
    (void)fd;
    return false;
#endif
}

std::optional<int> AdapterLatencyTimerMs(const std::string& portName,
                                         const std::string& sysfsRoot) {
    const std::string tty = TerminalName(portName);
    if (tty.empty() || tty == "." || tty == "..") {
        return std::nullopt;
    }
    std::ifstream file(sysfsRoot + "/bus/usb-serial/devices/" + tty + "/latency_timer");
    long milliseconds = -1;
    if (!(file >> milliseconds) || milliseconds < 0 || milliseconds > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(milliseconds);
}

std::string HighLatencyTimerNote(const std::string& portName, const std::string& sysfsRoot) {
    const std::optional<int> timer = AdapterLatencyTimerMs(portName, sysfsRoot);
    if (!timer || *timer <= kHighLatencyTimerMs) {
        return {};
    }
    const std::string ms = std::to_string(*timer);
    return "the adapter's latency timer is " + ms + " ms: each reply can wait up to " + ms +
           " ms in the adapter; writing 1 to " + sysfsRoot + "/bus/usb-serial/devices/" +
           TerminalName(portName) + "/latency_timer (as root) lowers it";
}

}  // namespace vanteo
