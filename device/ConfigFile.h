#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/MemoryMap.h"

namespace vanteo {

// A configuration file: a copy of the tracker's 256-byte configuration memory as text, one line
// "address:value" per byte, both in lower-case hexadecimal without leading zeros or prefix
// ("2c:ae", "0:0"), saved for 0x00 .. 0xFF in ascending order.
//
// Reading is lenient about layout and strict about content: lines may end in LF or CR LF, digits
// may be of either case and carry leading zeros (or a "0x" prefix), entries may be separated by any
// white space (several on one line, blank lines between them) and may come in any order. A line
// that holds anything else, or an address or value above 0xFF, is not used at all: it is counted
// as skipped, so nothing left over from another line is ever written. Pure functions, any thread.

inline constexpr std::size_t kConfigMemorySize = 256;

// The file dialogs' filter and default extension.
inline constexpr const char* kConfigFileFilter = "KVT Files (*.kvt)|*.kvt|All Files (*.*)|*.*||";
inline constexpr const char* kConfigFileExtension = "kvt";

// A saved file is about 2 KiB; anything beyond this is not a configuration file.
inline constexpr std::size_t kMaxConfigFileBytes = 1024 * 1024;

struct ConfigEntry {
    std::uint8_t address = 0;
    std::uint8_t value = 0;
    bool operator==(const ConfigEntry&) const = default;
};

struct ConfigFileContents {
    std::vector<ConfigEntry> entries;  // in file order, repeats kept
    int skippedLines = 0;              // lines with something unreadable on them
    int firstSkippedLine = 0;          // 1-based number of the first such line, 0 when none
};

// The line for one address: "%x:%x" and a line feed.
std::string FormatConfigLine(std::uint8_t address, std::uint8_t value);
// The whole file for a memory image: 256 lines, address 0x00 first.
std::string FormatConfigFile(const std::array<std::uint8_t, kConfigMemorySize>& memory);

// Reads a file's text. A UTF-8 byte-order mark at the start is ignored.
ConfigFileContents ParseConfigFile(std::string_view text);

// True for the addresses a restore leaves alone: the serial number (0x80..0x83), the ID String
// copy (0x84..0x8A) and the calibration pair (0x8B..0x8E) belong to the tracker, not its setup.
constexpr bool IsFactoryBlockAddress(std::uint8_t byteAddress) {
    return byteAddress >= address::kSerialNumber && byteAddress <= address::kFactoryBlockEnd;
}

}  // namespace vanteo
