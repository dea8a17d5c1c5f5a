#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vanteo {

// Repair of KML files whose coordinates were damaged by other tools: in every line each ", "
// becomes "," and then each ">," becomes ">". Each replacement makes one left-to-right pass over
// the line as it stood before it; replaced text is not searched again. Lines are whole lines of
// any length. Pure functions; any thread.
std::string RepairKmlLine(std::string_view line);

// Repairs `text` line by line into `out` (line ends kept as they were) and returns the number of
// lines, a last line without a line end included; an empty text has 0 lines.
std::size_t RepairKmlText(std::string_view text, std::string& out);

}  // namespace vanteo
