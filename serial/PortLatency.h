#pragma once

#include <optional>
#include <string>

namespace vanteo {

// USB serial adapters hand received bytes to the host on a latency timer (16 ms by default for
// the common FTDI chips on Linux): a reply byte can wait that long in the adapter, and the
// protocol waits for every reply before its next command, so the timer, not the 9600-baud wire,
// sets the pace (Save Cfg makes 512 round trips).

// Above this the timer costs more per round trip than a reply byte's own time on the wire
// (1.04 ms at 9600 baud, 8N1); the low-latency request sets it to 1 ms where the driver obeys.
constexpr int kHighLatencyTimerMs = 2;

// Asks the driver of the open terminal `fd` to hand over received bytes at once (Linux:
// TIOCSSERIAL with ASYNC_LOW_LATENCY). True when the driver took the request; false where it is
// not supported (pseudo-terminals, most non-USB ports, other systems), which is harmless: the
// port works as before. Never changes any other setting of the port.
bool RequestLowLatency(int fd);

// The adapter's latency timer in milliseconds for a port name as the user gives it ("ttyUSB0",
// "/dev/ttyUSB0", or a link such as /dev/serial/by-id/... that leads to it), read from
// <sysfsRoot>/bus/usb-serial/devices/<tty>/latency_timer. Empty when the port has no such timer
// (not a USB serial adapter, a driver without the file, a pseudo-terminal, not Linux). Reads a
// file only; safe to call whether the port is open or not, from any thread.
std::optional<int> AdapterLatencyTimerMs(const std::string& portName,
                                         const std::string& sysfsRoot = "/sys");

// One line for the trace when the port's latency timer is above kHighLatencyTimerMs, saying
// what it costs and how to lower it; empty otherwise.
std::string HighLatencyTimerNote(const std::string& portName,
                                 const std::string& sysfsRoot = "/sys");

}  // namespace vanteo
