#pragma once

#include <atomic>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/HeadlessForm.h"

namespace vanteo::test {

// The person at the screen, scripted: records every message box, answers file dialogs and the
// two flash dialogs from queues, and counts progress steps. Thread-safe enough for the flash
// worker (messages and progress are guarded by a mutex).
class ScriptedInteraction : public HeadlessForm {
public:
    struct Message {
        std::string text;
        MessageIcon icon;
    };

    explicit ScriptedInteraction(FormModel& form) : HeadlessForm(form) {}

    // Queue answers: a path, or nullopt for "Cancel".
    void QueueOpenFile(std::optional<std::string> path) { openAnswers_.push_back(std::move(path)); }
    void QueueSaveFile(std::optional<std::string> path) { saveAnswers_.push_back(std::move(path)); }
    // The next Details dialog: nullopt closes it without OK.
    void QueueFlightDetails(std::optional<FlightDetails> details) {
        detailsAnswers_.push_back(std::move(details));
    }
    void QueueClearConfirmation(bool clear) { clearAnswers_.push_back(clear); }
    // The next flash-test question (an empty queue answers No).
    void QueueFlashTestConfirmation(bool run) { flashTestAnswers_.push_back(run); }
    // The user presses Cancel now, or once the progress has stepped `steps` times.
    void Cancel(bool cancelled = true) { cancelled_ = cancelled; }
    void CancelAfterProgressSteps(int steps);

    std::vector<Message> Messages() const;
    std::vector<std::string> MessageTexts() const;
    void ClearMessages();
    int ProgressSteps() const;
    int ProgressBeginSteps() const;
    int FileDialogsShown() const { return fileDialogs_; }

    void ShowMessage(const std::string& text, MessageIcon icon) override;
    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override;
    bool AskFlightDetails(FlightDetails& details) override;
    bool ConfirmClearFlash() override;
    bool ConfirmFlashTest() override;
    void ProgressBegin(int steps) override;
    void ProgressStep() override;
    void ProgressEnd() override;
    bool ProgressCancelled() const override { return cancelled_.load(); }

    // The requests the dialogs were opened with, in order.
    std::vector<FileDialogRequest> dialogRequests;

private:
    mutable std::mutex mutex_;
    std::vector<Message> messages_;
    std::deque<std::optional<std::string>> openAnswers_;
    std::deque<std::optional<std::string>> saveAnswers_;
    std::deque<std::optional<FlightDetails>> detailsAnswers_;
    std::deque<bool> clearAnswers_;
    std::deque<bool> flashTestAnswers_;
    std::atomic<bool> cancelled_{false};
    int cancelAfterSteps_ = -1;
    int progressSteps_ = 0;
    int progressBeginSteps_ = -1;
    int fileDialogs_ = 0;
};

}  // namespace vanteo::test
