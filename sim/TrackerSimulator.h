#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "serial/ByteDevice.h"
#include "sim/DemoFlight.h"

namespace vanteo::sim {

// Ways the simulated tracker can misbehave, for the fault tests. They are read at the moment they
// matter, so a test may change them through Config() between exchanges.
struct FaultOptions {
    bool silent = false;              // never answers anything (bytes are still recorded)
    long disconnectAfterBytes = -1;   // unplugged after sending this many bytes (-1: never)
    int garbageLinesBeforeReply = 0;  // each reply line is preceded by this many junk lines
    bool crLfLineEnds = false;        // ends lines (and fixed replies) with CR LF, not LF CR
    bool overlongLines = false;       // pads every reply line to 80 characters
    int shortFlashBlocks = 0;         // a flash block read returns this many bytes fewer
    bool endlessErase = false;        // the erase sends progress bytes, then the firmware hangs
    int slowByteDelayMs = 0;          // extra delay before every byte towards the host
};

struct SimulatorConfig {
    std::string modelId = "ZPNAV9";
    int firmwareVersion = 130;
    int memorySizeKbit = 128;  // 64, 128 or 1024
    // The layout of the demo flight in the flash. Unset: as the firmware logs with the
    // configuration memory's logging flags. Set to compressed or timed records on firmware 124 to
    // 199, the matching "Compress Data" or "Store HM" flag is set in the configuration memory too,
    // so a host that reads the configuration first decodes the log as it was written.
    std::optional<DemoLogLayout> demoLayout;
    std::uint32_t serialNumber = 0x0805;  // stored at 0x80..0x83 when the simulator is built
    int calibration = 0;                  // signed, 15-bit magnitude, stored at 0x8B..0x8E
    double batteryVolts = 3.9;            // reported in bytes 38-39 of the 'T' reply
    int timeSeconds = 3723;               // the time value of the settings record (bytes 35-37)
    bool pacedAt9600 = false;             // each byte takes 10 bits / 9600 baud of virtual time
    int eraseProgressBytes = 20;          // bytes the erase sends before its LF CR
    int eraseByteIntervalMs = 100;        // virtual time between two erase progress bytes
    FaultOptions faults;
};

// The tracker on the other end of the wire: its 256-byte configuration memory, its settings
// record, its flash, and the single-letter command set. It stores and returns raw bytes and
// knows nothing of the host's encoders.
//
// Timing: ReceiveFromHost is given the host's write time; every reply byte carries the virtual
// time from which the host may read it (ByteDevice::TimedByte). Without pacing or faults a reply
// is ready at the moment of the command; with `pacedAt9600` every byte, in both directions, takes
// 10/9600 s on the wire.
//
// A command's argument bytes (the address after 'y', the record after 'P', ...) are awaited
// without a time limit, as the firmware does: the host may keep the tracker waiting while it
// shows message boxes. A byte that is no command while none is pending is ignored.
//
// Threads: not locked. The in-process link hands the device from thread to thread together with
// the serial link; tests inspect the records once the exchange is over.
class TrackerSimulator final : public ByteDevice {
public:
    static constexpr std::size_t kSettingsRecordBytes = 35;  // received after 'P'
    static constexpr std::size_t kStatusRecordBytes = 40;    // sent after 'T', before LF CR

    // Builds the default configuration memory (see DefaultMemoryImage) and a flash holding the
    // demo flight for the configured memory size, firmware and layout.
    explicit TrackerSimulator(SimulatorConfig config = {});

    // ByteDevice
    void ReceiveFromHost(const std::uint8_t* data, std::size_t count, std::int64_t nowMs) override;
    std::optional<TimedByte> PeekToHost() override;
    void PopToHost() override;
    bool Connected() const override;

