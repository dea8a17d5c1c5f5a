#include "aprs/KissReceiver.h"

#include <array>
#include <vector>

namespace vanteo::aprs {

bool KissReceiver::Accepts(const HeardPacket& packet) const {
    return !station_ || (packet.frame.source.callsign == station_->callsign &&
                         packet.frame.source.ssid == station_->ssid);
}

void KissReceiver::WaitBeforeRetry(const Callbacks& callbacks) {
    for (int waited = 0; waited < kRetryDelayMs && !callbacks.stop(); waited += kReadSliceMs) {
        clock_.SleepMs(kReadSliceMs);
    }
}

void KissReceiver::Run(const Callbacks& callbacks) {
    enum class Last { none, connected, refused, lost };
    Last last = Last::none;
    std::array<std::uint8_t, 4096> buffer{};
    std::vector<HeardPacket> packets;
    while (!callbacks.stop()) {
        std::string error;
        if (!source_.Open(error)) {
            if (last != Last::refused) {
                callbacks.message("Nothing listens on " + source_.Describe() + " (" + error +
                                  "). Is the TNC running? Trying again every " +
                                  std::to_string(kRetryDelayMs / 1000) + " s.");
                last = Last::refused;
            }
            WaitBeforeRetry(callbacks);
            continue;
        }
        callbacks.message("Listening on " + source_.Describe() + ".");
        last = Last::connected;
        decoder_.Reset();
        while (!callbacks.stop()) {
            std::size_t count = 0;
            const KissByteSource::ReadStatus status =
                source_.Read(buffer.data(), buffer.size(), kReadSliceMs, count);
            if (status == KissByteSource::ReadStatus::lost) {
                break;
            }
            packets.clear();
            decoder_.Feed(buffer.data(), count, packets);
            for (const HeardPacket& packet : packets) {
                if (Accepts(packet)) {
                    callbacks.packet(packet);
                } else {
                    ++otherStations_;
                }
            }
        }
        source_.Close();
        if (!callbacks.stop()) {
            callbacks.message("Lost " + source_.Describe() + "; reconnecting.");
            last = Last::lost;
            WaitBeforeRetry(callbacks);
        }
    }
}

}  // namespace vanteo::aprs
