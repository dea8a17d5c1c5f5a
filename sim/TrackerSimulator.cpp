#include "sim/TrackerSimulator.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "sim/DemoFlight.h"

namespace vanteo::sim {
namespace {

// Command letters, one byte each.
constexpr std::uint8_t kAttention = '?';
constexpr std::uint8_t kPeek = 'y';
constexpr std::uint8_t kPoke = 'Y';
constexpr std::uint8_t kModel = 'M';
constexpr std::uint8_t kVersion = 'V';
constexpr std::uint8_t kSerialNumber = 'S';
constexpr std::uint8_t kCalibration = 'D';
constexpr std::uint8_t kReadPaths = 'X';
constexpr std::uint8_t kWritePaths = 'W';
constexpr std::uint8_t kFactoryBlock = 'U';
constexpr std::uint8_t kMemorySize = 'K';
constexpr std::uint8_t kReadRecord = 'T';
constexpr std::uint8_t kWriteRecord = 'P';
constexpr std::uint8_t kTransmit = 'G';
constexpr std::uint8_t kTone = '1';
constexpr std::uint8_t kReadFlashBlock = 'J';
constexpr std::uint8_t kWriteFlashByte = 'I';
constexpr std::uint8_t kEraseFlash = 'Z';

constexpr std::uint8_t kLineFeed = 0x0A;
constexpr std::uint8_t kCarriageReturn = 0x0D;

// Configuration memory addresses.
constexpr std::uint8_t kPathsAddress = 0x2C;  // profile 1 paths, 14 bytes
constexpr std::size_t kPathBytes = 14;
constexpr std::uint8_t kSerialAddress = 0x80;       // 32-bit big-endian
constexpr std::uint8_t kIdCopyAddress = 0x84;       // 7 bytes, 0-padded
constexpr std::uint8_t kCalibrationAddress = 0x8B;  // scal1 lo, hi, scal2 lo, hi
constexpr std::size_t kFactoryBlockBytes = 15;      // 0x80..0x8E
constexpr std::uint8_t kProfile2SmartAddress = 0x90;
constexpr std::uint8_t kSwitchAltitudeAddress = 0x98;  // two 16-bit little-endian values
constexpr std::uint8_t kSynthAddress = 0xA0;           // R, N, M, F registers, big-endian
constexpr std::uint8_t kProfile2PathsAddress = 0xB0;
constexpr std::uint8_t kProfile1SmartAddress = 0xC0;
constexpr std::uint8_t kSecondMAddress = 0xC8;
constexpr std::uint8_t kProfile2MessageAddress = 0x40;
constexpr std::uint8_t kProfile1MessageAddress = 0x60;

// Settings record byte positions of the read-only tail of the 'T' reply.
constexpr std::size_t kTimeByte = 35;     // whole minutes (2 bytes, BE), then seconds
constexpr std::size_t kBatteryByte = 38;  // 10-bit code, BE

constexpr std::int64_t kNsPerMs = 1'000'000;
constexpr std::int64_t kByteTimeAt9600Ns = 1'041'667;  // 10 bits at 9600 baud
constexpr std::size_t kOverlongLineChars = 80;
constexpr std::string_view kGarbageLine = "$GPTXT,01,01,02,ANTSTATUS=OK*3B";

// Replies whose text the host does not examine.
constexpr std::string_view kAskAddress = "addr?";
constexpr std::string_view kAskRecord = "rec?";
constexpr std::string_view kAskPaths = "path?";
constexpr std::string_view kAskFactoryBlock = "ser?";
constexpr std::string_view kAcknowledge = "ok";
constexpr std::string_view kAttentionReply = "OK";

constexpr std::uint8_t kEraseProgress = '.';

bool HasWideVoltageScale(const std::string& modelId) {
    return modelId == "ZPNAV9" || modelId == "ZPNAVB" || modelId == "ZPNAV6" || modelId == "ZPNAV1";
}

bool IsTwoMetreModel(const std::string& modelId) {
    return modelId == "ZPNAV8" || modelId == "ZPNAV9" || modelId == "ZPNAV6";
}

void PutBigEndian32(std::array<std::uint8_t, 256>& memory, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        memory[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

void PutText(std::array<std::uint8_t, 256>& memory, std::size_t at, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        memory[at + i] = static_cast<std::uint8_t>(text[i]);
    }
    memory[at + text.size()] = 0;
}

}  // namespace

std::uint16_t TrackerSimulator::VoltageCode(const std::string& modelId, double volts) {
    const bool wide = HasWideVoltageScale(modelId);
    const double multiplier = wide ? 3.0 : 2.0;
    const double reference = wide ? 3.3 : 3.0;
    const double code = std::round(volts * 1024.0 / (multiplier * reference));
    return static_cast<std::uint16_t>(std::clamp(code, 0.0, 1023.0));
}

std::array<std::uint8_t, 256> TrackerSimulator::DefaultMemoryImage(const SimulatorConfig& config) {
    std::array<std::uint8_t, 256> m{};

    // Settings record, bytes 0..34. Callsign N0CALL in Morse (dash = 1, dot = 0, then a 1 as end
    // marker): N 0xA0, 0 0xFC, C 0xA8, A 0x60, L 0x48, L 0x48; bytes 6 and 7 are 0.
    const std::uint8_t morse[8] = {0xA0, 0xFC, 0xA8, 0x60, 0x48, 0x48, 0x00, 0x00};
    std::copy(std::begin(morse), std::end(morse), m.begin());
    const std::string_view callsign = "N0CALL";
    std::copy(callsign.begin(), callsign.end(), m.begin() + 8);
    m[14] = 11;    // SSID
    m[15] = 'O';   // symbol
    m[16] = 0x15;  // 144.390 MHz packed: ((144.39 - 0.045) * 1e6 - 2500) * 0.01 - 8192
    m[17] = 0xE6;
    m[18] = 0x61;
    m[19] = 0xE0;  // power code of +10 dBm
    m[20] = 30;    // preamble
    m[21] = 10;    // hidden field 1016, its usual value
    m[22] = 1;     // log one fix per second
    m[23] = 5;     // packet spacing
    m[27] = 8;     // deviation
    m[28] = 0x42;  // only send valid, transmit altitude
    m[29] = 0;     // time slot
    m[30] = 0x00;  // no profile switching, no compression, no hours/minutes
    const bool layoutChoice = config.firmwareVersion >= DemoFlight::kFirstLayoutChoiceFirmware &&
                              config.firmwareVersion <= DemoFlight::kLastLayoutChoiceFirmware;
    if (layoutChoice && config.demoLayout == DemoLogLayout::compressed) {
        m[30] |= DemoFlight::kCompressFlag;
    } else if (layoutChoice && config.demoLayout == DemoLogLayout::timedRecords) {
        m[30] |= DemoFlight::kHoursMinutesFlag;
    }
    m[31] = 0x00;  // no telemetry
    m[32] = 0x24;  // low-voltage shutdown, position logging on
    const std::uint16_t lowVolts = VoltageCode(config.modelId, 3.5);
    m[33] = static_cast<std::uint8_t>((lowVolts >> 8) & 0x03);
    m[34] = static_cast<std::uint8_t>(lowVolts & 0xFF);

    // Paths WIDE1-1, WIDE2-1: '-' becomes a space, the SSID digit its number, every byte shifted
    // left by one, and the last byte carries the end-of-address bit.
    const std::uint8_t paths[kPathBytes] = {0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40, 0x02,
                                            0xAE, 0x92, 0x88, 0x8A, 0x64, 0x40, 0x03};
    std::copy(std::begin(paths), std::end(paths), m.begin() + kPathsAddress);
    std::copy(std::begin(paths), std::end(paths), m.begin() + kProfile2PathsAddress);

    PutText(m, kProfile2MessageAddress, "Recovery mode");
    PutText(m, kProfile1MessageAddress, "Rocket tracker");

    PutBigEndian32(m, kSerialAddress, config.serialNumber);
    PutText(m, kIdCopyAddress, callsign);  // 6 characters and a 0 fill the 7 bytes
    const int magnitude = std::abs(config.calibration) & 0x7FFF;
    const int sign = config.calibration < 0 ? 0x80 : 0x00;
    m[kCalibrationAddress] = static_cast<std::uint8_t>(magnitude & 0xFF);
    m[kCalibrationAddress + 1] = static_cast<std::uint8_t>((magnitude >> 8) | sign);
    m[kCalibrationAddress + 2] = static_cast<std::uint8_t>(magnitude & 0xFF);
    m[kCalibrationAddress + 3] = static_cast<std::uint8_t>((magnitude >> 8) | sign);

    // Smart beaconing: slow rate (16-bit BE), slow speed, fast speed, fast rate, turn angle,
    // turn slope, turn time.
    const std::uint8_t profile1Smart[8] = {0x02, 0x58, 5, 60, 60, 30, 25, 15};  // 600 s
    const std::uint8_t profile2Smart[8] = {0x01, 0x2C, 3, 40, 20, 20, 20, 10};  // 300 s
    std::copy(std::begin(profile1Smart), std::end(profile1Smart),
              m.begin() + kProfile1SmartAddress);
    std::copy(std::begin(profile2Smart), std::end(profile2Smart),
              m.begin() + kProfile2SmartAddress);
    // Switch altitudes, little-endian: 1000 m and 300 m.
    m[kSwitchAltitudeAddress] = 0xE8;
    m[kSwitchAltitudeAddress + 1] = 0x03;
    m[kSwitchAltitudeAddress + 2] = 0x2C;
    m[kSwitchAltitudeAddress + 3] = 0x01;

    // Synthesizer for 144.390 MHz. R carries the band bit and the calibration correction
    // v = -100 × fcal / 125 in its 11 bits from bit 2.
    const int v = (-100 * config.calibration) / 125;
    const std::uint32_t r = (IsTwoMetreModel(config.modelId) ? 0x04000000u : 0u) | 0x00402000u |
                            ((static_cast<std::uint32_t>(v) & 0x7FFu) << 2);
    PutBigEndian32(m, kSynthAddress, r);
    PutBigEndian32(m, kSynthAddress + 4, 0x0008CF69u);  // n = 144346, N = n × 4 + 1
    PutBigEndian32(m, kSynthAddress + 8,
                   0x000007E2u | (static_cast<std::uint32_t>(m[27] & 0xF) << 12));
    PutBigEndian32(m, kSynthAddress + 12, 0x005AA04Fu);
    PutBigEndian32(m, kSecondMAddress, 0x000007E2u);
    return m;
}

TrackerSimulator::TrackerSimulator(SimulatorConfig config)
    : config_(std::move(config)),
      memory_(DefaultMemoryImage(config_)),
      flash_(DemoFlight::BuildImage(config_.memorySizeKbit,
                                    config_.demoLayout.value_or(DemoFlight::LayoutFor(
                                        config_.firmwareVersion, memory_[30])))) {
    disconnected_ = config_.faults.disconnectAfterBytes == 0;
}

bool TrackerSimulator::Connected() const {
    return !disconnected_;
}

std::optional<TimedByte> TrackerSimulator::PeekToHost() {
    if (disconnected_ || toHost_.empty()) {
        return std::nullopt;
    }
    return toHost_.front();
}

void TrackerSimulator::PopToHost() {
    if (disconnected_ || toHost_.empty()) {
        return;
    }
    toHost_.pop_front();
    ++bytesSent_;
    const long limit = config_.faults.disconnectAfterBytes;
    if (limit >= 0 && bytesSent_ >= limit) {
        disconnected_ = true;
        toHost_.clear();
    }
}

void TrackerSimulator::ReceiveFromHost(const std::uint8_t* data, std::size_t count,
                                       std::int64_t nowMs) {
    if (disconnected_) {
        return;
    }
    // Writes made back to back (the record after 'P', one byte per write) queue on the wire
    // behind each other just as the bytes of one write do.
    std::int64_t atNs = std::max(nowMs * kNsPerMs, hostWireFreeAtNs_);
    for (std::size_t i = 0; i < count; ++i) {
        received_.push_back(data[i]);
        // A paced byte has fully arrived one byte time after the previous one.
        atNs += ByteTimeNs();
        if (!config_.faults.silent && !hung_) {
            HandleByte(data[i], atNs);
        }
    }
    hostWireFreeAtNs_ = atNs;
}

void TrackerSimulator::HandleByte(std::uint8_t value, std::int64_t atNs) {
    if (pending_) {
        HandleArgument(value, atNs);
    } else {
        StartCommand(value, atNs);
    }
}

void TrackerSimulator::Await(std::uint8_t letter, std::size_t count) {
    pending_ = PendingCommand{letter, count, {}};
}

void TrackerSimulator::AskArguments(std::string_view prompt, std::uint8_t letter, std::size_t count,
                                    std::int64_t atNs) {
    QueueLine(prompt, atNs);
    Await(letter, count);
}

std::string TrackerSimulator::MemoryBytes(std::size_t address, std::size_t count) const {
    const auto first = memory_.begin() + static_cast<std::ptrdiff_t>(address);
    return std::string(first, first + static_cast<std::ptrdiff_t>(count));
}

void TrackerSimulator::StoreConfigByte(std::uint8_t address, std::uint8_t value) {
    memory_[address] = value;
    pokes_.emplace_back(address, value);
}

void TrackerSimulator::StartCommand(std::uint8_t letter, std::int64_t atNs) {
    switch (letter) {
        case kAttention:
        case kPeek:
        case kPoke:
        case kModel:
        case kVersion:
        case kSerialNumber:
        case kCalibration:
        case kReadPaths:
        case kWritePaths:
        case kFactoryBlock:
        case kMemorySize:
        case kReadRecord:
        case kWriteRecord:
        case kTransmit:
        case kTone:
        case kReadFlashBlock:
        case kWriteFlashByte:
        case kEraseFlash:
            break;
        default:
            return;  // line noise, stray terminators: ignored
    }
    commands_.push_back(static_cast<char>(letter));
    // Any command ends a test transmission or the test tone.
    transmitting_ = false;
    toneOn_ = false;

    switch (letter) {
        case kAttention:
            QueueLine(kAttentionReply, atNs);
            break;
        case kPeek:
            AskArguments(kAskAddress, letter, 1, atNs);
            break;
        case kPoke:
            AskArguments(kAskAddress, letter, 2, atNs);
            break;
        case kModel:
            QueueLine(config_.modelId, atNs);
            break;
        case kVersion:
            QueueLine(std::to_string(config_.firmwareVersion), atNs);
            break;
        case kSerialNumber:
            QueueLine(MemoryBytes(kSerialAddress, 4), atNs);
            break;
        case kCalibration:
            QueueLine(MemoryBytes(kCalibrationAddress, 4), atNs);
            break;
        case kReadPaths:
            QueueLine(MemoryBytes(kPathsAddress, kPathBytes), atNs);
            break;
        case kWritePaths:
            AskArguments(kAskPaths, letter, kPathBytes, atNs);
            break;
        case kFactoryBlock:
            AskArguments(kAskFactoryBlock, letter, kFactoryBlockBytes, atNs);
            break;
        case kMemorySize: {
            // '0' 64 kbit, '1' 128 kbit, '2' 1024 kbit.
            const char code = config_.memorySizeKbit == 1024  ? '2'
                              : config_.memorySizeKbit == 128 ? '1'
                              : config_.memorySizeKbit == 64  ? '0'
                                                              : '?';
            QueueLine(std::string(1, code), atNs);
            break;
        }
        case kReadRecord: {
            std::string reply = MemoryBytes(0, kSettingsRecordBytes);
            const int seconds = std::max(config_.timeSeconds, 0);
            const int minutes = std::min(seconds / 60, 0xFFFF);
            reply.resize(kStatusRecordBytes);
            reply[kTimeByte] = static_cast<char>(minutes >> 8);
            reply[kTimeByte + 1] = static_cast<char>(minutes & 0xFF);
            reply[kTimeByte + 2] = static_cast<char>(seconds % 60);
            const std::uint16_t battery = VoltageCode(config_.modelId, config_.batteryVolts);
            reply[kBatteryByte] = static_cast<char>(battery >> 8);
            reply[kBatteryByte + 1] = static_cast<char>(battery & 0xFF);
            QueueBytes(reply, atNs);
            QueueTerminator(atNs);
            break;
        }
        case kWriteRecord:
            AskArguments(kAskRecord, letter, kSettingsRecordBytes, atNs);
            break;
        case kTransmit:
            transmitting_ = true;
            break;
        case kTone:
            toneOn_ = true;
            break;
        case kReadFlashBlock:
            Await(letter, FlashAddressBytes());
            break;
        case kWriteFlashByte:
            Await(letter, FlashAddressBytes() + 1);
            break;
        case kEraseFlash:
            Erase(atNs);
            break;
        default:
            break;
    }
}

void TrackerSimulator::HandleArgument(std::uint8_t value, std::int64_t atNs) {
    PendingCommand& command = *pending_;
    command.arguments.push_back(value);
    // Block writes take each byte as it comes, so a host that stops half-way leaves what it sent.
    const std::size_t index = command.arguments.size() - 1;
    if (command.letter == kWriteRecord) {
        StoreConfigByte(static_cast<std::uint8_t>(index), value);
    } else if (command.letter == kWritePaths) {
        StoreConfigByte(static_cast<std::uint8_t>(kPathsAddress + index), value);
    } else if (command.letter == kFactoryBlock) {
        StoreConfigByte(static_cast<std::uint8_t>(kSerialAddress + index), value);
    }
    if (command.arguments.size() < command.expected) {
        return;
    }
    const PendingCommand done = std::move(command);
    pending_.reset();
    FinishCommand(done, atNs);
}

void TrackerSimulator::FinishCommand(const PendingCommand& command, std::int64_t atNs) {
    const std::vector<std::uint8_t>& args = command.arguments;
    switch (command.letter) {
        case kPeek:
            QueueLine(std::string(1, static_cast<char>(memory_[args[0]])), atNs);
            break;
        case kPoke:
            StoreConfigByte(args[0], args[1]);
            QueueLine(kAcknowledge, atNs);
            break;
        case kWriteRecord:
            lastRecord_ = args;
            QueueLine(kAcknowledge, atNs);
            break;
        case kWritePaths:
            QueueLine(kAcknowledge, atNs);
            break;
        case kFactoryBlock:
            break;  // the host reads nothing after the block
        case kReadFlashBlock:
            ReplyFlashBlock(FlashAddress(args), atNs);
            break;
        case kWriteFlashByte: {
            const std::uint32_t address = FlashAddress(args);
            const std::uint8_t value = args.back();
            if (!flash_.empty()) {
                flash_[address % flash_.size()] = value;
            }
            flashWrites_.emplace_back(address, value);
            QueueTerminator(atNs);
            break;
        }
        default:
            break;
    }
}

std::size_t TrackerSimulator::FlashAddressBytes() const {
    return config_.memorySizeKbit == 1024 ? 3 : 2;
}

std::uint32_t TrackerSimulator::FlashAddress(const std::vector<std::uint8_t>& arguments) const {
    // A2 (1024 kbit only) carries address bit 16 in its bit 2; then A1, A0.
    std::uint32_t address = 0;
    std::size_t at = 0;
    if (FlashAddressBytes() == 3) {
        address = static_cast<std::uint32_t>(arguments[0] & 0x04) << 14;
        at = 1;
    }
    address |= static_cast<std::uint32_t>(arguments[at]) << 8;
    address |= arguments[at + 1];
    return address;
}

void TrackerSimulator::ReplyFlashBlock(std::uint32_t address, std::int64_t atNs) {
    const std::size_t blockBytes = config_.memorySizeKbit == 1024 ? 16 : 8;
    const std::size_t shortBy =
        static_cast<std::size_t>(std::clamp(config_.faults.shortFlashBlocks, 0, 16));
    const std::size_t sent = blockBytes - std::min(shortBy, blockBytes);
    std::string block;
    for (std::size_t i = 0; i < sent; ++i) {
        block.push_back(flash_.empty() ? '\0'
                                       : static_cast<char>(flash_[(address + i) % flash_.size()]));
    }
    QueueBytes(block, atNs);
    QueueTerminator(atNs);
}

void TrackerSimulator::Erase(std::int64_t atNs) {
    // The EEPROM is erased to 0x00; the firmware reports progress while it works.
    std::fill(flash_.begin(), flash_.end(), 0x00);
    const std::int64_t interval = std::max(config_.eraseByteIntervalMs, 0) * kNsPerMs;
    std::int64_t at = atNs;
    for (int i = 0; i < config_.eraseProgressBytes; ++i) {
        at += interval;
        QueueByte(kEraseProgress, at);
    }
    if (config_.faults.endlessErase) {
        hung_ = true;
    } else {
        QueueTerminator(at);
    }
}

std::int64_t TrackerSimulator::ByteTimeNs() const {
    return config_.pacedAt9600 ? kByteTimeAt9600Ns : 0;
}

void TrackerSimulator::QueueByte(std::uint8_t value, std::int64_t earliestNs) {
    const std::int64_t start = std::max(earliestNs, wireFreeAtNs_);
    const std::int64_t end =
        start + ByteTimeNs() + std::max(config_.faults.slowByteDelayMs, 0) * kNsPerMs;
    wireFreeAtNs_ = end;
    // The host can read the byte once it has arrived completely: round up to whole ms.
    toHost_.push_back(TimedByte{value, (end + kNsPerMs - 1) / kNsPerMs});
}

void TrackerSimulator::QueueBytes(const std::string& bytes, std::int64_t earliestNs) {
    for (const char c : bytes) {
        QueueByte(static_cast<std::uint8_t>(c), earliestNs);
    }
}

std::string TrackerSimulator::Terminator() const {
    return config_.faults.crLfLineEnds ? std::string{'\r', '\n'} : std::string{'\n', '\r'};
}

void TrackerSimulator::QueueTerminator(std::int64_t atNs) {
    QueueBytes(Terminator(), atNs);
}

void TrackerSimulator::QueueLine(std::string_view payload, std::int64_t atNs) {
    for (int i = 0; i < config_.faults.garbageLinesBeforeReply; ++i) {
        QueueBytes(std::string(kGarbageLine), atNs);
        QueueTerminator(atNs);
    }
    std::string line(payload);
    if (config_.faults.overlongLines && line.size() < kOverlongLineChars) {
        line.resize(kOverlongLineChars, ' ');
    }
    QueueBytes(line, atNs);
    QueueTerminator(atNs);
}

}  // namespace vanteo::sim
