#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace vanteo::test {

// The strings as the null-ended char* array that posix_spawn and exec take for argv and envp;
// valid while `strings` is unchanged.
std::vector<char*> Pointers(std::vector<std::string>& strings);

// The built vanteo-sim program as a child process, for the life of the object. It runs with a
// private XDG_RUNTIME_DIR (where it announces its port) and its first line on stdout is the
// terminal to open. The rest of the environment is passed on unchanged.
class SimulatorProcess {
public:
    // `program` is the path of the built vanteo-sim.
    explicit SimulatorProcess(std::string program) : program_(std::move(program)) {}
    ~SimulatorProcess() { Stop(); }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Starts the program with `options` and reads the port from its first line of output. False
    // when it could not be started or ended (or hung) before naming a port.
    bool Start(const std::filesystem::path& runtimeDir,
               const std::vector<std::string>& options = {});

    // Closes its output, sends SIGTERM and returns the exit status (-1 when it did not exit
    // normally or was not running).
    int Stop();

    // Waits for a program that ends by itself; the exit status as for Stop.
    int Wait();

    pid_t Pid() const { return pid_; }
    const std::string& Port() const { return port_; }

private:
    bool ReadFirstLine();

    std::string program_;
    pid_t pid_ = -1;
    int output_ = -1;
    std::string port_;
};

}  // namespace vanteo::test
