#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <thread>

#include "device/FieldTable.h"
#include "tests/app/FormFixture.h"

namespace vanteo::test {
namespace {

// What a "ZPNAV9" at firmware 130 brings out of the controls hidden at start-up: compression
// and HM logging (123..199), both profiles (122..199), "Once Every" (no Tx Rate spacing below
// 200), smart-beacon logging and valid-only sending (110..199), metres to feet and GPS powerdown
// (116..199), voltage telemetry (120..199), deviation and the power amplifier (by model), smart
// beaconing with its fields, labels, units and the TX message (108..200).
const std::set<int> kShownAfterZpnav9At130 = {
    1181, 1180, 1174,                                // logging options
    1178, 1166, 1167, 1173, 1172, 1170, 1171, 1175,  // profile switching
    1114, 1115, 1017,                                // Once Every
    1117, 1118, 1137, 1138, 1156, 1091, 1100, 1092,  // model and firmware options
    1177, 1010, 1013, 1007, 1008, 1009, 1012, 1021,  // smart beaconing
    1103, 1104, 1105, 1106, 1107, 1108, 1109, 1113, 1139, 1140, 1141, 1142, 1143,
    1033,  // "Validate KML", always
};

class FormOperationsTest : public FormTest {
protected:
    FormOperationsTest() {
        Start();
        ChoosePort();
    }
};

TEST_F(FormOperationsTest, ReadOfZpnav9At130ShowsExactlyItsControls) {
    Click(1005);
    EXPECT_EQ(Text(1002), "Read Complete");
    EXPECT_TRUE(prompts.messages.empty()) << prompts.Texts().front();
    EXPECT_EQ(Text(1052), "Model: ZPNAV9");
    EXPECT_EQ(Text(1051), "Version:130");
    EXPECT_EQ(Text(1079), "Ser #: B5");  // serial number 0x805
    EXPECT_EQ(Text(1175), "meters");
    EXPECT_EQ(ShownOf(ControlsHiddenAtStartUp()), kShownAfterZpnav9At130);
    EXPECT_TRUE(dlg->IsControlShown(1064));   // this model keeps Smart Launch Detect
    EXPECT_TRUE(dlg->IsControlShown(1078));   // and slotting
    EXPECT_FALSE(dlg->IsControlShown(1176));  // no digital telemetry
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // busy cursor gone again
}

TEST_F(FormOperationsTest, CalibrationModeReadShowsDigEnableOutsideAHiddenFrame) {
    Start({"vanteo", "-qrkvz"});
    prompts.messages.clear();
    Click(1005);
    EXPECT_EQ(Text(1002), "Read Complete");
    EXPECT_TRUE(dlg->IsControlShown(1090));
    EXPECT_FALSE(dlg->IsControlShown(1176));
    EXPECT_FALSE(dlg->IsControlShown(1084));
}

TEST_F(FormOperationsTest, WriteSendsTheEditedSettingsToTheTracker) {
    Click(1005);
    ASSERT_EQ(Text(1002), "Read Complete");
    SetText(1034, "N0CALL");
    SetText(1059, "7");
    simulator.ClearReceivedBytes();
    Click(1003);
    EXPECT_EQ(Text(1002), "Write Complete");
    EXPECT_EQ(form.idString.substr(0, 6), "N0CALL");
    EXPECT_EQ(form.ssid, 7u);
    ASSERT_EQ(simulator.LastSettingsRecord().size(), 35u);
    EXPECT_NE(simulator.Commands().find('P'), std::string::npos);
    EXPECT_FALSE(link.IsOpen());
}

// After a failed operation the Messages field never shows an earlier success.
TEST_F(FormOperationsTest, AFailedOperationReplacesTheEarlierResultLine) {
    const long beforeRead = simulator.BytesSent();
    Click(1005);
    const long readBytes = simulator.BytesSent() - beforeRead;
    Click(1003);
    ASSERT_EQ(Text(1002), "Write Complete");
    const long writeBytes = simulator.BytesSent() - beforeRead - readBytes;
    const auto unplugHalfWayThrough = [this](long bytes) {
        simulator.Config().faults.disconnectAfterBytes = simulator.BytesSent() + bytes / 2;
    };

    // Half way through the Write, well past its questions.
    Click(1005);
    ASSERT_EQ(Text(1002), "Read Complete");
    unplugHalfWayThrough(writeBytes);
    Click(1003);
    EXPECT_EQ(prompts.Texts().back(), "Serial Port Error: Read returned 0 chars. Closing com port");
    EXPECT_EQ(Text(1002).toStdString(),
              "Write failed part way: the tracker may be partly written. Read it and check every "
              "setting before flying");

    // Half way through a Read, which showed "Reading..." until then.
    simulator = sim::TrackerSimulator();  // plugged in again
    Click(1005);
    ASSERT_EQ(Text(1002), "Read Complete");
    unplugHalfWayThrough(readBytes);
    Click(1005);
    EXPECT_EQ(Text(1002).toStdString(), "Read did not complete");

    // Save Cfg after a Read, the tracker silent from its first peek.
    simulator = sim::TrackerSimulator();
    Click(1005);
    ASSERT_EQ(Text(1002), "Read Complete");
    simulator.Config().faults.silent = true;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    prompts.saveAnswers.push_back(dir.filePath("tracker.kvt").toStdString());
    SetText(1034, "EDITED");  // Save Cfg does not take the form in: the edit stays on screen
    Click(1185);
    EXPECT_EQ(Text(1002).toStdString(), "Save Cfg did not complete");
    EXPECT_EQ(Text(1034), "EDITED");
}

TEST_F(FormOperationsTest, APortThatWillNotOpenTellsTheCauseUnderTheUsualMessage) {
    const std::string missing = std::string(kRealPortFolder) + "ttyUSB0";
    PortBox()->setEditText(QString::fromStdString(missing));
    Click(1005);
    ASSERT_EQ(prompts.Texts().size(), 1u);
    EXPECT_EQ(prompts.Texts()[0], "Error opening com port\n" + missing +
                                      " does not exist (No such file or directory): the adapter "
                                      "is unplugged, or the system gave it another name when it "
                                      "was plugged in again. Plug it in and pick the port again "
                                      "from the list of ports.");
    EXPECT_FALSE(link.IsOpen());

    // The next try on the simulated tracker opens it as usual.
    prompts.messages.clear();
    ChoosePort();
    Click(1005);
    EXPECT_EQ(Text(1002), "Read Complete");
}

TEST_F(FormOperationsTest, ConfigurationFilesOpenThePortNamedInTheBoxNow) {
    Click(1005);
    ASSERT_EQ(Text(1002), "Read Complete");
    ASSERT_EQ(openedPorts, std::vector<std::string>{"SIM"});
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = dir.filePath("tracker.kvt").toStdString();

    // Chosen in the box but not yet taken in by any transfer.
    PortBox()->setEditText("SIM2");
    prompts.saveAnswers.push_back(file);
    Click(1185);
    EXPECT_EQ(prompts.Texts(),
              (std::vector<std::string>{"This is the save button\n", "INI File Saved\n"}));
    EXPECT_EQ(openedPorts.back(), "SIM2");
    std::ifstream saved(file);
    int lines = 0;
    for (std::string line; std::getline(saved, line);) {
        ++lines;
    }
    EXPECT_EQ(lines, 256);

    link.Close();
    PortBox()->setEditText("SIM3");
    prompts.openAnswers.push_back(file);
    Click(1186);
    EXPECT_EQ(openedPorts.back(), "SIM3");
    EXPECT_EQ(PortBox()->currentText(), "SIM3");  // the restore's ShowForm keeps the choice
}

TEST_F(FormOperationsTest, ProfileBoxesSwitchTheFormAndCompareFlips) {
    SetText(1055, "WIDE1");
    SetText(1056, "WIDE2");
    Check(1150)->setChecked(true);
    Check(1151)->setChecked(true);
    Click(1167);  // "2 "
    EXPECT_EQ(tracker.profileStore.currentProfile, 1);
    EXPECT_FALSE(Check(1166)->isChecked());
    EXPECT_TRUE(Check(1167)->isChecked());
    EXPECT_EQ(Text(1173), "Switch to Profile 1 if:");
    EXPECT_EQ(Text(1055), "");  // profile 2 not read yet
    EXPECT_EQ(tracker.profileStore.profiles[0].path1, "XNOPATH");

    Click(1170);
    EXPECT_EQ(Text(1170), ">");
    Click(1166);  // back to Profile 1, whose direction is still '<'
    EXPECT_EQ(Text(1055), "XNOPATH");
    EXPECT_EQ(Text(1056), "XNOPATH");
    EXPECT_EQ(Text(1170), "<");
    EXPECT_TRUE(prompts.messages.empty());
}

// A value the Read put into a control this tracker hides ("Tx Rate" shares record byte 23 with
// "Once Every" at firmware 130 and allows only up to 252) stops nothing and takes no focus.
TEST_F(FormOperationsTest, AHiddenControlNeverStopsAnOperationNorTakesTheFocus) {
    simulator.Memory()[23] = 253;
    for (int read = 0; read < 2; ++read) {
        Click(1005);
        ASSERT_EQ(Text(1002), "Read Complete");
        ASSERT_EQ(Text(1134), "253");
        SetText(1017, "6");
        Click(1003);
        EXPECT_EQ(Text(1002), "Write Complete");
        EXPECT_EQ(simulator.LastSettingsRecord().at(23), 6);
        Click(1167);
        EXPECT_EQ(tracker.profileStore.currentProfile, 1);
        Click(1166);
        for (const std::string& text : prompts.Texts()) {
            EXPECT_EQ(text.find("Please enter"), std::string::npos) << text;
        }
        EXPECT_NE(dlg->focusWidget(), Edit(1134));
        simulator.Memory()[23] = 253;
    }
}

// Qt toggles a box before its handler runs; after a refused click both boxes show the profile
// that is still current, and the typed texts stay for the user to correct.
TEST_F(FormOperationsTest, ARefusedProfileClickPutsBothBoxesBack) {
    Click(1005);
    ASSERT_EQ(Text(1002), "Read Complete");
    SetText(1019, "0");
    SetText(1055, "WIDE3-3");
    Click(1167);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"Please enter an integer between 1 and 253."});
    EXPECT_EQ(tracker.profileStore.currentProfile, 0);
    EXPECT_TRUE(Check(1166)->isChecked());
    EXPECT_FALSE(Check(1167)->isChecked());
    EXPECT_EQ(Text(1019), "0");
    EXPECT_EQ(Text(1055), "WIDE3-3");

