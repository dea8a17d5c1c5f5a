#include "sim/PacedWire.h"

#include <algorithm>

namespace vanteo::sim {
namespace {

constexpr std::int64_t kNsPerMs = 1'000'000;

}  // namespace

void PacedWire::FromHost(const std::uint8_t* data, std::size_t count, std::int64_t nowNs) {
    for (std::size_t i = 0; i < count; ++i) {
        hostWireFreeAtNs_ = std::max(nowNs, hostWireFreeAtNs_) + kByteTimeNs;
        arriving_.push_back({data[i], hostWireFreeAtNs_});
    }
}

void PacedWire::Advance(std::int64_t nowNs, std::vector<std::uint8_t>& toHost) {
    while (!arriving_.empty() && arriving_.front().atNs <= nowNs) {
        const TimedWireByte byte = arriving_.front();
        arriving_.pop_front();
        // The device counts whole milliseconds; its replies are placed relative to this byte's
        // arrival, so only the device's own delays are rounded, never the wire.
        const std::int64_t deviceMs = byte.atNs / kNsPerMs;
        device_.ReceiveFromHost(&byte.value, 1, deviceMs);
        TakeReplies(byte.atNs, deviceMs);
    }
    while (!leaving_.empty() && leaving_.front().atNs <= nowNs) {
        toHost.push_back(leaving_.front().value);
        leaving_.pop_front();
    }
}

std::optional<std::int64_t> PacedWire::NextEventNs() const {
    std::optional<std::int64_t> next;
    if (!arriving_.empty()) {
        next = arriving_.front().atNs;
    }
    if (!leaving_.empty()) {
        next = std::min(next.value_or(leaving_.front().atNs), leaving_.front().atNs);
    }
    return next;
}

void PacedWire::TakeReplies(std::int64_t deliveredAtNs, std::int64_t deviceMs) {
    while (const std::optional<TimedByte> reply = device_.PeekToHost()) {
        device_.PopToHost();
        const std::int64_t readyNs =
            deliveredAtNs + std::max<std::int64_t>(reply->readyAtMs - deviceMs, 0) * kNsPerMs;
        deviceWireFreeAtNs_ = std::max(readyNs, deviceWireFreeAtNs_) + kByteTimeNs;
        leaving_.push_back({reply->value, deviceWireFreeAtNs_});
    }
}

}  // namespace vanteo::sim
