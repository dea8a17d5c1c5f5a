// Renders the main window to PNG files for a visual check of the layout:
//   vanteo_screenshots DIR [SUFFIX]
// writes DIR/normal<SUFFIX>.png, DIR/calibration<SUFFIX>.png and DIR/read-zpnav9<SUFFIX>.png
// (the form after a Read of a simulated "ZPNAV9" at firmware 130), DIR/about<SUFFIX>.png and
// DIR/flight<SUFFIX>.png (the flight window of the simulator's demo flight as a tracker at
// firmware 212 logs it) and DIR/recovery<SUFFIX>.png (the recovery window after the simulator's
// beacons of the demo flight every five seconds up to the descent under the main parachute, a
// position typed). Run with QT_QPA_PLATFORM=offscreen; QT_SCALE_FACTOR=1.5 renders at 150 %.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <cstdio>

#include "app/CAboutDlg.h"
#include "app/CCommunicatorDlg.h"
#include "app/CFlightViewDlg.h"
#include "app/CRecoveryDlg.h"
#include "aprs/AprsPacketDecoder.h"
#include "serial/InProcessTransport.h"
#include "serial/MessageSink.h"
#include "sim/AprsBeacon.h"
#include "sim/DemoFlight.h"
#include "sim/TrackerSimulator.h"
#include "tests/app/RecordingPrompts.h"

namespace {

// Shows `window`, lets it lay itself out, and writes it to `path` as PNG; says which file it
// wrote (and at what size) or could not write.
bool ShowAndSave(QWidget& window, const QString& path) {
    window.show();
    QCoreApplication::processEvents();
    const bool saved = window.grab().save(path);
    std::printf("%s %s (%dx%d)\n", saved ? "wrote" : "could not write", qPrintable(path),
                window.width(), window.height());
    return saved;
}

struct Session {
    vanteo::VirtualClock clock;
    vanteo::sim::TrackerSimulator simulator;
    vanteo::FormModel form = vanteo::FormModel::Constructed();
    vanteo::TrackerState tracker;
    vanteo::MessageForwarder relay;
    vanteo::SerialLink link{relay, clock, [this](const std::string&) {
                                return std::make_unique<vanteo::InProcessTransport>(simulator,
                                                                                    clock);
                            }};
    vanteo::FlightLogState log;
    vanteo::test::RecordingPrompts prompts;
    vanteo::CCommunicatorDlg dlg{
        form, tracker, link, log, [] { return std::vector<vanteo::PortInfo>{}; }, &prompts};

    explicit Session(const QStringList& arguments) {
        relay.SetTarget(&dlg);
        dlg.StartUp(arguments);
    }
    ~Session() { relay.SetTarget(nullptr); }

    bool Save(const QString& path) { return ShowAndSave(dlg, path); }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: vanteo_screenshots DIR [SUFFIX]\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const QString suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    {
        Session normal({QStringLiteral("vanteo")});
        ok = normal.Save(dir.filePath("normal" + suffix + ".png")) && ok;
    }
    {
        Session calibration({QStringLiteral("vanteo"), QStringLiteral("-qrkvz")});
        ok = calibration.Save(dir.filePath("calibration" + suffix + ".png")) && ok;
    }
    {
        Session read({QStringLiteral("vanteo")});
        read.form.comPort = "SIM";
        read.dlg.ShowForm();
        auto* readButton = qobject_cast<QAbstractButton*>(read.dlg.Control(1005));
        readButton->click();
        ok = read.Save(dir.filePath("read-zpnav9" + suffix + ".png")) && ok;
    }
    {
        vanteo::CAboutDlg about;
        ok = ShowAndSave(about, dir.filePath("about" + suffix + ".png")) && ok;
    }
    {
        // 15-byte records with UTC hours and minutes and the trailer's capture date, on the
        // smallest memory that has a trailer.
        constexpr int kMemoryKbit = 128;
        const std::vector<std::uint8_t> bytes = vanteo::sim::DemoFlight::BuildImage(
            kMemoryKbit, vanteo::sim::DemoLogLayout::timedRecords);
        vanteo::FlightLogSource source;
        source.image.assign(bytes.begin(), bytes.end());
        source.layout = {kMemoryKbit, false, 15, true};
        Session session({QStringLiteral("vanteo")});
        vanteo::CFlightViewDlg flight(source, 1, session.dlg);
        ok = ShowAndSave(flight, dir.filePath("flight" + suffix + ".png")) && ok;
    }
    {
        constexpr std::size_t kBeaconEveryS = 5;
        constexpr std::size_t kLastBeaconS = 185;  // under the main parachute
        vanteo::VirtualClock clock;
        vanteo::CRecoveryDlg recovery("N0CALL-11", clock);
        recovery.findChild<QLineEdit*>(QStringLiteral("myPosition"))
            ->setText(QStringLiteral("40.8790, -119.0570"));
        const std::vector<vanteo::sim::DemoFix> fixes = vanteo::sim::DemoFlight::Fixes();
        const vanteo::sim::AprsBeaconConfig config;
        vanteo::aprs::AprsPacketDecoder decoder;
        for (std::size_t i = kBeaconEveryS; i < kLastBeaconS; i += kBeaconEveryS) {
            int course = 0;
            int speed = 0;
            vanteo::sim::AprsBeacon::CourseAndSpeed(fixes[i - 1], fixes[i], course, speed);
            const std::vector<std::uint8_t> frame = vanteo::sim::AprsBeacon::KissFrame(
                vanteo::sim::AprsBeacon::PositionInfo(fixes[i], course, speed, config), config);
            std::vector<vanteo::aprs::HeardPacket> packets;
            decoder.Feed(frame.data(), frame.size(), packets);
            clock.Advance(static_cast<std::int64_t>(kBeaconEveryS) * 1000);
            for (const vanteo::aprs::HeardPacket& packet : packets) {
                recovery.TakePacket(packet, clock.NowMs());
            }
        }
        QCoreApplication::processEvents();
        clock.Advance(3000);
        recovery.RefreshAge();
        ok = ShowAndSave(recovery, dir.filePath("recovery" + suffix + ".png")) && ok;
    }
    return ok ? 0 : 1;
}
