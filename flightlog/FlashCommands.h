#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/LinkSteps.h"
#include "device/TrackerCapabilities.h"
#include "device/UserInteraction.h"
#include "serial/SerialLink.h"

namespace vanteo {

// The tracker's flash (a serial EEPROM of 64, 128 or 1024 kbit) is reached with five single-letter
// commands. Addresses are byte addresses: A1 = bits 8-15, A0 = bits 0-7, and on the 1024-kbit
// part A2 = bit 16 moved to bit 2 (0x04 from 65536 on), because that chip takes its top address
// bit in the device-select byte.
// The memory size ('K', QueryMemorySize) is asked by the configuration Write too: device/.
inline constexpr std::uint8_t kVersionCommand = 'V';    // reply line: firmware version, decimal
inline constexpr std::uint8_t kReadBlockCommand = 'J';  // [A2] A1 A0 -> 16 or 8 data bytes + 2
inline constexpr std::uint8_t kWriteByteCommand = 'I';  // [A2] A1 A0 value -> 2 bytes
inline constexpr std::uint8_t kEraseCommand = 'Z';      // -> progress bytes ended by LF CR

// First address of the 1024-kbit part's upper 64 KB bank (A2 = 0x04).
inline constexpr std::uint32_t kUpperBankAddress = 0x10000;
// The trailer area of the 1024-kbit part: its last 16 bytes (trigger value and capture date).
inline constexpr std::uint32_t kTrailerAddress = 131056;
inline constexpr std::uint32_t kTrailerBytes = 16;
// Bytes after every block read and byte write that carry nothing for the host.
inline constexpr std::size_t kFlashReplyTrailerBytes = 2;
// The erase is given up when the tracker has sent nothing for this long (ms); a real erase sends
// a progress byte every few hundred milliseconds.
inline constexpr std::int64_t kEraseSilenceLimitMs = 30000;
// The whole erase is given up after this long (ms) even while bytes keep coming: a tracker that
// sends without ever ending the reply would otherwise hold the worker for good. The slowest real
// erase, the 1024-kbit part written a byte at a time (131072 x about 5 ms), takes about 11
// minutes; page-wise erases take seconds.
inline constexpr std::int64_t kEraseTotalLimitMs = 20 * 60 * 1000;

// Bytes in the memory (memorySizeKbit x 128), never more than the log image holds.
std::size_t FlashBytes(int memorySizeKbit);
// Bytes per block read: 16 on the 1024-kbit memory, else 8.
std::size_t FlashBlockLength(int memorySizeKbit);

// The command bytes, each sent in one write.
std::vector<std::uint8_t> ReadBlockCommand(int memorySizeKbit, std::uint32_t address);
std::vector<std::uint8_t> WriteByteCommand(int memorySizeKbit, std::uint32_t address,
                                           std::uint8_t value);

// Reads the block at `address` into out[0 .. FlashBlockLength - 1] (bytes zero-extended; bytes
// that did not arrive are stored as 0) and discards the two bytes after it. Returns how many of
// the block's bytes and the two after it arrived: less than FlashBlockLength + 2 means the block
// came back short. Each read is bounded by the link's time-outs.
std::size_t ReadFlashBlock(SerialLink& link, int memorySizeKbit, std::uint32_t address,
                           std::span<std::uint32_t> out);
// Writes one byte and discards the two reply bytes.
void WriteFlashByte(SerialLink& link, int memorySizeKbit, std::uint32_t address,
                    std::uint8_t value);

enum class EraseOutcome {
    done,        // the LF CR that ends the erase reply arrived
    silent,      // nothing arrived for kEraseSilenceLimitMs
    tooLong,     // bytes kept coming, but no end within kEraseTotalLimitMs
    linkClosed,  // the link is closed or refused the command
    cancelled,   // the user stopped the wait (ui.ProgressCancelled); the tracker may go on erasing
};
// Sends 'Z' and reads the reply byte by byte, stepping `ui`'s progress once per byte, until a CR
// directly after an LF (a CR LF does not end it). Silence and the whole erase are timed on the
// link's clock; `ui` is asked after every read whether the user has cancelled.
EraseOutcome EraseFlash(SerialLink& link, UserInteraction& ui);

}  // namespace vanteo
