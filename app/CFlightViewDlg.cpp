#include "app/CFlightViewDlg.h"

#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "app/ChartParts.h"
#include "app/CoordinateText.h"
#include "app/GroundTrackChart.h"
#include "flightlog/FlightExports.h"
#include "flightlog/FlightReport.h"

namespace vanteo {
namespace {

// The charts show a little of the pad and the ground around the flight: a tenth of the flight
// time before launch and after landing, at least this many seconds.
constexpr double kMinimumMarginS = 5;
constexpr double kMarginShare = 0.1;
constexpr int kWindowWidth = 1180;
constexpr int kWindowHeight = 820;

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CFlightViewDlg::CFlightViewDlg(const FlightLogSource& source, double storeIntervalS,
                               UserInteraction& ui, QWidget* parent)
    : QDialog(parent),
      log_(DecodeLog(source.image, source.layout)),
      analysis_(AnalyseFlights(log_, storeIntervalS)),
      ui_(ui),
      urlOpener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setWindowTitle(QStringLiteral("Flight"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const std::string text = FlightSummaryText(log_, analysis_);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        summaryLines_.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    BuildWidgets();
    for (std::size_t i = 0; i < analysis_.flights.size(); ++i) {
        flightSelector_->addItem(
            QStringLiteral("Flight %1 of %2").arg(i + 1).arg(analysis_.flights.size()));
    }
    // One flight needs no choice; the box shows only when there is one to make.
    flightSelector_->parentWidget()->setVisible(analysis_.flights.size() > 1);
    connect(flightSelector_, &QComboBox::currentIndexChanged, this, &CFlightViewDlg::SelectFlight);
    SelectFlight(analysis_.flights.empty() ? -1 : 0);
    resize(kWindowWidth, kWindowHeight);
}

CFlightViewDlg::~CFlightViewDlg() = default;

void CFlightViewDlg::BuildWidgets() {
    auto* top = new QVBoxLayout(this);

    auto* selectorRow = new QWidget;
    auto* selectorLayout = new QHBoxLayout(selectorRow);
    selectorLayout->setContentsMargins(0, 0, 0, 0);
    auto* selectorLabel = new QLabel(QStringLiteral("Flight:"));
    flightSelector_ = new QComboBox;
    flightSelector_->setObjectName(QStringLiteral("flightSelector"));
    selectorLabel->setBuddy(flightSelector_);
    selectorLayout->addWidget(selectorLabel);
    selectorLayout->addWidget(flightSelector_);
    selectorLayout->addStretch();
    top->addWidget(selectorRow);

    altitudeView_ = MakeChartView(QStringLiteral("altitudeChart"), QStringLiteral("Altitude"));
    speedView_ =
        MakeChartView(QStringLiteral("verticalSpeedChart"), QStringLiteral("Vertical speed"));
    trackView_ =
        new GroundTrackChart(QStringLiteral("groundTrackChart"), QStringLiteral("Ground track"));
    auto* charts = new QGridLayout;
    charts->addWidget(altitudeView_, 0, 0);
    charts->addWidget(speedView_, 1, 0);
    charts->addWidget(trackView_, 0, 1, 2, 1);
    top->addLayout(charts, 1);

    auto* bottom = new QHBoxLayout;
    summary_ = new QPlainTextEdit;
    summary_->setObjectName(QStringLiteral("summaryText"));
    summary_->setReadOnly(true);
    summary_->setLineWrapMode(QPlainTextEdit::NoWrap);
    summary_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    summary_->setMinimumHeight(200);
    bottom->addWidget(summary_, 1);

    auto* side = new QVBoxLayout;
    landingGroup_ = new QGroupBox(QStringLiteral("Landing"));
    auto* landingLayout = new QGridLayout(landingGroup_);
    landingDecimal_ = new QLabel;
    landingDecimal_->setObjectName(QStringLiteral("landingDecimal"));
    landingDms_ = new QLabel;
    landingDms_->setObjectName(QStringLiteral("landingDms"));
    for (QLabel* label : {landingDecimal_, landingDms_}) {
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    auto* copyButton = new QPushButton(QStringLiteral("&Copy"));
    copyButton->setObjectName(QStringLiteral("copyLandingButton"));
    auto* mapButton = new QPushButton(QStringLiteral("Open in map"));
    mapButton->setObjectName(QStringLiteral("openMapButton"));
    landingLayout->addWidget(landingDecimal_, 0, 0, 1, 2);
    landingLayout->addWidget(landingDms_, 1, 0, 1, 2);
    landingLayout->addWidget(copyButton, 2, 0);
    landingLayout->addWidget(mapButton, 2, 1);
    connect(copyButton, &QPushButton::clicked, this, &CFlightViewDlg::CopyLanding);
    connect(mapButton, &QPushButton::clicked, this, &CFlightViewDlg::OpenLandingInMap);
    side->addWidget(landingGroup_);

    auto* exportGroup = new QGroupBox(QStringLiteral("Export"));
    auto* exportLayout = new QGridLayout(exportGroup);
    const auto exportButton = [&](const char* name, const char* text, ExportKind kind, int column) {
        auto* button = new QPushButton(QString::fromUtf8(text));
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, kind] { Export(kind); });
        exportLayout->addWidget(button, 0, column);
    };
    exportButton("exportGpxButton", "GPX\xE2\x80\xA6", ExportKind::gpx, 0);
    exportButton("exportCsvButton", "CSV\xE2\x80\xA6", ExportKind::csv, 1);
    exportButton("exportKml22Button", "KML 2.2\xE2\x80\xA6", ExportKind::kml22, 2);
    exportStatus_ = new QLabel;
    exportStatus_->setObjectName(QStringLiteral("exportStatus"));
    exportStatus_->setTextFormat(Qt::PlainText);
    exportStatus_->setWordWrap(true);
    exportLayout->addWidget(exportStatus_, 1, 0, 1, 3);
    side->addWidget(exportGroup);
    side->addStretch();
    bottom->addLayout(side);
    top->addLayout(bottom);

    auto* closeButton = new QPushButton(QStringLiteral("Close"));
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(closeButton);
    top->addLayout(closeRow);
}

void CFlightViewDlg::SelectFlight(int index) {
    for (QChartView* view : {altitudeView_, speedView_}) {
        ClearChart(view->chart());
    }
    trackView_->Clear();
    if (index < 0 || static_cast<std::size_t>(index) >= analysis_.flights.size()) {
        std::string text;
        for (const std::string& line : summaryLines_) {
            text += line + '\n';
        }
        summary_->setPlainText(FromUtf8(text));
        landingGroup_->setEnabled(false);
        landingDecimal_->setText(QStringLiteral("No landing: no flight found"));
        landingDms_->clear();
        return;
    }
    if (flightSelector_->currentIndex() != index) {
        flightSelector_->setCurrentIndex(index);  // comes back here through the signal
        return;
    }
    const auto flight = static_cast<std::size_t>(index);
    const FlightSummary& f = analysis_.flights[flight];
    const std::vector<TrackPoint>& track = analysis_.track;

    // The points around this flight, not reaching into the flights before and after it.
    const double margin = std::max(kMinimumMarginS, kMarginShare * f.flightTimeS);
    const std::size_t lower = flight > 0 ? analysis_.flights[flight - 1].landing + 1 : 0;
    const std::size_t upper = flight + 1 < analysis_.flights.size()
                                  ? analysis_.flights[flight + 1].launch - 1
                                  : track.size() - 1;
    std::size_t first = f.launch;
    while (first > lower && track[first - 1].timeS >= track[f.launch].timeS - margin) {
        --first;
    }
    std::size_t last = f.landing;
    while (last < upper && track[last + 1].timeS <= track[f.landing].timeS + margin) {
        ++last;
    }
    ShowAltitude(f, first, last);
    ShowVerticalSpeed(f, first, last);
    // The ground track starts at the pad: before launch a tracker can still be finding its fix.
    ShowGroundTrack(f, f.launch, last);
    ShowLanding(f);

    // This flight's block of the summary, then the lines about the whole log.
    std::string text;
    std::size_t seen = 0;
    bool inFlight = false;
    for (const std::string& line : summaryLines_) {
        if (line.starts_with("Flight ")) {
            inFlight = seen++ == flight;
        } else if (line.starts_with("Log: ")) {
            inFlight = true;
        }
        if (inFlight) {
            text += line + '\n';
        }
    }
    summary_->setPlainText(FromUtf8(text));
}

void CFlightViewDlg::ShowAltitude(const FlightSummary& f, std::size_t first, std::size_t last) {
    const std::vector<TrackPoint>& track = analysis_.track;
    const double t0 = track[f.launch].timeS;
    auto* line = new QLineSeries;
    line->setName(QStringLiteral("Altitude"));
    double low = track[first].altitudeM;
    double high = low;
    for (std::size_t i = first; i <= last; ++i) {
        line->append(track[i].timeS - t0, track[i].altitudeM);
        low = std::min(low, track[i].altitudeM);
        high = std::max(high, track[i].altitudeM);
    }
    QChart* chart = altitudeView_->chart();
    chart->addSeries(line);
    const auto mark = [&](const QString& name, std::size_t at, QColor color) {
        AddMark(chart, name, QPointF(track[at].timeS - t0, track[at].altitudeM), color);
    };
    mark(QStringLiteral("Launch"), f.launch, QColor(0x2e, 0x7d, 0x32));
    mark(QStringLiteral("Apogee"), f.apogee, QColor(0xc6, 0x28, 0x28));
    mark(f.landed ? QStringLiteral("Landing") : QStringLiteral("Last point"), f.landing,
         QColor(0x15, 0x65, 0xc0));
    auto [x, y] =
        AddAxes(chart, QStringLiteral("Seconds from launch"), QStringLiteral("Altitude MSL (m)"));
    SetPaddedRange(x, track[first].timeS - t0, track[last].timeS - t0);
    SetPaddedRange(y, low, high);
}

void CFlightViewDlg::ShowVerticalSpeed(const FlightSummary& f, std::size_t first,
                                       std::size_t last) {
    const std::vector<TrackPoint>& track = analysis_.track;
    const double t0 = track[f.launch].timeS;
    auto* line = new QLineSeries;
    line->setName(QStringLiteral("Vertical speed (up positive)"));
    double low = 0;
    double high = 0;
    // Between neighbouring points, plotted half way between their times.
    for (std::size_t i = first + 1; i <= last; ++i) {
        const double dt = track[i].timeS - track[i - 1].timeS;
        if (dt <= 0) {
            continue;
        }
        const double rate = (track[i].altitudeM - track[i - 1].altitudeM) / dt;
        line->append((track[i].timeS + track[i - 1].timeS) / 2 - t0, rate);
        low = std::min(low, rate);
        high = std::max(high, rate);
    }
    QChart* chart = speedView_->chart();
    chart->addSeries(line);
    auto [x, y] =
        AddAxes(chart, QStringLiteral("Seconds from launch"), QStringLiteral("m/s, up positive"));
    SetPaddedRange(x, track[first].timeS - t0, track[last].timeS - t0);
    SetPaddedRange(y, low, high);
}

void CFlightViewDlg::ShowGroundTrack(const FlightSummary& f, std::size_t first, std::size_t last) {
    const std::vector<TrackPoint>& track = analysis_.track;
    const TrackPoint& pad = track[f.launch];
    const auto at = [&](const TrackPoint& p) {
        return EastNorthMetres(pad.latitudeDeg, pad.longitudeDeg, p.latitudeDeg, p.longitudeDeg);
    };
    QList<QPointF> line;
    for (std::size_t i = first; i <= last; ++i) {
        line.append(at(track[i]));
    }
    trackView_->ShowTrack(line,
                          {{QStringLiteral("Pad"), QPointF(0, 0), QColor(0x2e, 0x7d, 0x32)},
                           {f.landed ? QStringLiteral("Landing") : QStringLiteral("Last point"),
                            at(track[f.landing]), QColor(0x15, 0x65, 0xc0)}},
                          QStringLiteral("Metres east of the pad"),
                          QStringLiteral("Metres north of the pad"));
}

void CFlightViewDlg::ShowLanding(const FlightSummary& f) {
    const TrackPoint& landing = analysis_.track[f.landing];
    landingLatitude_ = landing.latitudeDeg;
    landingLongitude_ = landing.longitudeDeg;
    landingGroup_->setEnabled(true);
    landingGroup_->setTitle(f.landed ? QStringLiteral("Landing")
                                     : QStringLiteral("Last point (the log ends in the air)"));
    landingDecimal_->setText(FromUtf8(DecimalDegreesText(landingLatitude_, landingLongitude_)));
    landingDms_->setText(FromUtf8(DegreesMinutesSecondsText(landingLatitude_, landingLongitude_)));
}

void CFlightViewDlg::CopyLanding() {
    QGuiApplication::clipboard()->setText(landingDecimal_->text() + QLatin1Char('\n') +
                                          landingDms_->text());
}

void CFlightViewDlg::OpenLandingInMap() {
    urlOpener_(QUrl(FromUtf8(MapUrl(landingLatitude_, landingLongitude_))));
}

void CFlightViewDlg::Export(ExportKind kind) {
    FlightExportPaths paths;
    FileDialogRequest request;
    std::string* path = nullptr;
    switch (kind) {
        case ExportKind::gpx:
            request = {"GPX Files (*.gpx)|*.gpx|All Files (*.*)|*.*||", "gpx"};
            path = &paths.gpx;
            break;
        case ExportKind::csv:
            request = {"CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||", "csv"};
            path = &paths.csv;
            break;
        case ExportKind::kml22:
            request = {"KML Files (*.kml)|*.kml|All Files (*.*)|*.*||", "kml"};
            path = &paths.kml22;
            break;
    }
    const std::optional<std::string> chosen = ui_.AskSaveFile(request);
    if (!chosen) {
        return;
    }
    *path = *chosen;
    if (WriteFlightExports(ui_, log_, analysis_, paths)) {
        exportStatus_->setText(QStringLiteral("Saved ") + QString::fromLocal8Bit(*chosen));
    } else {
        exportStatus_->setText(QStringLiteral("Not saved: ") + QString::fromLocal8Bit(*chosen));
    }
}

}  // namespace vanteo
