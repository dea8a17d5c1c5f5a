#include "tests/flightlog/FlightLogRig.h"

#include <cstdio>

namespace vanteo::test {

void ReplyDevice::ReceiveFromHost(const std::uint8_t* data, std::size_t count, std::int64_t nowMs) {
    writes.emplace_back(data, data + count);
    if (!reply) {
        return;
    }
    for (const char byte : reply(writes.back())) {
        toHost_.push_back({static_cast<std::uint8_t>(byte), nowMs});
    }
}

std::optional<TimedByte> ReplyDevice::PeekToHost() {
    if (next_ >= toHost_.size()) {
        return std::nullopt;
    }
    return toHost_[next_];
}

void ReplyDevice::PopToHost() {
    ++next_;
}

void GatedDevice::Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
}

bool GatedDevice::Reached() const {
    std::lock_guard lock(mutex_);
    return reached_;
}

void GatedDevice::ReceiveFromHost(const std::uint8_t* data, std::size_t count, std::int64_t nowMs) {
    if (count > 0 && data[0] == letter_) {
        std::unique_lock lock(mutex_);
        reached_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    inner_.ReceiveFromHost(data, count, nowMs);
}

FlightLogRig::FlightLogRig(ByteDevice& device) : SimulatedTracker(Start::bareFields) {
    wire = &device;
}

OperationResult FlightLogRig::StartDownload(const std::string& path) {
    ui.QueueSaveFile(path);
    return OnReadFlash(ctx);
}

bool FlightLogRig::Validate(const std::string& input, const std::string& output) {
    ui.QueueOpenFile(input);
    ui.QueueSaveFile(output);
    return static_cast<bool>(OnValidateKml(ctx));
}

bool HaveProgram(const std::string& program) {
    std::string ignored;
    return RunCommand("command -v " + program, ignored) == 0;
}

int RunCommand(const std::string& command, std::string& output) {
    output.clear();
    std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, got);
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vanteo::test
