#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace vanteo {

// A byte the far end of an in-process link puts on the wire, with the virtual time (ms) from
// which the host can read it.
struct TimedByte {
    std::uint8_t value = 0;
    std::int64_t readyAtMs = 0;
};

// The far end of an in-process link: the tracker simulator, or a test fake. It sees every byte
// the host writes and decides what comes back and when.
class ByteDevice {
public:
    virtual ~ByteDevice() = default;
    // The host wrote `count` bytes at virtual time `nowMs`.
    virtual void ReceiveFromHost(const std::uint8_t* data, std::size_t count,
                                 std::int64_t nowMs) = 0;
    // The next byte towards the host, if any, without taking it.
    virtual std::optional<TimedByte> PeekToHost() = 0;
    // Takes the byte PeekToHost showed.
    virtual void PopToHost() = 0;
    // False once the device is unplugged: the port then fails every write.
    virtual bool Connected() const { return true; }
};

}  // namespace vanteo
