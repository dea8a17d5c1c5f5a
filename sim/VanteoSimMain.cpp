// vanteo-sim: a simulated tracker on a pseudo-terminal, for trying the GUI and the CLI without
// hardware. Prints the port path as its first line of output and serves until SIGINT or SIGTERM.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "VanteoVersion.h"
#include "serial/CFormat.h"
#include "serial/Clock.h"
#include "serial/PortEnumerator.h"
#include "sim/DemoFlight.h"
#include "sim/KissBeaconServer.h"
#include "sim/PtyServer.h"
#include "sim/TrackerSimulator.h"

namespace {

using vanteo::sim::SimulatorConfig;

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int) {
    stopRequested = 1;
}

const char* const kUsage =
    "Usage: vanteo-sim [options]\n"
    "Serves a simulated GPS tracker on a pseudo-terminal. The first line of output is the port\n"
    "to open; the port is also announced to the port lists of the GUI and the CLI. Runs until\n"
    "interrupted (Ctrl+C) or terminated.\n"
    "\n"
    "Tracker:\n"
    "  --model ID            model identifier (default ZPNAV9)\n"
    "  --firmware N          firmware version (default 130)\n"
    "  --memory 64|128|1024  flash size in kbit (default 128, or taken from --flash)\n"
    "  --serial N            serial number, decimal or 0x hex (default 0x805)\n"
    "  --calibration N       frequency calibration, signed, |N| < 32768 (default 0)\n"
    "  --battery VOLTS       battery voltage reported (default 3.9)\n"
    "  --time SECONDS        time value of the settings record (default 3723)\n"
    "  --flash FILE          raw flash image instead of the demo flight\n"
    "  --log short|hm|compressed\n"
    "                        the demo flight in 13-byte records, 15-byte records with UTC hours\n"
    "                        and minutes, or compressed (default: as the firmware logs; on\n"
    "                        firmware 124 to 199, hm and compressed also set \"Store HM\" or\n"
    "                        \"Compress Data\" in the settings, so a download decodes them)\n"
    "  --paced               send at the true 9600-baud byte rate\n"
    "  --link PATH           also make PATH a symbolic link to the port\n"
    "  --kiss-tcp PORT       also beacon the demo flight as APRS position reports to KISS TCP\n"
    "                        clients on 127.0.0.1:PORT (0: a free port, printed on stderr),\n"
    "                        as a TNC hearing the tracker would pass them on\n"
    "  --beacon-interval MS  time between two beacons (default 1000: one per logged fix)\n"
    "\n"
    "Faults:\n"
    "  --silent              never answer\n"
    "  --disconnect-after N  stop answering for good after sending N bytes\n"
    "  --garbage-lines N     send N junk lines before every reply line\n"
    "  --crlf                end lines with CR LF instead of LF CR\n"
    "  --overlong            pad reply lines to 80 characters\n"
    "  --short-blocks N      flash block reads return N bytes fewer\n"
    "  --endless-erase       the flash erase never reports its end\n"
    "  --slow-bytes MS       extra delay before every byte\n"
    "  --erase-bytes N       progress bytes sent by the erase (default 20)\n"
    "  --erase-interval MS   time between two erase progress bytes (default 100)\n"
    "\n"
    "  --help                show this text\n"
    "  --version             print the program's version\n";

struct Options {
    SimulatorConfig config;
    bool memoryGiven = false;
    std::string flashFile;
    std::string linkPath;
    long long kissTcpPort = -1;  // -1: no beacons
    long long beaconIntervalMs = 1000;
    bool help = false;
    bool version = false;
};

