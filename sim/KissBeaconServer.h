#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "sim/AprsBeacon.h"
#include "sim/DemoFlight.h"

namespace vanteo::sim {

// The simulated tracker heard through a TNC: a KISS TCP server on the loopback interface that
// sends the demo flight as APRS beacons to every client, one fix per interval. The flight starts
// with the first client; after the last fix the landed position is beaconed on, as a tracker on
// the ground does until someone walks to it. Plain POSIX sockets; runs on the calling thread.
class KissBeaconServer {
public:
    KissBeaconServer(std::vector<DemoFix> fixes, AprsBeaconConfig config, int intervalMs)
        : fixes_(std::move(fixes)), config_(std::move(config)), intervalMs_(intervalMs) {}
    ~KissBeaconServer();
    KissBeaconServer(const KissBeaconServer&) = delete;
    KissBeaconServer& operator=(const KissBeaconServer&) = delete;

    // Listens on 127.0.0.1:`port` (0: any free port). False with `error` when it cannot.
    bool Listen(int port, std::string& error);
    int Port() const { return port_; }
    // Serves until `stop` is set (by another thread).
    void Serve(const std::atomic<bool>& stop);

    // The KISS frame of fix `index` (course and speed from the fix before it).
    std::vector<std::uint8_t> Frame(std::size_t index) const;

private:
    std::vector<DemoFix> fixes_;
    AprsBeaconConfig config_;
    int intervalMs_;
    int listener_ = -1;
    int port_ = 0;
    std::vector<int> clients_;
};

}  // namespace vanteo::sim
