#pragma once

#include <string>
#include <vector>

#include "serial/MessageSink.h"

namespace vanteo::test {

// The person at the screen for link tests: keeps every message box text.
class RecordingInteraction final : public MessageSink {
public:
    std::vector<std::string> messages;

    void ShowMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
};

}  // namespace vanteo::test