// Whole-text integer, decimal or with a 0x prefix, in the "C" locale.
std::optional<long long> ParseInteger(const std::string& text) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && digits.front() == '-') {
        negative = true;
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    long long value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

bool ParseArguments(int argc, char** argv, Options& options, std::string& error) {
    SimulatorConfig& c = options.config;
    // The options that switch one behaviour or fault on.
    const std::pair<std::string_view, bool*> switches[] = {
        {"--paced", &c.pacedAt9600},
        {"--silent", &c.faults.silent},
        {"--crlf", &c.faults.crLfLineEnds},
        {"--overlong", &c.faults.overlongLines},
        {"--endless-erase", &c.faults.endlessErase},
    };
    // The options that take one whole number within bounds.
    struct NumberOption {
        std::string_view name;
        long long low;
        long long high;
        std::variant<int*, long*, long long*, std::uint32_t*> target;
    };
    const NumberOption numbers[] = {
        {"--firmware", 0, 9999, &c.firmwareVersion},
        {"--serial", 0, 0xFFFFFFFFLL, &c.serialNumber},
        {"--calibration", -32767, 32767, &c.calibration},
        {"--time", 0, 0xFFFF * 60 + 59, &c.timeSeconds},
        {"--kiss-tcp", 0, 65535, &options.kissTcpPort},
        {"--beacon-interval", 1, 600000, &options.beaconIntervalMs},
        {"--disconnect-after", 0, 1LL << 30, &c.faults.disconnectAfterBytes},
        {"--garbage-lines", 0, 100, &c.faults.garbageLinesBeforeReply},
        {"--short-blocks", 0, 16, &c.faults.shortFlashBlocks},
        {"--slow-bytes", 0, 60000, &c.faults.slowByteDelayMs},
        {"--erase-bytes", 0, 100000, &c.eraseProgressBytes},
        {"--erase-interval", 0, 60000, &c.eraseByteIntervalMs},
    };
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = option + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto integer = [&](long long low, long long high, long long& out) {
            std::string text;
            if (!value(text)) {
                return false;
            }
            const std::optional<long long> parsed = ParseInteger(text);
            if (!parsed || *parsed < low || *parsed > high) {
                error = option + ": \"" + text + "\" is not a number from " + std::to_string(low) +
                        " to " + std::to_string(high);
                return false;
            }
            out = *parsed;
            return true;
        };
        const auto switchRow = std::find_if(std::begin(switches), std::end(switches),
                                            [&](const auto& row) { return row.first == option; });
        const auto numberRow = std::find_if(std::begin(numbers), std::end(numbers),
                                            [&](const auto& row) { return row.name == option; });
        long long n = 0;
        std::string text;
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--version") {
            options.version = true;
        } else if (switchRow != std::end(switches)) {
            *switchRow->second = true;
        } else if (numberRow != std::end(numbers)) {
            if (!integer(numberRow->low, numberRow->high, n)) {
                return false;
            }
            // The bounds keep the value within the target's type.
            std::visit(
                [n](auto* target) {
                    *target = static_cast<std::remove_reference_t<decltype(*target)>>(n);
                },
                numberRow->target);
        } else if (option == "--model") {
            if (!value(c.modelId)) {
                return false;
            }
        } else if (option == "--memory") {
            if (!integer(64, 1024, n)) {
                return false;
            }
            if (n != 64 && n != 128 && n != 1024) {
                error = "--memory: the flash is 64, 128 or 1024 kbit";
                return false;
            }
            c.memorySizeKbit = static_cast<int>(n);
            options.memoryGiven = true;
        } else if (option == "--battery") {
            if (!value(text)) {
                return false;
            }
            c.batteryVolts = vanteo::LeadingDoubleC(text);
            if (!(c.batteryVolts > 0 && c.batteryVolts < 10)) {
                error = "--battery: \"" + text + "\" is not a voltage between 0 and 10";
                return false;
            }
        } else if (option == "--flash") {
            if (!value(options.flashFile)) {
                return false;
            }
        } else if (option == "--log") {
            if (!value(text)) {
                return false;
            }
            if (text == "short") {
                c.demoLayout = vanteo::sim::DemoLogLayout::shortRecords;
            } else if (text == "hm") {
                c.demoLayout = vanteo::sim::DemoLogLayout::timedRecords;
            } else if (text == "compressed") {
                c.demoLayout = vanteo::sim::DemoLogLayout::compressed;
            } else {
                error = "--log: \"" + text + "\" is none of short, hm, compressed";
                return false;
            }
        } else if (option == "--link") {
            if (!value(options.linkPath)) {
                return false;
            }
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    return true;
}

// Reads a raw flash image. Its size also gives the memory size when --memory was not given; a
// shorter image is padded with erased (0x00) bytes.
bool LoadFlash(Options& options, std::vector<std::uint8_t>& image, std::string& error) {
    std::ifstream file(options.flashFile, std::ios::binary);
    if (!file) {
        error = "cannot open flash image " + options.flashFile;
        return false;
    }
    image.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) {
        error = "cannot read flash image " + options.flashFile;
        return false;
    }
    if (!options.memoryGiven) {
        for (int kbit : {64, 128, 1024}) {
            if (image.size() == static_cast<std::size_t>(kbit) * 128) {
                options.config.memorySizeKbit = kbit;
            }
        }
    }
    const std::size_t size = static_cast<std::size_t>(options.config.memorySizeKbit) * 128;
    if (image.size() > size) {
        error = "flash image " + options.flashFile + " holds " + std::to_string(image.size()) +
                " bytes, more than the " + std::to_string(options.config.memorySizeKbit) +
                " kbit memory (" + std::to_string(size) + " bytes)";
        return false;
    }
    image.resize(size, 0x00);
    return true;
}

