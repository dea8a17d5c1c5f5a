// The recovery window over a KISS TCP server on the loopback interface: the receiver runs on a
// thread of its own (also run under ThreadSanitizer), the packets' age on a virtual clock.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QXYSeries>
#include <functional>

#include "app/CRecoveryDlg.h"
#include "sim/AprsBeacon.h"
#include "tests/app/FormFixture.h"

namespace vanteo::test {
namespace {

// A TNC's KISS server: one client, frames written when the test says.
class KissServer {
public:
    KissServer() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
        listen(listener_, 1);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~KissServer() {
        if (client_ >= 0) {
            close(client_);
        }
        close(listener_);
    }
    int Port() const { return port_; }
    // Waits for the window's receiver to connect (it does so on its own thread).
    bool Accept() {
        client_ = accept(listener_, nullptr, nullptr);
        return client_ >= 0;
    }
    void Send(const std::string& info, const std::string& callsign = "N0CALL", int ssid = 11) {
        sim::AprsBeaconConfig config;
        config.callsign = callsign;
        config.ssid = ssid;
        const std::vector<std::uint8_t> frame = sim::AprsBeacon::KissFrame(info, config);
        ASSERT_EQ(write(client_, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    }

private:
    int listener_ = -1;
    int client_ = -1;
    int port_ = 0;
};

int LineCount(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    return static_cast<int>(file.readAll().count('\n'));
}

int CountIn(const std::string& path, const char* text) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? static_cast<int>(file.readAll().count(text)) : -1;
}

class RecoveryWindowTest : public FormTest {
protected:
    void Open(const std::string& station) {
        recovery = std::make_unique<CRecoveryDlg>(station, clock);
        recovery->SetBeeper([this] { ++beeps; });
        recovery->SetUrlOpener([this](const QUrl& url) {
            opened.push_back(url.toString().toStdString());
            return true;
        });
        QObject::connect(recovery.get(), &CRecoveryDlg::PacketsShown,
                         [this](int count) { shown += count; });
        Field<QLineEdit>("filesFolder")->setText(dir.path());
    }
    template <typename T>
    T* Field(const char* name) const {
        return recovery->findChild<T*>(QString::fromLatin1(name));
    }
    QString Label(const char* name) const { return Field<QLabel>(name)->text(); }
    bool Listen() {
        Field<QLineEdit>("hostPort")->setText(QStringLiteral("127.0.0.1:%1").arg(server.Port()));
        return recovery->StartListening() && server.Accept();
    }
    // Sends one frame and lets the window show it (or leave it out: the files still grow).
    void SendAndShow(const std::string& info, const std::string& callsign = "N0CALL",
                     int ssid = 11) {
        const int before = LineCount(recovery->CsvPath());
        server.Send(info, callsign, ssid);
        ASSERT_TRUE(PumpUntil([&] {
            return LineCount(recovery->CsvPath()) > before && !recovery->RefreshPending();
        }));
    }

