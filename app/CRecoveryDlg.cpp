#include "app/CRecoveryDlg.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <mutex>

#include "app/ChartParts.h"
#include "app/CoordinateText.h"
#include "app/GroundTrackChart.h"
#include "aprs/GpsdClient.h"
#include "aprs/KissReceiver.h"
#include "aprs/KissSerialSource.h"
#include "aprs/KissTcpSource.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

constexpr int kWindowWidth = 1180;
constexpr int kWindowHeight = 860;
constexpr const char* kDefaultHostPort = "localhost:8001";
constexpr double kFeetPerMetre = 1 / aprs::kMetresPerFoot;
constexpr double kMsPerS = 1000;

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "NE" and so on: the eight points of the compass nearest `bearingDeg`.
const char* CompassPoint(double bearingDeg) {
    static const char* const kPoints[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    const auto index = static_cast<int>(std::lround(bearingDeg / 45)) % 8;
    return kPoints[index];
}

std::string DistanceText(double metres) {
    return metres >= 1000 ? FormatC("%.2f km", metres / 1000) : FormatC("%.0f m", metres);
}

}  // namespace

CRecoveryDlg::CRecoveryDlg(const std::string& station, Clock& clock, QWidget* parent)
    : QDialog(parent),
      clock_(clock),
      urlOpener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      beeper_([] { QApplication::beep(); }) {
    setWindowTitle(QStringLiteral("Recovery"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    BuildWidgets(station);
    ageTimer_ = new QTimer(this);
    ageTimer_->setObjectName(QStringLiteral("ageTimer"));
    ageTimer_->setInterval(kAgeTickMs);
    connect(ageTimer_, &QTimer::timeout, this, &CRecoveryDlg::RefreshAge);
    ageTimer_->start();
    flashTimer_ = new QTimer(this);
    flashTimer_->setObjectName(QStringLiteral("flashTimer"));
    flashTimer_->setSingleShot(true);
    flashTimer_->setInterval(kFlashMs);
    connect(flashTimer_, &QTimer::timeout, this, [this] {
        positionBox_->setStyleSheet(QString());
        positionBox_->setProperty("flashing", false);
    });
    ShowStation();
    resize(kWindowWidth, kWindowHeight);
}

CRecoveryDlg::~CRecoveryDlg() {
    StopListening();
}

std::string CRecoveryDlg::StationOf(const std::string& idString, const std::string& ssid) {
    const QString call = QString::fromStdString(idString).trimmed();
    const QString number = QString::fromStdString(ssid).trimmed();
    const QString text =
        number.isEmpty() || number == QStringLiteral("0") ? call : call + '-' + number;
    const std::optional<aprs::Ax25Address> address = aprs::ParseAx25Address(text.toStdString());
    return address ? address->ToString() : std::string();
}

void CRecoveryDlg::BuildWidgets(const std::string& station) {
    auto* top = new QVBoxLayout(this);

    // Where the packets come from, which station, where they go.
    auto* receiving = new QGroupBox(QStringLiteral("Receiving"));
    auto* receivingLayout = new QGridLayout(receiving);
    tcpRadio_ = new QRadioButton(QStringLiteral("KISS TCP"));
    tcpRadio_->setObjectName(QStringLiteral("tcpRadio"));
    tcpRadio_->setChecked(true);
    auto* serialRadio = new QRadioButton(QStringLiteral("KISS serial"));
    serialRadio->setObjectName(QStringLiteral("serialRadio"));
    hostPort_ = new QLineEdit(QString::fromLatin1(kDefaultHostPort));
    hostPort_->setObjectName(QStringLiteral("hostPort"));
    hostPort_->setToolTip(QStringLiteral("HOST:PORT of the TNC's KISS server"));
    serialDevice_ = new QLineEdit;
    serialDevice_->setObjectName(QStringLiteral("serialDevice"));
    serialDevice_->setPlaceholderText(QStringLiteral("/dev/ttyUSB0, /dev/rfcomm0, COM3"));
    baudRate_ = new QComboBox;
    baudRate_->setObjectName(QStringLiteral("baudRate"));
    baudRate_->setEditable(true);
    for (const char* rate : {"1200", "4800", "9600", "19200", "38400", "57600", "115200"}) {
        baudRate_->addItem(QString::fromLatin1(rate));
    }
    baudRate_->setCurrentText(QStringLiteral("9600"));
    listenButton_ = new QPushButton(QStringLiteral("&Listen"));
    listenButton_->setObjectName(QStringLiteral("listenButton"));
    listenButton_->setAutoDefault(false);
    connectionStatus_ = new QLabel(QStringLiteral("Not listening."));
    connectionStatus_->setObjectName(QStringLiteral("connectionStatus"));
    connectionStatus_->setTextFormat(Qt::PlainText);
    connectionStatus_->setWordWrap(true);
    receivingLayout->addWidget(tcpRadio_, 0, 0);
    receivingLayout->addWidget(hostPort_, 0, 1);
    receivingLayout->addWidget(serialRadio, 0, 2);
    receivingLayout->addWidget(serialDevice_, 0, 3);
    receivingLayout->addWidget(new QLabel(QStringLiteral("Baud:")), 0, 4);
    receivingLayout->addWidget(baudRate_, 0, 5);
    receivingLayout->addWidget(listenButton_, 0, 6);

    auto* stationLabel = new QLabel(QStringLiteral("Station:"));
    stationFilter_ = new QLineEdit(FromUtf8(station));
    stationFilter_->setObjectName(QStringLiteral("stationFilter"));
    stationFilter_->setPlaceholderText(QStringLiteral("CALL-SSID"));
    stationLabel->setBuddy(stationFilter_);
    allStations_ = new QCheckBox(QStringLiteral("&All stations heard"));
    allStations_->setObjectName(QStringLiteral("allStations"));
    allStations_->setChecked(station.empty());
    auto* filesLabel = new QLabel(QStringLiteral("Files:"));
    filesFolder_ =
        new QLineEdit(QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                          .filePath(QStringLiteral("Vanteo recovery")));
    filesFolder_->setObjectName(QStringLiteral("filesFolder"));
    filesFolder_->setToolTip(
        QStringLiteral("Everything heard is written here as it arrives: CSV, GPX and KML"));
    filesLabel->setBuddy(filesFolder_);
    auto* chooseFolder = new QPushButton(QString::fromUtf8("Folder\xE2\x80\xA6"));
    chooseFolder->setAutoDefault(false);
    connect(chooseFolder, &QPushButton::clicked, this, [this] {
        const QString folder =
            QFileDialog::getExistingDirectory(this, QStringLiteral("Files"), filesFolder_->text());
        if (!folder.isEmpty()) {
            filesFolder_->setText(folder);
        }
    });
    receivingLayout->addWidget(stationLabel, 1, 0);
    receivingLayout->addWidget(stationFilter_, 1, 1);
    receivingLayout->addWidget(allStations_, 1, 2);
    receivingLayout->addWidget(filesLabel, 2, 0);
    receivingLayout->addWidget(filesFolder_, 2, 1, 1, 5);
    receivingLayout->addWidget(chooseFolder, 2, 6);
    receivingLayout->addWidget(connectionStatus_, 3, 0, 1, 7);
    filesStatus_ = new QLabel;
    filesStatus_->setObjectName(QStringLiteral("filesStatus"));
    filesStatus_->setTextFormat(Qt::PlainText);
    filesStatus_->setWordWrap(true);
    filesStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    receivingLayout->addWidget(filesStatus_, 4, 0, 1, 7);
    top->addWidget(receiving);

    connect(listenButton_, &QPushButton::clicked, this, [this] {
        if (IsListening()) {
            StopListening();
        } else {
            StartListening();
        }
    });
    connect(stationFilter_, &QLineEdit::textChanged, this, &CRecoveryDlg::ShowStation);
    connect(allStations_, &QCheckBox::toggled, this, [this](bool all) {
        stationFilter_->setEnabled(!all);
        ShowStation();
    });
    stationFilter_->setEnabled(!allStations_->isChecked());

    // The position and what it means for the walk.
    auto* middle = new QHBoxLayout;
    positionBox_ = new QGroupBox(QStringLiteral("Last position"));
    positionBox_->setObjectName(QStringLiteral("positionBox"));
    auto* positionLayout = new QFormLayout(positionBox_);
    const auto value = [&](const char* name) {
        auto* label = new QLabel;
        label->setObjectName(QString::fromLatin1(name));
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    station_ = value("station");
    positionDecimal_ = value("positionDecimal");
    positionDms_ = value("positionDms");
    QFont big = positionDecimal_->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    positionDecimal_->setFont(big);
    age_ = value("age");
    altitude_ = value("altitude");
    verticalSpeed_ = value("verticalSpeed");
    courseSpeed_ = value("courseSpeed");
    positionLayout->addRow(QStringLiteral("Station:"), station_);
    positionLayout->addRow(QStringLiteral("Position:"), positionDecimal_);
    positionLayout->addRow(QString(), positionDms_);
    auto* buttons = new QHBoxLayout;
    auto* copyButton = new QPushButton(QStringLiteral("&Copy"));
    copyButton->setObjectName(QStringLiteral("copyPositionButton"));
    copyButton->setAutoDefault(false);
    auto* mapButton = new QPushButton(QStringLiteral("Open in map"));
    mapButton->setObjectName(QStringLiteral("openMapButton"));
    mapButton->setAutoDefault(false);
    connect(copyButton, &QPushButton::clicked, this, &CRecoveryDlg::CopyPosition);
    connect(mapButton, &QPushButton::clicked, this, &CRecoveryDlg::OpenPositionInMap);
    buttons->addWidget(copyButton);
    buttons->addWidget(mapButton);
    buttons->addStretch();
    positionLayout->addRow(QString(), buttons);
    positionLayout->addRow(QStringLiteral("Heard:"), age_);
    positionLayout->addRow(QStringLiteral("Altitude:"), altitude_);
    positionLayout->addRow(QStringLiteral("Vertical speed:"), verticalSpeed_);
    positionLayout->addRow(QStringLiteral("Course, speed:"), courseSpeed_);
    middle->addWidget(positionBox_, 1);

    auto* fromMe = new QGroupBox(QStringLiteral("From my position"));
    auto* fromMeLayout = new QFormLayout(fromMe);
    myPosition_ = new QLineEdit;
    myPosition_->setObjectName(QStringLiteral("myPosition"));
    myPosition_->setPlaceholderText(QStringLiteral("latitude, longitude (35.3476, -117.8083)"));
    useGpsd_ = new QCheckBox(QStringLiteral("From &gpsd (localhost:2947)"));
    useGpsd_->setObjectName(QStringLiteral("useGpsd"));
    distanceBearing_ = value("distanceBearing");
    distanceBearing_->setFont(big);
    beepOnPacket_ = new QCheckBox(QStringLiteral("&Beep on each packet"));
    beepOnPacket_->setObjectName(QStringLiteral("beepOnPacket"));
    fromMeLayout->addRow(QStringLiteral("My position:"), myPosition_);
    fromMeLayout->addRow(QString(), useGpsd_);
    fromMeLayout->addRow(QStringLiteral("Tracker:"), distanceBearing_);
    fromMeLayout->addRow(QString(), beepOnPacket_);
    connect(myPosition_, &QLineEdit::textChanged, this, &CRecoveryDlg::RefreshAge);
    connect(useGpsd_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) {
            gpsd_ = std::make_unique<aprs::GpsdClient>("localhost", aprs::GpsdClient::kDefaultPort);
            gpsd_->Start();
        } else {
            gpsd_.reset();
        }
        myPosition_->setEnabled(!on);
        RefreshAge();
    });
    middle->addWidget(fromMe, 1);
    top->addLayout(middle);

    altitudeView_ = MakeChartView(QStringLiteral("altitudeChart"), QStringLiteral("Altitude"));
    trackView_ = new GroundTrackChart(QStringLiteral("groundTrackChart"),
                                      QStringLiteral("Ground track from the first position heard"));
    auto* charts = new QHBoxLayout;
    charts->addWidget(altitudeView_);
    charts->addWidget(trackView_);
    top->addLayout(charts, 1);

    packetLog_ = new QPlainTextEdit;
    packetLog_->setObjectName(QStringLiteral("packetLog"));
    packetLog_->setReadOnly(true);
    packetLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
    packetLog_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    packetLog_->setMaximumBlockCount(kLogLines);
    packetLog_->setMinimumHeight(140);
    top->addWidget(packetLog_);

    auto* closeButton = new QPushButton(QStringLiteral("Close"));
    closeButton->setAutoDefault(false);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(closeButton);
    top->addLayout(closeRow);
}

bool CRecoveryDlg::StartListening() {
    StopListening();
    if (tcpRadio_->isChecked()) {
        std::string host;
        int port = 0;
        if (!aprs::KissTcpSource::ParseHostPort(hostPort_->text().toStdString(), host, port)) {
            SetStatus("Not a HOST:PORT: " + hostPort_->text().toStdString());
            return false;
        }
        source_ = std::make_unique<aprs::KissTcpSource>(host, port);
    } else {
        bool number = false;
        const int baud = baudRate_->currentText().toInt(&number);
        if (serialDevice_->text().isEmpty() || !number || baud <= 0) {
            SetStatus("A serial port and a baud rate, please.");
            return false;
        }
        source_ = std::make_unique<aprs::KissSerialSource>(
            serialDevice_->text().toLocal8Bit().toStdString(), baud);
    }
    if (!OpenFiles()) {
        source_.reset();
        return false;
    }
    SetStatus("Connecting to " + source_->Describe() + "...");
    stop_ = false;
    thread_ = std::thread([this, source = source_.get()] {
        SteadyClock retryClock;
        aprs::KissReceiver receiver(*source, retryClock);
        const auto hand = [this](Received received) {
            std::unique_lock lock(queueMutex_);
            // A peer faster than the window waits here, and TCP holds the rest on its side.
            queueRoom_.wait(lock, [this] { return queue_.size() < kQueueLimit || stop_.load(); });
            queue_.push_back(std::move(received));
            if (queue_.size() == 1) {
                // By name: the call carries nothing; the packets cross under queueMutex_.
                QMetaObject::invokeMethod(this, "TakeReceived", Qt::QueuedConnection);
            }
        };
        receiver.Run({
            [this] { return stop_.load(); },
            [this, &hand](const aprs::HeardPacket& packet) {
                hand(Received{packet, {}, clock_.NowMs()});
            },
            [&hand](const std::string& message) {
                hand(Received{std::nullopt, message, 0});
            },
        });
    });
    listenButton_->setText(QStringLiteral("&Stop"));
    return true;
}

void CRecoveryDlg::TakeReceived() {
    std::deque<Received> received;
    {
        const std::lock_guard lock(queueMutex_);
        received.swap(queue_);
    }
    queueRoom_.notify_all();
    for (const Received& item : received) {
        if (item.packet) {
            TakePacket(*item.packet, item.receivedMs);
        } else if (IsListening()) {
            SetStatus(item.message);
        }
    }
}

void CRecoveryDlg::StopListening() {
    if (thread_.joinable()) {
        {
            const std::lock_guard lock(queueMutex_);
            stop_ = true;
        }
        queueRoom_.notify_all();
        thread_.join();
        TakeReceived();  // what was heard before the stop still goes to the files
        SetStatus("Not listening.");
    }
    source_.reset();
    listenButton_->setText(QStringLiteral("&Listen"));
}

bool CRecoveryDlg::OpenFiles() {
    const QDir folder(filesFolder_->text());
    if (!QDir().mkpath(folder.path())) {
        SetStatus("Cannot create the folder " + folder.path().toStdString());
        return false;
    }
    const QString stem =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("'recovery-'yyyyMMdd-HHmmss'Z'"));
    csvPath_ = folder.filePath(stem + QStringLiteral(".csv")).toStdString();
    gpxPath_ = folder.filePath(stem + QStringLiteral(".gpx")).toStdString();
    kmlPath_ = folder.filePath(stem + QStringLiteral(".kml")).toStdString();
    // The filter's station as the frames spell it ("n0call-11" is N0CALL-11); with all
    // stations, the first one heard with a position.
    trackStation_ = allStations_->isChecked() ? std::string() : ShownStation();
    const std::string name =
        trackStation_.empty() ? "Heard over APRS" : trackStation_ + " heard over APRS";
    fileError_.clear();
    csv_ = aprs::HeardPacketCsv();
    gpx_ = std::make_unique<LiveTrackFile>(LiveTrackFormat::gpx);
    kml_ = std::make_unique<LiveTrackFile>(LiveTrackFormat::kml22);
    if (!csv_.Open(csvPath_)) {
        fileError_ = "Cannot write " + csvPath_;
    } else if (!gpx_->Open(gpxPath_, name)) {
        fileError_ = "Cannot write " + gpxPath_ + " (" + gpx_->Error() + ")";
    } else if (!kml_->Open(kmlPath_, name)) {
        fileError_ = "Cannot write " + kmlPath_ + " (" + kml_->Error() + ")";
    }
    if (!fileError_.empty()) {
        SetStatus(fileError_);
        filesStatus_->setText(FromUtf8(fileError_));
        return false;
    }
    filesStatus_->setText(QStringLiteral("Writing ") + FromUtf8(csvPath_) + QStringLiteral(", ") +
                          FromUtf8(gpxPath_) + QStringLiteral(", ") + FromUtf8(kmlPath_));
    return true;
}

