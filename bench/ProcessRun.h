#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vanteo::bench {

// What one run of a program cost, as the kernel accounts it for the reaped child.
struct ProcessCost {
    double wallMs = 0;       // from the fork to the reaped exit
    double cpuMs = 0;        // user + system time
    double peakMiB = 0;      // peak resident set size
    double minorFaults = 0;  // pages first touched (no disk read); each costs the kernel, and far
                             // more on some virtual machines
};

// Runs `argv` (argv[0] a path) in the current environment with its output sent to /dev/null and
// waits for it. A program that fails ends this process with a message.
ProcessCost RunProcess(const std::vector<std::string>& argv);

// The instructions `argv` executes, counted under valgrind's callgrind (`valgrind` its path; the
// counts file written to `countsFile`). Unlike CPU time it hardly changes from run to run. A run
// that fails or leaves no count ends this process with a message.
long long CountInstructions(const std::string& valgrind, const std::vector<std::string>& argv,
                            const std::string& countsFile);

// For an argument "--name=VALUE" whose "--name=" is one of `options`, sets that option's string
// to VALUE; false for any other argument.
bool TakeOption(std::string_view arg,
                std::initializer_list<std::pair<std::string_view, std::string*>> options);
// The count a "--runs=N" option gave (`text`, N): `fallback` when none was given. Anything but a
// whole number from 1 ends this process with a message (exit status 2).
int RunCount(const std::string& text, int fallback);

// The median; the mean of the two middle values for an even count.
double Median(std::vector<double> values);

}  // namespace vanteo::bench
