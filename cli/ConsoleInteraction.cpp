#include "cli/ConsoleInteraction.h"

#include <signal.h>

#include <atomic>
#include <csignal>

#include "cli/ProgressMeter.h"

namespace vanteo::cli {
namespace {

// Written by the signal handler, read by the flash worker and main: a lock-free atomic is one of
// the few things a handler may touch.
std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void RecordStopSignal(int signal) {
    if (stopSignal.exchange(signal) != 0) {
        // Asked twice: the user wants out now, whatever is left behind.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

// The bar is redrawn at most this often (ms); a 128 KB download steps 4096 times.
constexpr std::int64_t kRedrawIntervalMs = 200;
// Moves to the start of the line and clears it.
constexpr const char* kClearLine = "\r\x1b[K";
}  // namespace

void InstallStopSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = RecordStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int StopSignal() {
    return stopSignal.load();
}

ConsoleInteraction::ConsoleInteraction(FormModel& form, std::ostream& err, Clock& clock,
                                       bool drawProgress)
    : HeadlessForm(form), err_(err), clock_(clock), drawProgress_(drawProgress) {}

std::vector<std::string> ConsoleInteraction::MessagesShown() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

void ConsoleInteraction::PrintLocked(const std::string& text) {
    if (barOnScreen_ && progressTotal_ > 0 && progressDone_ >= progressTotal_) {
        // A finished bar stays on its line; the message ("Done Reading Flash") follows it.
        err_ << '\n';
        barOnScreen_ = false;
        progressActive_ = false;
    }
    EraseBarLocked();
    err_ << text;
    if (text.empty() || text.back() != '\n') {
        err_ << '\n';
    }
    err_.flush();
    DrawBarLocked(true);
}

void ConsoleInteraction::Note(const std::string& text) {
    std::lock_guard lock(mutex_);
    PrintLocked(text);
}

void ConsoleInteraction::ShowMessage(const std::string& text, MessageIcon /*icon*/) {
    std::lock_guard lock(mutex_);
    messages_.push_back(text);
    PrintLocked(text);
}

std::optional<std::string> ConsoleInteraction::AskOpenFile(const FileDialogRequest& /*request*/) {
    return openAnswer_;
}

std::optional<std::string> ConsoleInteraction::AskSaveFile(const FileDialogRequest& /*request*/) {
    // The save dialog would ask before overwriting; naming the file on the command line is the
    // confirmation.
    return saveAnswer_;
}

bool ConsoleInteraction::AskFlightDetails(FlightDetails& details) {
    details = details_;
    return true;
}

bool ConsoleInteraction::ConfirmClearFlash() {
    return clearConfirmed_;
}

bool ConsoleInteraction::ConfirmFlashTest() {
    return flashTestConfirmed_;
}

bool ConsoleInteraction::ProgressCancelled() const {
    return StopSignal() != 0;
}

void ConsoleInteraction::ProgressBegin(int steps) {
    std::lock_guard lock(mutex_);
    EraseBarLocked();
    progressActive_ = true;
    progressTotal_ = steps;
    progressDone_ = 0;
    progressStartMs_ = clock_.NowMs();
    DrawBarLocked(true);
}

void ConsoleInteraction::ProgressStep() {
    std::lock_guard lock(mutex_);
    ++progressDone_;
    DrawBarLocked(false);
}

void ConsoleInteraction::ProgressEnd() {
    std::lock_guard lock(mutex_);
    if (progressActive_ && drawProgress_) {
        // Leave the finished bar on its own line.
        DrawBarLocked(true);
        if (barOnScreen_) {
            err_ << '\n';
            err_.flush();
        }
    }
    barOnScreen_ = false;
    progressActive_ = false;
}

void ConsoleInteraction::DrawBarLocked(bool force) {
    if (!progressActive_ || !drawProgress_) {
        return;
    }
    const std::int64_t now = clock_.NowMs();
    if (!force && barOnScreen_ && now - lastDrawMs_ < kRedrawIntervalMs &&
        progressDone_ != progressTotal_) {
        return;
    }
    const std::string line =
        ProgressMeter::Line(progressDone_, progressTotal_, now - progressStartMs_);
    if (barOnScreen_ && line == lastLine_) {
        return;
    }
    err_ << kClearLine << line;
    err_.flush();
    barOnScreen_ = true;
    lastDrawMs_ = now;
    lastLine_ = line;
}

void ConsoleInteraction::EraseBarLocked() {
    if (barOnScreen_) {
        err_ << kClearLine;
        barOnScreen_ = false;
        lastLine_.clear();
    }
}

}  // namespace vanteo::cli