    QTemporaryDir dir;
    KissServer server;
    std::unique_ptr<CRecoveryDlg> recovery;
    int shown = 0;
    int beeps = 0;
    std::vector<std::string> opened;
};

// 49°03.50'N 72°01.75'W, 1234 ft (376.1 m), course 88, 36 kn: the hand-worked example.
constexpr const char* kFirst = "!4903.50N/07201.75W>088/036/A=001234";
// Ten seconds later 200 ft lower: -60.96 m in 10 s.
constexpr const char* kSecond = "!4903.50N/07201.75W>088/036/A=001034";

TEST_F(RecoveryWindowTest, ShowsTheTrackerFiltersAndWritesEachPacketAsItArrives) {
    ASSERT_TRUE(dir.isValid());
    Open("N0CALL-11");
    EXPECT_FALSE(Field<QCheckBox>("allStations")->isChecked());
    Field<QLineEdit>("stationFilter")->setText(QStringLiteral(" n0call-11"));  // as typed
    ASSERT_TRUE(Listen());
    ASSERT_TRUE(PumpUntil(
        [&] { return Label("connectionStatus").startsWith(QStringLiteral("Listening on")); }));
    EXPECT_EQ(LineCount(recovery->CsvPath()), 1);  // the header
    EXPECT_EQ(CountIn(recovery->GpxPath(), "<trkpt"), 0);

    SendAndShow(kFirst);
    ASSERT_EQ(shown, 1);
    EXPECT_EQ(Label("station"), QStringLiteral("N0CALL-11"));
    EXPECT_EQ(Label("positionDecimal"), QStringLiteral("49.058333, -72.029167"));
    EXPECT_EQ(Label("positionDms"), QString::fromUtf8("49°03'30.0\"N 72°01'45.0\"W"));
    EXPECT_EQ(Label("altitude"), QStringLiteral("376 m (1234 ft)"));
    EXPECT_EQ(Label("courseSpeed"), QString::fromUtf8("88°, 36 kn (67 km/h)"));
    EXPECT_EQ(Label("verticalSpeed"), QStringLiteral("needs two altitudes"));
    EXPECT_EQ(Label("age"), QStringLiteral("0 s ago"));
    EXPECT_TRUE(Field<QGroupBox>("positionBox")->property("flashing").toBool());
    EXPECT_EQ(beeps, 0);  // the sound is asked for, never forced
    const QString log = Field<QPlainTextEdit>("packetLog")->toPlainText();
    EXPECT_TRUE(log.contains(QStringLiteral("N0CALL-11>APZVAN,WIDE2-1:") + kFirst))
        << log.toStdString();
    EXPECT_TRUE(log.contains(
        QStringLiteral("uncompressed: 49.058333 -72.029167, 376.1 m, course 88, 36.0 kn")));
    EXPECT_EQ(LineCount(recovery->CsvPath()), 2);
    EXPECT_EQ(CountIn(recovery->GpxPath(), "<trkpt"), 1);
    EXPECT_EQ(CountIn(recovery->KmlPath(), "-72.029167,49.058333"), 1);

    // Ten seconds on, 200 ft lower, with the beep asked for: -60.96 m in 10 s.
    Field<QCheckBox>("beepOnPacket")->setChecked(true);
    clock.Advance(10000);
    SendAndShow(kSecond);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(Label("altitude"), QStringLiteral("315 m (1034 ft)"));
    EXPECT_EQ(Label("verticalSpeed"), QStringLiteral("-6.1 m/s (descending)"));
    EXPECT_EQ(CountIn(recovery->GpxPath(), "<trkpt"), 2);

    // The age ticks on the window's clock; the distance from a typed position one minute of
    // latitude north: 6371 km x 1/60 degree = 1853 m, due south.
    clock.Advance(7000);
    recovery->RefreshAge();
    EXPECT_EQ(Label("age"), QStringLiteral("7 s ago"));
    Field<QLineEdit>("myPosition")->setText(QStringLiteral("49.075, -72.029167"));
    EXPECT_EQ(Label("distanceBearing"), QString::fromUtf8("1.85 km, bearing 180° (S)"));
    clock.Advance(65000);
    recovery->RefreshAge();
    EXPECT_EQ(Label("age"), QStringLiteral("1 min 12 s ago"));
    EXPECT_EQ(recovery->findChild<QTimer*>(QStringLiteral("ageTimer"))->interval(), 1000);

    // Another station: written, not shown, not in the track files.
    SendAndShow("!5000.00N/01000.00E>/A=000100", "N0CALL", 12);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(Label("positionDecimal"), QStringLiteral("49.058333, -72.029167"));
    EXPECT_EQ(LineCount(recovery->CsvPath()), 4);
    EXPECT_EQ(CountIn(recovery->GpxPath(), "<trkpt"), 2);

    // A status report: shown raw, kept out of the position.
    SendAndShow(">status text");
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(Label("positionDecimal"), QStringLiteral("49.058333, -72.029167"));
    EXPECT_TRUE(Field<QPlainTextEdit>("packetLog")
                    ->toPlainText()
                    .contains(QStringLiteral(
                        "N0CALL-11>APZVAN,WIDE2-1:>status text\n    not a position report")));
    EXPECT_EQ(LineCount(recovery->CsvPath()), 5);

    // All stations heard, one click: the last one heard with a position is shown at once, and
    // its packets from now on show too.
    Field<QCheckBox>("allStations")->click();
    EXPECT_EQ(Label("station"), QStringLiteral("N0CALL-12"));
    EXPECT_EQ(Label("positionDecimal"), QStringLiteral("50.000000, 10.000000"));
    SendAndShow("!5000.60N/01000.00E>/A=000100", "N0CALL", 12);
    EXPECT_EQ(shown, 4);
    EXPECT_EQ(Label("positionDecimal"), QStringLiteral("50.010000, 10.000000"));
    Field<QAbstractButton>("openMapButton")->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find("50.010000"), std::string::npos) << opened[0];
    Field<QCheckBox>("allStations")->click();
    EXPECT_EQ(Label("station"), QStringLiteral("N0CALL-11"));

    // The track of the station shown, on both charts.
    auto* track =
        qobject_cast<QXYSeries*>(Field<QChartView>("groundTrackChart")->chart()->series().front());
    EXPECT_EQ(track->count(), 2);
    auto* altitude =
        qobject_cast<QXYSeries*>(Field<QChartView>("altitudeChart")->chart()->series().front());
    ASSERT_EQ(altitude->count(), 2);
    EXPECT_NEAR(altitude->at(1).y() - altitude->at(0).y(), -200 * 0.3048, 1e-9);

    recovery->StopListening();
    EXPECT_FALSE(recovery->IsListening());
    EXPECT_EQ(Label("connectionStatus").left(14), QStringLiteral("Not listening."));
}

TEST_F(RecoveryWindowTest, NothingListeningIsSaidWhileTheWindowGoesOn) {
    ASSERT_TRUE(dir.isValid());
    Open("");
    EXPECT_TRUE(Field<QCheckBox>("allStations")->isChecked());  // no tracker read: everyone
    // A port nobody serves: the server's, closed.
    const int port = [] {
        KissServer closed;
        return closed.Port();
    }();
    Field<QLineEdit>("hostPort")->setText(QStringLiteral("127.0.0.1:%1").arg(port));
    ASSERT_TRUE(recovery->StartListening());
    ASSERT_TRUE(PumpUntil([&] {
        return Label("connectionStatus").startsWith(QStringLiteral("Nothing listens on"));
    }));
    // The user interface answers meanwhile: the filter and the typed position take effect.
    Field<QLineEdit>("myPosition")->setText(QStringLiteral("not a place"));
    EXPECT_EQ(Label("distanceBearing"), QStringLiteral("type my position or use gpsd"));
    recovery->StopListening();
    EXPECT_FALSE(recovery->IsListening());

    // Wrong fields are refused before anything starts.
    Field<QLineEdit>("hostPort")->setText(QStringLiteral("localhost:99999"));
    EXPECT_FALSE(recovery->StartListening());
    EXPECT_FALSE(recovery->IsListening());
    EXPECT_EQ(Label("connectionStatus"), QStringLiteral("Not a HOST:PORT: localhost:99999"));
}

}  // namespace
}  // namespace vanteo::test