void CRecoveryDlg::WriteFiles(const aprs::HeardPacket& packet) {
    const std::time_t now = std::time(nullptr);
    if (csv_.IsOpen() && !csv_.Append(packet, now) && fileError_.empty()) {
        fileError_ = "Writing " + csvPath_ + " failed";
    }
    const aprs::AprsReport& r = packet.report;
    const std::string station = packet.frame.source.ToString();
    if (r.HasPosition() && gpx_ && kml_) {
        if (trackStation_.empty()) {
            trackStation_ = station;  // a track through several stations would be no flight
        }
        if (station == trackStation_) {
            const LiveTrackPoint point{r.latitudeDeg, r.longitudeDeg, r.altitudeM, now};
            for (auto* file : {gpx_.get(), kml_.get()}) {
                if (file->IsOpen() && !file->Append(point) && fileError_.empty()) {
                    fileError_ = "Writing a track file failed (" + file->Error() + ")";
                }
            }
        }
    }
    if (!fileError_.empty()) {
        filesStatus_->setText(FromUtf8(fileError_));
    }
}

bool CRecoveryDlg::Accepts(const std::string& station) const {
    if (allStations_->isChecked()) {
        return true;
    }
    const std::optional<aprs::Ax25Address> wanted =
        aprs::ParseAx25Address(stationFilter_->text().trimmed().toStdString());
    return wanted && wanted->ToString() == station;
}

