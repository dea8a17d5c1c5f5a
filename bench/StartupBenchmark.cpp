// The window's start-up against a minimal Qt dialog (one label) started the same way: both run
// as fresh processes on the offscreen platform with VANTEO_QUIT_WHEN_IDLE set, so each shows its
// window, goes idle and closes. Prints the medians of CPU time (user + system, start to exit)
// and peak memory, and the ratio.
//
//   vanteo_startup_bench --program=PATH --minimal=PATH [--before=PATH] [--runs=N]
// --before adds an earlier build of the program to the same runs, for before/after figures.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "bench/ProcessRun.h"

namespace {

constexpr const char* kUsage =
    "usage: %s --program=PATH --minimal=PATH [--before=PATH] [--runs=N]\n";
constexpr double kRatioTarget = 1.5;
constexpr double kPeakTargetMiB = 80.0;

struct Figures {
    std::vector<double> wall;
    std::vector<double> cpu;
    std::vector<double> peak;
};

}  // namespace

int main(int argc, char** argv) {
    using vanteo::bench::Median;
    std::string program;
    std::string minimal;
    std::string before;
    std::string runsText;
    for (int i = 1; i < argc; ++i) {
        if (!vanteo::bench::TakeOption(argv[i], {{"--program=", &program},
                                                 {"--minimal=", &minimal},
                                                 {"--before=", &before},
                                                 {"--runs=", &runsText}})) {
            std::fprintf(stderr, kUsage, argv[0]);
            return 2;
        }
    }
    const int runs = vanteo::bench::RunCount(runsText, 15);
    if (program.empty() || minimal.empty()) {
        std::fprintf(stderr, kUsage, argv[0]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("VANTEO_QUIT_WHEN_IDLE", "1", 1);
    unsetenv("VANTEO_PORT");

    // One run each first, for the page cache and the font cache.
    vanteo::bench::RunProcess({program});
    vanteo::bench::RunProcess({minimal});
    Figures window;
    Figures dialog;
    Figures earlier;
    std::vector<std::pair<Figures*, std::string>> contenders{{&window, program},
                                                             {&dialog, minimal}};
    if (!before.empty()) {
        vanteo::bench::RunProcess({before});
        contenders.emplace_back(&earlier, before);
    }
    for (int i = 0; i < runs; ++i) {
        for (const auto& [figures, path] : contenders) {
            const auto cost = vanteo::bench::RunProcess({path});
            figures->wall.push_back(cost.wallMs);
            figures->cpu.push_back(cost.cpuMs);
            figures->peak.push_back(cost.peakMiB);
        }
    }
    const double ratio = Median(window.cpu) / Median(dialog.cpu);
    const double peak = Median(window.peak);
    std::printf("Start-up until idle, offscreen, medians of %d runs side by side:\n", runs);
    std::printf("  vanteo (the main form)    CPU %6.1f ms  wall %6.1f ms  peak %5.1f MiB\n",
                Median(window.cpu), Median(window.wall), peak);
    std::printf("  minimal dialog (a label)  CPU %6.1f ms  wall %6.1f ms  peak %5.1f MiB\n",
                Median(dialog.cpu), Median(dialog.wall), Median(dialog.peak));
    if (!before.empty()) {
        std::printf(
            "  before (--before)         CPU %6.1f ms  wall %6.1f ms  peak %5.1f MiB"
            "  ratio %.2f\n",
            Median(earlier.cpu), Median(earlier.wall), Median(earlier.peak),
            Median(earlier.cpu) / Median(dialog.cpu));
    }
    std::printf("  CPU ratio %.2f (target at most %.1f): %s\n", ratio, kRatioTarget,
                ratio <= kRatioTarget ? "met" : "not met");
    std::printf("  peak memory %.1f MiB (target under %.0f MiB): %s\n", peak, kPeakTargetMiB,
                peak < kPeakTargetMiB ? "met" : "not met");
    return 0;
}