    SetText(1019, "1");
    Click(1167);
    EXPECT_EQ(tracker.profileStore.currentProfile, 1);
    EXPECT_FALSE(Check(1166)->isChecked());
    EXPECT_TRUE(Check(1167)->isChecked());
    // Refused again with Profile 2 current: the boxes stay on Profile 2.
    SetText(1019, "0");
    Click(1166);
    EXPECT_EQ(tracker.profileStore.currentProfile, 1);
    EXPECT_FALSE(Check(1166)->isChecked());
    EXPECT_TRUE(Check(1167)->isChecked());
}

// Trackers swapped on one port: each Read shows and holds what the tracker on the port has, and
// a Write after it stores what the form shows.
TEST_F(FormOperationsTest, EachReadShowsOnlyTheTrackerOnThePort) {
    sim::SimulatorConfig old;
    old.modelId = "ZPNAV0";
    old.firmwareVersion = 17;
    sim::SimulatorConfig newest;
    newest.firmwareVersion = 212;

    Click(1005);
    simulator = sim::TrackerSimulator(old);
    Click(1005);
    ASSERT_EQ(Text(1002), "Read Complete");
    EXPECT_EQ(Text(1019), "0");  // stored 1, shown one less at firmware 17
    simulator = sim::TrackerSimulator();
    Click(1005);
    EXPECT_TRUE(prompts.messages.empty()) << prompts.Texts().front();
    ASSERT_EQ(Text(1002), "Read Complete");
    EXPECT_EQ(Text(1019), "1");
    EXPECT_EQ(Text(1017), "5");
    EXPECT_EQ(ShownOf(ControlsHiddenAtStartUp()), kShownAfterZpnav9At130);
    Click(1003);
    ASSERT_EQ(Text(1002), "Write Complete");
    EXPECT_EQ(simulator.LastSettingsRecord().at(22), 1);
    EXPECT_EQ(simulator.LastSettingsRecord().at(23), 5);

    Click(1167);
    ASSERT_EQ(Text(1008), "300");  // Profile 2's slow rate
    simulator = sim::TrackerSimulator(newest);
    Click(1005);
    ASSERT_EQ(Text(1002), "Read Complete");
    EXPECT_FALSE(dlg->IsControlShown(1166));
    EXPECT_FALSE(dlg->IsControlShown(1178));
    EXPECT_EQ(tracker.profileStore.currentProfile, 0);
    EXPECT_TRUE(Check(1166)->isChecked());
    EXPECT_EQ(Text(1008), "0");
    EXPECT_EQ(Text(1055), "WIDE1 1");
}

