#include "tests/serial/ScriptedDevice.h"

namespace vanteo::test {

void ScriptedDevice::Send(const std::string& bytes, std::int64_t readyAtMs) {
    for (const char byte : bytes) {
        toHost_.push_back({static_cast<std::uint8_t>(byte), readyAtMs});
    }
}

std::string ScriptedDevice::Received() const {
    std::string all;
    for (const std::string& write : writes) {
        all += write;
    }
    return all;
}

void ScriptedDevice::ReceiveFromHost(const std::uint8_t* data, std::size_t count,
                                     std::int64_t nowMs) {
    writes.emplace_back(reinterpret_cast<const char*>(data), count);
    for (std::size_t i = 0; i < count && onByte; ++i) {
        onByte(data[i], nowMs);
    }
}

std::optional<TimedByte> ScriptedDevice::PeekToHost() {
    if (toHost_.empty()) {
        return std::nullopt;
    }
    return toHost_.front();
}

void ScriptedDevice::PopToHost() {
    toHost_.pop_front();
}

}  // namespace vanteo::test
