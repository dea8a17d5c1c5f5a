#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "serial/ByteDevice.h"

namespace vanteo::test {

// A tracker stand-in for link tests: replies are queued by the test, or produced per received
// byte by `onByte`, and every host write is kept as it was written (one entry per write call).
class ScriptedDevice final : public ByteDevice {
public:
    // Queues `bytes` towards the host, readable from `readyAtMs` on (virtual time).
    void Send(const std::string& bytes, std::int64_t readyAtMs = 0);

    // Called for every byte the host writes, with the virtual time of the write.
    std::function<void(std::uint8_t, std::int64_t)> onByte;

    std::vector<std::string> writes;  // host write calls, in order
    std::string Received() const;     // all host bytes, concatenated

    void ReceiveFromHost(const std::uint8_t* data, std::size_t count, std::int64_t nowMs) override;
    std::optional<TimedByte> PeekToHost() override;
    void PopToHost() override;

private:
    std::deque<TimedByte> toHost_;
};

}  // namespace vanteo::test
