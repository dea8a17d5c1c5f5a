#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <functional>
#include <memory>
#include <set>

#include "app/CCommunicatorDlg.h"
#include "app/ChartWindows.h"
#include "app/LinkedChartWindows.h"
#include "serial/InProcessTransport.h"
#include "serial/MessageSink.h"
#include "serial/QSerialPortTransport.h"
#include "sim/TrackerSimulator.h"
#include "tests/app/RecordingPrompts.h"

namespace vanteo::test {

// The real form over the application's records, a simulated tracker behind the serial link on a
// virtual clock, and recorded message boxes instead of modal ones.
class FormTest : public ::testing::Test {
protected:
    FormTest() {
        relay.SetTarget(dlg.get());
        dlg->UseChartModule(linkedCharts);
    }
    ~FormTest() override { relay.SetTarget(nullptr); }

    void Start(const QStringList& arguments = {QStringLiteral("vanteo")}) {
        dlg->StartUp(arguments);
    }

    QLineEdit* Edit(int id) const { return qobject_cast<QLineEdit*>(dlg->Control(id)); }
    QCheckBox* Check(int id) const { return qobject_cast<QCheckBox*>(dlg->Control(id)); }
    QComboBox* PortBox() const { return qobject_cast<QComboBox*>(dlg->Control(1011)); }
    QProgressBar* Progress() const { return qobject_cast<QProgressBar*>(dlg->Control(1068)); }
    QString Text(int id) const {
        if (auto* label = qobject_cast<QLabel*>(dlg->Control(id))) {
            return label->text();
        }
        if (auto* button = qobject_cast<QAbstractButton*>(dlg->Control(id))) {
            return button->text();
        }
        return Edit(id) ? Edit(id)->text() : QString();
    }
    void Click(int id) {
        auto* button = qobject_cast<QAbstractButton*>(dlg->Control(id));
        ASSERT_NE(button, nullptr) << id;
        button->click();
    }
    void SetText(int id, const QString& text) { Edit(id)->setText(text); }
    void ChoosePort() { PortBox()->setEditText(QStringLiteral("SIM")); }

    // Lets queued calls from the flash worker run until `done` holds, then drains what is still
    // queued. A hang guard of 60 s, far beyond the worker's own time-outs on the virtual clock and
    // the same on any machine, fails the wait instead of leaving it to ctest's time-out.
    bool PumpUntil(const std::function<bool()>& done) {
        const QDeadlineTimer hangGuard(60000);
        while (!done() && !hangGuard.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return done();
    }

    std::set<int> ShownOf(std::span<const int> ids) const {
        std::set<int> shown;
        for (int id : ids) {
            if (dlg->IsControlShown(id)) {
                shown.insert(id);
            }
        }
        return shown;
    }

    VirtualClock clock;
    sim::TrackerSimulator simulator;
    FormModel form = FormModel::Constructed();
    TrackerState tracker;
    MessageForwarder relay;
    std::vector<std::string> openedPorts;  // every port name the link opened, in order
    ByteDevice* linkDevice = &simulator;   // what the next opened port talks to
    // Port names under kRealPortFolder go to the real port layer (the folder does not exist);
    // every other name reaches linkDevice.
    static constexpr const char* kRealPortFolder = "/nonexistent/";
    SerialLink link{relay, clock,
                    [this](const std::string& port) -> std::unique_ptr<ByteTransport> {
                        openedPorts.push_back(port);
                        if (port.starts_with(kRealPortFolder)) {
                            return std::make_unique<QSerialPortTransport>();
                        }
                        return std::make_unique<InProcessTransport>(*linkDevice, clock);
                    }};
    FlightLogState log;
    RecordingPrompts prompts;
    // The flight and recovery windows this binary links, not the module.
    ChartModuleLoader linkedCharts{LinkedChartWindows()};
    std::vector<PortInfo> ports{{"/dev/pts/7", "vanteo-sim ZPNAV9"}, {"COM10", ""}, {"COM2", ""}};
    std::unique_ptr<CCommunicatorDlg> dlg = std::make_unique<CCommunicatorDlg>(
        form, tracker, link, log, [this] { return ports; }, &prompts);
};

}  // namespace vanteo::test
