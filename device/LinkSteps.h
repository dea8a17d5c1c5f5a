#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "device/DeviceContext.h"

// Small exchanges the Read and the Write share. Each runs on the thread that owns the link.
namespace vanteo {

// Peeks `count` bytes from `first` on. Stops at the first peek after which the link is closed
// (a failed read, already reported by the link) and returns false; `out` is then incomplete.
bool PeekRun(SerialLink& link, std::uint8_t first, std::size_t count, std::uint8_t* out);
// Pokes `count` bytes from `first` on, stopping like PeekRun when the link closes.
bool PokeRun(SerialLink& link, std::uint8_t first, const std::uint8_t* bytes, std::size_t count);
// A 32-bit register, most significant byte first.
bool PokeWord(SerialLink& link, std::uint8_t first, std::uint32_t value);

// Writes a command letter, then ShowForm; the result is the write's.
bool SendCommand(DeviceContext& ctx, std::uint8_t letter);

// The first `N` bytes of a reply line (0 where the line is shorter).
template <std::size_t N>
std::array<std::uint8_t, N> LeadingBytes(const std::string& line) {
    std::array<std::uint8_t, N> bytes{};
    for (std::size_t i = 0; i < N && i < line.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(line[i]);
    }
    return bytes;
}

// Big-endian 32-bit value of four bytes.
std::uint32_t BigEndian32(const std::uint8_t* bytes);

// The serial number, by byte access or 'S'. False when the exchange failed (and the caller
// stops); the value goes into "Ser#".
bool FetchSerialNumber(DeviceContext& ctx);
// The calibration pair, by byte access or 'D', decoded into "fcal" (0 after the corruption
// message). False when the exchange failed.
bool FetchCalibration(DeviceContext& ctx);

// Sends the memory-size command ('K') and reads the reply line. False when no line came (the
// link has reported it and closed); otherwise `firstCharacter` is the line's first character (0
// for an empty line), for ApplyMemorySizeReply.
bool QueryMemorySize(SerialLink& link, char& firstCharacter);

}  // namespace vanteo
