// The transmitter test ("Run") and the calibration-mode service commands: the 1200 Hz tone, the
// factory block (serial number, ID String copy, frequency calibration) and the "DevAddr" byte.

#include <array>
#include <cstdint>
#include <string>

#include "device/LinkSteps.h"
#include "device/MemoryMap.h"
#include "device/Operations.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

// The tracker needs a moment around the attention exchange before it takes the tone command.
constexpr std::int64_t kTonePauseMs = 200;

// The factory block at 0x80..0x8E: serial number (big-endian), the ID String copy padded with 0
// bytes, and the calibration pair.
constexpr std::size_t kSerialNumberBytes = address::kIdStringCopy - address::kSerialNumber;
constexpr std::size_t kIdStringCopyBytes = address::kCalibration - address::kIdStringCopy;
constexpr std::size_t kFactoryBlockBytes = address::kFactoryBlockEnd - address::kSerialNumber + 1;
constexpr std::size_t kCalibrationOffset = address::kCalibration - address::kSerialNumber;
// The pair stores a 15-bit magnitude and a sign bit.
constexpr std::int32_t kMaxCalibrationMagnitude = 0x7FFF;

using FactoryBlock = std::array<std::uint8_t, kFactoryBlockBytes>;

FactoryBlock BuildFactoryBlock(std::uint32_t serialNumber, const std::string& idString,
                               std::int32_t calibration) {
    FactoryBlock block{};
    for (std::size_t i = 0; i < kSerialNumberBytes; ++i) {
        block[i] = static_cast<std::uint8_t>(serialNumber >> (8 * (kSerialNumberBytes - 1 - i)));
    }
    // Only the first seven characters fit; the rest of the copy is 0.
    for (std::size_t i = 0; i < kIdStringCopyBytes && i < idString.size(); ++i) {
        block[kSerialNumberBytes + i] = static_cast<std::uint8_t>(idString[i]);
    }
    const std::array<std::uint8_t, 4> pair = EncodeCalibration(calibration);
    for (std::size_t i = 0; i < pair.size(); ++i) {
        block[kCalibrationOffset + i] = pair[i];
    }
    return block;
}

void ShowInMessages(DeviceContext& ctx, const std::string& line) {
    ctx.form.messages = line;
    ctx.ui.ShowForm();
}

bool WriteDevAddr(DeviceContext& ctx, std::uint8_t value) {
    // Uses an open link as it is; opens the port itself only when nothing is open.
    if (!ctx.link.IsOpen() && !ctx.link.OpenPort(ctx.form.comPort)) {
        return false;
    }
    if (!ctx.link.PokeByte(address::kDevAddr, value)) {
        return false;  // the link has said why
    }
    ctx.ui.ShowMessage(FormatC("DevAddr updated to %u", static_cast<unsigned>(value)));
    return true;
}

}  // namespace

OperationResult OnRun(DeviceContext& ctx) {
    if (!ctx.link.OpenPort(ctx.form.comPort)) {
        return Outcome::failed;
    }
    const bool sent = ctx.link.WriteByte(command::kTransmit);
    ctx.link.Close();
    if (!sent) {
        ShowInMessages(ctx, "TX not started: the port refused the command");
        return Outcome::failed;
    }
    ShowInMessages(ctx, "TX running, Enter a command to stop");
    return Outcome::completed;
}

OperationResult OnSend1200(DeviceContext& ctx) {
    if (!ctx.link.OpenPort(ctx.form.comPort)) {
        return Outcome::failed;
    }
    if (!ctx.tracker.toneOn) {
        ctx.link.Sleep(kTonePauseMs);
        if (!ctx.link.Sync()) {
            return Outcome::failed;  // nothing switched on; the link has said why
        }
        ctx.link.Sleep(kTonePauseMs);
        if (!ctx.link.WriteByte(command::kTone1200)) {
            ShowInMessages(ctx, "Tone not started: the port refused the command");
            return Outcome::failed;
        }
        ctx.tracker.toneOn = true;
        ShowInMessages(ctx, "Turning on 1200 Hz tone");
        return Outcome::completed;
    }
    // Any command ends the tone; the attention exchange is the harmless one.
    ShowInMessages(ctx, "Turning off 1200 Hz tone");
    ctx.tracker.toneOn = false;
    return ctx.link.Sync() ? Outcome::completed : Outcome::failed;
}

OperationResult OnUpdate(DeviceContext& ctx) {
    // The block is the tracker's identity: never write it from fields the form refused.
    if (!ctx.ui.ReadForm()) {
        return Outcome::refused;
    }
    // The user edits fcal plus the model's base; what is stored is the difference. The field is
    // unsigned 32-bit, so a calibration below -base shows wrapped (fcal -4000 on a 3900 base is
    // 4294967196); the difference is taken in the same 32-bit arithmetic, which unwraps it.
    const auto base = static_cast<std::uint32_t>(ctx.tracker.capabilities.calibrationBase);
    const auto newCalibration = static_cast<std::int32_t>(ctx.form.calibrationField - base);
    if (newCalibration > kMaxCalibrationMagnitude || newCalibration < -kMaxCalibrationMagnitude) {
        ctx.ui.ShowMessage(
            FormatC("Calibration out of range: the field before --> must lie within %d of %d",
                    kMaxCalibrationMagnitude, ctx.tracker.capabilities.calibrationBase));
        return Outcome::refused;
    }
    if (!ctx.link.OpenPort(ctx.form.comPort)) {
        return Outcome::failed;
    }
    const FactoryBlock block =
        BuildFactoryBlock(ctx.form.serialNumber, ctx.form.idString, newCalibration);

    if (ctx.tracker.capabilities.peekPoke) {
        if (!PokeRun(ctx.link, address::kSerialNumber, block.data(), block.size())) {
            return Outcome::failed;  // the link has said why and is closed
        }
    } else {
        // A refused 'U' shows up as the time-out of the line that should answer it.
        std::string reply;
        ctx.link.WriteByte(command::kFactoryBlock);
        if (!ctx.link.ReadLine(reply)) {
            return Outcome::failed;  // the link has said why and is closed
        }
        // Nothing answers the block, so a refused write is the only sign it did not go out.
        if (!ctx.link.WriteBytes(block.data(), block.size())) {
            ctx.ui.ShowMessage("Serial Numbers not updated: the port refused the block");
            return Outcome::failed;
        }
    }

    ctx.form.fcal = newCalibration;
    const unsigned scal1 =
        static_cast<unsigned>(block[kCalibrationOffset + 1]) << 8 | block[kCalibrationOffset];
    ShowInMessages(ctx, FormatC("106 writing Scal1 is %x  calibrate is %x", scal1,
                                static_cast<unsigned>(newCalibration)));
    ctx.ui.ShowMessage("Serial Numbers updated");
    return Outcome::completed;
}

OperationResult OnDev0(DeviceContext& ctx) {
    return WriteDevAddr(ctx, 0) ? Outcome::completed : Outcome::failed;
}

OperationResult OnDev4(DeviceContext& ctx) {
    return WriteDevAddr(ctx, 4) ? Outcome::completed : Outcome::failed;
}

}  // namespace vanteo
