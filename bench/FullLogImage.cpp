#include "bench/FullLogImage.h"

#include <vector>

#include "sim/DemoFlight.h"

namespace vanteo::bench {
namespace {

constexpr int kLargeMemoryKbit = 1024;

std::vector<std::uint32_t> Widen(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

}  // namespace

std::vector<std::uint32_t> DemoFlightImage() {
    return Widen(
        sim::DemoFlight::BuildImage(sim::DemoFlight::Fixes(), kLargeMemoryKbit, true, true));
}

std::vector<std::uint32_t> FullLogImage() {
    const std::vector<sim::DemoFix> flight = sim::DemoFlight::Fixes();
    constexpr std::size_t kMemoryBytes = static_cast<std::size_t>(kLargeMemoryKbit) * 128;
    std::vector<sim::DemoFix> fixes;
    // More fixes than fit: BuildImage leaves out the records that would not fit.
    while (fixes.size() * sim::DemoFlight::kTimedRecordBytes < kMemoryBytes) {
        fixes.insert(fixes.end(), flight.begin(), flight.end());
    }
    return Widen(sim::DemoFlight::BuildImage(fixes, kLargeMemoryKbit, true, true));
}

}  // namespace vanteo::bench
