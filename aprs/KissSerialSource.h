#pragma once

#include <memory>
#include <string>

#include "aprs/KissByteSource.h"

class QSerialPort;

namespace vanteo::aprs {

// A hardware KISS TNC on a serial port (or a Bluetooth serial port), 8N1 at the baud given.
// The port object belongs to the thread that calls Open.
class KissSerialSource final : public KissByteSource {
public:
    KissSerialSource(std::string device, int baud);
    ~KissSerialSource() override;

    bool Open(std::string& error) override;
    void Close() override;
    ReadStatus Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs,
                    std::size_t& count) override;
    std::string Describe() const override;

private:
    std::string device_;
    int baud_;
    std::unique_ptr<QSerialPort> port_;
};

}  // namespace vanteo::aprs
