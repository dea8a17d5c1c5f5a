#include "app/CCommunicatorDlg.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <type_traits>
#include <utility>

#include "app/CAboutDlg.h"
#include "app/ChartWindows.h"
#include "app/FrameGroupBox.h"
#include "app/PortComboBox.h"
#include "app/ProgramIcon.h"
#include "app/QtModalPrompts.h"
#include "device/FieldTable.h"
#include "device/Operations.h"
#include "flightlog/FlightLogOperations.h"
#include "flightlog/FlightLogSource.h"
#include "ui_CCommunicatorDlg.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace vanteo {
namespace {

#ifdef Q_OS_WIN
// Command identifier of "&About vanteo..." in the system menu; the low four bits of a system
// command are the system's own, so commands are compared with them cleared.
constexpr unsigned kAboutCommand = 0x0010;
#endif
constexpr int kInitialPortCount = 9;  // "COM1" .. "COM9" until the first drop-down

// The form's texts are bytes, one per character: Latin-1 maps them one to one.
QString FromBytes(const std::string& text) {
    return QString::fromLatin1(text);
}
// A character beyond Latin-1 has no byte of its own: toLatin1 would make it a '?', which several
// fields accept. Its UTF-8 bytes (all 0x80 or above) reach the fields' character checks instead.
std::string ToBytes(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) {
            return text.toUtf8().toStdString();
        }
    }
    return text.toLatin1().toStdString();
}

// A modal window must show the normal pointer even while an operation holds the busy cursor.
// The pause takes off the override cursors set now and puts back exactly those: a pause inside
// another (a worker's message box over a confirmation) finds none and puts none back.
class CursorPause {
public:
    CursorPause() {
        while (const QCursor* cursor = QGuiApplication::overrideCursor()) {
            taken_.push_back(*cursor);
            QGuiApplication::restoreOverrideCursor();
        }
    }
    ~CursorPause() {
        for (auto cursor = taken_.rbegin(); cursor != taken_.rend(); ++cursor) {
            QGuiApplication::setOverrideCursor(*cursor);
        }
    }
    CursorPause(const CursorPause&) = delete;
    CursorPause& operator=(const CursorPause&) = delete;

private:
    std::vector<QCursor> taken_;  // top of the cursor stack first
};

constexpr const char* kFlashTestQuestion =
    "Flash Test overwrites the start of the flight log with a test pattern. Download the flight "
    "log first (Read Flash) if you want to keep it.\n\nRun Flash Test now?";
constexpr const char* kCancelOnCloseQuestion =
    "A flash download or erase is still running. Cancel it and close the window?";
// How often the window looks whether a cancelled worker has ended (ms).
constexpr int kWorkerEndPollMs = 20;
// How often it looks whether a download has ended, to offer its flight window (ms).
constexpr int kDownloadEndPollMs = 100;
constexpr const char* kViewFlightQuestion = "View the flight now?";
// A KML file does not say its tracker's store interval; the default of one fix a second spaces
// the points of a log that holds no time of its own.
constexpr double kFileStoreIntervalS = 1;

