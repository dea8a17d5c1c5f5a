#include "serial/Clock.h"

#include <chrono>
#include <thread>

namespace vanteo {

std::int64_t SteadyClock::NowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::SleepMs(std::int64_t ms) {
    if (ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

void VirtualClock::Advance(std::int64_t ms) {
    if (ms > 0) {
        now_.fetch_add(ms);
    }
}

void VirtualClock::AdvanceTo(std::int64_t timeMs) {
    std::int64_t current = now_.load();
    while (timeMs > current && !now_.compare_exchange_weak(current, timeMs)) {
    }
}

}  // namespace vanteo
