#include "bench/ValidateKmlVersusC.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "device/TrackerCapabilities.h"
#include "flightlog/DataBlock.h"
#include "flightlog/KmlWriter.h"

namespace vanteo::bench {
namespace {

constexpr std::size_t kLargeImageValues = 131072;
constexpr std::uint32_t kNegativeAltitudeMark = 0xFD;

struct ProcessTimes {
    double wallMs = 0;
    double cpuMs = 0;
};

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

// Runs `argv` with its output sent to /dev/null; wall time from the fork to the reaped exit.
ProcessTimes RunOnce(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", argv[0].c_str(), status);
        std::exit(1);
    }
    const auto toMs = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return {std::chrono::duration<double, std::milli>(end - start).count(),
            toMs(usage.ru_utime) + toMs(usage.ru_stime)};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int CompareWithCBaseline(const std::string& cli, const std::string& baseline, int runs) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vanteo-versus-c-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path input = folder / "arbitrary.kml";
    const std::filesystem::path cliCopy = folder / "cli-copy.kml";
    const std::filesystem::path cCopy = folder / "c-copy.kml";
    std::ofstream(input, std::ios::binary) << WorstCaseKml();

    const std::vector<std::string> cliArgs{cli, "validate-kml", input.string(), "-o",
                                           cliCopy.string()};
    const std::vector<std::string> cArgs{baseline, input.string(), cCopy.string()};
    RunOnce(cliArgs);  // warm the page cache and the dynamic loader for both
    RunOnce(cArgs);
    const std::string cliText = ReadWhole(cliCopy);
    const bool identical = cliText == ReadWhole(cCopy);

    std::vector<double> cliWall, cliCpu, cWall, cCpu;
    for (int i = 0; i < runs; ++i) {
        const ProcessTimes a = RunOnce(cliArgs);
        const ProcessTimes b = RunOnce(cArgs);
        cliWall.push_back(a.wallMs);
        cliCpu.push_back(a.cpuMs);
        cWall.push_back(b.wallMs);
        cCpu.push_back(b.cpuMs);
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
    std::printf("  under 20 ms: %s (%.2f ms wall)\n", wall < 20.0 ? "yes" : "no", wall);
    std::printf("  copies byte-identical: %s\n", identical ? "yes" : "NO");
    return identical ? 0 : 1;
}

}  // namespace vanteo::bench
