#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "aprs/AprsReport.h"
#include "aprs/Ax25Frame.h"
#include "aprs/KissDecoder.h"

namespace vanteo::aprs {

// One packet heard: the TNC port, the AX.25 frame and what its information field says.
struct HeardPacket {
    int port = 0;
    Ax25Frame frame;
    AprsReport report;
};

// The whole receive path from KISS bytes to APRS reports. Bad frames are counted and skipped;
// nothing a peer sends makes it fail. Not thread-safe; one per stream.
class AprsPacketDecoder {
public:
    // Appends the packets completed by `bytes` to `out`.
    void Feed(const std::uint8_t* bytes, std::size_t count, std::vector<HeardPacket>& out);
    // After a reconnect: forgets the partial KISS frame.
    void Reset() { kiss_.Reset(); }

    const KissDecoder::Counters& KissStats() const { return kiss_.Stats(); }
    long BadFrames() const { return badFrames_; }                // KISS data frames that are not UI
    const std::string& LastError() const { return lastError_; }  // why the last one was bad

private:
    KissDecoder kiss_;
    std::vector<KissFrame> frames_;
    long badFrames_ = 0;
    std::string lastError_;
};

}  // namespace vanteo::aprs
