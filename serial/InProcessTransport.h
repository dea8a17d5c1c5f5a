#pragma once

#include "serial/ByteDevice.h"
#include "serial/ByteTransport.h"
#include "serial/Clock.h"

namespace vanteo {

// A transport wired straight to a ByteDevice in the same process, on a (usually virtual) clock:
// a read that waits for a byte advances the clock to when the byte is ready, or to the time-out.
// Any port name opens it, except the empty name and names listed as absent.
class InProcessTransport final : public ByteTransport {
public:
    InProcessTransport(ByteDevice& device, VirtualClock& clock) : device_(device), clock_(clock) {}

    // Makes the next Open fail with `status` (to test the link's four open failures).
    void FailNextOpen(OpenStatus status) { nextOpenStatus_ = status; }

    OpenStatus Open(const std::string& portName) override;
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    bool Write(const std::uint8_t* data, std::size_t count) override;
    std::size_t Read(std::uint8_t* buffer, std::size_t count, int totalTimeoutMs,
                     int intervalTimeoutMs) override;
    void DiscardInput() override;

    int OpenCount() const { return openCount_; }
    const std::string& PortName() const { return portName_; }

private:
    ByteDevice& device_;
    VirtualClock& clock_;
    bool open_ = false;
    int openCount_ = 0;
    std::string portName_;
    OpenStatus nextOpenStatus_ = OpenStatus::ok;
};

}  // namespace vanteo
