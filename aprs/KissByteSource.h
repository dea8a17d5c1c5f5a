#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vanteo::aprs {

// Where KISS bytes come from: a TNC's TCP port or a serial line. Used by one thread.
class KissByteSource {
public:
    enum class ReadStatus { data, timeout, lost };

    virtual ~KissByteSource() = default;
    // Connects or opens; false with `error` set (the system's words) when that failed.
    virtual bool Open(std::string& error) = 0;
    virtual void Close() = 0;
    // Waits up to `timeoutMs` for bytes; stores up to `capacity` in `buffer` and their number in
    // `count`. `lost` means the peer closed or the device went away: Close and Open again.
    virtual ReadStatus Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs,
                            std::size_t& count) = 0;
    // "TCP 127.0.0.1:8001", "serial /dev/rfcomm0 at 9600 baud": for messages.
    virtual std::string Describe() const = 0;
};

}  // namespace vanteo::aprs
