#pragma once

#include <atomic>
#include <cstdint>

namespace vanteo {

// Time source and sleeper for everything that waits: the serial time-outs, the fixed pauses of the
// tracker protocol and the simulator's pacing. Tests use VirtualClock so nothing sleeps for real.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary, fixed origin; never goes backwards.
    virtual std::int64_t NowMs() const = 0;
    // Blocks the calling thread for `ms` milliseconds (a virtual clock just advances).
    virtual void SleepMs(std::int64_t ms) = 0;
};

// The wall clock: std::chrono::steady_clock and std::this_thread::sleep_for.
class SteadyClock final : public Clock {
public:
    std::int64_t NowMs() const override;
    void SleepMs(std::int64_t ms) override;
};

// A clock that only moves when told to. Safe to use from the flash worker and the test thread at
// once (the value is atomic); it never goes backwards.
class VirtualClock final : public Clock {
public:
    std::int64_t NowMs() const override { return now_.load(); }
    void SleepMs(std::int64_t ms) override { Advance(ms); }
    void Advance(std::int64_t ms);
    // Moves to `timeMs` if that lies ahead; an earlier time leaves the clock where it is.
    void AdvanceTo(std::int64_t timeMs);

private:
    std::atomic<std::int64_t> now_{0};
};

}  // namespace vanteo
