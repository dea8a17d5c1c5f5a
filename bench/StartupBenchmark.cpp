// The window's start-up against a minimal Qt dialog (one label) started the same way: both run
// as fresh processes with VANTEO_QUIT_WHEN_IDLE set, so each shows its window, goes idle and
// closes. Prints the medians of CPU time (user + system, start to exit), peak memory and minor
// page faults, and the ratio.
//
//   vanteo_startup_bench --program=PATH --minimal=PATH [--before=PATH] [--runs=N]
//                        [--platform=offscreen|xcb]
// --before adds an earlier build of the program to the same runs, for before/after figures.
// --platform: offscreen (the default) draws into memory with no display server, so it counts the
// form's own work against almost nothing; xcb is the X11 window a Linux desktop shows, with the
// connection, keyboard map and window-system work both programs pay (needs DISPLAY).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "bench/ProcessRun.h"

namespace {

constexpr const char* kUsage =
    "usage: %s --program=PATH --minimal=PATH [--before=PATH] [--runs=N]\n"
    "          [--platform=offscreen|xcb]\n";
constexpr double kRatioTarget = 1.5;
constexpr double kPeakTargetMiB = 80.0;

struct Figures {
    std::vector<double> wall;
    std::vector<double> cpu;
    std::vector<double> peak;
    std::vector<double> faults;
};

}  // namespace

int main(int argc, char** argv) {
    using vanteo::bench::Median;
    std::string program;
    std::string minimal;
    std::string before;
    std::string runsText;
    std::string platform = "offscreen";
    for (int i = 1; i < argc; ++i) {
        if (!vanteo::bench::TakeOption(argv[i], {{"--program=", &program},
                                                 {"--minimal=", &minimal},
                                                 {"--before=", &before},
                                                 {"--runs=", &runsText},
                                                 {"--platform=", &platform}})) {
            std::fprintf(stderr, kUsage, argv[0]);
            return 2;
        }
    }
    const int runs = vanteo::bench::RunCount(runsText, 15);
    if (program.empty() || minimal.empty()) {
        std::fprintf(stderr, kUsage, argv[0]);
        return 2;
    }
    if (platform != "offscreen" && platform != "xcb") {
        std::fprintf(stderr, "%s: --platform is offscreen or xcb, not \"%s\"\n", argv[0],
                     platform.c_str());
        return 2;
    }
    if (platform == "xcb" && std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "%s: --platform=xcb needs an X display (DISPLAY is not set)\n",
                     argv[0]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
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
            figures->faults.push_back(cost.minorFaults);
        }
    }
    const double ratio = Median(window.cpu) / Median(dialog.cpu);
    const double peak = Median(window.peak);
    std::printf("Start-up until idle, %s, medians of %d runs side by side:\n",
                platform == "xcb" ? "X11 (xcb)" : "offscreen", runs);
    std::printf(
        "  vanteo (the main form)    CPU %6.1f ms  wall %6.1f ms  peak %5.1f MiB  faults %5.0f\n",
        Median(window.cpu), Median(window.wall), peak, Median(window.faults));
    std::printf(
        "  minimal dialog (a label)  CPU %6.1f ms  wall %6.1f ms  peak %5.1f MiB  faults %5.0f\n",
        Median(dialog.cpu), Median(dialog.wall), Median(dialog.peak), Median(dialog.faults));
    if (!before.empty()) {
        std::printf(
            "  before (--before)         CPU %6.1f ms  wall %6.1f ms  peak %5.1f MiB  faults %5.0f"
            "  ratio %.2f\n",
            Median(earlier.cpu), Median(earlier.wall), Median(earlier.peak), Median(earlier.faults),
            Median(earlier.cpu) / Median(dialog.cpu));
    }
    std::printf("  CPU ratio %.2f (target at most %.1f): %s\n", ratio, kRatioTarget,
                ratio <= kRatioTarget ? "met" : "not met");
    std::printf("  peak memory %.1f MiB (target under %.0f MiB): %s\n", peak, kPeakTargetMiB,
                peak < kPeakTargetMiB ? "met" : "not met");
    return 0;
}
