#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vanteo {

// The byte seam under SerialLink: a real serial port (QSerialPortTransport), the in-process link
// to a simulated tracker (InProcessTransport) and the test fakes all implement it.
// A transport is used by one thread at a time; see ReleaseThread / AdoptCurrentThread.
class ByteTransport {
public:
    enum class OpenStatus {
        ok,
        cannotOpen,         // absent, in use, empty name
        cannotConfigure,    // 9600 8N1 could not be applied
        cannotGetTimeouts,  // the time-outs could not be read
        cannotSetTimeouts,  // the time-outs could not be applied
    };

    virtual ~ByteTransport() = default;

    // Opens `portName` exclusively at 9600 baud, 8 data bits, no parity, one stop bit, and raises
    // DTR (whose outcome is ignored: it fails on pseudo-terminals and some USB adapters).
    virtual OpenStatus Open(const std::string& portName) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // True while the open port still reaches the device it was opened on: false once that device
    // has gone (unplugged, its terminal hung up) or the port's name now names another device.
    // Sends nothing. Transports that cannot tell answer IsOpen().
    virtual bool StillConnected() const { return IsOpen(); }

    // One write call; true when the port accepted it.
    virtual bool Write(const std::uint8_t* data, std::size_t count) = 0;

    // Reads up to `count` bytes. Gives up when `totalTimeoutMs` have passed since the call or,
    // once a first byte has arrived, when `intervalTimeoutMs` pass without another (the interval
    // time-out of a serial port does not run before the first byte). Returns the number of
    // bytes stored.
    virtual std::size_t Read(std::uint8_t* buffer, std::size_t count, int totalTimeoutMs,
                             int intervalTimeoutMs) = 0;
    // Drops the bytes that have arrived but not been read (the tail of an erase given up, a
    // reply nobody waited for), so the next exchange reads only its own answer.
    virtual void DiscardInput() {}

    // Hand-over between threads (a Qt port object may only be used by the thread that owns it):
    // the owning thread calls ReleaseThread, then the thread that takes over calls
    // AdoptCurrentThread before its first transfer. Transports without thread affinity ignore both.
    virtual void ReleaseThread() {}
    virtual void AdoptCurrentThread() {}

    // The operating system's message for the last failure, for traces and the CLI; may be empty.
    virtual std::string LastError() const { return {}; }
    // After Open answered cannotOpen: the cause and the fix in the user's words (the group to
    // join, the program holding the port, the unplugged adapter); empty when there is nothing to
    // add to "Error opening com port".
    virtual std::string OpenFailureExplanation() const { return {}; }

    // A line for the trace about the port just opened (a USB adapter's latency timer that will
    // slow every round trip); empty when there is nothing to say.
    virtual std::string TraceNote() const { return {}; }
};

}  // namespace vanteo
