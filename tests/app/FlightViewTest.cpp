#include <QAbstractButton>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QScatterSeries>
#include <QTemporaryDir>
#include <QValueAxis>
#include <cmath>

#include "app/CFlightViewDlg.h"
#include "app/CoordinateText.h"
#include "flightlog/FlightText.h"
#include "sim/DemoFlight.h"
#include "tests/app/FormFixture.h"

namespace vanteo::test {
namespace {

constexpr const char* kDegree = "\xC2\xB0";

std::string Dms(int d, const char* rest) {
    return std::to_string(d) + kDegree + rest;
}

TEST(CoordinateTextTest, PlacesWorkedByHand) {
    struct Case {
        double lat;
        double lon;
        std::string dms;
    };
    const Case cases[] = {
        // 35.3475833 deg = 35 deg + 1251.29988" = 20' 51.3"; 117.8083333 = 117 deg 48' 30.0".
        {35.3475833, -117.8083333, Dms(35, "20'51.3\"N ") + Dms(117, "48'30.0\"W")},
        // 33.8568 = 33 deg 51' 24.48"; 151.2153 = 151 deg 12' 55.08".
        {-33.8568, 151.2153, Dms(33, "51'24.5\"S ") + Dms(151, "12'55.1\"E")},
        // 10 deg 59' 59.99" and 0 deg 59' 59.96" W round up into the next minute and degree.
        {10 + 59.0 / 60 + 59.99 / 3600, -(59.0 / 60 + 59.96 / 3600),
         Dms(11, "00'00.0\"N ") + Dms(1, "00'00.0\"W")},
        // 0.036" south and west rounds to nothing: no hemisphere to tell, the positive letters.
        {-0.00001, -0.00001, Dms(0, "00'00.0\"N ") + Dms(0, "00'00.0\"E")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DegreesMinutesSecondsText(c.lat, c.lon), c.dms) << c.lat << ", " << c.lon;
    }
    EXPECT_EQ(DecimalDegreesText(35.3475833, -117.8083333), "35.347583, -117.808333");
    EXPECT_EQ(MapUrl(35.3475833, -117.8083333),
              "https://www.openstreetmap.org/?mlat=35.347583&mlon=-117.808333"
              "#map=16/35.347583/-117.808333");
}

QChart* Chart(const CFlightViewDlg& view, const char* name) {
    auto* chartView = view.findChild<QChartView*>(QString::fromLatin1(name));
    return chartView ? chartView->chart() : nullptr;
}

// The one point of the mark series `name`; NaN when there is no such series.
QPointF Mark(QChart* chart, const QString& name) {
    for (QAbstractSeries* series : chart->series()) {
        auto* scatter = qobject_cast<QScatterSeries*>(series);
        if (scatter && series->name() == name && scatter->count() == 1) {
            return scatter->at(0);
        }
    }
    return {std::nan(""), std::nan("")};
}

QAbstractSeries* SeriesNamed(QChart* chart, const QString& prefix) {
    for (QAbstractSeries* series : chart->series()) {
        if (series->name().startsWith(prefix)) {
            return series;
        }
    }
    return nullptr;
}

QString Summary(const CFlightViewDlg& view) {
    return view.findChild<QPlainTextEdit*>(QStringLiteral("summaryText"))->toPlainText();
}

QString LabelText(const CFlightViewDlg& view, const char* name) {
    return view.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

void ClickIn(const CFlightViewDlg& view, const char* name) {
    auto* button = view.findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

// The demo flight: pad at 1196 m MSL, apogee 3000 m above it; the summary's figures must agree
// with the marks of the charts and the landing texts.
void ExpectDemoFlight(const CFlightViewDlg& view, double padM) {
    ASSERT_EQ(view.Analysis().flights.size(), 1u);
    QChart* altitude = Chart(view, "altitudeChart");
    const QPointF launch = Mark(altitude, QStringLiteral("Launch"));
    const QPointF apogee = Mark(altitude, QStringLiteral("Apogee"));
    const QPointF landing = Mark(altitude, QStringLiteral("Landing"));
    EXPECT_EQ(launch.x(), 0);
    EXPECT_NEAR(launch.y(), padM, 10);
    EXPECT_NEAR(apogee.y(), padM + 3000, 30);
    EXPECT_GT(apogee.x(), 4);  // after the four-second boost, before the drogue's descent
    EXPECT_LT(apogee.x(), 60);
    EXPECT_NEAR(landing.y(), padM, 10);
    // 2700 m under the drogue at 25 m/s and 300 m under the main at 6 m/s: about 160 s.
    EXPECT_NEAR(landing.x() - apogee.x(), 2700 / 25.0 + 300 / 6.0, 15);

    const FlightSummary& f = view.Analysis().flights[0];
    const QString text = Summary(view);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Flight 1 of 1\n"))) << text.toStdString();
    std::string apogeeLine = "  Apogee:            ";
    AppendFixed(apogeeLine, apogee.y(), 0);
    EXPECT_TRUE(text.contains(QString::fromStdString(apogeeLine))) << text.toStdString();

    // The landing on the ground track is as far from the pad as the summary's great circle.
    const QPointF ground = Mark(Chart(view, "groundTrackChart"), QStringLiteral("Landing"));
    EXPECT_NEAR(std::hypot(ground.x(), ground.y()), f.distanceM, f.distanceM * 0.005 + 1);
    EXPECT_NEAR(Mark(Chart(view, "groundTrackChart"), QStringLiteral("Pad")).x(), 0, 1e-9);
    const TrackPoint& place = view.Analysis().track[f.landing];
    EXPECT_EQ(LabelText(view, "landingDecimal").toStdString(),
              DecimalDegreesText(place.latitudeDeg, place.longitudeDeg));
    EXPECT_EQ(LabelText(view, "landingDms").toStdString(),
              DegreesMinutesSecondsText(place.latitudeDeg, place.longitudeDeg));
    EXPECT_NE(SeriesNamed(Chart(view, "verticalSpeedChart"), QStringLiteral("Vertical speed")),
              nullptr);
}

// The ground track's axes give as many metres to a pixel across as up and down, and its scale
// bar is as long as it says.
void ExpectEqualScales(CFlightViewDlg& view) {
    view.show();
    QCoreApplication::processEvents();
    QChart* chart = Chart(view, "groundTrackChart");
    const auto* x = qobject_cast<QValueAxis*>(chart->axes(Qt::Horizontal).front());
    const auto* y = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).front());
    const QRectF area = chart->plotArea();
    ASSERT_GT(area.width(), 100);
    const double perPixelX = (x->max() - x->min()) / area.width();
    const double perPixelY = (y->max() - y->min()) / area.height();
    EXPECT_NEAR(perPixelX / perPixelY, 1.0, 0.01);
    auto* scale = qobject_cast<QXYSeries*>(SeriesNamed(chart, QStringLiteral("Scale: ")));
    ASSERT_NE(scale, nullptr);
    ASSERT_EQ(scale->count(), 2);
    const double length = scale->at(1).x() - scale->at(0).x();
    const QString expected = length >= 1000 ? QStringLiteral("Scale: %1 km").arg(length / 1000)
                                            : QStringLiteral("Scale: %1 m").arg(length);
    EXPECT_EQ(scale->name(), expected);
    EXPECT_GT(length, (x->max() - x->min()) / 10);
    EXPECT_LE(length, (x->max() - x->min()) / 4);
}

class FlightViewTest : public FormTest {
protected:
    QList<CFlightViewDlg*> Windows() const { return dlg->findChildren<CFlightViewDlg*>(); }

