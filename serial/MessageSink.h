#pragma once

#include <string>

namespace vanteo {

enum class MessageIcon {
    none,         // plain box with an OK button
    exclamation,  // the form's range and length messages
};

// Where a message box goes: the one thing the serial link asks of the person at the screen.
//
// Threads: ShowMessage may come from the flash worker thread while the user-interface thread is
// free; an implementation must marshal it.
class MessageSink {
public:
    virtual ~MessageSink() = default;

    // Modal message box with one OK button; returns when the user has dismissed it.
    virtual void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::none) = 0;
};

// Passes messages on to a sink set later: the link needs its sink when it is constructed, before
// the window that shows the messages exists. Messages while no target is set are dropped. Set the
// target on the user-interface thread while no worker runs.
class MessageForwarder final : public MessageSink {
public:
    void SetTarget(MessageSink* target) { target_ = target; }

    void ShowMessage(const std::string& text, MessageIcon icon) override {
        if (target_ != nullptr) {
            target_->ShowMessage(text, icon);
        }
    }

private:
    MessageSink* target_ = nullptr;
};

}  // namespace vanteo
