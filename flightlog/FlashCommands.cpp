#include "flightlog/FlashCommands.h"

#include <algorithm>
#include <array>

#include "flightlog/FlightLogState.h"

namespace vanteo {
namespace {

constexpr std::uint8_t kLineFeed = 0x0A;
constexpr std::uint8_t kCarriageReturn = 0x0D;
constexpr std::uint8_t kUpperBankSelect = 0x04;
constexpr std::size_t kMaxBlockLength = 16;

void AppendAddress(std::vector<std::uint8_t>& command, int memorySizeKbit, std::uint32_t address) {
    if (memorySizeKbit == kLargeMemoryKbit) {
        command.push_back(address >= kUpperBankAddress ? kUpperBankSelect : 0x00);
    }
    command.push_back(static_cast<std::uint8_t>((address >> 8) & 0xFF));
    command.push_back(static_cast<std::uint8_t>(address & 0xFF));
}

// Reads and drops the two bytes that follow a block or a byte write; returns how many arrived.
std::size_t DiscardTrailer(SerialLink& link) {
    std::size_t arrived = 0;
    for (std::size_t i = 0; i < kFlashReplyTrailerBytes; ++i) {
        std::uint8_t ignored = 0;
        arrived += link.ReadBytes(&ignored, 1);
    }
    return arrived;
}

}  // namespace

std::size_t FlashBytes(int memorySizeKbit) {
    if (memorySizeKbit <= 0) {
        return 0;
    }
    return std::min(static_cast<std::size_t>(memorySizeKbit) * 128, FlightLogState::kLogImageSize);
}

std::size_t FlashBlockLength(int memorySizeKbit) {
    return memorySizeKbit == kLargeMemoryKbit ? 16 : 8;
}

std::vector<std::uint8_t> ReadBlockCommand(int memorySizeKbit, std::uint32_t address) {
    std::vector<std::uint8_t> command{kReadBlockCommand};
    AppendAddress(command, memorySizeKbit, address);
    return command;
}

std::vector<std::uint8_t> WriteByteCommand(int memorySizeKbit, std::uint32_t address,
                                           std::uint8_t value) {
    std::vector<std::uint8_t> command{kWriteByteCommand};
    AppendAddress(command, memorySizeKbit, address);
    command.push_back(value);
    return command;
}

std::size_t ReadFlashBlock(SerialLink& link, int memorySizeKbit, std::uint32_t address,
                           std::span<std::uint32_t> out) {
    const std::size_t length = std::min(FlashBlockLength(memorySizeKbit), out.size());
    const std::vector<std::uint8_t> command = ReadBlockCommand(memorySizeKbit, address);
    link.WriteBytes(command.data(), command.size());
    std::array<std::uint8_t, kMaxBlockLength> block{};
    const std::size_t arrived = link.ReadBytes(block.data(), length);
    for (std::size_t i = 0; i < length; ++i) {
        out[i] = i < arrived ? block[i] : 0u;
    }
    return arrived + DiscardTrailer(link);
}

void WriteFlashByte(SerialLink& link, int memorySizeKbit, std::uint32_t address,
                    std::uint8_t value) {
    const std::vector<std::uint8_t> command = WriteByteCommand(memorySizeKbit, address, value);
    link.WriteBytes(command.data(), command.size());
    DiscardTrailer(link);
}

EraseOutcome EraseFlash(SerialLink& link, UserInteraction& ui) {
    if (!link.WriteByte(kEraseCommand)) {
        return EraseOutcome::linkClosed;
    }
    Clock& clock = link.GetClock();
    const std::int64_t startedAt = clock.NowMs();
    std::int64_t lastByteAt = startedAt;
    std::uint8_t previous = 0;
    while (true) {
        if (!link.IsOpen()) {
            return EraseOutcome::linkClosed;
        }
        if (ui.ProgressCancelled()) {
            return EraseOutcome::cancelled;
        }
        if (clock.NowMs() - startedAt >= kEraseTotalLimitMs) {
            return EraseOutcome::tooLong;
        }
        std::uint8_t byte = 0;
        if (link.ReadBytes(&byte, 1) == 1) {
            ui.ProgressStep();
            lastByteAt = clock.NowMs();
            if (previous == kLineFeed && byte == kCarriageReturn) {
                return EraseOutcome::done;
            }
            previous = byte;
        } else if (clock.NowMs() - lastByteAt >= kEraseSilenceLimitMs) {
            return EraseOutcome::silent;
        }
    }
}

}  // namespace vanteo
