// The recovery window's side of reception: from a KISS frame written by a TNC on the loopback
// interface to the window showing it (its receiver thread, the queued call to the user-interface
// thread, the CSV row and the two track points written and synced, the labels, the log and the
// charts), one frame at a time, median and 90th percentile over N; then packets shown per second
// for a burst of M frames written at once. The demo flight's beacons, in order.
//   vanteo_recovery_bench [--frames=N] [--burst=M]
// Needs no display: run with QT_QPA_PLATFORM=offscreen (bench/run recovery sets it).
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/CRecoveryDlg.h"
#include "serial/LoopbackListener.h"
#include "sim/AprsBeacon.h"
#include "sim/DemoFlight.h"

namespace {

using Steady = std::chrono::steady_clock;

double Ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Frame `i` of an endless beacon stream: the demo flight's fixes over and over.
std::vector<std::uint8_t> Beacon(const std::vector<vanteo::sim::DemoFix>& fixes, std::size_t i) {
    const vanteo::sim::AprsBeaconConfig config;
    const vanteo::sim::DemoFix& fix = fixes[i % fixes.size()];
    return vanteo::sim::AprsBeacon::KissFrame(
        vanteo::sim::AprsBeacon::PositionInfo(fix, 90, 12, config), config);
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int frames = 200;
    int burst = 2000;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--frames=", 9) == 0) {
            frames = std::max(1, std::atoi(argv[i] + 9));
        } else if (std::strncmp(argv[i], "--burst=", 8) == 0) {
            burst = std::max(1, std::atoi(argv[i] + 8));
        }
    }

    int port = 0;
    std::string error;
    const int listener = vanteo::ListenOnLoopback(port, 1, error);
    if (listener < 0) {
        std::fprintf(stderr, "loopback server: %s\n", error.c_str());
        return 1;
    }

    QTemporaryDir dir;
    vanteo::SteadyClock clock;
    vanteo::CRecoveryDlg window("N0CALL-11", clock);
    window.findChild<QLineEdit*>(QStringLiteral("filesFolder"))->setText(dir.path());
    window.findChild<QLineEdit*>(QStringLiteral("hostPort"))
        ->setText(QStringLiteral("127.0.0.1:%1").arg(port));
    window.show();
    long shown = 0;
    QObject::connect(&window, &vanteo::CRecoveryDlg::PacketsShown,
                     [&](int count) { shown += count; });
    if (!window.StartListening()) {
        std::fprintf(stderr, "the window did not start listening\n");
        return 1;
    }
    const int client = accept(listener, nullptr, nullptr);
    const auto waitFor = [&](long count) {
        while (shown < count) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    };

    const std::vector<vanteo::sim::DemoFix> fixes = vanteo::sim::DemoFlight::Fixes();
    std::vector<double> delays;
    std::size_t next = 0;
    for (int i = 0; i < frames; ++i) {
        const std::vector<std::uint8_t> frame = Beacon(fixes, next++);
        const Steady::time_point sent = Steady::now();
        if (!WriteAll(client, frame)) {
            std::perror("write");
            return 1;
        }
        waitFor(shown + 1);
        delays.push_back(Ms(Steady::now() - sent));
    }
    std::sort(delays.begin(), delays.end());
    std::printf("frame written -> window shows it, %d frames one at a time:\n", frames);
    std::printf("  median %.3f ms, 90th percentile %.3f ms, min %.3f ms, max %.3f ms\n",
                delays[delays.size() / 2], delays[delays.size() * 9 / 10], delays.front(),
                delays.back());

    std::vector<std::uint8_t> stream;
    for (int i = 0; i < burst; ++i) {
        const std::vector<std::uint8_t> frame = Beacon(fixes, next++);
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    const long before = shown;
    const Steady::time_point start = Steady::now();
    if (!WriteAll(client, stream)) {
        std::perror("write");
        return 1;
    }
    waitFor(before + burst);
    const double burstMs = Ms(Steady::now() - start);
    std::printf(
        "burst of %d frames written at once: all shown in %.1f ms, %.0f packets per second\n",
        burst, burstMs, burst / (burstMs / 1000));
    window.StopListening();
    close(client);
    close(listener);
    return 0;
}
