#include <QAction>
#include <QGroupBox>

#include "app/FrameGroupBox.h"

#include "device/FieldTable.h"
#include "tests/app/FormFixture.h"

namespace vanteo::test {
namespace {

TEST_F(FormTest, TemplateHoldsEveryControlWithItsKindLabelAndUnit) {
    EXPECT_EQ(dlg->windowTitle(), "Vanteo GPS Communicator");
    QStringList labelTexts;
    for (const QLabel* label : dlg->findChildren<QLabel*>()) {
        labelTexts << label->text();
    }
    for (const FieldRow& row : FieldTable()) {
        QWidget* widget = dlg->Control(row.id);
        ASSERT_NE(widget, nullptr) << row.id;
        switch (row.type) {
            case FieldType::check: {
                auto* check = qobject_cast<QCheckBox*>(widget);
                ASSERT_NE(check, nullptr) << row.id;
                EXPECT_EQ(check->text(), row.label) << row.id;
                break;
            }
            case FieldType::label:
                EXPECT_NE(qobject_cast<QLabel*>(widget), nullptr) << row.id;
                break;
            case FieldType::comboText:
                EXPECT_NE(qobject_cast<QComboBox*>(widget), nullptr) << row.id;
                break;
            default:
                EXPECT_NE(qobject_cast<QLineEdit*>(widget), nullptr) << row.id;
                if (*row.label) {
                    EXPECT_TRUE(labelTexts.contains(row.label)) << row.id << " " << row.label;
                }
                if (*row.unitCaption) {
                    EXPECT_TRUE(labelTexts.contains(row.unitCaption)) << row.id;
                }
        }
    }
    for (int id : ControlsHiddenAtStartUp()) {
        EXPECT_NE(dlg->Control(id), nullptr) << id;
    }
    const std::map<int, QString> buttons = {
        {1005, "Read"},         {1003, "Write"},      {1014, "Run"},         {1036, "Update"},
        {1127, "Send 1200"},    {1193, "Dev0"},       {1194, "Dev4"},        {1185, "Save Cfg"},
        {1186, "Restore Cfg"},  {1065, "Read Flash"}, {1070, "Clear Flash"}, {1144, "Flash Test"},
        {1033, "Validate KML"}, {1195, "Fix KML"},    {1198, "DEFAULT"},     {1170, "<"}};
    for (const auto& [id, caption] : buttons) {
        EXPECT_EQ(Text(id), caption) << id;
    }
    const std::map<int, QString> groups = {
        {1176, "Digital Telemetry"}, {1177, "Smart Beaconing"}, {1178, "Profile Switching"}};
    for (const auto& [id, title] : groups) {
        auto* group = qobject_cast<QGroupBox*>(dlg->Control(id));
        ASSERT_NE(group, nullptr) << id;
        EXPECT_EQ(group->title(), title);  // before the start-up hides the frames
    }
    EXPECT_NE(Progress(), nullptr);
}

TEST_F(FormTest, StartUpShowsStartValuesAndHidesTrackerDependentControls) {
    Start();
    EXPECT_EQ(Text(1001), "433.92");
    EXPECT_EQ(Text(1004), "0");
    EXPECT_EQ(Text(1059), "1");
    EXPECT_EQ(Text(1060), "-");
    EXPECT_EQ(Text(1019), "100");
    EXPECT_EQ(Text(1020), "0");
    EXPECT_EQ(Text(1073), "1");
    EXPECT_EQ(Text(1017), "5");
    EXPECT_EQ(Text(1134), "5");
    EXPECT_EQ(Text(1000), "CQ CQ CQ");
    EXPECT_EQ(Text(1050), "Battery ??? V");
    EXPECT_EQ(Text(1051), "Version ???");
    EXPECT_EQ(Text(1052), "Model ???");
    EXPECT_EQ(Text(1053), " Time: ???");
    EXPECT_EQ(Text(1049), "Version 66 - 12/29/2013");
    EXPECT_EQ(Text(1173), "Switch to Profile 2 if:");
    EXPECT_TRUE(Check(1166)->isChecked());
    EXPECT_FALSE(Check(1167)->isChecked());
    EXPECT_EQ(PortBox()->count(), 9);
    EXPECT_EQ(PortBox()->itemText(0), "COM1");
    EXPECT_EQ(PortBox()->itemText(8), "COM9");
    EXPECT_TRUE(PortBox()->isEditable());

    // Everything the start-up hides stays hidden except "Validate KML", which the command line
    // shows again; every control the table calls visible is shown, the always-hidden never.
    const std::set<int> shown = ShownOf(ControlsHiddenAtStartUp());
    EXPECT_EQ(shown, std::set<int>{1033});
    for (const FieldRow& row : FieldTable()) {
        EXPECT_EQ(dlg->IsControlShown(row.id), row.visibility == Visibility::visible) << row.id;
    }
    // The TX Msg label follows its edit; the empty service frame is not drawn.
    EXPECT_FALSE(dlg->findChild<QLabel*>("txMessageLabel")->isVisibleTo(dlg.get()));
    EXPECT_FALSE(dlg->findChild<FrameGroupBox*>("serviceGroup")->FrameShown());
    EXPECT_TRUE(prompts.messages.empty());
}

struct SwitchCase {
    QStringList arguments;
    bool calibration;
};

// Names the case by its arguments (the test lists show this instead of the bytes of the list).
void PrintTo(const SwitchCase& switchCase, std::ostream* out) {
    *out << '[' << switchCase.arguments.join(QLatin1Char(' ')).toStdString() << ']';
}

class CalibrationSwitchTest : public FormTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(CalibrationSwitchTest, OnlyTheExactSwitchEnablesCalibrationMode) {
    Start(GetParam().arguments);
    EXPECT_EQ(tracker.calibrationMode, GetParam().calibration);
    if (GetParam().calibration) {
        ASSERT_EQ(prompts.Texts(), std::vector<std::string>{"Calibration Mode Enabled\n"});
        EXPECT_EQ(prompts.messages[0].icon, MessageIcon::none);
    } else {
        EXPECT_TRUE(prompts.messages.empty());
    }
    for (int id : CalibrationModeControls()) {
        EXPECT_EQ(dlg->IsControlShown(id), GetParam().calibration) << id;
    }
    EXPECT_TRUE(dlg->IsControlShown(1033));
    EXPECT_EQ(dlg->findChild<FrameGroupBox*>("serviceGroup")->FrameShown(), GetParam().calibration);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CalibrationSwitchTest,
    ::testing::Values(SwitchCase{{"vanteo", "-qrkvz"}, true},
                      SwitchCase{{"vanteo", "-qrkvz", "more"}, true},
                      // The path comes whole from the argument list, blanks and all.
                      SwitchCase{{"/opt/rocket tools/vanteo", "-qrkvz"}, true},
                      SwitchCase{{"vanteo", "-QRKVZ"}, false},
                      SwitchCase{{"vanteo", "-qrkvzx"}, false},
                      SwitchCase{{"vanteo", "-validate"}, false}, SwitchCase{{"vanteo"}, false},
                      SwitchCase{{}, false}));

TEST_F(FormTest, AboutCommandIsOfferedOnTheWindow) {
    ASSERT_NE(dlg->AboutAction(), nullptr);
    EXPECT_EQ(dlg->AboutAction()->text(), "&About vanteo...");
#ifndef Q_OS_WIN
    EXPECT_EQ(dlg->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_TRUE(dlg->actions().contains(dlg->AboutAction()));
#endif
    EXPECT_FALSE(dlg->windowIcon().isNull());
}

TEST_F(FormTest, DropDownRefillsThePortListAndKeepsWhatWasTyped) {
    Start();
    PortBox()->setEditText("/dev/ttyUSB3");
    PortBox()->showPopup();
    PortBox()->hidePopup();
    ASSERT_EQ(PortBox()->count(), 3);
    EXPECT_EQ(PortBox()->itemText(0), "/dev/pts/7");
    EXPECT_EQ(PortBox()->itemData(0, Qt::ToolTipRole).toString(), "vanteo-sim ZPNAV9");
    EXPECT_EQ(PortBox()->itemText(2), "COM2");
    EXPECT_EQ(PortBox()->currentText(), "/dev/ttyUSB3");

    ports.clear();  // every port unplugged
    PortBox()->showPopup();
    PortBox()->hidePopup();
    EXPECT_EQ(PortBox()->count(), 0);
    EXPECT_EQ(PortBox()->currentText(), "/dev/ttyUSB3");
}

TEST_F(FormTest, FixedSizeDoesNotChangeWhenControlsAppear) {
    Start();
    dlg->adjustSize();
    const QSize before = dlg->size();
    Start({"vanteo", "-qrkvz"});
    for (int id : ControlsHiddenAtStartUp()) {
        dlg->SetControlVisible(id, true);
    }
    dlg->adjustSize();
    EXPECT_EQ(dlg->size(), before);
    EXPECT_EQ(dlg->minimumSize(), dlg->maximumSize());
}

}  // namespace
}  // namespace vanteo::test
