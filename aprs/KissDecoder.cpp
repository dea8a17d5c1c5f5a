#include "aprs/KissDecoder.h"

namespace vanteo::aprs {

void KissDecoder::Reset() {
    state_ = State::beforeFirstFend;
    frame_.clear();
}

void KissDecoder::FinishFrame(std::vector<KissFrame>& out) {
    if (frame_.empty()) {
        return;  // FEND FEND: an idle fill or the opening of the next frame
    }
    const std::uint8_t command = frame_.front();
    if ((command & 0x0F) != kDataFrame) {
        ++counters_.otherCommands;
    } else {
        KissFrame frame;
        frame.port = command >> 4;
        frame.data.assign(frame_.begin() + 1, frame_.end());
        out.push_back(std::move(frame));
        ++counters_.dataFrames;
    }
    frame_.clear();
}

void KissDecoder::Feed(const std::uint8_t* bytes, std::size_t count, std::vector<KissFrame>& out) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t byte = bytes[i];
        if (byte == kFend) {
            if (state_ == State::inFrame) {
                FinishFrame(out);
            } else if (state_ == State::afterEscape) {
                ++counters_.badEscapes;  // FESC FEND: the frame was cut short
                counters_.skippedBytes += static_cast<long>(frame_.size());
            }
            frame_.clear();
            state_ = State::inFrame;
            continue;
        }
        switch (state_) {
            case State::beforeFirstFend:
            case State::discarding:
                ++counters_.skippedBytes;
                break;
            case State::afterEscape:
                if (byte == kTfend || byte == kTfesc) {
                    frame_.push_back(byte == kTfend ? kFend : kFesc);
                    state_ = State::inFrame;
                } else {
                    ++counters_.badEscapes;
                    counters_.skippedBytes += static_cast<long>(frame_.size()) + 1;
                    frame_.clear();
                    state_ = State::discarding;
                }
                break;
            case State::inFrame:
                if (byte == kFesc) {
                    state_ = State::afterEscape;
                } else {
                    frame_.push_back(byte);
                }
                break;
        }
        if (state_ != State::discarding && frame_.size() > kMaxFrameBytes) {
            ++counters_.oversizeFrames;
            counters_.skippedBytes += static_cast<long>(frame_.size());
            frame_.clear();
            frame_.shrink_to_fit();
            state_ = State::discarding;
        }
    }
}

}  // namespace vanteo::aprs
