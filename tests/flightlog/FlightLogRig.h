#pragma once

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "flightlog/FlightLogOperations.h"
#include "tests/support/SimulatedTracker.h"
#include "tests/support/TemporaryFolder.h"

namespace vanteo::test {

// A stand-in tracker that answers each host write call (every flash command is one write) with
// whatever `reply` returns for it, available at once.
class ReplyDevice final : public ByteDevice {
public:
    std::function<std::string(const std::vector<std::uint8_t>&)> reply;
    std::vector<std::vector<std::uint8_t>> writes;

    void ReceiveFromHost(const std::uint8_t* data, std::size_t count, std::int64_t nowMs) override;
    std::optional<TimedByte> PeekToHost() override;
    void PopToHost() override;

private:
    std::vector<TimedByte> toHost_;
    std::size_t next_ = 0;
};

// Wraps a device and holds the first host write that starts with `letter` until Open() is
// called, so a worker can be kept busy for as long as a test needs.
class GatedDevice final : public ByteDevice {
public:
    GatedDevice(ByteDevice& inner, std::uint8_t letter) : inner_(inner), letter_(letter) {}
    void Open();
    bool Reached() const;

    void ReceiveFromHost(const std::uint8_t* data, std::size_t count, std::int64_t nowMs) override;
    std::optional<TimedByte> PeekToHost() override { return inner_.PeekToHost(); }
    void PopToHost() override { inner_.PopToHost(); }
    bool Connected() const override { return inner_.Connected(); }

private:
    ByteDevice& inner_;
    std::uint8_t letter_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    bool reached_ = false;
};

// Everything an operation needs, wired to `device` over the in-process link on a virtual clock.
struct FlightLogRig : SimulatedTracker {
    explicit FlightLogRig(ByteDevice& device);

    // Answers the save dialog with `path` and presses "Read Flash"; completed when the worker
    // started.
    OperationResult StartDownload(const std::string& path);
    // Answers the open dialog with `input` and the save dialog with `output`, then presses
    // "Validate KML"; its result.
    bool Validate(const std::string& input, const std::string& output);

    DeviceContext& deviceContext = device;
    FlightLogState log;
    FlightLogContext ctx{device, log};
};

// True when the shell finds `program`.
bool HaveProgram(const std::string& program);
// Runs `command` through the shell; its exit status and standard output.
int RunCommand(const std::string& command, std::string& output);

}  // namespace vanteo::test