// "<dir>/<pid>.port": the port on line 1, a description on line 2. Written beside and renamed,
// so a port list never reads half a file.
bool Announce(const std::string& path, const std::string& port, const std::string& description,
              std::string& error) {
    std::error_code code;
    const std::filesystem::path directory = std::filesystem::path(path).parent_path();
    std::filesystem::create_directories(directory, code);
    if (code) {
        error = "cannot create " + directory.string() + ": " + code.message();
        return false;
    }
    chmod(directory.c_str(), 0700);
    const std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << port << '\n' << description << '\n';
        if (!file.flush()) {
            error = "cannot write " + temporary;
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool MakeLink(const std::string& linkPath, const std::string& target, std::string& error) {
    std::error_code code;
    const auto status = std::filesystem::symlink_status(linkPath, code);
    if (std::filesystem::is_symlink(status)) {
        std::filesystem::remove(linkPath, code);  // left by an earlier run
    } else if (std::filesystem::exists(status)) {
        error = linkPath + " exists and is not a symbolic link; not replacing it";
        return false;
    }
    std::filesystem::create_symlink(target, linkPath, code);
    if (code) {
        error = "cannot link " + linkPath + ": " + code.message();
        return false;
    }
    return true;
}

void RemoveLinkIfOurs(const std::string& linkPath, const std::string& target) {
    std::error_code code;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(linkPath, code)) &&
        std::filesystem::read_symlink(linkPath, code).string() == target) {
        std::filesystem::remove(linkPath, code);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!ParseArguments(argc, argv, options, error)) {
        std::cerr << "vanteo-sim: " << error << "\n\n" << kUsage;
        return 2;
    }
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }
    if (options.version) {
        std::cout << "vanteo-sim " VANTEO_VERSION "\n";
        return 0;
    }
    std::vector<std::uint8_t> flashImage;
    if (!options.flashFile.empty() && !LoadFlash(options, flashImage, error)) {
        std::cerr << "vanteo-sim: " << error << '\n';
        return 1;
    }

    // --paced: the server times the line to the microsecond; the simulator's own pacing counts
    // whole milliseconds, so it runs unpaced behind it.
    const bool paced = options.config.pacedAt9600;
    options.config.pacedAt9600 = false;
    vanteo::sim::TrackerSimulator simulator(options.config);
    if (!flashImage.empty()) {
        simulator.Flash() = std::move(flashImage);
    }

    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the signal must cut the wait short
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);

    std::unique_ptr<vanteo::sim::KissBeaconServer> beacons;
    std::thread beaconThread;
    std::atomic<bool> beaconsStop{false};  // the pty server has returned
    if (options.kissTcpPort >= 0) {
        beacons = std::make_unique<vanteo::sim::KissBeaconServer>(
            vanteo::sim::DemoFlight::Fixes(), vanteo::sim::AprsBeaconConfig{},
            static_cast<int>(options.beaconIntervalMs));
        if (!beacons->Listen(static_cast<int>(options.kissTcpPort), error)) {
            std::cerr << "vanteo-sim: " << error << '\n';
            return 1;
        }
        std::cerr << "APRS beacons over KISS TCP on 127.0.0.1:" << beacons->Port() << '\n';
        beaconThread = std::thread([&beacons, &beaconsStop] {
            // The signals are the pty server's: they must cut its wait short, not this thread's.
            sigset_t blocked;
            sigemptyset(&blocked);
            sigaddset(&blocked, SIGINT);
            sigaddset(&blocked, SIGTERM);
            sigaddset(&blocked, SIGHUP);
            pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
            beacons->Serve(beaconsStop);
        });
    }

    vanteo::sim::PtyServer server;
    if (!server.Open(error)) {
        std::cerr << "vanteo-sim: cannot create a pseudo-terminal: " << error << '\n';
        if (beaconThread.joinable()) {
            beaconsStop = true;
            beaconThread.join();
        }
        return 1;
    }
    const std::string port = server.SlavePath();

    const std::string description = "Vanteo tracker simulator (" + options.config.modelId +
                                    ", firmware " + std::to_string(options.config.firmwareVersion) +
                                    ")";
    const std::string announcement =
        vanteo::SimulatorAnnouncementDirectory() + "/" + std::to_string(getpid()) + ".port";
    bool announced = Announce(announcement, port, description, error);
    if (!announced) {
        std::cerr << "vanteo-sim: " << error << " (the port lists will not show this simulator)\n";
    }
    bool linked = false;
    if (!options.linkPath.empty()) {
        linked = MakeLink(options.linkPath, port, error);
        if (!linked) {
            std::cerr << "vanteo-sim: " << error << '\n';
        }
    }
    // The port line comes last, so whoever reads it finds the announcement and the link in place.
    std::cout << port << std::endl;
    std::cerr << description << " on " << port
              << (linked ? " (also " + options.linkPath + ")" : std::string()) << '\n';

    vanteo::SteadyClock clock;
    const bool served = paced ? server.ServePaced(simulator, stopRequested, error)
                              : server.Serve(simulator, clock, stopRequested, error);
    if (!served) {
        std::cerr << "vanteo-sim: " << error << '\n';
    }

    if (beaconThread.joinable()) {
        beaconsStop = true;
        beaconThread.join();
    }
    if (announced) {
        std::remove(announcement.c_str());
    }
    if (linked) {
        RemoveLinkIfOurs(options.linkPath, port);
    }
    return served ? 0 : 1;
}