QString FormatTimeLeft(qint64 ms) {
    const qint64 seconds = (ms + 999) / 1000;
    return QStringLiteral("%1:%2 left")
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

CCommunicatorDlg::CCommunicatorDlg(FormModel& form, TrackerState& tracker, SerialLink& link,
                                   FlightLogState& log, PortLister portLister,
                                   ModalPrompts* prompts, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::CCommunicatorDlg>()),
      form_(form),
      tracker_(tracker),
      link_(link),
      log_(log),
      portLister_(std::move(portLister)),
      device_{form_, tracker_, link_, *this},
      flightLog_{device_, log_},
      prompts_(prompts) {
    if (!prompts_) {
        ownPrompts_ = std::make_unique<QtModalPrompts>(this);
        prompts_ = ownPrompts_.get();
    }
    ui_->setupUi(this);
    setWindowIcon(ProgramIcon());
    BindControls();
    PrepareControls();
    ConnectCommands();
    FillInitialPortList();
    // The window is as large as its contents with every control shown, and stays so.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // The controls start with the constructed fields, before the start-up sets its values.
    ShowForm();
}

CCommunicatorDlg::~CCommunicatorDlg() = default;

void CCommunicatorDlg::BindControls() {
    for (QWidget* widget : findChildren<QWidget*>()) {
        const QVariant id = widget->property("controlId");
        if (id.isValid()) {
            controls_[id.toInt()] = widget;
        }
        const QVariant buddyOf = widget->property("buddyOf");
        if (buddyOf.isValid()) {
            buddies_[buddyOf.toInt()].push_back(widget);
        }
    }
    // The frames the layout adds (no identifier) and the identified controls inside each, found
    // once: the start-up alone shows or hides some 75 controls, each time looking at them all.
    for (FrameGroupBox* group : findChildren<FrameGroupBox*>()) {
        if (group->property("controlId").isValid()) {
            continue;
        }
        std::vector<QWidget*> inside;
        for (QWidget* child : group->findChildren<QWidget*>()) {
            if (child->property("controlId").isValid()) {
                inside.push_back(child);
            }
        }
        unnumberedGroups_.push_back({group, std::move(inside)});
    }
    progressBar_ = qobject_cast<QProgressBar*>(Control(control::kProgressBar));
    portCombo_ = ui_->comPortCombo;
    // An editable box completes what is typed from its list, so "COM1" would become a listed
    // "COM10" (another device): the name stays as typed, the list is there to pick from.
    portCombo_->setCompleter(nullptr);
}

void CCommunicatorDlg::PrepareControls() {
    for (auto& [id, widget] : controls_) {
        // Hidden controls keep their place, as on a dialog template: showing the controls of an
        // identified tracker must not move the others about.
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setTextFormat(Qt::PlainText);
        }
    }
    for (const FieldRow& row : FieldTable()) {
        QWidget* widget = Control(row.id);
        if (!widget) {
            continue;
        }
        if (row.control == ControlKind::upperCaseEdit) {
            if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
                    const int cursor = edit->cursorPosition();
                    edit->setText(text.toUpper());
                    edit->setCursorPosition(cursor);
                });
            }
        }
        if (row.control == ControlKind::leftTextCheckBox) {
            widget->setLayoutDirection(Qt::RightToLeft);
        }
        if (row.visibility == Visibility::alwaysHidden) {
            widget->setVisible(false);
        }
    }
    progressBar_->setRange(0, 1);
    progressBar_->setValue(0);

    aboutAction_ = new QAction(QStringLiteral("&About vanteo..."), this);
    connect(aboutAction_, &QAction::triggered, this, &CCommunicatorDlg::OpenAboutBox);
#ifndef Q_OS_WIN
    // No native system menu to extend: the command goes into the window's context menu.
    setContextMenuPolicy(Qt::ActionsContextMenu);
    addAction(aboutAction_);
#endif
}

