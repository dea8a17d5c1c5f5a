#pragma once

#include <QThread>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ModalPrompts.h"

namespace vanteo::test {

// Stands in for the modal windows: records each message with the thread that showed it and
// answers the dialogs from queues (an empty queue answers "Cancel").
class RecordingPrompts final : public ModalPrompts {
public:
    struct Message {
        std::string text;
        MessageIcon icon;
        QThread* thread;
    };

    void ShowMessage(const std::string& text, MessageIcon icon) override {
        messages.push_back({text, icon, QThread::currentThread()});
    }
    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override {
        return Answer(request, openAnswers);
    }
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override {
        return Answer(request, saveAnswers);
    }
    bool AskFlightDetails(FlightDetails& details) override {
        if (detailsAnswers.empty()) {
            return false;
        }
        details = detailsAnswers.front();
        detailsAnswers.pop_front();
        return true;
    }
    bool ConfirmClearFlash() override {
        if (whileClearConfirmationOpen) {
            whileClearConfirmationOpen();
        }
        if (clearAnswers.empty()) {
            return false;
        }
        const bool answer = clearAnswers.front();
        clearAnswers.pop_front();
        return answer;
    }

    bool AskYesNoDefaultYes(const std::string& question) override { return AskYesNo(question); }
    bool AskYesNo(const std::string& question) override {
        questions.push_back(question);
        if (yesNoAnswers.empty()) {
            return false;
        }
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Message& message : messages) {
            texts.push_back(message.text);
        }
        return texts;
    }

    std::vector<Message> messages;
    std::vector<FileDialogRequest> fileRequests;
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::deque<FlightDetails> detailsAnswers;
    std::deque<bool> clearAnswers;
    std::vector<std::string> questions;
    std::deque<bool> yesNoAnswers;  // an empty queue answers No
    // Runs while the clear-flash confirmation is open (what the event loop does meanwhile).
    std::function<void()> whileClearConfirmationOpen;

private:
    std::optional<std::string> Answer(const FileDialogRequest& request,
                                      std::deque<std::optional<std::string>>& answers) {
        fileRequests.push_back(request);
        if (answers.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace vanteo::test
