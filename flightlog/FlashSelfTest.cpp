#include <array>
#include <cstdint>

#include "flightlog/FlashCommands.h"
#include "flightlog/FlightLogOperations.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

constexpr std::size_t kCheckedValues = 8;
constexpr std::uint32_t kPatternRowBytes = 16;

// Checks the first eight values of the block at `address` against first, first + 1, ...
bool CheckBlock(SerialLink& link, UserInteraction& ui, int kbit, std::uint32_t address,
                std::uint32_t first, const char* errorMessage) {
    std::array<std::uint32_t, 16> block{};
    ReadFlashBlock(link, kbit, address, block);
    for (std::size_t i = 0; i < kCheckedValues; ++i) {
        if (block[i] != first + i) {
            ui.ShowMessage(errorMessage);
            ui.ShowMessage(FormatC(" read %x %x %x %x \n", block[0], block[1], block[2], block[3]));
            return false;
        }
    }
    return true;
}

}  // namespace

OperationResult OnFlashTest(FlightLogContext& ctx) {
    if (RefuseWhileFlashBusy(ctx)) {
        return Outcome::refused;
    }
    SerialLink& link = ctx.device.link;
    UserInteraction& ui = ctx.device.ui;
    TrackerCapabilities& caps = ctx.device.tracker.capabilities;
    // The pattern goes over the first bytes of the flight log: nothing is sent unless the user
    // agreed.
    if (!ui.ConfirmFlashTest()) {
        return Outcome::cancelled;
    }
    if (!link.OpenPort(ctx.device.form.comPort)) {
        return Outcome::failed;
    }
    link.Sync();
    char sizeReply = 0;
    if (!QueryMemorySize(link, sizeReply)) {
        ui.ShowMessage("Error reading memory size");
        return Outcome::failed;
    }
    ApplyMemorySizeReply(caps, sizeReply, false);
    const int kbit = caps.memorySizeKbit;
    const bool large = kbit == kLargeMemoryKbit;

    // The pattern: distinct values in the first two rows, a third row in the upper 64 KB bank of
    // the large memory (where the bank bit is exercised), then the trailer area cleared again.
    for (std::uint32_t address = 0; address < kPatternRowBytes; ++address) {
        WriteFlashByte(link, kbit, address, static_cast<std::uint8_t>(address + 3));
    }
    for (std::uint32_t address = kPatternRowBytes; address < 2 * kPatternRowBytes; ++address) {
        WriteFlashByte(link, kbit, address, static_cast<std::uint8_t>(address + 5));
    }
    if (large) {
        for (std::uint32_t address = kUpperBankAddress;
             address < kUpperBankAddress + kPatternRowBytes; ++address) {
            WriteFlashByte(link, kbit, address, static_cast<std::uint8_t>((address + 7) & 0xFF));
        }
        for (std::uint32_t address = kTrailerAddress; address < kTrailerAddress + kTrailerBytes;
             ++address) {
            WriteFlashByte(link, kbit, address, 0);
        }
    }

    if (!CheckBlock(link, ui, kbit, 0, 3, "Data Read0 Error")) {
        return Outcome::failed;
    }
    if (large && !CheckBlock(link, ui, kbit, kUpperBankAddress, 7, "Data Read1 Error")) {
        return Outcome::failed;
    }
    ui.ShowMessage("I2C Test Passed");
    return Outcome::completed;
}

}  // namespace vanteo
