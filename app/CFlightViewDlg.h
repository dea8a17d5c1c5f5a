#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

#include "device/UserInteraction.h"
#include "flightlog/FlightAnalysis.h"
#include "flightlog/FlightLogSource.h"

class QChart;
class QChartView;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vanteo {

class GroundTrackChart;

// The flight window: what one log says about its flights, as charts and text. Altitude over time
// and vertical speed over time (seconds from launch), the ground track in metres east and north
// of the pad on equal scales with a distance scale, the summary of the flight model, the landing
// place as decimal degrees and degrees-minutes-seconds (Copy, Open in map), and the exports (GPX,
// CSV, KML 2.2) through save dialogs. A log with several flights shows one at a time, picked in
// the "Flight" box; a log without one shows the model's "no flight found" text and empty charts.
//
// Widgets carry object names ("altitudeChart", "verticalSpeedChart", "groundTrackChart",
// "flightSelector", "summaryText", "landingDecimal", "landingDms", "copyLandingButton",
// "openMapButton", "exportGpxButton", "exportCsvButton", "exportKml22Button", "exportStatus");
// the chart marks are series named "Launch", "Apogee", "Landing" (or "Last point" when the log
// ends in the air) and "Pad". User-interface thread only.
class CFlightViewDlg final : public QDialog {
    Q_OBJECT
public:
    // Opens a URL in the desktop's browser (QDesktopServices::openUrl in the program).
    using UrlOpener = std::function<bool(const QUrl&)>;

    // `storeIntervalS` spaces the points of a log that holds no time. `ui` asks for the export
    // files and reports a file that could not be written; not owned, must outlive the window.
    CFlightViewDlg(const FlightLogSource& source, double storeIntervalS, UserInteraction& ui,
                   QWidget* parent = nullptr);
    ~CFlightViewDlg() override;

    const FlightAnalysis& Analysis() const { return analysis_; }
    // Shows flight `index` (0-based) of the log.
    void SelectFlight(int index);
    void SetUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }

private:
    void BuildWidgets();
    void ShowAltitude(const FlightSummary& flight, std::size_t first, std::size_t last);
    void ShowVerticalSpeed(const FlightSummary& flight, std::size_t first, std::size_t last);
    void ShowGroundTrack(const FlightSummary& flight, std::size_t first, std::size_t last);
    void ShowLanding(const FlightSummary& flight);
    enum class ExportKind { gpx, csv, kml22 };
    void Export(ExportKind kind);
    void CopyLanding();
    void OpenLandingInMap();

    DecodedLog log_;
    FlightAnalysis analysis_;
    UserInteraction& ui_;
    UrlOpener urlOpener_;
    std::vector<std::string> summaryLines_;

    QComboBox* flightSelector_ = nullptr;
    QChartView* altitudeView_ = nullptr;
    QChartView* speedView_ = nullptr;
    GroundTrackChart* trackView_ = nullptr;
    QPlainTextEdit* summary_ = nullptr;
    QGroupBox* landingGroup_ = nullptr;
    QLabel* landingDecimal_ = nullptr;
    QLabel* landingDms_ = nullptr;
    QLabel* exportStatus_ = nullptr;
    double landingLatitude_ = 0;
    double landingLongitude_ = 0;
};

}  // namespace vanteo
