// The APRS receive path, KISS bytes to decoded positions: the demo flight as the simulator
// beacons it (uncompressed, timestamp, course/speed, /A= altitude), a compressed and a Mic-E
// report, and the whole mix in one stream as a TNC would pass it on. Packets per second are the
// figure (items_per_second). Build optimised (bench/run aprs).

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "aprs/AprsPacketDecoder.h"
#include "sim/AprsBeacon.h"
#include "sim/DemoFlight.h"

namespace vanteo::bench {
namespace {

// Every demo-flight fix as a beacon (kind 0), the same number of compressed (1) or Mic-E (2)
// reports, or all three interleaved (3); one KISS stream.
std::vector<std::uint8_t> Stream(int kind, std::size_t& packets) {
    const std::vector<sim::DemoFix> fixes = sim::DemoFlight::Fixes();
    sim::AprsBeaconConfig config;
    sim::AprsBeaconConfig micE = config;
    micE.destination = "332UVT";
    std::vector<std::uint8_t> stream;
    packets = 0;
    auto add = [&](const std::vector<std::uint8_t>& frame) {
        stream.insert(stream.end(), frame.begin(), frame.end());
        ++packets;
    };
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        if (kind == 0 || kind == 3) {
            add(sim::AprsBeacon::KissFrame(sim::AprsBeacon::PositionInfo(fixes[i], 90, 12, config),
                                           config));
        }
        if (kind == 1 || kind == 3) {
            add(sim::AprsBeacon::KissFrame("!/5L!!<*e7>7P[ compressed", config));
        }
        if (kind == 2 || kind == 3) {
            add(sim::AprsBeacon::KissFrame("`(_fnPO>/\"UD} mic-e", micE));
        }
    }
    return stream;
}

void BM_DecodeKissStream(benchmark::State& state) {
    std::size_t packets = 0;
    const std::vector<std::uint8_t> stream = Stream(static_cast<int>(state.range(0)), packets);
    std::vector<aprs::HeardPacket> heard;
    heard.reserve(packets);
    for (auto _ : state) {
        aprs::AprsPacketDecoder decoder;
        heard.clear();
        decoder.Feed(stream.data(), stream.size(), heard);
        if (heard.size() != packets) {
            state.SkipWithError("a packet did not decode");
            break;
        }
        benchmark::DoNotOptimize(heard.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * packets));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_DecodeKissStream)->ArgName("kind")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vanteo::bench

BENCHMARK_MAIN();
