#include "device/LinkSteps.h"

#include "device/MemoryMap.h"

namespace vanteo {
namespace {

constexpr const char* kCorruptedByteAccess = "Calibration values CORRUPTED, using 0";
constexpr const char* kCorruptedLegacy = "scal1 != scal2, using zero instead";

}  // namespace

bool PeekRun(SerialLink& link, std::uint8_t first, std::size_t count, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = link.PeekByte(static_cast<std::uint8_t>(first + i));
        if (!link.IsOpen()) {
            return false;
        }
    }
    return true;
}

bool PokeRun(SerialLink& link, std::uint8_t first, const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        link.PokeByte(static_cast<std::uint8_t>(first + i), bytes[i]);
        if (!link.IsOpen()) {
            return false;
        }
    }
    return true;
}

bool PokeWord(SerialLink& link, std::uint8_t first, std::uint32_t value) {
    const std::array<std::uint8_t, 4> bytes = {
        static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
        static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    return PokeRun(link, first, bytes.data(), bytes.size());
}

bool SendCommand(DeviceContext& ctx, std::uint8_t letter) {
    const bool written = ctx.link.WriteByte(letter);
    ctx.ui.ShowForm();
    return written;
}

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

bool FetchSerialNumber(DeviceContext& ctx) {
    std::array<std::uint8_t, 4> bytes{};
    if (ctx.tracker.capabilities.peekPoke) {
        if (!PeekRun(ctx.link, address::kSerialNumber, bytes.size(), bytes.data())) {
            return false;
        }
        ctx.form.serialNumber = BigEndian32(bytes.data());
        return true;
    }
    if (!SendCommand(ctx, command::kSerialNumber)) {
        return false;
    }
    std::string line;
    if (!ctx.link.ReadLine(line)) {
        return false;
    }
    bytes = LeadingBytes<4>(line);
    ctx.form.serialNumber = BigEndian32(bytes.data());
    ctx.ui.ShowForm();
    return true;
}

bool FetchCalibration(DeviceContext& ctx) {
    std::array<std::uint8_t, 4> bytes{};
    const char* corrupted = kCorruptedByteAccess;
    if (ctx.tracker.capabilities.peekPoke) {
        if (!PeekRun(ctx.link, address::kCalibration, bytes.size(), bytes.data())) {
            return false;
        }
    } else {
        corrupted = kCorruptedLegacy;
        if (!SendCommand(ctx, command::kCalibration)) {
            ctx.ui.ShowForm();
            return false;
        }
        std::string line;
        if (!ctx.link.ReadLine(line)) {
            return false;
        }
        bytes = LeadingBytes<4>(line);
    }
    const std::optional<std::int32_t> fcal =
        DecodeCalibration(bytes[0], bytes[1], bytes[2], bytes[3]);
    if (!fcal) {
        ctx.ui.ShowMessage(corrupted);
    }
    ctx.form.fcal = fcal.value_or(0);
    return true;
}

bool QueryMemorySize(SerialLink& link, char& firstCharacter) {
    link.WriteByte(command::kMemorySize);
    std::string line;
    if (!link.ReadLine(line)) {
        return false;
    }
    firstCharacter = line.empty() ? '\0' : line[0];
    return true;
}

}  // namespace vanteo