    // Read Flash of the simulated tracker into `kml`, answering the offer with `view`.
    void ReadFlash(const QString& kml, bool view) {
        prompts.detailsAnswers.push_back({"Test", "Arrow", "09/19/2026", "J350", ""});
        prompts.saveAnswers.push_back(kml.toStdString());
        prompts.yesNoAnswers.push_back(view);
        const std::size_t asked = prompts.questions.size();
        Click(1065);
        ASSERT_TRUE(PumpUntil([&] { return prompts.questions.size() > asked; }));
        EXPECT_EQ(prompts.questions.back(), "View the flight now?");
    }

    QTemporaryDir dir;
};

TEST_F(FlightViewTest, OfferedAfterReadFlashAndOpenedForTheSavedFile) {
    ASSERT_TRUE(dir.isValid());
    sim::SimulatorConfig config;
    config.firmwareVersion = 212;  // 15-byte records and the capture date
    simulator = sim::TrackerSimulator(config);
    Start();
    ChoosePort();
    Click(1005);
    ASSERT_EQ(Text(1002), "Read Complete");

    // Declined: no window, and nothing forced on the user.
    ReadFlash(dir.filePath("first.kml"), false);
    EXPECT_TRUE(Windows().empty());
    const QString kml = dir.filePath("flight.kml");
    ReadFlash(kml, true);
    ASSERT_EQ(Windows().size(), 1u);
    CFlightViewDlg& downloaded = *Windows().front();
    ExpectDemoFlight(downloaded, 1196);
    ExpectEqualScales(downloaded);

    // The same flight from the KML file the download wrote ("View Flight...").
    prompts.openAnswers.push_back(kml.toStdString());
    dlg->findChild<QAbstractButton*>(QStringLiteral("viewFlightButton"))->click();
    ASSERT_EQ(Windows().size(), 2u);
    CFlightViewDlg& fromFile = *Windows().back();
    ExpectDemoFlight(fromFile, 1196);
    EXPECT_EQ(Summary(fromFile), Summary(downloaded));

    // Copy, Open in map and the three exports.
    std::vector<QUrl> opened;
    fromFile.SetUrlOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    const FlightSummary& f = fromFile.Analysis().flights[0];
    const TrackPoint& place = fromFile.Analysis().track[f.landing];
    ClickIn(fromFile, "openMapButton");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toString().toStdString(), MapUrl(place.latitudeDeg, place.longitudeDeg));
    ClickIn(fromFile, "copyLandingButton");
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              LabelText(fromFile, "landingDecimal") + "\n" + LabelText(fromFile, "landingDms"));

