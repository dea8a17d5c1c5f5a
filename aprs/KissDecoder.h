#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vanteo::aprs {

// One data frame taken out of a KISS byte stream: the TNC port (high nibble of the command byte)
// and the AX.25 frame with the escapes undone.
struct KissFrame {
    int port = 0;
    std::vector<std::uint8_t> data;
};

// KISS de-framing of the byte stream a TNC sends (over TCP or a serial line). Frames run between
// FEND bytes; inside them FESC TFEND stands for FEND and FESC TFESC for FESC. The first byte of a
// frame is the command: low nibble 0 is a data frame, anything else (TX delay, persistence, ...)
// is TNC housekeeping and dropped. Bytes before the first FEND are dropped: the stream was joined
// mid-frame. A frame longer than kMaxFrameBytes is dropped whole and the decoder waits for the
// next FEND, so a peer that never sends one costs at most kMaxFrameBytes of memory.
// Not thread-safe; one decoder per stream.
class KissDecoder {
public:
    static constexpr std::uint8_t kFend = 0xC0;
    static constexpr std::uint8_t kFesc = 0xDB;
    static constexpr std::uint8_t kTfend = 0xDC;
    static constexpr std::uint8_t kTfesc = 0xDD;
    static constexpr std::uint8_t kDataFrame = 0x00;  // command nibble of a data frame
    // An AX.25 frame carries at most 10 addresses (70 bytes), control, PID and 256 info bytes;
    // twice that leaves room for TNCs that pass longer frames without letting a peer grow memory.
    static constexpr std::size_t kMaxFrameBytes = 1024;

    struct Counters {
        long dataFrames = 0;      // handed out
        long otherCommands = 0;   // non-data frames, dropped
        long badEscapes = 0;      // FESC followed by anything but TFEND or TFESC: frame dropped
        long oversizeFrames = 0;  // longer than kMaxFrameBytes: dropped
        long skippedBytes = 0;    // before the first FEND, or in a dropped frame
    };

    // Appends every data frame completed by `bytes` to `out` (in order) and keeps the partial one.
    void Feed(const std::uint8_t* bytes, std::size_t count, std::vector<KissFrame>& out);
    // Forgets the partial frame, as after a reconnect; the counters stay.
    void Reset();
    const Counters& Stats() const { return counters_; }

private:
    void FinishFrame(std::vector<KissFrame>& out);

    enum class State { beforeFirstFend, inFrame, afterEscape, discarding };
    State state_ = State::beforeFirstFend;
    std::vector<std::uint8_t> frame_;
    Counters counters_;
};

}  // namespace vanteo::aprs
