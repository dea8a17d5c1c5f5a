// The real vanteo-cli program over a pseudo-terminal against the vanteo-sim program: exit
// statuses, what lands on stdout and stderr, and the files written. Both programs run for real;
// nothing here waits on a time-out (the simulator answers at once).
#include <grp.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include "VanteoVersion.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/serial/PseudoTerminal.h"
#include "tests/support/SimulatorProcess.h"
#include "tests/support/TemporaryFolder.h"

extern char** environ;

namespace vanteo::cli {
namespace {

namespace fs = std::filesystem;

struct ProgramResult {
    int status = -1;
    std::string out;
    std::string err;
};

using test::Pointers;

// The environment for vanteo-cli, with XDG_RUNTIME_DIR (where simulators announce their port) and
// VANTEO_PORT replaced as given (empty: removed).
std::vector<std::string> Environment(const fs::path& runtimeDir, const std::string& port) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (text.rfind("XDG_RUNTIME_DIR=", 0) != 0 && text.rfind("VANTEO_PORT=", 0) != 0) {
            variables.push_back(text);
        }
    }
    variables.push_back("XDG_RUNTIME_DIR=" + runtimeDir.string());
    if (!port.empty()) {
        variables.push_back("VANTEO_PORT=" + port);
    }
    return variables;
}

// What a running program has written to its standard error so far, for a test that must wait
// until the program has reached a certain step.
class ErrorSoFar {
public:
    void Append(const char* bytes, std::size_t count) {
        const std::lock_guard<std::mutex> lock(mutex_);
        text_.append(bytes, count);
    }
    // Waits (at most `limitMs`) until `needle` has been written; false when it never was.
    bool WaitFor(const std::string& needle, int limitMs) const {
        for (int waited = 0; waited < limitMs; waited += 10) {
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                if (text_.find(needle) != std::string::npos) {
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

private:
    mutable std::mutex mutex_;
    std::string text_;
};

// How long a program may run before RunProgram kills it: far beyond any command's own time-outs,
// and far below ctest's, so a command that polls forever fails its test with its output so far.
constexpr auto kProgramLimit = std::chrono::seconds(60);

// Runs `program` to its end, collecting both output streams; kills it (status -1, a test
// failure) when it is still running after kProgramLimit. `whileRunning`, when given, is called
// with the child's process id and its standard error so far, on a thread of its own while the
// output is collected.
using WhileRunning = std::function<void(pid_t, const ErrorSoFar&)>;
ProgramResult RunProgram(std::vector<std::string> arguments, std::vector<std::string> environment,
                         const WhileRunning& whileRunning = {}) {
    ProgramResult result;
    ErrorSoFar errorSoFar;
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(environment);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    std::thread beside;
    if (spawned == 0 && whileRunning) {
        beside = std::thread(whileRunning, pid, std::cref(errorSoFar));
    }
    if (spawned == 0) {
        pollfd watch[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        std::string* sinks[2] = {&result.out, &result.err};
        int open = 2;
        const auto deadline = std::chrono::steady_clock::now() + kProgramLimit;
        while (open > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                ADD_FAILURE() << argv[0] << " still ran after " << kProgramLimit.count()
                              << " s: killed";
                kill(pid, SIGKILL);
                break;
            }
            if (poll(watch, 2, static_cast<int>(left.count())) < 0) {
                break;
            }
            for (int i = 0; i < 2; ++i) {
                if (watch[i].fd < 0 || watch[i].revents == 0) {
                    continue;
                }
                char buffer[4096];
                const ssize_t got = read(watch[i].fd, buffer, sizeof buffer);
                if (got <= 0) {
                    watch[i].fd = -1;
                    --open;
                } else {
                    sinks[i]->append(buffer, static_cast<std::size_t>(got));
                    if (i == 1) {
                        errorSoFar.Append(buffer, static_cast<std::size_t>(got));
                    }
                }
            }
        }
        if (beside.joinable()) {
            beside.join();
        }
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    close(outPipe[0]);
    close(errPipe[0]);
    return result;
}

class CliProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(directory_ / "run");
        fs::permissions(directory_ / "run", fs::perms::owner_all);
        ASSERT_TRUE(simulator_.Start(directory_ / "run", SimulatorOptions()));
    }

    virtual std::vector<std::string> SimulatorOptions() const { return {}; }

    // vanteo-cli with the port in VANTEO_PORT, as a user would set it once.
    ProgramResult Cli(std::vector<std::string> arguments, const WhileRunning& whileRunning = {},
                      const std::vector<std::string>& extraEnvironment = {}) const {
        arguments.insert(arguments.begin(), VANTEO_CLI_PROGRAM);
        std::vector<std::string> environment = Environment(directory_ / "run", simulator_.Port());
        environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
        return RunProgram(arguments, environment, whileRunning);
    }

    // vanteo-cli with `arguments`: it must exit with `status` and say `said` on stderr.
    void ExpectCliSays(const std::vector<std::string>& arguments, int status,
                       const std::string& said) const {
        std::string command = "vanteo-cli";
        for (const std::string& argument : arguments) {
            command += " " + argument;
        }
        SCOPED_TRACE(command);
        const ProgramResult result = Cli(arguments);
        ASSERT_EQ(result.status, status) << result.err;
        EXPECT_NE(result.err.find(said), std::string::npos) << result.err;
    }

    // Names in the test's folder that start with `prefix`.
    std::vector<std::string> FilesStartingWith(const std::string& prefix) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory_)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(prefix, 0) == 0) {
                names.push_back(name);
            }
        }
        return names;
    }

    std::string File(const std::string& name) const { return (directory_ / name).string(); }

    static std::string Slurp(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    // Removed after the simulator has stopped.
    vanteo::test::TemporaryFolder scratch_;
    const fs::path directory_ = scratch_.Root();
    vanteo::test::SimulatorProcess simulator_{VANTEO_SIM_PROGRAM};
};

