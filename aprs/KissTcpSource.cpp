#include "aprs/KissTcpSource.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>
#include <cstring>

namespace vanteo::aprs {

namespace {

// Non-blocking connect bounded by `timeoutMs`; 0 on success, else an errno value.
int ConnectWithin(int fd, const sockaddr* address, socklen_t length, int timeoutMs) {
    const int flags = fcntl(fd, F_GETFL, 0);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int result = 0;
    if (connect(fd, address, length) != 0) {
        if (errno != EINPROGRESS) {
            result = errno;
        } else {
            pollfd waiter{fd, POLLOUT, 0};
            const int ready = poll(&waiter, 1, timeoutMs);
            if (ready == 0) {
                result = ETIMEDOUT;
            } else if (ready < 0) {
                result = errno;
            } else {
                socklen_t size = sizeof(result);
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &size);
            }
        }
    }
    fcntl(fd, F_SETFL, flags);
    return result;
}

}  // namespace

bool KissTcpSource::ParseHostPort(const std::string& text, std::string& host, int& port) {
    const std::size_t colon = text.rfind(':');
    host = text.substr(0, colon);
    if (host.empty()) {
        host = "localhost";
    }
    port = kDefaultPort;
    if (colon == std::string::npos) {
        return true;
    }
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) {
        return false;
    }
    port = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        port = port * 10 + (c - '0');
    }
    return port >= 1 && port <= 65535;
}

std::string KissTcpSource::Describe() const {
    return "KISS TCP " + host_ + ":" + std::to_string(port_);
}

bool KissTcpSource::Open(std::string& error) {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port_);
    const int lookup = getaddrinfo(host_.c_str(), service.c_str(), &hints, &found);
    if (lookup != 0) {
        error = "cannot find host " + host_ + ": " + gai_strerror(lookup);
        return false;
    }
    int lastErrno = ECONNREFUSED;
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        const int fd =
            socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC, entry->ai_protocol);
        if (fd < 0) {
            lastErrno = errno;
            continue;
        }
        lastErrno = ConnectWithin(fd, entry->ai_addr, entry->ai_addrlen, kConnectTimeoutMs);
        if (lastErrno == 0) {
            socket_ = fd;
            break;
        }
        ::close(fd);
    }
    freeaddrinfo(found);
    if (socket_ < 0) {
        error = std::strerror(lastErrno);
        return false;
    }
    return true;
}

void KissTcpSource::Close() {
    if (socket_ >= 0) {
        ::close(socket_);
        socket_ = -1;
    }
}

KissByteSource::ReadStatus KissTcpSource::Read(std::uint8_t* buffer, std::size_t capacity,
                                               int timeoutMs, std::size_t& count) {
    count = 0;
    if (socket_ < 0) {
        return ReadStatus::lost;
    }
    pollfd waiter{socket_, POLLIN, 0};
    const int ready = poll(&waiter, 1, timeoutMs);
    if (ready == 0 || (ready < 0 && errno == EINTR)) {
        return ReadStatus::timeout;
    }
    if (ready < 0) {
        return ReadStatus::lost;
    }
    const ssize_t got = ::recv(socket_, buffer, capacity, 0);
    if (got < 0 && errno == EINTR) {
        return ReadStatus::timeout;
    }
    if (got <= 0) {
        return ReadStatus::lost;  // 0: the TNC closed the connection
    }
    count = static_cast<std::size_t>(got);
    return ReadStatus::data;
}

}  // namespace vanteo::aprs
