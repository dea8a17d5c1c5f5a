// The APRS receive path: any bytes from a TNC must decode without a crash, a hang or unbounded
// memory, and whatever decodes must be a sane position.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "aprs/AprsPacketDecoder.h"
#include "aprs/KissDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Fed in two pieces split at the first byte's value, so partial frames carry over.
    const std::size_t split = size == 0 ? 0 : data[0] % (size + 1);
    vanteo::aprs::AprsPacketDecoder decoder;
    std::vector<vanteo::aprs::HeardPacket> packets;
    decoder.Feed(data, split, packets);
    decoder.Feed(data + split, size - split, packets);
    for (const vanteo::aprs::HeardPacket& packet : packets) {
        const auto& r = packet.report;
        if (packet.frame.info.size() > vanteo::aprs::KissDecoder::kMaxFrameBytes ||
            packet.frame.path.size() > vanteo::aprs::Ax25Frame::kMaxDigipeaters) {
            std::abort();
        }
        if (r.HasPosition() &&
            (!(std::abs(r.latitudeDeg) <= 90.0) || !(std::abs(r.longitudeDeg) <= 180.0))) {
            std::abort();
        }
        if (!r.HasPosition() && r.comment != packet.frame.info) {
            std::abort();  // anything not decoded is kept whole
        }
        (void)packet.frame.ToMonitorText();
    }
    return 0;
}
