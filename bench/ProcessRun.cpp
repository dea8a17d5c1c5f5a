#include "bench/ProcessRun.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace vanteo::bench {

ProcessCost RunProcess(const std::vector<std::string>& argv) {
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
    if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", argv[0].c_str(), status);
        std::exit(1);
    }
    const auto toMs = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return {std::chrono::duration<double, std::milli>(end - start).count(),
            toMs(usage.ru_utime) + toMs(usage.ru_stime),
            static_cast<double>(usage.ru_maxrss) / 1024.0,  // ru_maxrss is in KiB on Linux
            static_cast<double>(usage.ru_minflt)};
}

long long CountInstructions(const std::string& valgrind, const std::vector<std::string>& argv,
                            const std::string& countsFile) {
    std::vector<std::string> run{valgrind, "--tool=callgrind",
                                 "--callgrind-out-file=" + countsFile};
    run.insert(run.end(), argv.begin(), argv.end());
    RunProcess(run);
    // The counts file holds a line "summary: N" (older valgrinds: "totals: N") of the whole run.
    std::ifstream counts(countsFile);
    std::string line;
    while (std::getline(counts, line)) {
        for (const std::string_view key : {"summary: ", "totals: "}) {
            if (line.starts_with(key)) {
                long long instructions = 0;
                const char* first = line.data() + key.size();
                const auto [end, error] =
                    std::from_chars(first, line.data() + line.size(), instructions);
                if (error == std::errc() && end != first) {
                    return instructions;
                }
            }
        }
    }
    std::fprintf(stderr, "%s left no instruction count in %s\n", argv[0].c_str(),
                 countsFile.c_str());
    std::exit(1);
}

bool TakeOption(std::string_view arg,
                std::initializer_list<std::pair<std::string_view, std::string*>> options) {
    for (const auto& [name, value] : options) {
        if (arg.starts_with(name)) {
            *value = arg.substr(name.size());
            return true;
        }
    }
    return false;
}

int RunCount(const std::string& text, int fallback) {
    if (text.empty()) {
        return fallback;
    }
    int runs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), runs);
    if (error != std::errc() || end != text.data() + text.size() || runs < 1) {
        std::fprintf(stderr, "--runs=%s: the number of runs must be a whole number from 1\n",
                     text.c_str());
        std::exit(2);
    }
    return runs;
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace vanteo::bench
