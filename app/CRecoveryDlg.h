#pragma once

#include <QDialog>
#include <QUrl>
#include <atomic>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "aprs/AprsPacketDecoder.h"
#include "aprs/HeardPacketCsv.h"
#include "flightlog/LiveTrack.h"
#include "flightlog/LiveTrackFile.h"
#include "serial/Clock.h"

class QCheckBox;
class QChartView;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace vanteo {

class GroundTrackChart;
namespace aprs {
class GpsdClient;
class KissByteSource;
}  // namespace aprs

// The recovery window: listens to a KISS TNC (TCP, a software TNC's localhost:8001 by default, or
// a serial port at a baud rate) and shows where the tracker is: its last position (decimal and
// degrees-minutes-seconds, Copy, Open in map), how long ago it was heard (ticking each second),
// its altitude, vertical speed, course and speed, the track so far (altitude over time, ground
// track from the first position heard), its distance and bearing from "my position" (typed, or
// from gpsd), and the packet log (raw and decoded). Each packet shown flashes the position box
// and, when asked, beeps. Packets from other stations are left out unless "All stations heard"
// is ticked.
//
// Everything heard goes to files as it arrives, opened by Listen in the folder of the "Files"
// field: recovery-YYYYMMDD-HHMMSSZ.csv (every packet), .gpx and .kml (the positions of the
// station asked for, or of the first one heard with "All stations heard").
//
// The receiver runs on a thread of its own; the packets cross to the user-interface thread in a
// queue of at most kQueueLimit, drained on its event loop, so a slow or silent TNC never holds
// the window and a flooding one is held back by TCP rather than buffered without end. Everything
// else: the user-interface thread only.
//
// Object names: "tcpRadio", "serialRadio", "hostPort", "serialDevice", "baudRate", "listenButton",
// "connectionStatus", "stationFilter", "allStations", "positionBox", "station", "positionDecimal",
// "positionDms", "copyPositionButton", "openMapButton", "age", "altitude", "verticalSpeed",
// "courseSpeed", "myPosition", "useGpsd", "distanceBearing", "packetLog", "beepOnPacket",
// "filesFolder", "filesStatus", "altitudeChart", "groundTrackChart".
class CRecoveryDlg final : public QDialog {
    Q_OBJECT
public:
    using UrlOpener = std::function<bool(const QUrl&)>;
    static constexpr int kAgeTickMs = 1000;
    static constexpr int kFlashMs = 400;
    static constexpr int kLogLines = 5000;  // the packet log keeps the newest this many blocks

    // `station`: the filter's first value, "CALL-SSID" (the tracker as last read), may be empty.
    // `clock` times the packets for their age and the vertical speed; not owned, must outlive the
    // window.
    CRecoveryDlg(const std::string& station, Clock& clock, QWidget* parent = nullptr);
    ~CRecoveryDlg() override;

    // "CALL-SSID" (or "CALL" for SSID 0) from the form's ID String and SSID texts, upper-cased;
    // empty when they make no AX.25 address (the filter then starts with all stations).
    static std::string StationOf(const std::string& idString, const std::string& ssid);

    void SetUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }
    void SetBeeper(std::function<void()> beeper) { beeper_ = std::move(beeper); }

    // Starts listening with the connection fields as they stand (after stopping), opens the
    // files; false with the reason in the status when the fields or the files are wrong.
    bool StartListening();
    // Stops the receiver thread and waits for it (within about a read slice); the files stay.
    void StopListening();
    bool IsListening() const { return thread_.joinable(); }

