#include <gtest/gtest.h>

#include <memory>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>

#include "app/CAboutDlg.h"
#include "app/CClearFlashDlg.h"
#include "app/CFlightDetailsDlg.h"
#include "app/FileDialogFilter.h"
#include "app/FrameGroupBox.h"
#include "app/ProgramIcon.h"

namespace vanteo {
namespace {

QStringList LabelTexts(const QWidget& dialog) {
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        texts << label->text();
    }
    return texts;
}

// The form's group boxes draw their Fusion frame from a pixmap read without the image-format
// plugins: they must look exactly as Qt's own group box, titled or not, at every size.
TEST(FrameGroupBox, LooksExactlyAsFusionDrawsAGroupBox) {
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    ASSERT_NE(fusion, nullptr);
    for (const QString& title : {QStringLiteral("Digital Telemetry"), QString()}) {
        // 260 pixels: taller than a band of DrawFrame.
        for (const QSize size : {QSize(240, 90), QSize(61, 33), QSize(200, 260)}) {
            QGroupBox plain(title);
            FrameGroupBox framed;
            framed.setTitle(title);
            for (QGroupBox* box : {&plain, static_cast<QGroupBox*>(&framed)}) {
                box->setStyle(fusion.get());
                box->resize(size);
            }
            const QImage expected = plain.grab().toImage();
            EXPECT_FALSE(expected.isNull());
            EXPECT_TRUE(framed.grab().toImage() == expected) << title.toStdString();
            framed.SetFrameShown(false);
            EXPECT_FALSE(framed.grab().toImage() == expected);  // the hidden frame is not drawn
        }
    }
}

TEST(ProgramIcon, HasEverySizeTheWindowAndTheAboutBoxAskFor) {
    const QIcon icon = ProgramIcon();
    EXPECT_EQ(icon.availableSizes(),
              (QList<QSize>{{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}}));
    EXPECT_EQ(icon.pixmap(48, 48).size(), QSize(48, 48));
}

// The pixels compiled in at build time are the PNG renderings' own, byte order and alpha
// included: a half-transparent edge pixel would show a wrong premultiplication.
TEST(ProgramIcon, PixelsAreThoseOfThePngRenderings) {
    const QIcon icon = ProgramIcon();
    for (const int size : {16, 32, 48, 64, 128}) {
        const QImage png(QStringLiteral(VANTEO_RESOURCES_DIR "/vanteo-%1.png").arg(size));
        ASSERT_FALSE(png.isNull()) << size;
        const QImage shown = icon.pixmap(size, size).toImage();
        EXPECT_TRUE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied) ==
                    png.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << size;
    }
}

TEST(FileDialogFilter, KmlAndKvtFiltersBecomeNameFiltersThatMatchEveryFile) {
    EXPECT_EQ(NameFiltersFromFilterString("KML Files (*.kml)|*.kml|All Files (*.*)|*.*||"),
              (QStringList{"KML Files (*.kml)", "All Files (*)"}));
    EXPECT_EQ(NameFiltersFromFilterString("KVT Files (*.kvt)|*.kvt|All Files (*.*)|*.*||"),
              (QStringList{"KVT Files (*.kvt)", "All Files (*)"}));
}

TEST(FileDialogFilter, DescriptionsWithoutPatternsAndSeveralPatterns) {
    EXPECT_EQ(NameFiltersFromFilterString("Track|*.kml||"), QStringList{"Track (*.kml)"});
    EXPECT_EQ(NameFiltersFromFilterString("Logs (*.kml;*.txt)|*.kml;*.txt||"),
              QStringList{"Logs (*.kml *.txt)"});
    // Nothing usable: an empty string, only the end marker, a pair without its pattern.
    EXPECT_TRUE(NameFiltersFromFilterString("").isEmpty());
    EXPECT_TRUE(NameFiltersFromFilterString("||").isEmpty());
    EXPECT_TRUE(NameFiltersFromFilterString("KML Files").isEmpty());
}

TEST(AboutBox, TitleTextsAndVersionLine) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "About vanteo");
    EXPECT_EQ(about.VersionText(), "Version 66 - 12/29/2013");
    EXPECT_TRUE(LabelTexts(about).contains("Vanteo GPS Programming Inteface"));
    const auto* buttons = about.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->standardButtons(), QDialogButtonBox::Ok);
    // The icon is painted, not left blank.
    const auto* icon = about.findChild<QLabel*>("iconLabel");
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
}

TEST(FlightDetailsDialog, FieldsMapToDetailsInHeaderOrder) {
    CFlightDetailsDlg details;
    EXPECT_EQ(details.windowTitle(), "Details");
    EXPECT_TRUE(LabelTexts(details).contains("Flight Details"));
    // Identifiers as the template numbers them: Date is 1018 and Motor 1017.
    const std::map<int, QString> typed = {{1015, QString::fromUtf8("Apogee test \u00fc\u2191")},
                                          {1016, "Arrow II"},
                                          {1018, "12/29/2013"},
                                          {1017, "F50"}};
    for (QLineEdit* edit : details.findChildren<QLineEdit*>()) {
        EXPECT_TRUE(edit->text().isEmpty());
        edit->setText(typed.at(edit->property("controlId").toInt()));
    }
    auto* comments = details.findChild<QPlainTextEdit*>();
    ASSERT_NE(comments, nullptr);
    EXPECT_EQ(comments->property("controlId").toInt(), 1019);
    comments->setPlainText("windy\nrecovered");

    const FlightDetails result = details.Details();
    // U+00FC and U+2191 as UTF-8: C3 BC and E2 86 91.
    EXPECT_EQ(result.name, "Apogee test \xC3\xBC\xE2\x86\x91");
    EXPECT_EQ(result.rocketName, "Arrow II");
    EXPECT_EQ(result.date, "12/29/2013");
    EXPECT_EQ(result.motor, "F50");
    EXPECT_EQ(result.comments, "windy\nrecovered");
}

TEST(ClearFlashDialog, OnlyClearAcceptsAndCancelIsTheDefault) {
    CClearFlashDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Dialog");
    const QStringList texts = LabelTexts(dialog);
    EXPECT_TRUE(texts.contains("Are you sure you want to clear the flash?"));
    EXPECT_TRUE(texts.contains("Press CLEAR to delete the data forever."));
    EXPECT_TRUE(texts.contains("Otherwise press Cancel"));

    QPushButton* clear = nullptr;
    QPushButton* cancel = nullptr;
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        (button->text() == "CLEAR" ? clear : cancel) = button;
    }
    ASSERT_NE(clear, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), "Cancel");
    EXPECT_TRUE(cancel->isDefault());

    clear->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    dialog.setResult(-1);
    cancel->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

}  // namespace
}  // namespace vanteo