// The KML writer takes the log's layout from the record of the last identified tracker: a 130
// read after a 212 one has no timestamp trailer, so its download has no capture date, trigger or
// timestamp flag.
TEST_F(FormOperationsTest, ADownloadAfterA212ThenA130ReadCarriesNothingOfThe212) {
    sim::SimulatorConfig newest;
    newest.firmwareVersion = 212;
    simulator = sim::TrackerSimulator(newest);
    Click(1005);
    ASSERT_TRUE(tracker.capabilities.logTimestamp);
    simulator = sim::TrackerSimulator();
    Click(1005);
    ASSERT_EQ(Text(1002), "Read Complete");

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString kml = dir.filePath("flight.kml");
    prompts.detailsAnswers.push_back({"Test", "Arrow", "12/29/2013", "F50", ""});
    prompts.saveAnswers.push_back(kml.toStdString());
    Click(1065);
    ASSERT_TRUE(PumpUntil([&] { return !log.flashBusy.load(); }));
    ASSERT_EQ(prompts.Texts().back(), "Done Reading Flash");
    std::ifstream file(kml.toStdString());
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("Capture Date"), std::string::npos);
    EXPECT_EQ(text.find("Trigger"), std::string::npos);
    EXPECT_NE(text.find("KVTTIMESTAMP 0\n"), std::string::npos);
}

