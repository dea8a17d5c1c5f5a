#include "tests/support/ScriptedInteraction.h"

#include "tests/support/AnswerQueue.h"

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
    return NextAnswer(openAnswers_);
}

std::optional<std::string> ScriptedInteraction::AskSaveFile(const FileDialogRequest& request) {
    ++fileDialogs_;
    dialogRequests.push_back(request);
    return NextAnswer(saveAnswers_);
}

bool ScriptedInteraction::AskFlightDetails(FlightDetails& details) {
    const std::optional<FlightDetails> answer = NextAnswer(detailsAnswers_);
    if (!answer) {
        return false;
    }
    details = *answer;
    return true;
}

bool ScriptedInteraction::ConfirmClearFlash() {
    return NextAnswer(clearAnswers_);
}

bool ScriptedInteraction::ConfirmFlashTest() {
    return NextAnswer(flashTestAnswers_);
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
