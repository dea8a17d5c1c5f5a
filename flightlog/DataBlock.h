#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vanteo {

// The data block that follows the closing tag of every KML file the program writes: the whole
// flash image in hexadecimal, its checksum and the three decoding settings, all inside one XML
// comment, so a KML file can be turned back into the image it came from (see DataBlockReader.h).
//
//   <!-- KVTDATA
//   00 01 ... 0F          16 values a row, "%02X " each (wider when a value is above 0xFF)
//   KVTENDDATA
//   KVTCHECKSUM 00003ED0
//   KVTCOMPRESS 0|1
//   KVTHRSMINS 0|1
//   KVTTIMESTAMP 0|1
//   -->

// The log checksum over `values` in order, starting from 0: for each value v,
// s := 3 s + v ((v mod 28 + 1) XOR 2), modulo 2^32. Zeros alone give 0.
std::uint32_t LogChecksum(std::span<const std::uint32_t> values);

// Appends the block over `values` (the first n image positions) to `out`.
void WriteDataBlock(std::string& out, std::span<const std::uint32_t> values, std::uint32_t checksum,
                    bool compress, bool hoursMinutes, bool timestamp);

}  // namespace vanteo