TEST_F(FormOperationsTest, DisablingOnlyPathOneIsRefusedOnce) {
    Check(1150)->setChecked(true);
    Click(1166);
    EXPECT_EQ(
        prompts.Texts(),
        std::vector<std::string>{
            "Can not disable only PATH 1.  For a single path disable PATH 2. Discarding Changes"});
    EXPECT_FALSE(Check(1150)->isChecked());
}

TEST_F(FormOperationsTest, DefaultButtonSetsTheServiceDefaults) {
    Start({"vanteo", "-qrkvz"});
    SetText(1001, "145.39");  // typed but not taken: DEFAULT does not read the form
    Click(1198);
    EXPECT_EQ(Text(1001), "433.920");
    EXPECT_EQ(Text(1134), "5");
    EXPECT_EQ(Text(1073), "25");
    EXPECT_EQ(Text(1183), "9200");
    EXPECT_TRUE(Check(1150)->isChecked());
    EXPECT_EQ(Text(1019), "1");
}

TEST_F(FormOperationsTest, FlashDownloadStepsTheBarOncePer32BytesAndRefusesOthersMeanwhile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString kml = dir.filePath("flight.kml");
    prompts.detailsAnswers.push_back({"Test", "Arrow", "12/29/2013", "F50", ""});
    prompts.saveAnswers.push_back(kml.toStdString());
    int highest = 0;
    int maximum = -1;
    QObject::connect(Progress(), &QProgressBar::valueChanged, [&](int value) {
        highest = std::max(highest, value);
        maximum = std::max(maximum, Progress()->maximum());
    });

    Click(1065);
    // The worker cannot finish before this thread runs its queued calls (its final message
    // waits for them), so the link is still its own.
    ASSERT_TRUE(log.flashBusy.load());
    Click(1005);
    // Closing the window offers to cancel the download; answered No, the window stays.
    QSignalSpy finished(dlg.get(), &QDialog::finished);
    dlg->reject();
    EXPECT_EQ(prompts.questions, std::vector<std::string>{"A flash download or erase is still "
                                                          "running. Cancel it and close the "
                                                          "window?"});
    EXPECT_EQ(finished.count(), 0);
    // The erase asks first and only then finds the download running; declined, it says nothing.
    prompts.clearAnswers = {false, true};
    Click(1070);
    Click(1070);
    EXPECT_TRUE(prompts.clearAnswers.empty());
    EXPECT_EQ(prompts.Texts(),
              (std::vector<std::string>{"Please wait until the previous operation completes",
                                        "Please wait until the previous operation completes"}));
    EXPECT_EQ(dlg->result(), 0);

    ASSERT_TRUE(PumpUntil([&] { return !log.flashBusy.load(); }));
    EXPECT_EQ(prompts.Texts().back(), "Done Reading Flash");
    // The worker's message box ran on the user-interface thread.
    EXPECT_EQ(prompts.messages.back().thread, dlg->thread());
    // 128 kbit = 16384 bytes = 512 steps of 32 bytes.
    EXPECT_EQ(maximum, 512);
    EXPECT_EQ(highest, 512);
    EXPECT_TRUE(QFile::exists(kml));
    EXPECT_EQ(log.flightDetails.rocketName, "Arrow");
}