    // A packet as the receiver hands it over, received at `receivedMs` on the window's clock:
    // written to the files and the log at once, the rest shown on the next pass of the event
    // loop (RefreshPending until then).
    void TakePacket(const aprs::HeardPacket& packet, std::int64_t receivedMs);
    // Shows the age of the last packet and the distance from the listener as they are now (the
    // window's timer calls it every kAgeTickMs).
    void RefreshAge();
    bool RefreshPending() const { return unshown_ > 0; }
    // The files of this session, empty before Listen.
    const std::string& CsvPath() const { return csvPath_; }
    const std::string& GpxPath() const { return gpxPath_; }
    const std::string& KmlPath() const { return kmlPath_; }

signals:
    // `count` packets from the station shown have been shown (the labels, the log and the charts
    // are up to date): one signal for the packets that arrived in one pass of the event loop.
    void PacketsShown(int count);

private slots:
    // Takes what the receiver thread has queued: packets and messages, in order.
    void TakeReceived();

private:
    // What the receiver thread hands over: a packet and when it came, or a message.
    struct Received {
        std::optional<aprs::HeardPacket> packet;
        std::string message;
        std::int64_t receivedMs = 0;
    };
    // Packets waiting for the user-interface thread at most: the receiver waits beyond.
    static constexpr std::size_t kQueueLimit = 1000;

    void BuildWidgets(const std::string& station);
    bool OpenFiles();
    void WriteFiles(const aprs::HeardPacket& packet);
    bool Accepts(const std::string& station) const;
    // The station whose positions are shown: the filter's, or with "All stations heard" the
    // last one heard with a position.
    std::string ShownStation() const;
    void ShowStation();
    void ShowNewPackets();
    void ShowCharts(const LiveTrack& track);
    void Flash();
    std::optional<std::pair<double, double>> MyPosition() const;
    void CopyPosition();
    void OpenPositionInMap();
    void SetStatus(const std::string& text);

    Clock& clock_;
    UrlOpener urlOpener_;
    std::function<void()> beeper_;

    // The receiver thread and what it reads from.
    std::unique_ptr<aprs::KissByteSource> source_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex queueMutex_;
    std::condition_variable queueRoom_;
    std::deque<Received> queue_;
    std::unique_ptr<aprs::GpsdClient> gpsd_;

    // Every station heard with a position, by "CALL-SSID", and its last position report.
    std::map<std::string, LiveTrack> tracks_;
    std::map<std::string, aprs::AprsReport> lastReports_;
    std::string lastStation_;
    long otherStations_ = 0;
    int unshown_ = 0;  // packets taken since the labels and charts were last drawn

    aprs::HeardPacketCsv csv_;
    std::unique_ptr<LiveTrackFile> gpx_;
    std::unique_ptr<LiveTrackFile> kml_;
    std::string csvPath_;
    std::string gpxPath_;
    std::string kmlPath_;
    std::string trackStation_;  // whose positions the track files take; empty: not chosen yet
    std::string fileError_;

    QRadioButton* tcpRadio_ = nullptr;
    QLineEdit* hostPort_ = nullptr;
    QLineEdit* serialDevice_ = nullptr;
    QComboBox* baudRate_ = nullptr;
    QPushButton* listenButton_ = nullptr;
    QLabel* connectionStatus_ = nullptr;
    QLineEdit* stationFilter_ = nullptr;
    QCheckBox* allStations_ = nullptr;
    QGroupBox* positionBox_ = nullptr;
    QLabel* station_ = nullptr;
    QLabel* positionDecimal_ = nullptr;
    QLabel* positionDms_ = nullptr;
    QLabel* age_ = nullptr;
    QLabel* altitude_ = nullptr;
    QLabel* verticalSpeed_ = nullptr;
    QLabel* courseSpeed_ = nullptr;
    QLineEdit* myPosition_ = nullptr;
    QCheckBox* useGpsd_ = nullptr;
    QLabel* distanceBearing_ = nullptr;
    QPlainTextEdit* packetLog_ = nullptr;
    QCheckBox* beepOnPacket_ = nullptr;
    QLineEdit* filesFolder_ = nullptr;
    QLabel* filesStatus_ = nullptr;
    QChartView* altitudeView_ = nullptr;
    GroundTrackChart* trackView_ = nullptr;
    QTimer* ageTimer_ = nullptr;
    QTimer* flashTimer_ = nullptr;
};

}  // namespace vanteo
