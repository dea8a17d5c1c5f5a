#pragma once

#include <cstdint>
#include <vector>

namespace vanteo::bench {

// Flash images of the 1024-kbit memory as the host holds them (one value per flash address),
// written by the simulator's own log encoder with 15-byte records and the trailer.
//
// DemoFlightImage: the eight-minute demo flight, then erased memory (the usual case; its KML file
// is about 400 KB, nearly all of it the data block).
// FullLogImage: the demo flight repeated until the memory is full (the worst case for the
// decoder: about 8700 points).
std::vector<std::uint32_t> DemoFlightImage();
std::vector<std::uint32_t> FullLogImage();

}  // namespace vanteo::bench
