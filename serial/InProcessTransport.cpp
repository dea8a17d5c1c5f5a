#include "serial/InProcessTransport.h"

#include <algorithm>

namespace vanteo {

ByteTransport::OpenStatus InProcessTransport::Open(const std::string& portName) {
    if (portName.empty()) {
        return OpenStatus::cannotOpen;
    }
    const OpenStatus status = nextOpenStatus_;
    nextOpenStatus_ = OpenStatus::ok;
    if (status != OpenStatus::ok) {
        return status;
    }
    open_ = true;
    portName_ = portName;
    ++openCount_;
    return OpenStatus::ok;
}

bool InProcessTransport::Write(const std::uint8_t* data, std::size_t count) {
    if (!open_ || !device_.Connected()) {
        return false;
    }
    device_.ReceiveFromHost(data, count, clock_.NowMs());
    return true;
}

std::size_t InProcessTransport::Read(std::uint8_t* buffer, std::size_t count, int totalTimeoutMs,
                                     int intervalTimeoutMs) {
    if (!open_) {
        return 0;
    }
    const std::int64_t start = clock_.NowMs();
    const std::int64_t deadline = start + totalTimeoutMs;
    std::int64_t lastByteAt = start;
    std::size_t stored = 0;
    while (stored < count) {
        // As on a real port, the interval time-out only runs between bytes: until the first byte
        // arrives only the total time-out applies.
        const std::int64_t giveUpAt =
            stored == 0 ? deadline : std::min(deadline, lastByteAt + intervalTimeoutMs);
        const std::optional<TimedByte> next = device_.PeekToHost();
        if (!next || next->readyAtMs > giveUpAt) {
            clock_.AdvanceTo(giveUpAt);
            break;
        }
        clock_.AdvanceTo(next->readyAtMs);
        device_.PopToHost();
        buffer[stored++] = next->value;
        lastByteAt = std::max(next->readyAtMs, clock_.NowMs());
    }
    return stored;
}

void InProcessTransport::DiscardInput() {
    if (!open_) {
        return;
    }
    // Only what has arrived by now: a byte the device sends later is not yet in any buffer.
    for (std::optional<TimedByte> next = device_.PeekToHost();
         next && next->readyAtMs <= clock_.NowMs(); next = device_.PeekToHost()) {
        device_.PopToHost();
    }
}

}  // namespace vanteo