std::string CRecoveryDlg::ShownStation() const {
    if (allStations_->isChecked()) {
        return lastStation_;
    }
    const std::optional<aprs::Ax25Address> wanted =
        aprs::ParseAx25Address(stationFilter_->text().trimmed().toStdString());
    return wanted ? wanted->ToString() : std::string();
}

void CRecoveryDlg::TakePacket(const aprs::HeardPacket& packet, std::int64_t receivedMs) {
    // The files first: the window is never ahead of them.
    WriteFiles(packet);
    const std::string station = packet.frame.source.ToString();
    const aprs::AprsReport& r = packet.report;
    if (r.HasPosition()) {
        tracks_[station].Add({static_cast<double>(receivedMs) / kMsPerS, r.latitudeDeg,
                              r.longitudeDeg, r.altitudeM});
        lastReports_[station] = r;
        lastStation_ = station;
    }
    if (!Accepts(station)) {
        ++otherStations_;
        return;
    }
    std::string text =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("HH:mm:ss")).toStdString() + ' ' +
        aprs::PrintableBytes(packet.frame.ToMonitorText()) + "\n    ";
    if (r.HasPosition()) {
        text += std::string(aprs::AprsFormatName(r.format)) + ": " + aprs::PositionText(r);
        if (!r.comment.empty()) {
            text += ", \"" + aprs::PrintableBytes(r.comment) + '"';
        }
    } else {
        text += r.error.empty() ? "not a position report: kept raw" : "not decoded: " + r.error;
    }
    packetLog_->appendPlainText(FromUtf8(text));
    // The labels and the charts once per pass of the event loop: a burst of queued packets (a
    // TNC's buffer after a reconnect) redraws once, not once per packet.
    if (unshown_++ == 0) {
        QMetaObject::invokeMethod(this, &CRecoveryDlg::ShowNewPackets, Qt::QueuedConnection);
    }
}

