#include "aprs/AprsPacketDecoder.h"

namespace vanteo::aprs {

void AprsPacketDecoder::Feed(const std::uint8_t* bytes, std::size_t count,
                             std::vector<HeardPacket>& out) {
    frames_.clear();
    kiss_.Feed(bytes, count, frames_);
    for (const KissFrame& kissFrame : frames_) {
        std::string error;
        std::optional<Ax25Frame> frame =
            ParseAx25Frame(kissFrame.data.data(), kissFrame.data.size(), error);
        if (!frame) {
            ++badFrames_;
            lastError_ = error;
            continue;
        }
        HeardPacket packet;
        packet.port = kissFrame.port;
        packet.report = DecodeAprs(frame->destination.callsign, frame->info);
        packet.frame = std::move(*frame);
        out.push_back(std::move(packet));
    }
}

}  // namespace vanteo::aprs