    SimulatorConfig& Config() { return config_; }
    std::array<std::uint8_t, 256>& Memory() { return memory_; }
    // The flash, memorySizeKbit × 128 bytes; addresses beyond its end wrap around, as an
    // EEPROM's address counter does.
    std::vector<std::uint8_t>& Flash() { return flash_; }
    // Everything the host has written, in order (for byte-exact checks).
    const std::vector<std::uint8_t>& ReceivedBytes() const { return received_; }
    void ClearReceivedBytes() { received_.clear(); }
    // Every byte written by 'Y' and by the block commands 'P', 'W', 'U', as (address, value),
    // in order.
    const std::vector<std::pair<std::uint8_t, std::uint8_t>>& Pokes() const { return pokes_; }
    // Every flash byte written by 'I', as (flash address, value), in order.
    const std::vector<std::pair<std::uint32_t, std::uint8_t>>& FlashWrites() const {
        return flashWrites_;
    }
    // The last 35 bytes received after 'P'.
    const std::vector<std::uint8_t>& LastSettingsRecord() const { return lastRecord_; }
    // Commands seen, one letter each, in order (bytes ignored as unknown are not listed).
    const std::string& Commands() const { return commands_; }
    // The 1200 Hz tone ('1') and the test transmission ('G') last until the next command.
    bool ToneOn() const { return toneOn_; }
    bool Transmitting() const { return transmitting_; }
    // Bytes taken by the host so far.
    long BytesSent() const { return bytesSent_; }
    // True while a command waits for its argument bytes.
    bool AwaitingArguments() const { return pending_.has_value(); }
    // True once an endless erase has hung the firmware: bytes are recorded, never answered.
    bool Hung() const { return hung_; }

    // A realistic configuration memory for `config`: callsign N0CALL-11, WIDE1-1/WIDE2-1 paths
    // in both profiles, smart beaconing, two messages, switch altitudes, 144.390 MHz in the
    // synthesizer registers and the packed frequency word, the serial number and calibration.
    static std::array<std::uint8_t, 256> DefaultMemoryImage(const SimulatorConfig& config);
    // Battery or low-voltage code for `volts`: volts × 1024 / (k × ref), k and ref by model
    // (3 and 3.3 for ZPNAV9, ZPNAVB, ZPNAV6, ZPNAV1; 2 and 3.0 otherwise), rounded, 10 bits.
    static std::uint16_t VoltageCode(const std::string& modelId, double volts);

private:
    struct PendingCommand {
        std::uint8_t letter = 0;
        std::size_t expected = 0;  // argument bytes still to come, in total
        std::vector<std::uint8_t> arguments;
    };

    void HandleByte(std::uint8_t value, std::int64_t atNs);
    void StartCommand(std::uint8_t letter, std::int64_t atNs);
    void HandleArgument(std::uint8_t value, std::int64_t atNs);
    void FinishCommand(const PendingCommand& command, std::int64_t atNs);
    void Await(std::uint8_t letter, std::size_t count);
    // Sends `prompt` and awaits the `count` argument bytes of `letter`.
    void AskArguments(std::string_view prompt, std::uint8_t letter, std::size_t count,
                      std::int64_t atNs);
    // `count` bytes of the configuration memory from `address`, as a reply payload.
    std::string MemoryBytes(std::size_t address, std::size_t count) const;
    void StoreConfigByte(std::uint8_t address, std::uint8_t value);

    // Reply scheduling. Times are nanoseconds of virtual time.
    void QueueByte(std::uint8_t value, std::int64_t earliestNs);
    void QueueBytes(const std::string& bytes, std::int64_t earliestNs);
    void QueueLine(std::string_view payload, std::int64_t atNs);
    void QueueTerminator(std::int64_t atNs);
    std::string Terminator() const;
    std::int64_t ByteTimeNs() const;

    std::size_t FlashAddressBytes() const;
    std::uint32_t FlashAddress(const std::vector<std::uint8_t>& arguments) const;
    void ReplyFlashBlock(std::uint32_t address, std::int64_t atNs);
    void Erase(std::int64_t atNs);

    SimulatorConfig config_;
    std::array<std::uint8_t, 256> memory_{};
    std::vector<std::uint8_t> flash_;
    std::vector<std::uint8_t> received_;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> pokes_;
    std::vector<std::pair<std::uint32_t, std::uint8_t>> flashWrites_;
    std::vector<std::uint8_t> lastRecord_;
    std::string commands_;
    std::deque<TimedByte> toHost_;
    std::optional<PendingCommand> pending_;
    std::int64_t wireFreeAtNs_ = 0;      // when the last queued byte has left the tracker
    std::int64_t hostWireFreeAtNs_ = 0;  // when the host's last byte has fully arrived
    long bytesSent_ = 0;
    bool disconnected_ = false;
    bool hung_ = false;
    bool toneOn_ = false;
    bool transmitting_ = false;
};

}  // namespace vanteo::sim
