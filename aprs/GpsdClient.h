#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace vanteo::aprs {

// Where the listener stands, in degrees (WGS 84).
struct ListenerPosition {
    double latitudeDeg = 0;
    double longitudeDeg = 0;
};

// The listener's own position from a running gpsd (through libgps): a thread of its own connects,
// asks for the fix reports and keeps the newest fix with a latitude and longitude; after a
// refusal or a loss it connects again every kRetryDelayMs. Position and Problem may be called
// from any thread.
class GpsdClient {
public:
    static constexpr int kDefaultPort = 2947;
    static constexpr int kRetryDelayMs = 2000;
    static constexpr int kWaitSliceMs = 200;  // how often the thread looks at Stop while idle

    GpsdClient(std::string host, int port) : host_(std::move(host)), port_(port) {}
    ~GpsdClient() { Stop(); }
    GpsdClient(const GpsdClient&) = delete;
    GpsdClient& operator=(const GpsdClient&) = delete;

    void Start();
    // Returns once the thread has closed its connection (within about kWaitSliceMs once the
    // connect has returned: libgps connects without a time-out, so a gpsd on another host that
    // never answers holds Stop until the system gives up).
    void Stop();

    // True once the first connection attempt has come back, refused or not: before that the
    // Problem is only that there is no answer yet.
    bool HasTried() const { return tried_; }
    // The newest fix, kept when the receiver or gpsd loses it (the listener walks, the last fix
    // is the best guess); none before gpsd reported one.
    std::optional<ListenerPosition> Position() const;
    // Why there is no position: "No gpsd runs on HOST:PORT (...)" while it cannot connect,
    // "gpsd on HOST:PORT has no fix yet" while connected without one, "gpsd on HOST:PORT
    // stopped answering" after a loss; empty while the fixes come.
    std::string Problem() const;

private:
    void Run();
    void SetProblem(const std::string& problem);
    bool Sleep(int ms) const;  // false when told to stop

    std::string host_;
    int port_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> tried_{false};
    mutable std::mutex mutex_;
    std::optional<ListenerPosition> position_;
    std::string problem_;
};

}  // namespace vanteo::aprs