void CRecoveryDlg::ShowNewPackets() {
    const int count = unshown_;
    unshown_ = 0;
    ShowStation();
    Flash();
    if (beepOnPacket_->isChecked() && beeper_) {
        beeper_();  // once for a burst: a hundred beeps would tell nothing more
    }
    emit PacketsShown(count);
}

void CRecoveryDlg::Flash() {
    positionBox_->setProperty("flashing", true);
    positionBox_->setStyleSheet(
        QStringLiteral("QGroupBox#positionBox { background-color: #fff59d; }"));
    flashTimer_->start();
}

void CRecoveryDlg::ShowStation() {
    const std::string station = ShownStation();
    const auto track = tracks_.find(station);
    const auto report = lastReports_.find(station);
    if (track == tracks_.end() || report == lastReports_.end()) {
        station_->setText(station.empty() ? QStringLiteral("(none heard yet)") : FromUtf8(station));
        positionDecimal_->setText(QStringLiteral("No position heard yet"));
        for (QLabel* label : {positionDms_, age_, altitude_, verticalSpeed_, courseSpeed_}) {
            label->setText(QStringLiteral("-"));
        }
        positionBox_->setEnabled(false);
        ClearChart(altitudeView_->chart());
        trackView_->Clear();
        RefreshAge();
        return;
    }
    const aprs::AprsReport& r = report->second;
    positionBox_->setEnabled(true);
    station_->setText(FromUtf8(station));
    positionDecimal_->setText(FromUtf8(DecimalDegreesText(r.latitudeDeg, r.longitudeDeg)));
    positionDms_->setText(FromUtf8(DegreesMinutesSecondsText(r.latitudeDeg, r.longitudeDeg)));
    // The altitude of the newest fix that has one: a Mic-E or compressed report may leave it out.
    std::optional<double> altitudeM;
    for (auto fix = track->second.Fixes().rbegin(); fix != track->second.Fixes().rend(); ++fix) {
        if (fix->altitudeM) {
            altitudeM = fix->altitudeM;
            break;
        }
    }
    altitude_->setText(
        altitudeM ? FromUtf8(FormatC("%.0f m (%.0f ft)", *altitudeM, *altitudeM * kFeetPerMetre))
                  : QStringLiteral("not sent"));
    const std::optional<double> vertical = track->second.VerticalSpeedMps();
    verticalSpeed_->setText(vertical ? FromUtf8(FormatC("%+.1f m/s (%s)", *vertical,
                                                        *vertical < 0 ? "descending" : "climbing"))
                                     : QStringLiteral("needs two altitudes"));
    std::string course = r.courseDeg ? FormatC("%d\xC2\xB0", *r.courseDeg) : "course not sent";
    course += r.speedKnots ? FormatC(", %.0f kn (%.0f km/h)", *r.speedKnots,
                                     *r.speedKnots * aprs::kKmhPerKnot)
                           : std::string(", speed not sent");
    courseSpeed_->setText(FromUtf8(course));
    ShowCharts(track->second);
    RefreshAge();
}

