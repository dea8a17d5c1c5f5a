#include "bench/ValidateKmlVersusC.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "bench/ProcessRun.h"
#include "device/TrackerCapabilities.h"
#include "flightlog/DataBlock.h"
#include "flightlog/KmlWriter.h"

namespace vanteo::bench {
namespace {

constexpr std::size_t kLargeImageValues = 131072;
constexpr std::uint32_t kNegativeAltitudeMark = 0xFD;

// A KML file whose block holds arbitrary bytes (a fixed seed, so every run times the same file),
// written with the block's three settings 0.
std::string WorstCaseKml() {
    std::mt19937 random(20260919);
    std::uniform_int_distribution<std::uint32_t> byte(0, 255);
    std::vector<std::uint32_t> image(kLargeImageValues);
    for (std::uint32_t& value : image) {
        value = byte(random);
    }
    if (image[0] == kNegativeAltitudeMark) {
        image[0] = 1;
    }
    TrackerCapabilities caps;
    caps.memorySizeKbit = 1024;
    caps.compressCapable = true;
    caps.hoursMinutesCapable = true;
    const FlightDetails details{"10", "", "", "", ""};
    const FlagBytes flags;
    std::string out;
    WriteKml(out, image, caps, {details, flags, LogChecksum(image)}, false, false);
    return out;
}

std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int CompareWithCBaseline(const std::string& cli, const std::string& baseline, int runs,
                         const std::string& before, const std::string& valgrind) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vanteo-versus-c-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path input = folder / "arbitrary.kml";
    const std::filesystem::path cliCopy = folder / "cli-copy.kml";
    const std::filesystem::path cCopy = folder / "c-copy.kml";
    const std::filesystem::path beforeCopy = folder / "before-copy.kml";
    std::ofstream(input, std::ios::binary) << WorstCaseKml();

    const std::vector<std::string> cliArgs{cli, "validate-kml", input.string(), "-o",
                                           cliCopy.string()};
    const std::vector<std::string> cArgs{baseline, input.string(), cCopy.string()};
    const std::vector<std::string> beforeArgs{before, "validate-kml", input.string(), "-o",
                                              beforeCopy.string()};
    RunProcess(cliArgs);  // warm the page cache and the dynamic loader for each
    RunProcess(cArgs);
    if (!before.empty()) {
        RunProcess(beforeArgs);
    }
    const std::string cliText = ReadWhole(cliCopy);
    const bool identical = cliText == ReadWhole(cCopy);
    const bool identicalToBefore = before.empty() || cliText == ReadWhole(beforeCopy);

    std::vector<double> cliWall, cliCpu, cliFaults, cWall, cCpu, cFaults, beforeWall, beforeCpu;
    for (int i = 0; i < runs; ++i) {
        const ProcessCost a = RunProcess(cliArgs);
        const ProcessCost b = RunProcess(cArgs);
        cliWall.push_back(a.wallMs);
        cliCpu.push_back(a.cpuMs);
        cliFaults.push_back(a.minorFaults);
        cWall.push_back(b.wallMs);
        cCpu.push_back(b.cpuMs);
        cFaults.push_back(b.minorFaults);
        if (!before.empty()) {
            const ProcessCost c = RunProcess(beforeArgs);
            beforeWall.push_back(c.wallMs);
            beforeCpu.push_back(c.cpuMs);
        }
    }
    long long cliInstructions = 0;
    long long cInstructions = 0;
    if (!valgrind.empty()) {
        cliInstructions = CountInstructions(valgrind, cliArgs, (folder / "cli.counts").string());
        cInstructions = CountInstructions(valgrind, cArgs, (folder / "c.counts").string());
    }
    std::filesystem::remove_all(folder);

    const double wall = Median(cliWall);
    const double cWallMedian = Median(cWall);
    std::printf(
        "\nValidate KML, new copy of a 1024-kbit block of arbitrary bytes (%zu KiB out), "
        "medians of %d runs side by side:\n",
        cliText.size() / 1024, runs);
    std::printf("  vanteo-cli validate-kml IN -o OUT  wall %6.2f ms  CPU %6.2f ms\n", wall,
                Median(cliCpu));
    std::printf("  plain C (fscanf, sscanf, fprintf)  wall %6.2f ms  CPU %6.2f ms\n", cWallMedian,
                Median(cCpu));
    std::printf("  ratio to C: wall %.2f, CPU %.2f (target at most 0.50)\n", wall / cWallMedian,
                Median(cliCpu) / Median(cCpu));
    if (!before.empty()) {
        std::printf("  before (%s)  wall %6.2f ms  CPU %6.2f ms, ratio to C: wall %.2f, CPU %.2f\n",
                    before.c_str(), Median(beforeWall), Median(beforeCpu),
                    Median(beforeWall) / cWallMedian, Median(beforeCpu) / Median(cCpu));
        std::printf("  copy byte-identical to before's: %s\n", identicalToBefore ? "yes" : "NO");
    }
    std::printf("  under 20 ms: %s (%.2f ms wall)\n", wall < 20.0 ? "yes" : "no", wall);
    // Where a machine makes first-touched pages dear (some virtual machines take several
    // microseconds each), these and not the instructions set the times above.
    std::printf("  minor page faults: vanteo-cli %.0f, plain C %.0f\n", Median(cliFaults),
                Median(cFaults));
    if (!valgrind.empty()) {
        std::printf(
            "  instructions of one run (callgrind): vanteo-cli %.1f million, plain C %.1f "
            "million, ratio %.2f\n",
            static_cast<double>(cliInstructions) / 1e6, static_cast<double>(cInstructions) / 1e6,
            static_cast<double>(cliInstructions) / static_cast<double>(cInstructions));
    }
    std::printf("  copies byte-identical: %s\n", identical ? "yes" : "NO");
    return identical && identicalToBefore ? 0 : 1;
}

}  // namespace vanteo::bench