void CCommunicatorDlg::ConnectCommands() {
    using DeviceOperation = OperationResult (*)(DeviceContext&);
    using FormBehaviour = void (*)(DeviceContext&);
    using LogOperation = OperationResult (*)(FlightLogContext&);

    const auto connectButton = [this](int id, std::function<void()> handler) {
        if (auto* button = qobject_cast<QAbstractButton*>(Control(id))) {
            connect(button, &QAbstractButton::clicked, this, std::move(handler));
        }
    };
    const auto device = [this](DeviceOperation operation) {
        return [this, operation] {
            RunLinkOperation([this, operation] { return static_cast<bool>(operation(device_)); });
        };
    };
    // Save Cfg, Restore Cfg and the flash operations open the port named in the box without
    // taking the whole form in first: the name must be the one on screen now.
    const auto deviceOnBoxPort = [this](DeviceOperation operation) {
        return [this, operation] {
            RunLinkOperation([this, operation] {
                TakePortFromBox();
                return static_cast<bool>(operation(device_));
            });
        };
    };
    const auto flightLog = [this](LogOperation operation) {
        return [this, operation] {
            RunLinkOperation([this, operation] {
                TakePortFromBox();
                return static_cast<bool>(operation(flightLog_));
            });
        };
    };
    // Form behaviour that never touches the link, the log image or a file.
    const auto formOnly = [this](FormBehaviour behaviour) {
        return [this, behaviour] { behaviour(device_); };
    };

    connectButton(control::kRead, device(&OnRead));
    connectButton(control::kWrite, device(&OnWrite));
    connectButton(control::kRun, device(&OnRun));
    connectButton(control::kUpdate, device(&OnUpdate));
    connectButton(control::kSend1200, device(&OnSend1200));
    connectButton(control::kDev0, device(&OnDev0));
    connectButton(control::kDev4, device(&OnDev4));
    connectButton(control::kSaveCfg, deviceOnBoxPort(&OnSaveCfg));
    connectButton(control::kRestoreCfg, deviceOnBoxPort(&OnRestoreCfg));
    connectButton(control::kReadFlash, [this] {
        RunLinkOperation([this] {
            TakePortFromBox();
            offerFlightView_ = static_cast<bool>(OnReadFlash(flightLog_));
            if (offerFlightView_) {
                WatchFlashWork(control::kReadFlash);
            }
            return offerFlightView_;
        });
    });
    // The erase asks for its confirmation before it looks whether a worker runs.
    connectButton(control::kClearFlash, [this] {
        RunLinkOperation(
            [this] {
                TakePortFromBox();
                const bool started = static_cast<bool>(OnClearFlash(flightLog_));
                if (started) {
                    WatchFlashWork(control::kClearFlash);
                }
                return started;
            },
            false);
    });
    connectButton(control::kFlashTest, flightLog(&OnFlashTest));
    connectButton(control::kValidateKml, flightLog([](FlightLogContext& ctx) -> OperationResult {
                      return OnValidateKml(ctx).outcome;
                  }));
    connectButton(control::kFixKml, flightLog(&OnFixKml));
    connectButton(control::kProfile1, formOnly(&OnProfile1Clicked));
    connectButton(control::kProfile2, formOnly(&OnProfile2Clicked));
    connectButton(control::kCompareButton, formOnly(&OnCompareClicked));
    connectButton(control::kConvertMetersToFeet, formOnly(&OnConvertMetersToFeetClicked));
    connectButton(control::kDefault, formOnly(&OnDefaultClicked));

    connect(ui_->viewFlightButton, &QPushButton::clicked, this,
            &CCommunicatorDlg::ViewFlightOfFile);
    connect(ui_->recoveryButton, &QPushButton::clicked, this, &CCommunicatorDlg::OpenRecovery);
    downloadWatch_ = new QTimer(this);
    downloadWatch_->setInterval(kDownloadEndPollMs);
    connect(downloadWatch_, &QTimer::timeout, this, &CCommunicatorDlg::OfferFlightViewOfDownload);

    connect(portCombo_, &PortComboBox::aboutToDropDown, this, &CCommunicatorDlg::RefillPortList);
    connect(ui_->cancelFlashButton, &QPushButton::clicked, this,
            &CCommunicatorDlg::CancelFlashWork);
}

void CCommunicatorDlg::FillInitialPortList() {
    for (int n = 1; n <= kInitialPortCount; ++n) {
        portCombo_->addItem(QStringLiteral("COM%1").arg(n));
    }
    portCombo_->setEditText(QString());
}

void CCommunicatorDlg::RefillPortList() {
    if (!portLister_) {
        return;
    }
    // The list changes; what the user typed or picked stays in the edit part.
    const QString typed = portCombo_->currentText();
    portCombo_->clear();
    for (const PortInfo& port : portLister_()) {
        portCombo_->addItem(QString::fromLocal8Bit(port.name));
        portCombo_->setItemData(portCombo_->count() - 1, QString::fromLocal8Bit(PortSummary(port)),
                                Qt::ToolTipRole);
    }
    portCombo_->setEditText(typed);
}

void CCommunicatorDlg::StartUp(const QStringList& arguments) {
    // The switch comes from the program's own argument list, so a program path with blanks
    // cannot hide it.
    const QString argument = arguments.size() > 1 ? arguments.at(1) : QString();
    RunFormStartUp(device_, argument.toLocal8Bit().toStdString());
}

QWidget* CCommunicatorDlg::Control(int controlId) const {
    const auto it = controls_.find(controlId);
    return it == controls_.end() ? nullptr : it->second;
}

bool CCommunicatorDlg::IsControlShown(int controlId) const {
    QWidget* widget = Control(controlId);
    if (!widget) {
        return false;
    }
    if (auto* group = qobject_cast<FrameGroupBox*>(widget)) {
        return group->FrameShown() && group->isVisibleTo(const_cast<CCommunicatorDlg*>(this));
    }
    return widget->isVisibleTo(const_cast<CCommunicatorDlg*>(this));
}

QAbstractButton* CCommunicatorDlg::CancelButton() const {
    return ui_->cancelFlashButton;
}

QString CCommunicatorDlg::TimeLeftText() const {
    return ui_->timeLeftLabel->text();
}

