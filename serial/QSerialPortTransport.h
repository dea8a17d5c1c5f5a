#pragma once

#include <memory>
#include <string>

#include "serial/ByteTransport.h"

class QSerialPort;

namespace vanteo {

// A real serial port through QSerialPort (QtCore + QtSerialPort only).
//
// The port name is what the user typed or picked: a full path ("/dev/pts/3", "/dev/ttyUSB0") or a
// bare name that is looked up under /dev ("ttyUSB0"). Open takes the port exclusively and sets
// 9600 baud, 8 data bits, no parity, one stop bit, no flow control, then raises DTR (ignored when
// the port cannot, as a pseudo-terminal cannot) and asks the driver for low latency (ignored where
// not supported; see serial/PortLatency.h). QSerialPort has no port time-outs to read or
// set: Read enforces them itself, so Open never reports the two time-out failures.
//
// No event loop is needed: Read and Write block with waitForReadyRead / waitForBytesWritten.
// Threads: the object may only be used by the thread it belongs to, at first the one that
// constructed it. To hand it over, the owning thread calls ReleaseThread and the thread that takes
// over calls AdoptCurrentThread before its first call (it may be a std::thread).
class QSerialPortTransport final : public ByteTransport {
public:
    QSerialPortTransport();
    ~QSerialPortTransport() override;
    QSerialPortTransport(const QSerialPortTransport&) = delete;
    QSerialPortTransport& operator=(const QSerialPortTransport&) = delete;

    OpenStatus Open(const std::string& portName) override;
    void Close() override;
    bool IsOpen() const override;
    // False when the terminal has hung up or failed (an unplugged adapter, even one plugged in
    // again under the same name; a simulator that ended), or when the port's path now leads to
    // another terminal (a link pointed elsewhere). Asks the system only; nothing reaches the wire.
    bool StillConnected() const override;

    // Hands all bytes to the port and waits until they are written, at most 2500 ms plus
    // 2500 ms per byte. False when the port refused them or did not take them in that time.
    bool Write(const std::uint8_t* data, std::size_t count) override;
    // Blocks until `count` bytes arrived, `totalTimeoutMs` passed since the call, or
    // `intervalTimeoutMs` passed without a byte; also stops when the port fails (unplugged).
    std::size_t Read(std::uint8_t* buffer, std::size_t count, int totalTimeoutMs,
                     int intervalTimeoutMs) override;
    void DiscardInput() override;

    void ReleaseThread() override;
    void AdoptCurrentThread() override;

    std::string LastError() const override { return lastError_; }
    std::string OpenFailureExplanation() const override { return openFailure_; }
    std::string TraceNote() const override { return traceNote_; }

private:
    void RememberError();

    std::unique_ptr<QSerialPort> port_;
    std::string path_;            // where the port's name led when it was opened
    unsigned long device_ = 0;    // the opened terminal's device number (st_rdev) ...
    bool identityKnown_ = false;  // ... when the system told it
    std::string lastError_;
    std::string openFailure_;  // why the last Open failed, with the fix
    std::string traceNote_;    // the adapter's latency timer when it is high
};

}  // namespace vanteo
