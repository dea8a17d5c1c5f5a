// Protocol efficiency against the simulated tracker at the true 9600 baud over a real
// pseudo-terminal: for Read, Write, Save Cfg, Restore Cfg and the download of the 64-kbit and
// 128-kbit memories, the elapsed time against the wire time (every byte in both directions at
// 10 bits / 9600 baud, plus the pauses the protocol prescribes) and the host's CPU time.
//
// Usage: vanteo_protocol_bench --sim PATH/vanteo-sim [--only NAME]
// Run by hand (bench/run protocol): it takes about a minute of real time.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/BenchInteraction.h"
#include "device/DeviceContext.h"
#include "device/Operations.h"
#include "flightlog/FlightLogOperations.h"
#include "serial/Clock.h"
#include "serial/QSerialPortTransport.h"
#include "serial/SerialLink.h"

namespace vanteo::bench {
namespace {

constexpr double kSecondsPerByte = 10.0 / 9600.0;  // start bit, 8 data bits, stop bit
constexpr double kRatioTarget = 1.02;
constexpr double kCpuShareTarget = 0.02;

// Bytes through the real port, in both directions, over every transport the link makes.
struct ByteCounts {
    std::atomic<long> written{0};
    std::atomic<long> read{0};
};

class CountingTransport final : public ByteTransport {
public:
    CountingTransport(std::unique_ptr<ByteTransport> inner, ByteCounts& counts)
        : inner_(std::move(inner)), counts_(counts) {}

    OpenStatus Open(const std::string& portName) override { return inner_->Open(portName); }
    void Close() override { inner_->Close(); }
    bool IsOpen() const override { return inner_->IsOpen(); }
    bool Write(const std::uint8_t* data, std::size_t count) override {
        const bool written = inner_->Write(data, count);
        if (written) {
            counts_.written += static_cast<long>(count);
        }
        return written;
    }
    std::size_t Read(std::uint8_t* buffer, std::size_t count, int totalTimeoutMs,
                     int intervalTimeoutMs) override {
        const std::size_t got = inner_->Read(buffer, count, totalTimeoutMs, intervalTimeoutMs);
        counts_.read += static_cast<long>(got);
        return got;
    }
    void ReleaseThread() override { inner_->ReleaseThread(); }
    void AdoptCurrentThread() override { inner_->AdoptCurrentThread(); }
    std::string LastError() const override { return inner_->LastError(); }

private:
    std::unique_ptr<ByteTransport> inner_;
    ByteCounts& counts_;
};

// The wall clock, adding up the pauses the operations sleep through the link.
class PauseCountingClock final : public Clock {
public:
    std::int64_t NowMs() const override { return steady_.NowMs(); }
    void SleepMs(std::int64_t ms) override {
        pausedMs += ms;
        steady_.SleepMs(ms);
    }
    std::atomic<std::int64_t> pausedMs{0};

private:
    SteadyClock steady_;
};

// vanteo-sim as a child process; its first line of output is the port.
class SimulatorProcess {
public:
    SimulatorProcess(const std::string& program, const std::vector<std::string>& options) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(pipeEnds[1], STDOUT_FILENO);
            close(pipeEnds[0]);
            close(pipeEnds[1]);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(program.c_str()));
            for (const std::string& option : options) {
                argv.push_back(const_cast<char*>(option.c_str()));
            }
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(pipeEnds[1]);
        output_ = pipeEnds[0];
        char c = 0;
        pollfd watch{output_, POLLIN, 0};
        while (poll(&watch, 1, 10000) > 0 && read(output_, &c, 1) == 1 && c != '\n') {
            port_ += c;
        }
    }
    ~SimulatorProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) {
            close(output_);
        }
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    const std::string& Port() const { return port_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string port_;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One host with its own link to one simulator.
struct Host {
    explicit Host(const std::string& port) {
        form.comPort = port;
        RunFormStartUp(device, "");
        ui.messages.clear();
    }

    FormModel form = FormModel::Constructed();
    TrackerState tracker;
    BenchInteraction ui{form};
    PauseCountingClock clock;
    ByteCounts counts;
    SerialLink link{ui, clock, [this](const std::string&) {
                        return std::make_unique<CountingTransport>(
                            std::make_unique<QSerialPortTransport>(), counts);
                    }};
    FlightLogState log;
    DeviceContext device{form, tracker, link, ui};
    FlightLogContext ctx{device, log};
};

struct Measurement {
    std::string name;
    bool succeeded = false;
    long bytesOut = 0;
    long bytesIn = 0;
    double pausesS = 0;
    double prescribedPausesS = 0;
    double elapsedS = 0;
    double cpuS = 0;
    std::string lastMessage;

    double WireS() const {
        return static_cast<double>(bytesOut + bytesIn) * kSecondsPerByte + prescribedPausesS;
    }
    double Ratio() const { return elapsedS / WireS(); }
    double CpuShare() const { return cpuS / elapsedS; }
};

Measurement Measure(Host& host, const std::string& name, double prescribedPausesS,
                    const std::function<bool()>& operation) {
    Measurement m;
    m.name = name;
    m.prescribedPausesS = prescribedPausesS;
    host.ui.messages.clear();
    const long outBefore = host.counts.written;
    const long inBefore = host.counts.read;
    const std::int64_t pausedBefore = host.clock.pausedMs;
    const double cpuBefore = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    m.succeeded = operation();
    m.elapsedS = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.cpuS = CpuSeconds() - cpuBefore;
    m.bytesOut = host.counts.written - outBefore;
    m.bytesIn = host.counts.read - inBefore;
    m.pausesS = static_cast<double>(host.clock.pausedMs - pausedBefore) / 1000.0;
    m.lastMessage = host.ui.messages.empty() ? "" : host.ui.messages.back();
    return m;
}

// The pauses the Write is prescribed: 40 ms after each path byte on trackers without byte access.
double WritePausesS(const Host& host) {
    constexpr double kPathBytePauseS = 0.040;
    constexpr int kPathBytesPerProfile = 14;  // two paths of seven characters
    if (host.tracker.capabilities.peekPoke) {
        return 0;
    }
    const int profiles = host.tracker.capabilities.twoProfiles ? 2 : 1;
    return kPathBytePauseS * kPathBytesPerProfile * profiles;
}

bool Download(Host& host, const std::string& path) {
    host.ui.savePath = path;
    return OnReadFlash(host.ctx) && WaitForFlashWorker(host.ctx);
}

void Print(const Measurement& m) {
    std::printf("%-22s %6ld %7ld %9.3f %9.3f %8.3f %6.3f %s %8.1f %5.2f%% %s\n", m.name.c_str(),
                m.bytesOut, m.bytesIn, m.elapsedS, m.WireS(), m.pausesS, m.Ratio(),
                m.Ratio() <= kRatioTarget ? " " : "!", m.cpuS * 1000.0, m.CpuShare() * 100.0,
                m.CpuShare() <= kCpuShareTarget ? "" : "!");
    if (!m.succeeded) {
        std::printf("    FAILED: %s\n", m.lastMessage.c_str());
    }
    if (m.pausesS > m.prescribedPausesS + 1e-9) {
        std::printf("    slept %.3f s, more than the %.3f s prescribed\n", m.pausesS,
                    m.prescribedPausesS);
    }
}

}  // namespace
}  // namespace vanteo::bench

