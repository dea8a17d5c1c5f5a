// Data-block reader of KML validation: any bytes must be read without a crash or a hang, never
// store more values than the image holds, and a block written from what was read must read back
// as the same values, checksum and settings.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "flightlog/DataBlock.h"
#include "flightlog/DataBlockReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // A small image so the "more values than room" path is reached by short inputs too.
    std::vector<std::uint32_t> image(64, 0);
    const vanteo::DataBlockContents contents = vanteo::ReadDataBlock(text, image);
    if (contents.count > image.size() || (contents.truncated && contents.count != image.size()) ||
        (contents.endKeywordFound && !contents.dataKeywordFound) ||
        (contents.timestamp.reached && !contents.hoursMinutes.keywordMatched)) {
        std::abort();
    }
    if (!contents.endKeywordFound) {
        return 0;
    }

    const std::span<const std::uint32_t> values(image.data(), contents.count);
    std::string written;
    vanteo::WriteDataBlock(written, values, contents.checksum.value, contents.compress.value != 0,
                           contents.hoursMinutes.value != 0, contents.timestamp.value != 0);
    std::vector<std::uint32_t> reread(64, 0);
    const vanteo::DataBlockContents again = vanteo::ReadDataBlock(written, reread);
    if (again.count != contents.count || again.truncated ||
        !std::equal(values.begin(), values.end(), reread.begin()) ||
        again.checksum.value != contents.checksum.value || !again.timestamp.keywordMatched ||
        again.compress.value != (contents.compress.value != 0 ? 1u : 0u)) {
        std::abort();
    }
    return 0;
}
