// vanteo-cli listen end to end: the vanteo-sim program beacons its demo flight over KISS TCP on
// the loopback interface, the real vanteo-cli decodes it. Every wait is bounded.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "serial/LoopbackListener.h"
#include "sim/DemoFlight.h"
#include "tests/support/SimulatorProcess.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/WaitFor.h"

namespace fs = std::filesystem;

namespace {

extern "C" char** environ;

using vanteo::test::WaitFor;

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A free loopback port: one the system chose, released again.
int FreePort() {
    int port = 0;
    std::string error;
    const int fd = vanteo::ListenOnLoopback(port, 1, error);
    if (fd >= 0) {
        close(fd);
    }
    return port;
}

// vanteo-cli listen with stdout and stderr in files; Interrupt is the user's Ctrl+C.
class Listener {
public:
    Listener(const fs::path& directory, std::vector<std::string> options)
        : out_(directory / "listen.out"), err_(directory / "listen.err") {
        std::vector<std::string> arguments = {VANTEO_CLI_PROGRAM, "listen"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Listener() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    // Ctrl+C, then the exit status (-1 when it did not exit by itself within 10 s).
    int Interrupt() {
        kill(pid_, SIGINT);
        int status = 0;
        const bool exited = WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, 10);
        if (!exited) {
            return -1;
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // A crash or a power cut as far as the files can tell: SIGKILL, no chance to tidy up.
    void Kill() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    std::vector<std::string> Out() const { return Lines(ReadAll(out_)); }
    std::string Err() const { return ReadAll(err_); }

private:
    fs::path out_;
    fs::path err_;
    pid_t pid_ = -1;
};

class ListenProgramTest : public ::testing::Test {
protected:
    vanteo::test::TemporaryFolder scratch_;
    const fs::path directory_ = scratch_.Root();
};

TEST_F(ListenProgramTest, DecodesTheSimulatorsDemoFlight) {
    const int port = FreePort();
    vanteo::test::SimulatorProcess simulator(VANTEO_SIM_PROGRAM);
    ASSERT_TRUE(simulator.Start(directory_ / "run",
                                {"--kiss-tcp", std::to_string(port), "--beacon-interval", "5"}));
    const std::vector<vanteo::sim::DemoFix> fixes = vanteo::sim::DemoFlight::Fixes();
    const fs::path csv = directory_ / "heard.csv";
    // The landed position rounded as APRS sends it (hundredths of a minute); the listener stands
    // 0.01 deg of latitude north of it: 6371 km x 0.01 x pi / 180 = 1111.95 m, bearing 180.
    const vanteo::sim::DemoFix& landed = fixes.back();
    const double landedLatitude = std::round(landed.latitudeDeg * 6000) / 6000;
    const double landedLongitude = std::round(landed.longitudeDeg * 6000) / 6000;
    char from[64];
    std::snprintf(from, sizeof from, "%.6f,%.6f", landedLatitude + 0.01, landedLongitude);
    Listener listener(directory_, {"--kiss-tcp", "127.0.0.1:" + std::to_string(port), "--call",
                                   "n0call-11", "--json", "--csv", csv.string(), "--from", from});
    ASSERT_TRUE(WaitFor([&] { return listener.Out().size() >= fixes.size(); }, 30))
        << listener.Err();
    EXPECT_EQ(listener.Interrupt(), 0);

    const std::vector<std::string> lines = listener.Out();
    ASSERT_GT(lines.size(), fixes.size());
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        SCOPED_TRACE("fix " + std::to_string(i));
        const QJsonObject packet =
            QJsonDocument::fromJson(QByteArray::fromStdString(lines[i])).object();
        EXPECT_EQ(packet["source"].toString(), "N0CALL-11");
        // Hundredths of a minute: within 0.005' (0.0000833 deg) of the logged fix; whole feet:
        // within half a foot (0.1524 m).
        EXPECT_NEAR(packet["latitude"].toDouble(), fixes[i].latitudeDeg, 0.0000834);
        EXPECT_NEAR(packet["longitude"].toDouble(), fixes[i].longitudeDeg, 0.0000834);
        EXPECT_NEAR(packet["altitude_m"].toDouble(), fixes[i].altitudeM, 0.1525);
    }
    // After the flight the landed position goes on, and Ctrl+C names it, how long ago it was
    // heard and where it lies from the listener.
    char expected[64];
    std::snprintf(expected, sizeof expected, "Last position: N0CALL-11 %.6f %.6f, ", landedLatitude,
                  landedLongitude);
    EXPECT_EQ(lines.back().rfind(expected, 0), 0u) << lines.back();
    const std::string fromYou = " s ago), 1112 m from you, bearing 180";
    ASSERT_GT(lines.back().size(), fromYou.size());
    EXPECT_EQ(lines.back().substr(lines.back().size() - fromYou.size()), fromYou) << lines.back();
    // Each position in the landed stretch carries the same distance and bearing.
    const QJsonObject lastPacket =
        QJsonDocument::fromJson(QByteArray::fromStdString(lines[lines.size() - 2])).object();
    EXPECT_NEAR(lastPacket["distance_m"].toDouble(), 1111.95, 0.01);
    // --from carries six decimals: up to 5e-7 deg of longitude off, 0.003 deg of bearing.
    EXPECT_NEAR(lastPacket["bearing_deg"].toDouble(), 180, 0.003);
    // The CSV log holds every packet printed: header + one row each.
    EXPECT_EQ(Lines(ReadAll(csv)).size(), lines.size());
}

// Killed mid-stream, the files hold every packet printed before the kill (a position goes into
// the tracks before its line is printed, so at most one more), and the XML ones are complete
// documents that xmllint and GPSBabel take. Without a gpsd and without --from the user is told
// once why no distance comes, when the first position does.
TEST_F(ListenProgramTest, FilesSurviveAKillMidStream) {
    const int port = FreePort();
    vanteo::test::SimulatorProcess simulator(VANTEO_SIM_PROGRAM);
    ASSERT_TRUE(simulator.Start(directory_ / "run",
                                {"--kiss-tcp", std::to_string(port), "--beacon-interval", "5"}));
    const fs::path csv = directory_ / "heard.csv";
    const fs::path gpx = directory_ / "heard.gpx";
    const fs::path kml = directory_ / "heard.kml";
    const std::string noGpsd = "127.0.0.1:" + std::to_string(FreePort());
    Listener listener(directory_,
                      {"--kiss-tcp", "127.0.0.1:" + std::to_string(port), "--csv", csv.string(),
                       "--gpx", gpx.string(), "--kml22", kml.string(), "--gpsd", noGpsd});
    ASSERT_TRUE(WaitFor([&] { return listener.Out().size() >= 40; }, 30)) << listener.Err();
    listener.Kill();
    const std::size_t printed = listener.Out().size();

    const auto run = [](const std::string& command) {
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("xmllint --noout '" + gpx.string() + "' '" + kml.string() + "'"), 0);
    for (const auto& [format, path] : {std::pair{"gpx", gpx}, std::pair{"kml", kml}}) {
        SCOPED_TRACE(format);
        const fs::path rows = directory_ / "babel.csv";
        ASSERT_EQ(run(std::string("gpsbabel -t -i ") + format + " -f '" + path.string() +
                      "' -o unicsv -F '" + rows.string() + "'"),
                  0);
        const std::size_t points = Lines(ReadAll(rows)).size() - 1;  // less the header
        EXPECT_GE(points, printed);
        EXPECT_LE(points, printed + 1);
    }
    const std::size_t csvRows = Lines(ReadAll(csv)).size() - 1;
    EXPECT_GE(csvRows, printed);
    EXPECT_LE(csvRows, printed + 1);
    const std::string err = listener.Err();
    EXPECT_NE(err.find("\nNo gpsd runs on " + noGpsd + " ("), std::string::npos) << err;
    // The two notes come from two threads (gpsd's and the receiver's), in either order.
    EXPECT_NE(err.find("): no distance and bearing from you until it has a fix (--from LAT,LON "
                       "gives your position).\n"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("\nThe track files follow N0CALL-11, the first station heard with a "
                       "position (--call chooses another).\n"),
              std::string::npos)
        << err;
}

TEST_F(ListenProgramTest, OtherStationOnlyAndNothingListening) {
    const int port = FreePort();
    {
        // Nobody on the port: one clear message, retries, Ctrl+C ends it cleanly.
        Listener listener(directory_, {"--kiss-tcp", "127.0.0.1:" + std::to_string(port)});
        ASSERT_TRUE(WaitFor([&] { return !listener.Err().empty(); }, 10));
        EXPECT_EQ(listener.Interrupt(), 0);
        EXPECT_EQ(listener.Err(), "Nothing listens on KISS TCP 127.0.0.1:" + std::to_string(port) +
                                      " (Connection refused). Is the TNC running? Trying again "
                                      "every 2 s.\n");
        EXPECT_EQ(listener.Out(), std::vector<std::string>{"No position heard."});
    }
    vanteo::test::SimulatorProcess simulator(VANTEO_SIM_PROGRAM);
    ASSERT_TRUE(simulator.Start(directory_ / "run",
                                {"--kiss-tcp", std::to_string(port), "--beacon-interval", "5"}));
    // A second listener for all stations proves beacons flow while the filtered one hears none.
    fs::create_directories(directory_ / "filtered");
    Listener filtered(directory_ / "filtered",
                      {"--kiss-tcp", "127.0.0.1:" + std::to_string(port), "--call", "N0CALL-12"});
    Listener everyone(directory_, {"--kiss-tcp", "127.0.0.1:" + std::to_string(port)});
    ASSERT_TRUE(WaitFor([&] { return everyone.Out().size() >= 100; }, 30)) << everyone.Err();
    EXPECT_EQ(filtered.Interrupt(), 0);
    EXPECT_EQ(everyone.Interrupt(), 0);
    EXPECT_EQ(filtered.Out(), std::vector<std::string>{"No position heard."});
}

}  // namespace
