#pragma once

#include <cstdint>
#include <vector>

namespace vanteo {

// One rendering of the program's icon: `size` by `size` pixels, premultiplied ARGB, one 32-bit
// word a pixel, row by row.
struct IconPixels {
    int size;
    const std::uint32_t* argb;
};

// The renderings of resources/vanteo.svg in resources/vanteo-*.png, smallest first, compiled in
// at build time (vanteo_embed_icon).
const std::vector<IconPixels>& ProgramIconPixels();

}  // namespace vanteo
