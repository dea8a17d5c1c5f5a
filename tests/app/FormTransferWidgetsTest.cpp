#include <QTest>

#include "tests/app/FormFixture.h"

namespace vanteo::test {
namespace {

class FormTransferTest : public FormTest {
protected:
    FormTransferTest() {
        Start();
        dlg->show();
    }
};

TEST_F(FormTransferTest, ParseFailureStopsTheTransferAndSelectsTheFailingEdit) {
    SetText(1004, "12ab");  // Output Power
    SetText(1059, "16");    // SSID, later in the table: not reached
    SetText(1019, "7");     // Store Intveral, later too
    EXPECT_FALSE(dlg->ReadForm());
    ASSERT_EQ(prompts.Texts(), std::vector<std::string>{"Please enter an integer."});
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::none);
    EXPECT_EQ(form.outputPower, 0);
    EXPECT_EQ(form.ssid, 1u);
    EXPECT_EQ(form.storeInterval, 100);
    EXPECT_EQ(dlg->focusWidget(), Edit(1004));
    EXPECT_EQ(Edit(1004)->selectedText(), "12ab");
}

TEST_F(FormTransferTest, RangeFailureKeepsTheNumberAndWarns) {
    SetText(1059, "16");
    EXPECT_FALSE(dlg->ReadForm());
    ASSERT_EQ(prompts.Texts(),
              std::vector<std::string>{"Please enter an integer between 0 and 15."});
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::exclamation);
    EXPECT_EQ(form.ssid, 16u);
    EXPECT_EQ(dlg->focusWidget(), Edit(1059));
    EXPECT_EQ(Edit(1059)->selectedText(), "16");

    prompts.messages.clear();
    SetText(1059, " \t+15\t ");  // blanks, tabs and a plus sign are accepted
    EXPECT_TRUE(dlg->ReadForm());
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(form.ssid, 15u);
}

// A character beyond Latin-1 (a euro sign from a German keyboard) is not turned into a '?' that
// the ID String would accept: the field's own message refuses it.
TEST_F(FormTransferTest, ACharacterWithoutAByteIsRefusedNotReplaced) {
    SetText(1034, QString::fromUtf8("K\u20acBC"));
    EXPECT_FALSE(dlg->ReadForm());
    ASSERT_EQ(prompts.Texts(), std::vector<std::string>{"Invalid character in callsign string, "
                                                        "only A-Z, 0-9 and /.?,:;- supported"});
    EXPECT_EQ(dlg->focusWidget(), Edit(1034));
    EXPECT_EQ(form.idString.find('?'), std::string::npos);
}

TEST_F(FormTransferTest, TypingStopsAtEachFieldsMaximum) {
    const std::map<int, int> limits = {{1001, 7}, {1113, 31}, {1028, 4}, {1060, 2}, {1034, 7}};
    for (const auto& [id, limit] : limits) {
        Edit(id)->clear();
        QTest::keyClicks(Edit(id), QString(40, QLatin1Char('7')));
        EXPECT_EQ(Edit(id)->text().size(), limit) << id;
    }
    Edit(1002)->clear();  // Messages: no limit
    QTest::keyClicks(Edit(1002), QString(40, QLatin1Char('m')));
    EXPECT_EQ(Edit(1002)->text().size(), 40);
}

TEST_F(FormTransferTest, OverlongValueFromAnOperationIsShownWholeAndRefused) {
    form.frequency = "433.92000";
    dlg->ShowForm();
    EXPECT_EQ(Text(1001), "433.92000");
    EXPECT_FALSE(dlg->ReadForm());
    ASSERT_EQ(prompts.Texts(), std::vector<std::string>{"Please enter no more than 7 characters."});
    EXPECT_EQ(prompts.messages[0].icon, MessageIcon::exclamation);
    EXPECT_EQ(dlg->focusWidget(), Edit(1001));
}

TEST_F(FormTransferTest, CheckBoxesAndLabels) {
    form.digA = 5;  // outside 0 .. 2: shown clear, and the field becomes 0
    form.digB = 1;
    form.batteryStatus = "Battery 3.90 V";
    dlg->ShowForm();
    EXPECT_FALSE(Check(1084)->isChecked());
    EXPECT_TRUE(Check(1085)->isChecked());
    EXPECT_EQ(form.digA, 0);
    EXPECT_EQ(Text(1050), "Battery 3.90 V");

    Check(1084)->setChecked(true);
    Check(1085)->setChecked(false);
    EXPECT_TRUE(dlg->ReadForm());
    EXPECT_EQ(form.digA, 1);
    EXPECT_EQ(form.digB, 0);
    EXPECT_EQ(form.batteryStatus, "Battery 3.90 V");
}

TEST_F(FormTransferTest, PortBoxSelectsTheListedEntryOrKeepsTheText) {
    form.comPort = "com3";
    dlg->ShowForm();
    EXPECT_EQ(PortBox()->currentText(), "COM3");
    EXPECT_TRUE(dlg->ReadForm());
    EXPECT_EQ(form.comPort, "COM3");

    form.comPort = "/dev/pts/4";
    dlg->ShowForm();
    EXPECT_EQ(PortBox()->currentText(), "/dev/pts/4");
    EXPECT_EQ(PortBox()->count(), 9);  // typed names are not added to the list

    PortBox()->setEditText("/dev/ttyACM0");
    EXPECT_TRUE(dlg->ReadForm());
    EXPECT_EQ(form.comPort, "/dev/ttyACM0");
}

// A port that is not listed stays as typed, even when a listed name begins with it: "COM1" must
// not become "COM10", by the form's transfer or by the box completing what is typed.
TEST_F(FormTransferTest, PortBoxNeverTurnsANameIntoALongerListedOne) {
    ports = {{"/dev/pts/10", ""}, {"COM10", ""}};
    PortBox()->showPopup();  // the drop-down lists the ports present now
    PortBox()->hidePopup();
    ASSERT_EQ(PortBox()->count(), 2);
    for (const QString& typed : {QStringLiteral("COM1"), QStringLiteral("/dev/pts/1")}) {
        PortBox()->lineEdit()->clear();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));  // the box completes only with focus
        PortBox()->setFocus();
        QTest::keyClicks(PortBox()->lineEdit(), typed);
        EXPECT_TRUE(dlg->ReadForm());
        EXPECT_EQ(form.comPort, typed.toStdString());
        dlg->ShowForm();
        EXPECT_EQ(PortBox()->currentText(), typed);
        EXPECT_EQ(form.comPort, typed.toStdString());
    }
}

TEST_F(FormTransferTest, EnterClosesOnlyAValidForm) {
    SetText(1059, "99");
    QTest::keyClick(Edit(1001), Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    // From the editable "COM port" box too; the typed name is not added to the list.
    PortBox()->setEditText("/dev/ttyUSB0");
    QTest::keyClick(PortBox()->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(PortBox()->count(), 9);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>(2, "Please enter an integer between 0 and 15."));

    SetText(1059, "9");
    QTest::keyClick(Check(1061), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(form.ssid, 9u);
}

TEST_F(FormTransferTest, EnterOnAPushButtonClicksItAndEscapeCloses) {
    QTest::keyClick(dlg->Control(1033), Qt::Key_Return);  // "Validate KML": its open dialog
    EXPECT_EQ(prompts.fileRequests.size(), 1u);
    EXPECT_TRUE(dlg->isVisible());

    QTest::keyClick(Edit(1001), Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
}

}  // namespace
}  // namespace vanteo::test
