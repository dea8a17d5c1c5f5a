#include "sim/KissBeaconServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "serial/LoopbackListener.h"

namespace vanteo::sim {

KissBeaconServer::~KissBeaconServer() {
    for (const int client : clients_) {
        ::close(client);
    }
    if (listener_ >= 0) {
        ::close(listener_);
    }
}

bool KissBeaconServer::Listen(int port, std::string& error) {
    listener_ = ListenOnLoopback(port, 4, error);
    if (listener_ < 0) {
        return false;
    }
    port_ = port;
    return true;
}

std::vector<std::uint8_t> KissBeaconServer::Frame(std::size_t index) const {
    const DemoFix& fix = fixes_[index];
    int course = 0;
    int speed = 0;
    if (index > 0) {
        AprsBeacon::CourseAndSpeed(fixes_[index - 1], fix, course, speed);
    }
    return AprsBeacon::KissFrame(AprsBeacon::PositionInfo(fix, course, speed, config_), config_);
}

void KissBeaconServer::Serve(const std::atomic<bool>& stop) {
    using Clock = std::chrono::steady_clock;
    std::size_t next = 0;
    Clock::time_point due{};
    while (!stop.load() && !fixes_.empty()) {
        // Wakes for a new client, the next beacon, or every 20 ms to look at `stop`.
        int waitMs = 20;
        if (!clients_.empty()) {
            const auto untilDue =
                std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
            waitMs = static_cast<int>(std::clamp<long long>(untilDue, 0, 20));
        }
        pollfd waiter{listener_, POLLIN, 0};
        if (poll(&waiter, 1, waitMs) > 0) {
            const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                if (clients_.empty() && next == 0) {
                    due = Clock::now();  // the flight starts with the first listener
                }
                clients_.push_back(client);
            }
        }
        if (clients_.empty() || Clock::now() < due) {
            continue;
        }
        const std::vector<std::uint8_t> frame = Frame(std::min(next, fixes_.size() - 1));
        for (auto it = clients_.begin(); it != clients_.end();) {
            if (send(*it, frame.data(), frame.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(frame.size())) {
                ::close(*it);  // gone (or not reading): drop it rather than buffer for it
                it = clients_.erase(it);
            } else {
                ++it;
            }
        }
        ++next;
        due += std::chrono::milliseconds(intervalMs_);
    }
}

}  // namespace vanteo::sim
