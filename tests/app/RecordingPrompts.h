#pragma once

#include <QThread>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ModalPrompts.h"
#include "tests/support/AnswerQueue.h"

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
        fileRequests.push_back(request);
        return NextAnswer(openAnswers);
    }
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        return NextAnswer(saveAnswers);
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
        return NextAnswer(clearAnswers);
    }

    bool AskYesNoDefaultYes(const std::string& question) override { return AskYesNo(question); }
    bool AskYesNo(const std::string& question) override {
        questions.push_back(question);
        return NextAnswer(yesNoAnswers);
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
};

}  // namespace vanteo::test