// The simulated tracker, holding the first flash block read until the user has cancelled (or
// ten seconds have passed, so a fault fails the test instead of hanging it).
class HeldUntilCancelled final : public ByteDevice {
public:
    HeldUntilCancelled(ByteDevice& inner, const CCommunicatorDlg& dlg) : inner_(inner), dlg_(dlg) {}
    void ReceiveFromHost(const std::uint8_t* data, std::size_t count, std::int64_t nowMs) override {
        if (count > 0 && data[0] == 'J' && !held_.exchange(true)) {
            for (int i = 0; i < 10000 && !dlg_.ProgressCancelled(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        inner_.ReceiveFromHost(data, count, nowMs);
    }
    std::optional<TimedByte> PeekToHost() override { return inner_.PeekToHost(); }
    void PopToHost() override { inner_.PopToHost(); }
    // Waits (bounded) until the worker is held in its first block read.
    bool WaitUntilHeld() const {
        for (int i = 0; i < 10000 && !held_.load(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return held_.load();
    }

private:
    ByteDevice& inner_;
    const CCommunicatorDlg& dlg_;
    std::atomic<bool> held_{false};
};

// Cancel beside the progress bar: enabled only while the download runs; the download stops
// after the block being read and says what it kept.
TEST_F(FormOperationsTest, CancelStopsTheDownloadAfterTheCurrentBlock) {
    Click(1005);
    ASSERT_EQ(Text(1002), "Read Complete");
    HeldUntilCancelled held(simulator, *dlg);
    linkDevice = &held;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    prompts.saveAnswers.push_back(dir.filePath("part.kml").toStdString());
    EXPECT_FALSE(dlg->CancelButton()->isEnabled());
    Click(1065);
    ASSERT_TRUE(log.flashBusy.load());
    ASSERT_TRUE(dlg->CancelButton()->isEnabled());
    ASSERT_TRUE(held.WaitUntilHeld());
    dlg->CancelButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return !log.flashBusy.load(); }));
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"Read Flash cancelled. Flash read incomplete: 2047 of 2048 "
                                       "blocks were not read; they are 00 in the KML file."});
    EXPECT_EQ(std::count(simulator.Commands().begin(), simulator.Commands().end(), 'J'), 1);
    EXPECT_TRUE(QFile::exists(dir.filePath("part.kml")));
    EXPECT_FALSE(dlg->CancelButton()->isEnabled());
    EXPECT_EQ(Progress()->maximum(), 1);  // idle again
    // The Read's success line does not stand for the stopped download.
    EXPECT_TRUE(PumpUntil([&] { return Text(1002) != "Read Complete"; }));
    EXPECT_EQ(Text(1002), "Read Flash did not complete");
}