void CCommunicatorDlg::OnUiThread(const std::function<void()>& call) {
    if (QThread::currentThread() == thread()) {
        call();
    } else {
        QMetaObject::invokeMethod(
            this, [&call] { call(); }, Qt::BlockingQueuedConnection);
    }
}

template <typename Ask>
auto CCommunicatorDlg::AskOnUiThread(Ask ask) -> decltype(ask()) {
    if constexpr (std::is_void_v<decltype(ask())>) {
        OnUiThread([&] {
            CursorPause pause;
            ask();
        });
    } else {
        decltype(ask()) answer{};
        OnUiThread([&] {
            CursorPause pause;
            answer = ask();
        });
        return answer;
    }
}

void CCommunicatorDlg::ShowMessage(const std::string& text, MessageIcon icon) {
    AskOnUiThread([&] { prompts_->ShowMessage(text, icon); });
}

std::optional<std::string> CCommunicatorDlg::AskOpenFile(const FileDialogRequest& request) {
    return AskOnUiThread([&] { return prompts_->AskOpenFile(request); });
}

std::optional<std::string> CCommunicatorDlg::AskSaveFile(const FileDialogRequest& request) {
    return AskOnUiThread([&] { return prompts_->AskSaveFile(request); });
}

bool CCommunicatorDlg::AskFlightDetails(FlightDetails& details) {
    return AskOnUiThread([&] { return prompts_->AskFlightDetails(details); });
}

bool CCommunicatorDlg::ConfirmClearFlash() {
    return AskOnUiThread([&] { return prompts_->ConfirmClearFlash(); });
}

bool CCommunicatorDlg::ConfirmFlashTest() {
    return AskOnUiThread([&] { return prompts_->AskYesNo(kFlashTestQuestion); });
}

bool CCommunicatorDlg::ProgressCancelled() const {
    return cancelRequested_.load();
}

void CCommunicatorDlg::CancelFlashWork() {
    cancelRequested_ = true;
    ui_->cancelFlashButton->setEnabled(false);
}

ControlState CCommunicatorDlg::CollectControls() const {
    ControlState state;
    for (const FieldRow& row : FieldTable()) {
        QWidget* widget = Control(row.id);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            state.texts[row.id] = ToBytes(edit->text());
        } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            state.texts[row.id] = check->isChecked() ? "1" : "0";
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            state.texts[row.id] = ToBytes(label->text());
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            state.texts[row.id] = ToBytes(combo->currentText());
        }
        // The control's own state: an unshown window reports every control as not visible.
        if (widget && widget->isHidden()) {
            state.hiddenControls.insert(row.id);
        }
    }
    for (int i = 0; i < portCombo_->count(); ++i) {
        state.comPortEntries.push_back(ToBytes(portCombo_->itemText(i)));
    }
    return state;
}

void CCommunicatorDlg::ApplyControls(const ControlState& state) {
    for (const FieldRow& row : FieldTable()) {
        const auto it = state.texts.find(row.id);
        QWidget* widget = Control(row.id);
        if (it == state.texts.end() || !widget) {
            continue;
        }
        const QString text = FromBytes(it->second);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            if (edit->text() != text) {
                // An over-long value must reach the control whole, so it is validated later
                // instead of being cut silently.
                edit->setMaxLength(std::max(edit->maxLength(), static_cast<int>(text.size())));
                edit->setText(text);
            }
        } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            check->setChecked(text != QLatin1String("0") && !text.isEmpty());
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(text);
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (index >= 0) {
                combo->setCurrentIndex(index);
            }
            combo->setEditText(text);
        }
    }
}

void CCommunicatorDlg::ApplyLengthLimits() {
    for (const FieldRow& row : FieldTable()) {
        if (row.maxLength <= 0) {
            continue;
        }
        if (auto* edit = qobject_cast<QLineEdit*>(Control(row.id))) {
            // Typing stops at the field's maximum; a longer text already there is left whole
            // (it fails validation with the length message instead of being truncated).
            edit->setMaxLength(std::max(row.maxLength, static_cast<int>(edit->text().size())));
        }
    }
}

bool CCommunicatorDlg::ReadForm() {
    bool passed = false;
    OnUiThread([&] {
        ControlState state = CollectControls();
        passed = ReadFormFromControls(form_, state, *this);
        ApplyLengthLimits();
        if (!passed) {
            FocusControl(state.focusedControl);
        }
    });
    return passed;
}

void CCommunicatorDlg::ReadFormQuietly() {
    OnUiThread([&] {
        ReadFormQuietlyFromControls(form_, CollectControls());
        ApplyLengthLimits();
    });
}