void CRecoveryDlg::ShowCharts(const LiveTrack& track) {
    const std::vector<LiveTrack::Fix>& fixes = track.Fixes();
    QChart* chart = altitudeView_->chart();
    ClearChart(chart);
    auto* line = new QLineSeries;
    line->setName(QStringLiteral("Altitude"));
    const double t0 = fixes.front().timeS;
    double low = 0;
    double high = 0;
    bool any = false;
    for (const LiveTrack::Fix& fix : fixes) {
        if (fix.altitudeM) {
            line->append(fix.timeS - t0, *fix.altitudeM);
            low = any ? std::min(low, *fix.altitudeM) : *fix.altitudeM;
            high = any ? std::max(high, *fix.altitudeM) : *fix.altitudeM;
            any = true;
        }
    }
    chart->addSeries(line);
    auto [x, y] = AddAxes(chart, QStringLiteral("Seconds from the first position heard"),
                          QStringLiteral("Altitude MSL (m)"));
    SetPaddedRange(x, 0, fixes.back().timeS - t0);
    SetPaddedRange(y, low, high);

    const LiveTrack::Fix& first = fixes.front();
    QList<QPointF> points;
    for (const LiveTrack::Fix& fix : fixes) {
        points.append(EastNorthMetres(first.latitudeDeg, first.longitudeDeg, fix.latitudeDeg,
                                      fix.longitudeDeg));
    }
    trackView_->ShowTrack(points,
                          {{QStringLiteral("First heard"), QPointF(0, 0), QColor(0x2e, 0x7d, 0x32)},
                           {QStringLiteral("Last heard"), points.back(), QColor(0x15, 0x65, 0xc0)}},
                          QStringLiteral("Metres east"), QStringLiteral("Metres north"));
}