// Closing the window during the download, answered Yes: the download is cancelled, its message
// shown, and the window closes once the worker has ended.
TEST_F(FormOperationsTest, ClosingDuringTheDownloadCancelsItWhenAsked) {
    HeldUntilCancelled held(simulator, *dlg);
    linkDevice = &held;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    prompts.saveAnswers.push_back(dir.filePath("part.kml").toStdString());
    Click(1065);
    ASSERT_TRUE(log.flashBusy.load());
    ASSERT_TRUE(held.WaitUntilHeld());
    QSignalSpy finished(dlg.get(), &QDialog::finished);
    prompts.yesNoAnswers = {true};
    dlg->reject();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(log.flashBusy.load());
    ASSERT_EQ(prompts.Texts().size(), 1u);
    EXPECT_EQ(prompts.Texts()[0].rfind("Read Flash cancelled. ", 0), 0u) << prompts.Texts()[0];
}

// Flash Test asks first (its pattern overwrites the start of the log); No sends nothing.
TEST_F(FormOperationsTest, FlashTestAsksBeforeOverwritingTheLog) {
    Click(1144);
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_NE(prompts.questions[0].find("overwrites the start of the flight log"),
              std::string::npos);
    EXPECT_NE(prompts.questions[0].find("Download the flight log first"), std::string::npos);
    EXPECT_TRUE(simulator.FlashWrites().empty());
    EXPECT_TRUE(prompts.Texts().empty());

    prompts.yesNoAnswers = {true};
    Click(1144);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"I2C Test Passed"});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Read Flash running, Clear Flash's confirmation open, the download's last message shown over it,
// then the confirmation cancelled: each pause gives back only the cursor it took.
TEST_F(FormOperationsTest, NestedPausesLeaveNoWaitCursor) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    prompts.saveAnswers.push_back(dir.filePath("flight.kml").toStdString());
    Click(1065);
    ASSERT_TRUE(log.flashBusy.load());
    prompts.whileClearConfirmationOpen = [&] { PumpUntil([&] { return !log.flashBusy.load(); }); };
    Click(1070);
    EXPECT_EQ(prompts.Texts().back(), "Done Reading Flash");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(FormOperationsTest, FlashEraseRunsTheBarAsABusyIndicator) {
    prompts.clearAnswers.push_back(true);
    Click(1070);
    EXPECT_EQ(Progress()->minimum(), 0);
    EXPECT_EQ(Progress()->maximum(), 0);
    ASSERT_TRUE(PumpUntil([&] { return !log.flashBusy.load(); }));
    EXPECT_EQ(prompts.Texts().back(), "Done Clearing Flash");
    EXPECT_EQ(Progress()->maximum(), 1);  // idle again
    EXPECT_EQ(Progress()->value(), 0);
}

TEST_F(FormOperationsTest, CallsFromAnotherThreadRunOnTheUserInterfaceThread) {
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        dlg->ProgressBegin(10);
        for (int i = 0; i < 3; ++i) {
            dlg->ProgressStep();
        }
        dlg->ShowMessage("from the worker");
        finished = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return finished.load(); }));
    worker.join();
    ASSERT_EQ(prompts.Texts(), std::vector<std::string>{"from the worker"});
    EXPECT_EQ(prompts.messages[0].thread, dlg->thread());
    EXPECT_EQ(Progress()->maximum(), 10);
    EXPECT_EQ(Progress()->value(), 3);
    EXPECT_FALSE(dlg->TimeLeftText().isEmpty());

    dlg->ProgressEnd();
    EXPECT_EQ(Progress()->value(), 0);
    EXPECT_TRUE(dlg->TimeLeftText().isEmpty());
}

}  // namespace
}  // namespace vanteo::test
