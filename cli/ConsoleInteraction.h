#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "device/HeadlessForm.h"
#include "serial/Clock.h"

namespace vanteo::cli {

// Ctrl+C (SIGINT) and SIGTERM act as the window's Cancel: a download stops after its current
// block and writes what arrived, an erase stops waiting; any other command runs to its end first
// (every exchange is bounded by the link's time-outs), so a write is never left half-done. The
// handler only records the signal; the program then ends with 128 + its number (130, 143). A second
// signal ends the program at once.
void InstallStopSignalHandlers();
// The signal recorded by the handler, 0 while none came.
int StopSignal();

// The person at the screen for vanteo-cli. Message boxes are printed on the error stream as
// they would be shown; the file dialogs are answered with the files named on the command line;
// the Details dialog is confirmed with the values given; the clear-flash confirmation is
// "CLEAR" only when the user passed --yes. On a terminal, progress is a bar with the expected
// remaining time.
//
// Threads: ShowMessage and the Progress* calls may come from the flash worker while the main
// thread waits; all output and the message record are guarded by one mutex.
class ConsoleInteraction : public HeadlessForm {
public:
    // `err` receives messages and the progress bar; `clock` times the bar; `drawProgress` is
    // true when `err` is a terminal.
    ConsoleInteraction(FormModel& form, std::ostream& err, Clock& clock, bool drawProgress);

    // Answers of the next dialogs (nullopt: cancelled).
    void SetOpenFileAnswer(std::optional<std::string> path) { openAnswer_ = std::move(path); }
    void SetSaveFileAnswer(std::optional<std::string> path) { saveAnswer_ = std::move(path); }
    void SetFlightDetailsAnswer(const FlightDetails& details) { details_ = details; }
    void SetClearFlashConfirmed(bool confirmed) { clearConfirmed_ = confirmed; }
    void SetFlashTestConfirmed(bool confirmed) { flashTestConfirmed_ = confirmed; }

    // Every message-box text shown so far, in order.
    std::vector<std::string> MessagesShown() const;

    // Prints a line of the front end's own on the error stream, under the same lock.
    void Note(const std::string& text);

    void ShowMessage(const std::string& text, MessageIcon icon) override;
    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override;
    bool AskFlightDetails(FlightDetails& details) override;
    bool ConfirmClearFlash() override;
    bool ConfirmFlashTest() override;
    void ProgressBegin(int steps) override;
    void ProgressStep() override;
    void ProgressEnd() override;
    // True once Ctrl+C or SIGTERM has come (InstallStopSignalHandlers).
    bool ProgressCancelled() const override;

private:
    void PrintLocked(const std::string& text);
    void DrawBarLocked(bool force);
    void EraseBarLocked();

    mutable std::mutex mutex_;
    std::ostream& err_;
    Clock& clock_;
    const bool drawProgress_;
    std::vector<std::string> messages_;
    std::optional<std::string> openAnswer_;
    std::optional<std::string> saveAnswer_;
    FlightDetails details_;
    bool clearConfirmed_ = false;
    bool flashTestConfirmed_ = false;

    bool progressActive_ = false;
    bool barOnScreen_ = false;
    int progressTotal_ = 0;
    int progressDone_ = 0;
    std::int64_t progressStartMs_ = 0;
    std::int64_t lastDrawMs_ = 0;
    std::string lastLine_;
};

}  // namespace vanteo::cli
