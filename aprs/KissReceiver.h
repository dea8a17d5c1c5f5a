#pragma once

#include <functional>
#include <optional>
#include <string>

#include "aprs/AprsPacketDecoder.h"
#include "aprs/Ax25Frame.h"
#include "aprs/KissByteSource.h"
#include "serial/Clock.h"

namespace vanteo::aprs {

// Listens to one KISS source until told to stop: connects, decodes, hands over the packets from
// the station asked for (or from all), and connects again after a loss or a refusal, every
// kRetryDelayMs. Messages for the user (connected, nothing listens, lost) go to `message`, once
// per change of state, not once per retry. Runs on the calling thread; the callbacks too.
class KissReceiver {
public:
    static constexpr int kRetryDelayMs = 2000;
    static constexpr int kReadSliceMs = 200;  // how often `stop` is looked at while idle

    struct Callbacks {
        std::function<bool()> stop;                       // true: return from Run
        std::function<void(const HeardPacket&)> packet;   // one accepted packet
        std::function<void(const std::string&)> message;  // a line for the user
    };

    KissReceiver(KissByteSource& source, Clock& clock) : source_(source), clock_(clock) {}

    // Only packets whose source is `station` (callsign and SSID); nothing: every station.
    void SetStation(std::optional<Ax25Address> station) { station_ = std::move(station); }

    void Run(const Callbacks& callbacks);

    const AprsPacketDecoder& Decoder() const { return decoder_; }
    long OtherStations() const { return otherStations_; }  // packets left out by the filter

private:
    bool Accepts(const HeardPacket& packet) const;
    void WaitBeforeRetry(const Callbacks& callbacks);

    KissByteSource& source_;
    Clock& clock_;
    std::optional<Ax25Address> station_;
    AprsPacketDecoder decoder_;
    long otherStations_ = 0;
};

}  // namespace vanteo::aprs