std::optional<std::pair<double, double>> CRecoveryDlg::MyPosition() const {
    if (gpsd_) {
        if (const auto fix = gpsd_->Position()) {
            return std::make_pair(fix->latitudeDeg, fix->longitudeDeg);
        }
        return std::nullopt;
    }
    // "35.3476, -117.8083" or "35.3476 -117.8083", read in the "C" form whatever the locale.
    const QStringList parts = myPosition_->text().split(
        QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts);
    if (parts.size() != 2) {
        return std::nullopt;
    }
    bool latitudeOk = false;
    bool longitudeOk = false;
    const double latitude = QLocale::c().toDouble(parts[0], &latitudeOk);
    const double longitude = QLocale::c().toDouble(parts[1], &longitudeOk);
    if (!latitudeOk || !longitudeOk || std::abs(latitude) > 90 || std::abs(longitude) > 180) {
        return std::nullopt;
    }
    return std::make_pair(latitude, longitude);
}

void CRecoveryDlg::RefreshAge() {
    const std::string station = ShownStation();
    const auto track = tracks_.find(station);
    const LiveTrack::Fix* last = track == tracks_.end() ? nullptr : track->second.Last();
    if (last) {
        const double ageS =
            track->second.AgeS(static_cast<double>(clock_.NowMs()) / kMsPerS).value_or(0);
        const auto seconds = static_cast<long long>(std::floor(std::max(ageS, 0.0)));
        age_->setText(FromUtf8(seconds < 60
                                   ? FormatC("%lld s ago", seconds)
                                   : FormatC("%lld min %02lld s ago", seconds / 60, seconds % 60)));
    }
    const auto me = MyPosition();
    if (!me) {
        distanceBearing_->setText(gpsd_ ? FromUtf8(gpsd_->Problem().empty()
                                                       ? std::string("gpsd has no fix yet")
                                                       : gpsd_->Problem())
                                        : QStringLiteral("type my position or use gpsd"));
    } else if (!last) {
        distanceBearing_->setText(QStringLiteral("no position of the tracker yet"));
    } else {
        const DistanceBearing from =
            FromListener(me->first, me->second, last->latitudeDeg, last->longitudeDeg);
        distanceBearing_->setText(FromUtf8(DistanceText(from.distanceM) +
                                           FormatC(", bearing %.0f\xC2\xB0 (%s)", from.bearingDeg,
                                                   CompassPoint(from.bearingDeg))));
    }
}

void CRecoveryDlg::CopyPosition() {
    QGuiApplication::clipboard()->setText(positionDecimal_->text() + QLatin1Char('\n') +
                                          positionDms_->text());
}

void CRecoveryDlg::OpenPositionInMap() {
    const auto report = lastReports_.find(ShownStation());
    if (report != lastReports_.end()) {
        urlOpener_(QUrl(FromUtf8(MapUrl(report->second.latitudeDeg, report->second.longitudeDeg))));
    }
}

void CRecoveryDlg::SetStatus(const std::string& text) {
    std::string status = text;
    if (otherStations_ > 0) {
        status += FormatC(" %ld packets from other stations left out.", otherStations_);
    }
    connectionStatus_->setText(FromUtf8(status));
}

}  // namespace vanteo
