#pragma once

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "serial/ByteDevice.h"
#include "serial/Clock.h"

namespace vanteo::sim {

// A pseudo-terminal that puts a ByteDevice where a serial port would be: the host opens the
// slave side like any port, the device answers on the master side.
//
// The server keeps a slave descriptor of its own open, so the terminal survives the host
// closing and reopening the port. Both sides are in raw mode: no echo, no line editing, no
// CR/LF translation. Single-threaded: Open and Serve run on the thread that owns the object.
class PtyServer {
public:
    PtyServer() = default;
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the terminal. False with `error` set when the system refuses.
    bool Open(std::string& error);
    // The path the host opens, e.g. "/dev/pts/7"; empty before Open.
    const std::string& SlavePath() const { return slavePath_; }

    // Passes the host's bytes to `device` with their arrival time on `clock` and writes the
    // device's bytes once their ready time has come. Returns when `stop` becomes non-zero (set
    // by a signal handler; a signal also cuts the wait short). False with `error` set when the
    // terminal fails.
    bool Serve(ByteDevice& device, Clock& clock, const volatile std::sig_atomic_t& stop,
               std::string& error);
    // As Serve, on a 9600-baud line timed to the microsecond on the monotonic clock (PacedWire):
    // each host byte reaches `device` 10/9600 s after the previous one, each reply byte is
    // written 10/9600 s after the previous one and never before its command has arrived.
    // `device` should not pace itself; its own delays (erase interval, slow bytes) still count.
    bool ServePaced(ByteDevice& device, const volatile std::sig_atomic_t& stop, std::string& error);

private:
    bool FlushDue(ByteDevice& device, Clock& clock, std::string& error);
    bool WriteUnsent(std::string& error);
    int WaitMs(ByteDevice& device, Clock& clock) const;

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::vector<std::uint8_t> unsent_;  // due bytes the terminal did not take yet
};

}  // namespace vanteo::sim
