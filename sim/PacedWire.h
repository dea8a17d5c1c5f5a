#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "serial/ByteDevice.h"

namespace vanteo::sim {

// The two wires of a 9600-baud serial line between the host and a ByteDevice, timed in
// nanoseconds: the pty server's pacing, exact to the microsecond where the device's own times
// are whole milliseconds. The device runs unpaced; only its own delays (the erase interval, slow
// bytes) come through its ready times, counted from the moment the byte that caused them arrived.
//
// Host to device: a byte starts on the wire when the host wrote it, but not before the previous
// one has arrived, and arrives 10/9600 s later; the device is given each byte at its arrival.
// Device to host: a reply byte starts once it is ready (never before the command that caused it
// has fully arrived) and the previous reply byte has left, and leaves 10/9600 s later.
//
// Times are on any clock that never goes backwards; the caller passes them in. Single-threaded.
class PacedWire {
public:
    static constexpr std::int64_t kByteTimeNs = 1'041'667;  // 10 bits at 9600 baud

    explicit PacedWire(ByteDevice& device) : device_(device) {}

    // The host wrote `count` bytes, seen by the server at `nowNs`.
    void FromHost(const std::uint8_t* data, std::size_t count, std::int64_t nowNs);
    // Hands the device every host byte that has arrived by `nowNs`, then appends to `toHost`
    // every reply byte that has left by `nowNs`, in order.
    void Advance(std::int64_t nowNs, std::vector<std::uint8_t>& toHost);
    // The time of the next arrival or departure; nullopt when nothing is on either wire.
    std::optional<std::int64_t> NextEventNs() const;

private:
    struct TimedWireByte {
        std::uint8_t value = 0;
        std::int64_t atNs = 0;
    };
    void TakeReplies(std::int64_t deliveredAtNs, std::int64_t deviceMs);

    ByteDevice& device_;
    std::deque<TimedWireByte> arriving_;  // host bytes, by arrival time
    std::deque<TimedWireByte> leaving_;   // reply bytes, by departure time
    std::int64_t hostWireFreeAtNs_ = 0;
    std::int64_t deviceWireFreeAtNs_ = 0;
};

}  // namespace vanteo::sim