TEST_F(CliProgramTest, IdentifyReadAndWriteOverTheRealPort) {
    ProgramResult result = Cli({"identify"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "Model: ZPNAV9\nVersion:130\nSer #: B5\nBattery 3.90 V\nTime: 1:02:03\n"
              "Read Complete\n");
    EXPECT_EQ(result.err, "");

    result = Cli({"write", "--set", "ID String=AB1", "--set", "Disable P2=1"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Write Complete\n");

    result = Cli({"read", "--json", File("config.json")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\n1034 ID String: AB1   \n"), std::string::npos) << result.out;
    // A disabled Path 2 is stored as XNOPATH and read back as disabled.
    EXPECT_NE(result.out.find("\n1056 Path 2: XNOPATH\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\n1151 Disable P2: 1\n"), std::string::npos);
    EXPECT_NE(Slurp(File("config.json")).find("\"1034\": \"AB1   \""), std::string::npos);

    result = Cli({"write", "--set", "SSID=16"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Please enter an integer between 0 and 15.\n"), std::string::npos);
    EXPECT_NE(result.err.find("nothing was written"), std::string::npos);
}

TEST_F(CliProgramTest, ConfigurationFiles) {
    ProgramResult result = Cli({"save-cfg", File("tracker.kvt")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "This is the save button\nINI File Saved\n");
    const std::string saved = Slurp(File("tracker.kvt"));
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 256);
    EXPECT_EQ(saved.rfind("0:a0\n", 0), 0u);  // the Morse N of the callsign N0CALL

    // Record byte 14 (0x0E) is the SSID.
    std::ofstream(File("patch.kvt")) << "e:5\n";
    result = Cli({"restore-cfg", File("patch.kvt")});
    ASSERT_EQ(result.status, 0) << result.err;
    result = Cli({"read"});
    EXPECT_NE(result.out.find("\n1059 SSID: 5\n"), std::string::npos) << result.out;

    ExpectCliSays({"restore-cfg", File("absent.kvt")}, 1, "cannot read");
}

TEST_F(CliProgramTest, FlightLogDownloadValidationAndRepair) {
    ProgramResult result = Cli({"read-flash", File("flight.kml"), "--name", "Launch day"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("Done Reading Flash\n"), std::string::npos);
    // stderr is no terminal here: no progress bar.
    EXPECT_EQ(result.err.find("\x1b[K"), std::string::npos);
    const std::string kml = Slurp(File("flight.kml"));
    EXPECT_NE(kml.find("Launch day"), std::string::npos);

    result = Cli({"validate-kml", File("flight.kml"), "-o", File("copy.kml")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("Datafile integrity validated"), std::string::npos);
    EXPECT_TRUE(fs::exists(File("copy.kml")));

    std::ofstream(File("broken.kml")) << "-60.5, 37.2, 1234\n";
    result = Cli({"fix-kml", File("broken.kml"), File("fixed.kml")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Slurp(File("fixed.kml")), "-60.5,37.2,1234\n");
    EXPECT_EQ(result.err, "First select an input file\nNow select an output file\n read 1 lines\n");

    result = Cli({"validate-kml", File("broken.kml")});
    EXPECT_EQ(result.status, 1);
}

// The summary and the exports from a download and from its KML file come from one decoding:
// the GPX written by read-flash and by export are the same file.
TEST_F(CliProgramTest, FlightSummaryAndExports) {
    ProgramResult result = Cli({"read-flash", File("flight.kml"), "--gpx", File("download.gpx"),
                                "--csv", File("download.csv"), "--kml22", File("download22.kml")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(Slurp(File("download.csv")).find("\r\n"), std::string::npos);
    EXPECT_NE(Slurp(File("download22.kml")).find("<LineString>"), std::string::npos);

    result = Cli({"flight", File("flight.kml")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("Flight 1 of 1\n  Launch:", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("Times from the log's seconds"), std::string::npos);
    result = Cli({"flight", File("flight.kml"), "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("{\"timeSource\":\"secondsField\",", 0), 0u) << result.out;

    result = Cli({"export", File("flight.kml"), "--gpx", File("file.gpx")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Slurp(File("file.gpx")), Slurp(File("download.gpx")));

    std::ofstream(File("plain.kml")) << "<kml></kml>\n";
    ExpectCliSays({"flight", File("plain.kml")}, 1, "no complete flight-log data block");
    EXPECT_EQ(Cli({"export", File("flight.kml")}).status, 2);
}

// Every input file goes through one bounded reader: a device, a pipe or a file far larger than
// any settings file is refused at once with the reason, exit 1, and no output is written.
TEST_F(CliProgramTest, InputsThatAreNoFileOrFarTooLargeAreRefused) {
    ASSERT_EQ(mkfifo(File("pipe").c_str(), 0600), 0);
    std::ofstream(File("huge.json")).close();
    fs::resize_file(File("huge.json"), 1024 * 1024 + 1);
    constexpr const char* kNoFile = "it is a device or a pipe, not a file";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"write", "--json", "/dev/zero"},
         "write: cannot read /dev/zero: it is a device or a pipe, not a file; nothing was written"},
        {{"write", "--json", File("huge.json")},
         "it is larger than 1048576 bytes, far more than such a file holds; nothing was written"},
        {{"restore-cfg", "/dev/zero"}, kNoFile},
        {{"restore-cfg", File("pipe")}, kNoFile},
        {{"validate-kml", "/dev/zero", "-o", File("copy.kml")},
         std::string("Error opening file: ") + kNoFile},
        {{"fix-kml", File("pipe"), File("fixed.kml")},
         std::string("Error opening file: ") + kNoFile},
    };
    for (const auto& [arguments, reason] : cases) {
        SCOPED_TRACE(arguments[0] + " " + arguments[1]);
        const ProgramResult result = Cli(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists(File("copy.kml")));
    EXPECT_FALSE(fs::exists(File("fixed.kml")));
}

TEST_F(CliProgramTest, FlashAndTransmitterCommands) {
    ExpectCliSays({"clear-flash"}, 1, "--yes");
    ExpectCliSays({"clear-flash", "--yes"}, 0, "Done Clearing Flash\n");

    ProgramResult result = Cli({"flash-test"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("--yes"), std::string::npos);
    EXPECT_EQ(result.err.find("I2C Test Passed"), std::string::npos);
    ExpectCliSays({"flash-test", "--yes"}, 0, "I2C Test Passed\n");

    result = Cli({"run"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "TX running, Enter a command to stop\n");
}

TEST_F(CliProgramTest, ServiceCommandsNeedCalibrationMode) {
    ExpectCliSays({"tone"}, 2, "--calibration");

    ProgramResult result = Cli({"--calibration", "tone"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "Calibration Mode Enabled\n");
    EXPECT_EQ(result.out, "Turning on 1200 Hz tone\n");
    result = Cli({"--calibration", "tone", "--off"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Turning off 1200 Hz tone\n");

    ExpectCliSays({"--calibration", "update", "--serial", "2054"}, 0, "Serial Numbers updated\n");
    result = Cli({"identify"});
    EXPECT_NE(result.out.find("\nSer #: B6\n"), std::string::npos) << result.out;

    ExpectCliSays({"--calibration", "devaddr", "0"}, 0, "DevAddr updated to 0\n");
}

TEST_F(CliProgramTest, PortsAsJsonAndTheDoctorReportShowWhoMayOpenEachPort) {
    ProgramResult result = Cli({"ports", "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    // Keys in alphabetical order, as the JSON writer sorts them.
    const std::string simulatorEntry = "\"may_open\": true,\n        \"name\": \"" +
                                       simulator_.Port() + "\",\n        \"owner\": \"";
    EXPECT_NE(result.out.find(simulatorEntry), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\"simulator\": true"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.front(), '[');

    result = Cli({"doctor"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("vanteo-cli " VANTEO_VERSION ", Qt 6.", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("\nModemManager: "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  " + simulator_.Port() + "  "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  this user may open it  "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("newest vanteo-sim announcement: " + File("run/vanteo-sim/")),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find(".port: " + simulator_.Port() + ", Vanteo tracker simulator"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find(" running\n"), std::string::npos) << result.out;
}

// vanteo-cli as the unprivileged user "nobody", as a user new to the machine runs it (the
// superuser passes every permission and exclusive-use check).
ProgramResult CliAsNobody(const std::string& port, const fs::path& runtimeDir) {
    return RunProgram({"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                       VANTEO_CLI_PROGRAM, "--port", port, "identify"},
                      Environment(runtimeDir, ""));
}

TEST_F(CliProgramTest, APortThisUserMayNotOpenOrThatIsHeldTellsTheFix) {
    const group* dialout = getgrnam("dialout");
    if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0 || dialout == nullptr) {
        GTEST_SKIP() << "needs the superuser, setpriv and a dialout group";
    }
    test::PseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    const std::string& port = pty.SlavePath();
    ASSERT_EQ(chown(port.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(chmod(port.c_str(), 0660), 0);

    ProgramResult result = CliAsNobody(port, directory_ / "run");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Error opening com port\nThis user may not open " + port +
                              " (Permission denied). The port belongs to root:dialout crw-rw----."),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("    sudo usermod -aG dialout $USER\n"), std::string::npos)
        << result.err;

    // Open to all, but held in exclusive use by a process of another user (this test's).
    ASSERT_EQ(chmod(port.c_str(), 0666), 0);
    ASSERT_EQ(ioctl(pty.SlaveFd(), TIOCEXCL), 0);
    result = CliAsNobody(port, directory_ / "run");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Error opening com port\n" + port +
                              " is in use by another program (Device or resource busy)."),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("\"sudo fuser -v " + port + "\" tells."), std::string::npos)
        << result.err;
    EXPECT_EQ(result.err.find("usermod"), std::string::npos) << result.err;
}

TEST_F(CliProgramTest, PortsHelpAndUsageErrors) {
    ProgramResult result = Cli({"ports"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find(simulator_.Port()), std::string::npos) << result.out;

    result = Cli({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("Usage: vanteo-cli", 0), 0u);
    result = Cli({"write", "--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("--profile"), std::string::npos);

    EXPECT_EQ(Cli({}).status, 2);
    EXPECT_EQ(Cli({"frobnicate"}).status, 2);
    EXPECT_EQ(Cli({"write", "--set", "novalue"}).status, 2);

    result = Cli({"--port", File("no-such-port"), "identify"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Error opening com port\n"), std::string::npos) << result.err;
    EXPECT_NE(
        result.err.find("does not exist (No such file or directory): the adapter is unplugged"),
        std::string::npos)
        << result.err;
}

// A tracker at the true 9600-baud rate: a 1024-kbit download takes minutes, an erase that never
// ends keeps the worker waiting.
class SlowTrackerCliTest : public CliProgramTest {
protected:
    std::vector<std::string> SimulatorOptions() const override {
        return {"--paced", "--memory", "1024", "--endless-erase"};
    }
};

// Ctrl+C during a download: the block being read is finished, what arrived is written as the
// KML file and reported, no temporary file is left, and the exit status is 130. SIGTERM during
// an erase stops the wait, says the log is partly erased, and exits 143.
TEST_F(SlowTrackerCliTest, InterruptStopsTheDownloadAndTerminateStopsTheErase) {
    const std::string kml = File("flight.kml");
    const auto interruptOnceDownloading = [this](pid_t pid, const ErrorSoFar&) {
        // The temporary file appears just before the download starts; the download then runs
        // for a good second before the interrupt.
        for (int i = 0; i < 3000 && FilesStartingWith("flight.kml.").empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        kill(pid, SIGINT);
    };
    ProgramResult result = Cli({"read-flash", kml}, interruptOnceDownloading);
    EXPECT_EQ(result.status, 130) << result.err;
    EXPECT_NE(result.err.find("Read Flash cancelled. Flash read incomplete: "), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find(" of 8192 blocks were not read; they are 00 in the KML file."),
              std::string::npos)
        << result.err;
    EXPECT_NE(Slurp(kml).find("KVTENDDATA"), std::string::npos);
    EXPECT_EQ(FilesStartingWith("flight.kml"), std::vector<std::string>{"flight.kml"});

    // The trace shows the erase command ('Z', 5A) going out: from then on the worker waits.
    result = Cli({"clear-flash", "--yes"},
                 [](pid_t pid, const ErrorSoFar& err) {
                     EXPECT_TRUE(err.WaitFor("> 5A", 60000));
                     std::this_thread::sleep_for(std::chrono::milliseconds(200));
                     kill(pid, SIGTERM);
                 },
                 {"VANTEO_TRACE=1"});
    EXPECT_EQ(result.status, 143) << result.err;
    EXPECT_NE(result.err.find("Clear Flash cancelled. The tracker may still be erasing, and the "
                              "flight log is partly erased"),
              std::string::npos)
        << result.err;
}

// An erase of two seconds, stopped early: its advice followed (wait, then go on), the next
// commands in fresh processes get their own answers, not the tail the tracker sent meanwhile.
class ShortEraseCliTest : public CliProgramTest {
protected:
    std::vector<std::string> SimulatorOptions() const override {
        return {"--erase-interval", "100"};
    }
};

TEST_F(ShortEraseCliTest, AfterAStoppedEraseHasEndedTheNextCommandsWork) {
    ProgramResult result =
        Cli({"clear-flash", "--yes"},
            [](pid_t pid, const ErrorSoFar& err) {
                EXPECT_TRUE(err.WaitFor("> 5A", 60000));  // the erase command has gone out
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                kill(pid, SIGTERM);
            },
            {"VANTEO_TRACE=1"});
    ASSERT_EQ(result.status, 143) << result.err;
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    result = Cli({"identify"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Version:130"), std::string::npos) << result.out;
    result = Cli({"clear-flash", "--yes"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("Done Clearing Flash"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace vanteo::cli
