#include "tests/support/ScriptedInteraction.h"

namespace vanteo::test {

std::vector<ScriptedInteraction::Message> ScriptedInteraction::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<std::string> ScriptedInteraction::MessageTexts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    for (const Message& message : messages_) {
        texts.push_back(message.text);
    }
    return texts;
}

void ScriptedInteraction::ClearMessages() {
    std::lock_guard lock(mutex_);
    messages_.clear();
}

int ScriptedInteraction::ProgressSteps() const {
    std::lock_guard lock(mutex_);
    return progressSteps_;
}

int ScriptedInteraction::ProgressBeginSteps() const {
    std::lock_guard lock(mutex_);
    return progressBeginSteps_;
}

void ScriptedInteraction::ShowMessage(const std::string& text, MessageIcon icon) {
    std::lock_guard lock(mutex_);
    messages_.push_back({text, icon});
}

std::optional<std::string> ScriptedInteraction::AskOpenFile(const FileDialogRequest& request) {
    ++fileDialogs_;
    dialogRequests.push_back(request);
    if (openAnswers_.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> answer = openAnswers_.front();
    openAnswers_.pop_front();
    return answer;
}

std::optional<std::string> ScriptedInteraction::AskSaveFile(const FileDialogRequest& request) {
    ++fileDialogs_;
    dialogRequests.push_back(request);
    if (saveAnswers_.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> answer = saveAnswers_.front();
    saveAnswers_.pop_front();
    return answer;
}

bool ScriptedInteraction::AskFlightDetails(FlightDetails& details) {
    if (detailsAnswers_.empty() || !detailsAnswers_.front()) {
        if (!detailsAnswers_.empty()) {
            detailsAnswers_.pop_front();
        }
        return false;
    }
    details = *detailsAnswers_.front();
    detailsAnswers_.pop_front();
    return true;
}

bool ScriptedInteraction::ConfirmClearFlash() {
    if (clearAnswers_.empty()) {
        return false;
    }
    const bool answer = clearAnswers_.front();
    clearAnswers_.pop_front();
    return answer;
}

bool ScriptedInteraction::ConfirmFlashTest() {
    if (flashTestAnswers_.empty()) {
        return false;
    }
    const bool answer = flashTestAnswers_.front();
    flashTestAnswers_.pop_front();
    return answer;
}

void ScriptedInteraction::CancelAfterProgressSteps(int steps) {
    std::lock_guard lock(mutex_);
    cancelAfterSteps_ = steps;
}

void ScriptedInteraction::ProgressBegin(int steps) {
    std::lock_guard lock(mutex_);
    progressBeginSteps_ = steps;
    progressSteps_ = 0;
}

void ScriptedInteraction::ProgressStep() {
    std::lock_guard lock(mutex_);
    ++progressSteps_;
    if (progressSteps_ == cancelAfterSteps_) {
        cancelled_ = true;
        cancelAfterSteps_ = -1;  // once
    }
}

void ScriptedInteraction::ProgressEnd() {}

}  // namespace vanteo::test