void CCommunicatorDlg::ShowFields(std::span<const int> controlIds) {
    OnUiThread([&] {
        ControlState state;
        ShowFieldsInControls(form_, state, controlIds);
        ApplyControls(state);
    });
}

void CCommunicatorDlg::ShowForm() {
    OnUiThread([&] {
        ControlState state;
        for (int i = 0; i < portCombo_->count(); ++i) {
            state.comPortEntries.push_back(ToBytes(portCombo_->itemText(i)));
        }
        state.texts[control::kComPort] = ToBytes(portCombo_->currentText());
        ShowFormInControls(form_, state);
        ApplyControls(state);
        ApplyLengthLimits();
    });
}

void CCommunicatorDlg::FocusControl(int controlId) {
    QWidget* widget = Control(controlId);
    if (!widget) {
        return;
    }
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->selectAll();
    } else if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit()) {
        combo->lineEdit()->selectAll();
    }
}

void CCommunicatorDlg::SetControlVisible(int controlId, bool visible) {
    OnUiThread([&] {
        QWidget* widget = Control(controlId);
        if (!widget) {
            return;
        }
        if (auto* group = qobject_cast<FrameGroupBox*>(widget)) {
            group->SetFrameShown(visible);
        } else {
            widget->setVisible(visible);
        }
        const auto buddies = buddies_.find(controlId);
        if (buddies != buddies_.end()) {
            for (QWidget* buddy : buddies->second) {
                buddy->setVisible(visible);
            }
        }
        UpdateUnnumberedGroupFrames();
    });
}

void CCommunicatorDlg::UpdateUnnumberedGroupFrames() {
    // The frames the layout adds (no identifier) are drawn only around something visible.
    for (const auto& [group, inside] : unnumberedGroups_) {
        group->SetFrameShown(std::any_of(inside.begin(), inside.end(),
                                         [](const QWidget* child) { return !child->isHidden(); }));
    }
}

void CCommunicatorDlg::SetControlCaption(int controlId, const std::string& caption) {
    OnUiThread([&] {
        QWidget* widget = Control(controlId);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(FromBytes(caption));
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(FromBytes(caption));
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            group->setTitle(FromBytes(caption));
        }
    });
}

void CCommunicatorDlg::ProgressBegin(int steps) {
    // A new operation: a Cancel pressed for an earlier one does not carry over.
    cancelRequested_ = false;
    QMetaObject::invokeMethod(
        this,
        [this, steps] {
            // No step count (an erase): a busy indicator.
            progressBar_->setRange(0, std::max(steps, 0));
            progressBar_->setValue(0);
            ui_->timeLeftLabel->clear();
            progressClock_.start();
        },
        Qt::AutoConnection);
}

void CCommunicatorDlg::ProgressStep() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (progressBar_->maximum() <= 0) {
                return;
            }
            progressBar_->setValue(std::min(progressBar_->value() + 1, progressBar_->maximum()));
            UpdateTimeLeft();
        },
        Qt::AutoConnection);
}

void CCommunicatorDlg::ProgressEnd() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            progressBar_->setRange(0, 1);
            progressBar_->setValue(0);
            ui_->timeLeftLabel->clear();
            ui_->cancelFlashButton->setEnabled(false);
        },
        Qt::AutoConnection);
}

void CCommunicatorDlg::UpdateTimeLeft() {
    const int done = progressBar_->value();
    const int total = progressBar_->maximum();
    if (done <= 0 || !progressClock_.isValid()) {
        return;
    }
    const qint64 elapsed = progressClock_.elapsed();
    ui_->timeLeftLabel->setText(FormatTimeLeft(elapsed * (total - done) / done));
}

void CCommunicatorDlg::TakePortFromBox() {
    form_.comPort = ToBytes(portCombo_->currentText());
}

void CCommunicatorDlg::RunLinkOperation(const std::function<bool()>& operation,
                                        bool refuseWhileFlashBusy) {
    if (refuseWhileFlashBusy && RefuseWhileFlashBusy(flightLog_)) {
        return;
    }
    // The button pressed names the operation should it stop.
    const auto* button = qobject_cast<const QAbstractButton*>(sender());
    const std::string name = button ? ToBytes(button->text()) : std::string("The operation");
    const std::string lineBefore = form_.messages;
    // The exchange blocks this thread; the pointer says so.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool completed = operation();
    QGuiApplication::restoreOverrideCursor();
    // A download or erase now runs on its own: it can be cancelled until it ends (its
    // ProgressEnd, queued after this, disables the button again).
    if (log_.flashBusy.load()) {
        ui_->cancelFlashButton->setEnabled(true);
    }
    if (!completed && SetStopLine(form_, lineBefore, name)) {
        if (auto* messages = qobject_cast<QLineEdit*>(Control(control::kMessages))) {
            messages->setText(FromBytes(form_.messages));
        }
    }
}

