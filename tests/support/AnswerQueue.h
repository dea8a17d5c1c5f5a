#pragma once

#include <deque>
#include <utility>

namespace vanteo::test {

// The next scripted answer of a stand-in dialog, taken off the front of `answers`; `whenEmpty`
// once the script has run out (for the dialogs: what closing them without an answer means).
template <typename T>
T NextAnswer(std::deque<T>& answers, T whenEmpty = T{}) {
    if (answers.empty()) {
        return whenEmpty;
    }
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

}  // namespace vanteo::test
