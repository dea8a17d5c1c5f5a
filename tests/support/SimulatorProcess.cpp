#include "tests/support/SimulatorProcess.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vanteo::test {
namespace {

// Bounds the wait for the program's first line, in case it hangs; no test waits this long.
constexpr int kStartupLimitMs = 10000;

int ExitStatus(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& text : strings) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

bool SimulatorProcess::Start(const std::filesystem::path& runtimeDir,
                             const std::vector<std::string>& options) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);

    port_.clear();
    std::vector<std::string> arguments = {program_};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string(*entry).rfind("XDG_RUNTIME_DIR=", 0) != 0) {
            environment.emplace_back(*entry);
        }
    }
    environment.push_back("XDG_RUNTIME_DIR=" + runtimeDir.string());
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(environment);

    const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        pid_ = -1;
        return false;
    }
    output_ = pipeFds[0];
    if (!ReadFirstLine()) {
        port_.clear();
        return false;
    }
    return true;
}

int SimulatorProcess::Stop() {
    if (output_ >= 0) {
        close(output_);
        output_ = -1;
    }
    if (pid_ <= 0) {
        return -1;
    }
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return ExitStatus(status);
}

int SimulatorProcess::Wait() {
    if (pid_ <= 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return ExitStatus(status);
}

bool SimulatorProcess::ReadFirstLine() {
    char c = 0;
    while (true) {
        pollfd watch{output_, POLLIN, 0};
        if (poll(&watch, 1, kStartupLimitMs) <= 0 || read(output_, &c, 1) != 1) {
            return false;
        }
        if (c == '\n') {
            return !port_.empty();
        }
        port_.push_back(c);
    }
}

}  // namespace vanteo::test