void CCommunicatorDlg::WatchFlashWork(int buttonId) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(Control(buttonId))) {
        flashWorkName_ = ToBytes(button->text());
    }
    downloadWatch_->start();
}

void CCommunicatorDlg::OfferFlightViewOfDownload() {
    if (log_.flashBusy.load()) {
        return;
    }
    downloadWatch_->stop();
    const bool download = std::exchange(offerFlightView_, false);
    if (!log_.WorkerResult()) {
        // Cancelled or failed: the line of the operation before it must not stand for it.
        form_.messages = flashWorkName_ + " did not complete";
        if (auto* messages = qobject_cast<QLineEdit*>(Control(control::kMessages))) {
            messages->setText(FromBytes(form_.messages));
        }
        return;
    }
    if (!download) {
        return;
    }
    bool view = false;
    {
        CursorPause pause;
        view = prompts_->AskYesNoDefaultYes(kViewFlightQuestion);
    }
    // The check also joins the ended worker and takes the link back.
    if (view && !RefuseWhileFlashBusy(flightLog_)) {
        OpenFlightView(FlightLogFromDownload(flightLog_), std::max(form_.storeInterval, 1));
    }
}

void CCommunicatorDlg::ViewFlightOfFile() {
    FlightLogSource source;
    if (AskAndReadFlightLog(*this, source)) {
        OpenFlightView(source, kFileStoreIntervalS);
    }
}

void CCommunicatorDlg::OpenFlightView(const FlightLogSource& source, double storeIntervalS) {
    if (ChartWindows* windows = LoadChartWindows()) {
        windows->ShowFlightView(source, storeIntervalS, *this, this);
    }
}

void CCommunicatorDlg::OpenRecovery() {
    if (ChartWindows* windows = LoadChartWindows()) {
        windows->ShowRecovery(ui_->idStringEdit->text().toStdString(),
                              ui_->ssidEdit->text().toStdString(), this);
    }
}

ChartWindows* CCommunicatorDlg::LoadChartWindows() {
    ChartModuleLoader& module = chartModule_ ? *chartModule_ : ProgramChartModule();
    ChartWindows* windows = module.Load();
    if (!windows) {
        ShowMessage("The flight and recovery windows could not be loaded: " +
                        module.Error().toLocal8Bit().toStdString(),
                    MessageIcon::exclamation);
    }
    return windows;
}

void CCommunicatorDlg::OpenAboutBox() {
    CAboutDlg about(this);
    about.exec();
}

void CCommunicatorDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // A push button takes Enter itself; from any other control Enter closes the form when
        // its contents pass validation.
        if (ReadForm()) {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void CCommunicatorDlg::done(int result) {
    // The flash worker refers to the form, the link and the log: the window stays until it ends.
    // The user may cancel it; the window then closes once the worker has stopped (after its
    // current block or erase byte) and its last message has been seen.
    if (log_.flashBusy.load()) {
        bool cancel = false;
        {
            CursorPause pause;
            cancel = prompts_->AskYesNo(kCancelOnCloseQuestion);
        }
        if (!cancel) {
            return;
        }
        CancelFlashWork();
        while (log_.flashBusy.load()) {
            QEventLoop wait;
            QTimer::singleShot(kWorkerEndPollMs, &wait, &QEventLoop::quit);
            wait.exec();
        }
    }
    if (RefuseWhileFlashBusy(flightLog_)) {
        return;
    }
    QDialog::done(result);
}

#ifdef Q_OS_WIN
void CCommunicatorDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (systemMenuExtended_) {
        return;
    }
    systemMenuExtended_ = true;
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (menu) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, kAboutCommand, L"&About vanteo...");
    } else {
        setContextMenuPolicy(Qt::ActionsContextMenu);
        addAction(aboutAction_);
    }
}

bool CCommunicatorDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kAboutCommand) {
        OpenAboutBox();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

}  // namespace vanteo
