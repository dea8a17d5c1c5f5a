#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "app/ModalPrompts.h"
#include "device/DeviceContext.h"
#include "device/FormModel.h"
#include "device/FormTransfer.h"
#include "device/TrackerState.h"
#include "device/UserInteraction.h"
#include "flightlog/FlightLogOperations.h"
#include "flightlog/FlightLogState.h"
#include "serial/PortEnumerator.h"
#include "serial/SerialLink.h"

class QAbstractButton;
class QAction;
class QProgressBar;
class QTimer;

namespace Ui {
class CCommunicatorDlg;
}

namespace vanteo {

class ChartModuleLoader;
class ChartWindows;
class FrameGroupBox;
struct FlightLogSource;
class PortComboBox;

// The program's window, "Vanteo GPS Communicator": every control of the field table, the command
// buttons, the progress bar and the "COM port" box. It is the UserInteraction the operations
// talk to: ReadForm/ShowForm run the table-driven transfers over the widgets, and the modal
// windows go through a ModalPrompts (the Qt one unless a test injects its own).
//
// The form, tracker, link and log objects are the application's process-wide records; the form
// only refers to them and they must outlive it.
//
// Threads: the window lives on the user-interface thread. ShowMessage, ReadForm, ShowForm and the
// Progress* calls may come from the flash worker: messages and transfers are run on the
// user-interface thread while the worker waits (blocking queued), progress is posted (queued);
// ProgressCancelled reads an atomic flag the Cancel button sets.
class CCommunicatorDlg final : public QDialog, public UserInteraction {
    Q_OBJECT
public:
    // Lists the ports for the "COM port" drop-down (EnumeratePorts in the program).
    using PortLister = std::function<std::vector<PortInfo>()>;

    // `prompts` null: the Qt message boxes and dialogs. Otherwise not owned; must outlive the form.
    CCommunicatorDlg(FormModel& form, TrackerState& tracker, SerialLink& link, FlightLogState& log,
                     PortLister portLister, ModalPrompts* prompts = nullptr,
                     QWidget* parent = nullptr);
    ~CCommunicatorDlg() override;

    // The form's start-up: profile store, start values, hidden controls, then the command line.
    // `arguments` is the program's own argument list (QCoreApplication::arguments()): entry 0 the
    // program, entry 1 the switch ("-qrkvz" selects calibration mode).
    void StartUp(const QStringList& arguments);

    // Where the flight and recovery windows come from: the program's vanteo-charts module
    // (ProgramChartModule) unless another loader is handed in (not owned; must outlive the form).
    void UseChartModule(ChartModuleLoader& loader) { chartModule_ = &loader; }

    // The widget with resource identifier `controlId`, or null.
    QWidget* Control(int controlId) const;
    // Whether the control shows when the window is shown. A group box counts as shown while its
    // frame and title are drawn: hiding a group leaves the controls inside as they are.
    bool IsControlShown(int controlId) const;
    // The "&About vanteo..." command (in the system menu on Windows, else the context menu).
    QAction* AboutAction() const { return aboutAction_; }
    // The text beside the progress bar: the estimated time left of a download.
    QString TimeLeftText() const;

    // UserInteraction
    void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::none) override;
    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override;
    bool ReadForm() override;
    void ReadFormQuietly() override;
    void ShowFields(std::span<const int> controlIds) override;
    void ShowForm() override;
    void SetControlVisible(int controlId, bool visible) override;
    void SetControlCaption(int controlId, const std::string& caption) override;
    bool AskFlightDetails(FlightDetails& details) override;
    bool ConfirmClearFlash() override;
    bool ConfirmFlashTest() override;
    void ProgressBegin(int steps) override;
    void ProgressStep() override;
    void ProgressEnd() override;
    bool ProgressCancelled() const override;

    // The Cancel button beside the progress bar: enabled while a download or erase runs.
    QAbstractButton* CancelButton() const;

public slots:
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
#ifdef Q_OS_WIN
    void showEvent(QShowEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void BindControls();
    void PrepareControls();
    void ConnectCommands();
    void FillInitialPortList();
    void RefillPortList();
    ControlState CollectControls() const;
    void ApplyControls(const ControlState& state);
    void ApplyLengthLimits();
    void FocusControl(int controlId);
    void UpdateUnnumberedGroupFrames();
    void OpenAboutBox();
    void UpdateTimeLeft();
    // Cancel: the running download stops after its current block, an erase stops waiting.
    void CancelFlashWork();
    // Runs a handler that may talk to the tracker, under a busy cursor; refused while a flash
    // worker owns the link, the log image or the KML file, unless the handler looks itself
    // (`refuseWhileFlashBusy` false). When it returns false the Messages field says that the
    // operation of the button pressed did not complete, unless the operation said how it ended.
    void RunLinkOperation(const std::function<bool()>& operation, bool refuseWhileFlashBusy = true);
    // The "COM port" field takes the box's text as it stands, without the rest of the form.
    void TakePortFromBox();
    // Runs `call` on the user-interface thread, waiting for it when called from another thread.
    void OnUiThread(const std::function<void()>& call);
    // A modal question on the user-interface thread, with the normal pointer shown over the busy
    // cursor while it is open; returns `ask`'s answer.
    template <typename Ask>
    auto AskOnUiThread(Ask ask) -> decltype(ask());
    // The flight window: offered once a download started by Read Flash has ended with every
    // block read and the file saved (downloadWatch_ looks for the end), or opened by
    // "View Flight..." for a KML file with a data block. Not modal; one window per request.
    // A download or erase that ended otherwise says so in the Messages field instead.
    void WatchFlashWork(int buttonId);
    void OfferFlightViewOfDownload();
    void ViewFlightOfFile();
    void OpenFlightView(const FlightLogSource& source, double storeIntervalS);
    // The recovery window for the station in the ID String and SSID fields. Not modal.
    void OpenRecovery();
    // The module that holds both windows; null, after saying why, when it cannot be loaded.
    ChartWindows* LoadChartWindows();

    std::unique_ptr<Ui::CCommunicatorDlg> ui_;
    FormModel& form_;
    TrackerState& tracker_;
    SerialLink& link_;
    FlightLogState& log_;
    PortLister portLister_;
    // The contexts the operations run in. The flash worker keeps a reference to them after the
    // handler that started it has returned, so they live as long as the form.
    DeviceContext device_;
    FlightLogContext flightLog_;
    std::unique_ptr<ModalPrompts> ownPrompts_;
    ModalPrompts* prompts_;
    ChartModuleLoader* chartModule_ = nullptr;  // null: ProgramChartModule(), asked when needed

    std::map<int, QWidget*> controls_;
    std::map<int, std::vector<QWidget*>> buddies_;  // labels without an id, by their control
    // Each group box without an identifier, with the identified controls inside it.
    std::vector<std::pair<FrameGroupBox*, std::vector<QWidget*>>> unnumberedGroups_;
    QProgressBar* progressBar_ = nullptr;
    PortComboBox* portCombo_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QElapsedTimer progressClock_;
    QTimer* downloadWatch_ = nullptr;
    std::string flashWorkName_;     // the button that started the running download or erase
    bool offerFlightView_ = false;  // that work is a download
    // Set on the user-interface thread (Cancel, closing the window), read by the flash worker.
    std::atomic<bool> cancelRequested_{false};
#ifdef Q_OS_WIN
    bool systemMenuExtended_ = false;
#endif
};

}  // namespace vanteo