    const struct {
        const char* button;
        const char* file;
        const char* start;
    } exports[] = {{"exportGpxButton", "flight.gpx", "<?xml"},
                   {"exportCsvButton", "flight.csv", ""},
                   {"exportKml22Button", "flight-22.kml", "<?xml"}};
    for (const auto& e : exports) {
        const QString path = dir.filePath(QString::fromLatin1(e.file));
        prompts.saveAnswers.push_back(path.toStdString());
        ClickIn(fromFile, e.button);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << e.file;
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith(e.start)) << e.file;
        // One line (or track point) per logged fix at least: 481 fixes.
        EXPECT_GT(bytes.count('\n') + bytes.count("<trkpt") + bytes.count("<when"), 480) << e.file;
        EXPECT_EQ(LabelText(fromFile, "exportStatus"), QStringLiteral("Saved ") + path);
    }
    EXPECT_EQ(prompts.fileRequests.back().defaultExtension, "kml");
}

// Two demo flights in one log, the second an hour later from a pad 500 m higher.
FlightLogSource TwoFlights() {
    std::vector<sim::DemoFix> fixes = sim::DemoFlight::Fixes();
    const std::size_t count = fixes.size();
    for (std::size_t i = 0; i < count; ++i) {
        sim::DemoFix fix = fixes[i];
        fix.utcHours += 1;
        fix.altitudeM += 500;
        fixes.push_back(fix);
    }
    constexpr int kMemoryKbit = 128;
    const std::vector<std::uint8_t> bytes =
        sim::DemoFlight::BuildImage(fixes, kMemoryKbit, true, true);
    FlightLogSource source;
    source.image.assign(bytes.begin(), bytes.end());
    source.layout = {kMemoryKbit, false, 15, true};
    return source;
}

