#include "sim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "sim/PacedWire.h"

namespace vanteo::sim {
namespace {

constexpr int kIdlePollMs = 200;  // upper bound of one wait, so `stop` is seen promptly
constexpr std::size_t kReadChunk = 256;
constexpr std::int64_t kNsPerSecond = 1'000'000'000;
constexpr std::int64_t kIdlePollNs = kIdlePollMs * std::int64_t{1'000'000};
constexpr std::int64_t kFullTerminalRetryNs = 1'000'000;

std::int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

bool MakeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return false;
    }
    cfmakeraw(&settings);
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

// Acts on what a poll of the terminal's master side found (`ready`, `revents`; `pollName` names
// the call for its error): hands what the host wrote to `deliver`, and calls `pause` on a
// hang-up with no reader on either side, so the loop does not spin. False, with `error` set,
// when the poll or the read failed.
template <typename Deliver, typename Pause>
bool TakeFromHost(int master, const char* pollName, int ready, short revents, Deliver deliver,
                  Pause pause, std::string& error) {
    if (ready < 0 && errno != EINTR) {
        error = SystemError(pollName);
        return false;
    }
    if (ready > 0 && (revents & POLLIN) != 0) {
        std::uint8_t buffer[kReadChunk];
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got > 0) {
            deliver(buffer, static_cast<std::size_t>(got));
        } else if (got < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
            error = SystemError("read");
            return false;
        }
    } else if (ready > 0 && (revents & (POLLHUP | POLLERR)) != 0) {
        pause();
    }
    return true;
}

}  // namespace

PtyServer::~PtyServer() {
    if (slave_ >= 0) {
        close(slave_);
    }
    if (master_ >= 0) {
        close(master_);
    }
}

bool PtyServer::Open(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        error = SystemError("posix_openpt");
        return false;
    }
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = SystemError("grantpt/unlockpt");
        return false;
    }
    const char* name = ptsname(master_);
    if (name == nullptr) {
        error = SystemError("ptsname");
        return false;
    }
    slavePath_ = name;
    slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        error = SystemError(("open " + slavePath_).c_str());
        return false;
    }
    if (!MakeRaw(slave_) || !MakeRaw(master_)) {
        error = SystemError("raw mode");
        return false;
    }
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = SystemError("non-blocking master");
        return false;
    }
    return true;
}

int PtyServer::WaitMs(ByteDevice& device, Clock& clock) const {
    if (!unsent_.empty()) {
        return 5;  // the terminal's buffer is full: try again shortly
    }
    const std::optional<TimedByte> next = device.PeekToHost();
    if (!next) {
        return kIdlePollMs;
    }
    const std::int64_t wait = next->readyAtMs - clock.NowMs();
    return static_cast<int>(std::clamp<std::int64_t>(wait, 0, kIdlePollMs));
}

bool PtyServer::FlushDue(ByteDevice& device, Clock& clock, std::string& error) {
    const std::int64_t now = clock.NowMs();
    while (true) {
        const std::optional<TimedByte> next = device.PeekToHost();
        if (!next || next->readyAtMs > now) {
            break;
        }
        unsent_.push_back(next->value);
        device.PopToHost();
    }
    return WriteUnsent(error);
}

bool PtyServer::WriteUnsent(std::string& error) {
    while (!unsent_.empty()) {
        const ssize_t written = write(master_, unsent_.data(), unsent_.size());
        if (written < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                return true;
            }
            error = SystemError("write");
            return false;
        }
        unsent_.erase(unsent_.begin(), unsent_.begin() + written);
    }
    return true;
}

bool PtyServer::Serve(ByteDevice& device, Clock& clock, const volatile std::sig_atomic_t& stop,
                      std::string& error) {
    while (stop == 0) {
        pollfd watch{master_, POLLIN, 0};
        const int ready = poll(&watch, 1, WaitMs(device, clock));
        const auto deliver = [&](const std::uint8_t* bytes, std::size_t count) {
            device.ReceiveFromHost(bytes, count, clock.NowMs());
        };
        const auto pause = [&] { clock.SleepMs(kIdlePollMs / 4); };
        if (!TakeFromHost(master_, "poll", ready, watch.revents, deliver, pause, error) ||
            !FlushDue(device, clock, error)) {
            return false;
        }
    }
    return true;
}

bool PtyServer::ServePaced(ByteDevice& device, const volatile std::sig_atomic_t& stop,
                           std::string& error) {
    // The kernel may otherwise let a timed wait run up to 50 us long; the wire is timed in us.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    PacedWire wire(device);
    std::vector<std::uint8_t> due;
    while (stop == 0) {
        std::int64_t waitNs = kIdlePollNs;
        if (!unsent_.empty()) {
            waitNs = kFullTerminalRetryNs;
        } else if (const std::optional<std::int64_t> next = wire.NextEventNs()) {
            waitNs = std::clamp<std::int64_t>(*next - MonotonicNs(), 0, kIdlePollNs);
        }
        const timespec timeout{static_cast<time_t>(waitNs / kNsPerSecond),
                               static_cast<long>(waitNs % kNsPerSecond)};
        pollfd watch{master_, POLLIN, 0};
        const int ready = ppoll(&watch, 1, &timeout, nullptr);
        const auto deliver = [&](const std::uint8_t* bytes, std::size_t count) {
            wire.FromHost(bytes, count, MonotonicNs());
        };
        const auto pause = [] {
            const timespec quarter{0, kIdlePollNs / 4};
            clock_nanosleep(CLOCK_MONOTONIC, 0, &quarter, nullptr);
        };
        if (!TakeFromHost(master_, "ppoll", ready, watch.revents, deliver, pause, error)) {
            return false;
        }
        due.clear();
        wire.Advance(MonotonicNs(), due);
        unsent_.insert(unsent_.end(), due.begin(), due.end());
        if (!WriteUnsent(error)) {
            return false;
        }
    }
    return true;
}

}  // namespace vanteo::sim