int main(int argc, char** argv) {
    using namespace vanteo::bench;
    // QSerialPort wants an application object for its socket notifiers; no event loop runs.
    QCoreApplication application(argc, argv);
    std::string simulator;
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--sim") == 0) {
            simulator = argv[i + 1];
        } else if (std::strcmp(argv[i], "--only") == 0) {
            only = argv[i + 1];
        }
    }
    if (simulator.empty()) {
        std::fprintf(stderr, "Usage: %s --sim PATH/vanteo-sim [--only config|64|128]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("vanteo-protocol-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);

    std::printf("%-22s %6s %7s %9s %9s %8s %6s  %8s %6s\n", "operation", "out B", "in B",
                "elapsed s", "wire s", "pauses s", "ratio", "cpu ms", "cpu");
    std::vector<Measurement> all;
    if (only.empty() || only == "config") {
        SimulatorProcess sim(simulator, {"--paced"});
        if (sim.Port().empty()) {
            std::fprintf(stderr, "vanteo-sim did not announce a port\n");
            return 1;
        }
        Host host(sim.Port());
        constexpr double kReadPausesS = 0.5 + 0.1;  // before and after the attention exchange
        all.push_back(Measure(host, "Read", kReadPausesS,
                              [&] { return static_cast<bool>(OnRead(host.device)); }));
        Print(all.back());
        all.push_back(Measure(host, "Write", WritePausesS(host),
                              [&] { return static_cast<bool>(OnWrite(host.device)); }));
        Print(all.back());
        const std::string config = (folder / "tracker.kvt").string();
        host.ui.savePath = config;
        all.push_back(Measure(host, "Save Cfg", 0,
                              [&] { return static_cast<bool>(OnSaveCfg(host.device)); }));
        Print(all.back());
        host.ui.openPath = config;
        all.push_back(Measure(host, "Restore Cfg", 0,
                              [&] { return static_cast<bool>(OnRestoreCfg(host.device)); }));
        Print(all.back());
    }
    for (const int kbit : {64, 128}) {
        if (!only.empty() && only != std::to_string(kbit)) {
            continue;
        }
        SimulatorProcess sim(simulator, {"--paced", "--memory", std::to_string(kbit)});
        Host host(sim.Port());
        const std::string name = "Read Flash " + std::to_string(kbit) + " kbit";
        const std::string kml = (folder / ("flight-" + std::to_string(kbit) + ".kml")).string();
        all.push_back(Measure(host, name, 0, [&] { return Download(host, kml); }));
        Print(all.back());
    }
    std::filesystem::remove_all(folder);

    bool met = true;
    for (const Measurement& m : all) {
        met = met && m.succeeded && m.Ratio() <= kRatioTarget && m.CpuShare() <= kCpuShareTarget;
    }
    std::printf("targets (ratio <= %.2f, cpu <= %.0f%% of elapsed): %s\n", kRatioTarget,
                kCpuShareTarget * 100.0, met ? "met" : "NOT met (marked !)");
    return met ? 0 : 1;
}
