#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "serial/ByteDevice.h"

namespace vanteo::sim {

// Ways the simulated tracker can misbehave, for the fault tests.
struct FaultOptions {
    bool silent = false;                 // never answers anything
    long disconnectAfterBytes = -1;      // unplugged after sending this many bytes (-1: never)
    int garbageLinesBeforeReply = 0;     // each reply line is preceded by this many junk lines
    bool crLfLineEnds = false;           // ends lines with CR LF instead of LF CR
    bool overlongLines = false;          // pads every reply line to 80 characters
    int shortFlashBlocks = 0;            // a flash block read returns this many bytes fewer
    bool endlessErase = false;           // the erase sends progress bytes, then falls silent
    int slowByteDelayMs = 0;             // extra delay before every byte towards the host
};

struct SimulatorConfig {
    std::string modelId = "ZPNAV9";
    int firmwareVersion = 130;
    int memorySizeKbit = 128;            // 64, 128 or 1024
    std::uint32_t serialNumber = 0x0805;
    int calibration = 0;                 // signed, 15-bit magnitude, stored at 0x8B..0x8E
    double batteryVolts = 3.9;
    int timeSeconds = 3723;              // the time value of the settings record
    bool pacedAt9600 = false;            // each byte takes 10 bits / 9600 baud of virtual time
    int eraseProgressBytes = 20;         // bytes the erase sends before its LF CR
    int eraseByteIntervalMs = 100;
    FaultOptions faults;
};

// The tracker on the other end of the wire: its 256-byte configuration memory, its settings
// record, its flash, and the single-letter command set. It stores and returns raw bytes and
// knows nothing of the host's encoders.
class TrackerSimulator final : public ByteDevice {
public:
    explicit TrackerSimulator(SimulatorConfig config = {});

    // ByteDevice
    void ReceiveFromHost(const std::uint8_t* data, std::size_t count, std::int64_t nowMs) override;
    std::optional<TimedByte> PeekToHost() override;
    void PopToHost() override;
    bool Connected() const override;

    SimulatorConfig& Config() { return config_; }
    std::array<std::uint8_t, 256>& Memory() { return memory_; }
    std::vector<std::uint8_t>& Flash() { return flash_; }
    // Everything the host has written, in order (for byte-exact checks).
    const std::vector<std::uint8_t>& ReceivedBytes() const { return received_; }
    void ClearReceivedBytes() { received_.clear(); }
    // Every byte written by 'Y' and by the block commands, as (address, value), in order.
    const std::vector<std::pair<std::uint8_t, std::uint8_t>>& Pokes() const { return pokes_; }
    // The last 35 bytes received after 'P'.
    const std::vector<std::uint8_t>& LastSettingsRecord() const { return lastRecord_; }
    // Commands seen, one letter each, in order.
    const std::string& Commands() const { return commands_; }
    bool ToneOn() const { return toneOn_; }
    bool Transmitting() const { return transmitting_; }

private:
    // Implementation state lives in the .cpp.
    struct Impl;
    SimulatorConfig config_;
    std::array<std::uint8_t, 256> memory_{};
    std::vector<std::uint8_t> flash_;
    std::vector<std::uint8_t> received_;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> pokes_;
    std::vector<std::uint8_t> lastRecord_;
    std::string commands_;
    std::deque<TimedByte> toHost_;
    bool toneOn_ = false;
    bool transmitting_ = false;
};

}  // namespace vanteo::sim
