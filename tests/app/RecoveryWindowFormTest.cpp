// The recovery window without a receiver: opened from the form, its flash rendered. (The
// receiver's tests, threaded, are in RecoveryWindowTest.cpp.)
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QTimer>

#include "app/CRecoveryDlg.h"
#include "tests/app/FormFixture.h"

namespace vanteo::test {
namespace {

using RecoveryWindowFormTest = FormTest;

TEST_F(RecoveryWindowFormTest, OpensFromTheFormForTheCallsignAndSsidInIt) {
    const struct {
        const char* idString;
        const char* ssid;
        const char* station;
    } cases[] = {
        {"n0call", "11", "N0CALL-11"},
        {" N0CALL ", "0", "N0CALL"},
        {"N0CALL", "", "N0CALL"},
        {"N0CALL", "15", "N0CALL-15"},
        {"N0CALL", "16", ""},
        {"TOOLONGX", "1", ""},
        {"", "11", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CRecoveryDlg::StationOf(c.idString, c.ssid), c.station)
            << c.idString << " " << c.ssid;
    }
    Start();
    SetText(1034, QStringLiteral("K1ABC"));
    SetText(1059, QStringLiteral("7"));
    dlg->findChild<QAbstractButton*>(QStringLiteral("recoveryButton"))->click();
    const QList<CRecoveryDlg*> windows = dlg->findChildren<CRecoveryDlg*>();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows[0]->findChild<QLineEdit*>(QStringLiteral("stationFilter"))->text(),
              QStringLiteral("K1ABC-7"));
    EXPECT_FALSE(windows[0]->findChild<QCheckBox*>(QStringLiteral("allStations"))->isChecked());
    EXPECT_EQ(windows[0]->findChild<QLineEdit*>(QStringLiteral("hostPort"))->text(),
              QStringLiteral("localhost:8001"));
    windows[0]->close();
}

TEST_F(RecoveryWindowFormTest, RendersTheFlashOfANewPacket) {
    auto recovery = std::make_unique<CRecoveryDlg>("N0CALL-11", clock);
    recovery->show();
    aprs::HeardPacket packet;
    packet.frame.source = {"N0CALL", 11};
    packet.frame.destination = {"APZVAN", 0};
    packet.report.format = aprs::AprsFormat::uncompressed;
    packet.report.latitudeDeg = 49.058333;
    packet.report.longitudeDeg = -72.029167;
    recovery->TakePacket(packet, clock.NowMs());
    ASSERT_TRUE(PumpUntil([&] { return !recovery->RefreshPending(); }));
    const auto flashed = [&] {
        QGroupBox* box = recovery->findChild<QGroupBox*>(QStringLiteral("positionBox"));
        QImage image(box->size(), QImage::Format_ARGB32_Premultiplied);
        box->render(&image);
        int matching = 0;
        for (int y = 0; y < image.height(); y += 4) {
            for (int x = 0; x < image.width(); x += 4) {
                matching += image.pixelColor(x, y) == QColor(0xff, 0xf5, 0x9d) ? 1 : 0;
            }
        }
        return matching;
    };
    EXPECT_GT(flashed(), 50);
    recovery->findChild<QTimer*>(QStringLiteral("flashTimer"))->stop();
    QMetaObject::invokeMethod(recovery->findChild<QTimer*>(QStringLiteral("flashTimer")),
                              "timeout");
    EXPECT_EQ(flashed(), 0);
    QImage window(recovery->size(), QImage::Format_ARGB32_Premultiplied);
    window.fill(Qt::black);
    recovery->render(&window);
    EXPECT_GE(window.width(), 1000);
    EXPECT_NE(window.pixelColor(window.width() / 2, window.height() / 2), QColor(Qt::black));
}

}  // namespace
}  // namespace vanteo::test