TEST_F(FlightViewTest, SeveralFlightsAreChosenOneAtATime) {
    CFlightViewDlg view(TwoFlights(), 1, *dlg);
    ASSERT_EQ(view.Analysis().flights.size(), 2u);
    auto* selector = view.findChild<QComboBox*>(QStringLiteral("flightSelector"));
    view.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(selector->isVisible());
    ASSERT_EQ(selector->count(), 2);
    EXPECT_EQ(selector->itemText(1), QStringLiteral("Flight 2 of 2"));
    ExpectEqualScales(view);
    QChart* altitude = Chart(view, "altitudeChart");
    EXPECT_NEAR(Mark(altitude, QStringLiteral("Launch")).y(), 1196, 10);

    selector->setCurrentIndex(1);
    EXPECT_NEAR(Mark(altitude, QStringLiteral("Launch")).y(), 1696, 10);
    EXPECT_NEAR(Mark(altitude, QStringLiteral("Apogee")).y(), 4696, 30);
    const QString text = Summary(view);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Flight 2 of 2\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("Flight 1 of 2")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nLog: ")));
    ExpectEqualScales(view);
}

TEST_F(FlightViewTest, AnErasedLogSaysNoFlightFound) {
    FlightLogSource erased;
    erased.layout = {128, false, 13, false};
    erased.image.assign(128 * 128, 0);
    CFlightViewDlg view(erased, 1, *dlg);
    view.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Summary(view).startsWith(QStringLiteral("no flight found")))
        << Summary(view).toStdString();
    EXPECT_FALSE(view.findChild<QComboBox*>(QStringLiteral("flightSelector"))->isVisible());
    EXPECT_FALSE(view.findChild<QAbstractButton*>(QStringLiteral("openMapButton"))->isEnabled());
    for (const char* chart : {"altitudeChart", "verticalSpeedChart", "groundTrackChart"}) {
        EXPECT_TRUE(Chart(view, chart)->series().isEmpty()) << chart;
    }
}

TEST_F(FlightViewTest, TheNewButtonMovesNoControlOfTheForm) {
    // Laid out without being shown: a window not on screen takes its new size at once.
    Start();
    dlg->layout()->activate();
    // The row of the new buttons: "View Flight..." and "Recovery...".
    auto* button = dlg->findChild<QAbstractButton*>(QStringLiteral("viewFlightButton"));
    auto* recovery = dlg->findChild<QAbstractButton*>(QStringLiteral("recoveryButton"));
    ASSERT_TRUE(button->isVisibleTo(dlg.get()));
    ASSERT_TRUE(recovery->isVisibleTo(dlg.get()));
    std::map<int, QRect> shown;
    for (QWidget* widget : dlg->findChildren<QWidget*>()) {
        if (widget->property("controlId").isValid()) {
            shown[widget->property("controlId").toInt()] =
                QRect(widget->mapTo(dlg.get(), QPoint(0, 0)), widget->size());
        }
    }
    const int height = dlg->height();
    button->hide();
    recovery->hide();
    // A window not shown yet keeps its children's cached sizes until told they changed.
    button->parentWidget()->layout()->invalidate();
    button->parentWidget()->updateGeometry();
    dlg->layout()->activate();
    // The row below the others goes: the window is that much shorter, nothing else moves.
    EXPECT_LT(dlg->height(), height);
    for (const auto& [id, rect] : shown) {
        QWidget* widget = dlg->Control(id);
        EXPECT_EQ(QRect(widget->mapTo(dlg.get(), QPoint(0, 0)), widget->size()), rect) << id;
    }
}

}  // namespace
}  // namespace vanteo::test
