#pragma once

#include <string>

#include "aprs/KissByteSource.h"

namespace vanteo::aprs {

// A KISS TNC's TCP server (a software TNC serves one on port 8001 by default). Plain POSIX
// sockets; the connect gives up after kConnectTimeoutMs.
class KissTcpSource final : public KissByteSource {
public:
    static constexpr int kDefaultPort = 8001;
    static constexpr int kConnectTimeoutMs = 3000;

    KissTcpSource(std::string host, int port) : host_(std::move(host)), port_(port) {}
    ~KissTcpSource() override { Close(); }
    KissTcpSource(const KissTcpSource&) = delete;
    KissTcpSource& operator=(const KissTcpSource&) = delete;

    bool Open(std::string& error) override;
    void Close() override;
    ReadStatus Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs,
                    std::size_t& count) override;
    std::string Describe() const override;

    // "HOST:PORT", ":PORT" or "HOST" (port 8001; empty host is localhost); false when the port is
    // not 1 to 65535.
    static bool ParseHostPort(const std::string& text, std::string& host, int& port);

private:
    std::string host_;
    int port_;
    int socket_ = -1;
};

}  // namespace vanteo::aprs
