// The flight-log file work on a full 1024-kbit memory: the checksum, the KML writer, the data
// block, reading the block back, and a whole "Validate KML" from reading the file to the new copy
// in place. Build optimised (bench/run files) for figures worth comparing.
//
// With --cli=PATH --baseline=PATH (bench/run files passes both) it then times the whole
// `vanteo-cli validate-kml` process against the plain C baseline; --runs=N sets the runs of each,
// --before=PATH adds an earlier build's vanteo-cli to the same runs, --valgrind=PATH counts the
// instructions of one run of each (bench/run passes it when valgrind is installed).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "bench/BenchInteraction.h"
#include "bench/FullLogImage.h"
#include "bench/ProcessRun.h"
#include "bench/ValidateKmlVersusC.h"
#include "device/DeviceContext.h"
#include "flightlog/DataBlock.h"
#include "flightlog/DataBlockReader.h"
#include "flightlog/FlightAnalysis.h"
#include "flightlog/FlightExports.h"
#include "flightlog/FlightLogOperations.h"
#include "flightlog/FlightReport.h"
#include "flightlog/KmlWriter.h"
#include "serial/CFormat.h"
#include "serial/SerialLink.h"

namespace vanteo::bench {
namespace {

constexpr int kLargeMemoryKbit = 1024;

TrackerCapabilities LargeMemoryCapabilities() {
    TrackerCapabilities caps;
    caps.memorySizeKbit = kLargeMemoryKbit;
    caps.compressCapable = true;
    caps.hoursMinutesCapable = true;
    caps.logTimestamp = true;
    return caps;
}

std::string KmlDocument(const std::vector<std::uint32_t>& image) {
    TrackerCapabilities caps = LargeMemoryCapabilities();
    const FlightDetails details{"Bench", "Timing", "2026-09-19", "H128", "full memory"};
    const FlagBytes flags;
    std::string out;
    WriteKml(out, image, caps, {details, flags, LogChecksum(image)}, false, true);
    return out;
}

const std::vector<std::uint32_t>& ImageFor(const benchmark::State& state) {
    static const std::vector<std::uint32_t> demo = DemoFlightImage();
    static const std::vector<std::uint32_t> full = FullLogImage();
    return state.range(0) == 0 ? demo : full;
}

void SetLabel(benchmark::State& state, std::size_t outputBytes) {
    state.SetLabel((state.range(0) == 0 ? "demo flight, " : "full memory, ") +
                   std::to_string(outputBytes / 1024) + " KiB");
}

void BM_LogChecksum(benchmark::State& state) {
    const std::vector<std::uint32_t>& image = ImageFor(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(LogChecksum(image));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(image.size()));
}
BENCHMARK(BM_LogChecksum)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_WriteDataBlock(benchmark::State& state) {
    const std::vector<std::uint32_t>& image = ImageFor(state);
    const std::uint32_t checksum = LogChecksum(image);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string out;
        WriteDataBlock(out, image, checksum, false, true, true);
        bytes = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    SetLabel(state, bytes);
}
BENCHMARK(BM_WriteDataBlock)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_WriteKml(benchmark::State& state) {
    const std::vector<std::uint32_t>& image = ImageFor(state);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string out = KmlDocument(image);
        bytes = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    SetLabel(state, bytes);
}
BENCHMARK(BM_WriteKml)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReadDataBlock(benchmark::State& state) {
    const std::string text = KmlDocument(ImageFor(state));
    std::vector<std::uint32_t> values(131072, 0);
    for (auto _ : state) {
        const DataBlockContents block = ReadDataBlock(text, values);
        if (block.count != values.size()) {
            state.SkipWithError("the data block did not read back whole");
            break;
        }
    }
    SetLabel(state, text.size());
}
BENCHMARK(BM_ReadDataBlock)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// What the flight window and "vanteo-cli export" do after a download: decode the log, find and
// summarise its flights, write the summary and all three exports (in memory). Goal: under 50 ms
// for the full memory.
void BM_FlightSummaryAndExports(benchmark::State& state) {
    const std::vector<std::uint32_t>& image = ImageFor(state);
    TrackerCapabilities caps = LargeMemoryCapabilities();
    const LogLayout layout = ResolveLogLayout(caps, false, true);
    std::size_t bytes = 0;
    std::size_t flights = 0;
    for (auto _ : state) {
        const DecodedLog log = DecodeLog(image, layout);
        const FlightAnalysis analysis = AnalyseFlights(log, 1);
        std::string summary = FlightSummaryText(log, analysis);
        std::string gpx;
        WriteGpx(gpx, analysis);
        std::string csv;
        WriteFlightCsv(csv, log, analysis);
        std::string kml;
        WriteKml22(kml, analysis);
        bytes = summary.size() + gpx.size() + csv.size() + kml.size();
        flights = analysis.flights.size();
        benchmark::DoNotOptimize(kml.data());
    }
    state.SetLabel((state.range(0) == 0 ? "demo flight, " : "full memory, ") +
                   std::to_string(flights) + " flights, " + std::to_string(bytes / 1024) +
                   " KiB written");
}
BENCHMARK(BM_FlightSummaryAndExports)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The number work of one track point, "%f,%f,%d%02d%02d" and the comment's four "%d", for 10 000
// points: Arg 0 formats each with a C-locale print (as the KML writer does), Arg 1 with the
// to_chars appenders (the same characters, checked by the FastCFormat tests).
void BM_FormatPoints(benchmark::State& state) {
    constexpr int kPoints = 10000;
    std::vector<double> coordinates;
    for (int i = 0; i < 2 * kPoints; ++i) {
        coordinates.push_back(-179.0 + 0.0179 * i + 0.000001 * (i % 7));
    }
    for (auto _ : state) {
        std::string out;
        for (int i = 0; i < kPoints; ++i) {
            const double lon = coordinates[static_cast<std::size_t>(2 * i)];
            const double lat = coordinates[static_cast<std::size_t>(2 * i + 1)];
            if (state.range(0) == 0) {
                out += FormatC("%f,%f,%d%02d%02d <!-- %d sats:%d secs:%d -->", lon, lat, 1, i % 60,
                               i % 100, 13 * i, 7, i % 60);
            } else {
                AppendFixedC(out, lon);
                out += ',';
                AppendFixedC(out, lat);
                out += ',';
                AppendDecimalC(out, 1);
                AppendDecimalC(out, i % 60, 2, true);
                AppendDecimalC(out, i % 100, 2, true);
                out += " <!-- ";
                AppendDecimalC(out, 13 * i);
                out += " sats:";
                AppendDecimalC(out, 7);
                out += " secs:";
                AppendDecimalC(out, i % 60);
                out += " -->";
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel(state.range(0) == 0 ? "C-locale print per point" : "to_chars appenders");
}
BENCHMARK(BM_FormatPoints)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// "Validate KML" as the button runs it: read the file, check its checksum, decode the image
// again and put the new copy in place (written beside the target, flushed to disk, renamed).
void BM_ValidateKml(benchmark::State& state) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vanteo-files-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string input = (folder / "flight.kml").string();
    const std::string text = KmlDocument(ImageFor(state));
    std::ofstream(input, std::ios::binary) << text;

    FormModel form = FormModel::StartUp();
    TrackerState tracker;
    BenchInteraction ui(form);
    ui.openPath = input;
    ui.savePath = (folder / "copy.kml").string();
    VirtualClock clock;
    SerialLink link(ui, clock, [](const std::string&) { return nullptr; });
    DeviceContext device{form, tracker, link, ui};
    FlightLogState log;
    FlightLogContext ctx{device, log};

    for (auto _ : state) {
        ui.messages.clear();
        if (!OnValidateKml(ctx) || ui.messages.size() != 2 ||
            ui.messages[1].rfind("Datafile integrity validated", 0) != 0) {
            state.SkipWithError("the file did not validate");
            break;
        }
    }
    SetLabel(state, text.size());
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ValidateKml)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vanteo::bench

int main(int argc, char** argv) {
    std::string cli;
    std::string baseline;
    std::string before;
    std::string runs;
    std::string valgrind;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (!vanteo::bench::TakeOption(argv[i], {{"--cli=", &cli},
                                                 {"--baseline=", &baseline},
                                                 {"--before=", &before},
                                                 {"--runs=", &runs},
                                                 {"--valgrind=", &valgrind}})) {
            rest.push_back(argv[i]);
        }
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (cli.empty() || baseline.empty()) {
        return 0;
    }
    return vanteo::bench::CompareWithCBaseline(cli, baseline, vanteo::bench::RunCount(runs, 21),
                                               before, valgrind);
}
