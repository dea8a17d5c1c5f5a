#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "device/TrackerCapabilities.h"

namespace vanteo {

// Reads the data block (DataBlock.h) back from the text of a KML file. The text is taken as
// tokens separated by white space, so the block may be reformatted freely; only their order
// counts. The values are the tokens after the first token containing "KVTDATA" and before the
// first token containing "KVTENDDATA", each read as a hexadecimal number (an optional sign and
// "0x", then the leading hexadecimal digits; a token without any gives 0, a value too large for
// 32 bits gives 0xFFFFFFFF). Then four keyword lines follow, each a token and a hexadecimal
// number: KVTCHECKSUM, KVTCOMPRESS, KVTHRSMINS, KVTTIMESTAMP. Tokens may be of any length.
// Pure function of the text; any thread.
struct DataBlockKeywordLine {
    bool reached = false;         // the text had a token at this point
    bool keywordMatched = false;  // that token contains the expected keyword
    std::uint32_t value = 0;      // the number after it (0 when none could be read)
};

struct DataBlockContents {
    bool dataKeywordFound = false;  // a token containing "KVTDATA" was found
    bool endKeywordFound = false;   // ... and after it one containing "KVTENDDATA"
    std::size_t count = 0;          // values stored (never more than the image holds)
    bool truncated = false;         // the block held more values than the image; they were skipped
    DataBlockKeywordLine checksum;  // "KVTCHECKSUM"
    DataBlockKeywordLine compress;  // "KVTCOMPRESS"
    DataBlockKeywordLine hoursMinutes;  // "KVTHRSMINS"
    DataBlockKeywordLine timestamp;     // "KVTTIMESTAMP"
};

// Stores the block's values into image[0 .. count - 1] and reports what was found. The keyword
// lines are read only when both "KVTDATA" and "KVTENDDATA" were found; reading stops after a
// line whose KVTHRSMINS keyword is missing.
DataBlockContents ReadDataBlock(std::string_view text, std::span<std::uint32_t> image);

// The number at the start of `text` as a "%X" conversion reads it (see above); 0 when none.
std::uint32_t LeadingHexValue(std::string_view text);

// The tracker that wrote the log, as far as the data block's three settings prove it, in the
// capabilities the copy is decoded with. The download decoded the log with the capabilities
// of the tracker on the port, and the block only says what the form held then:
// - a timestamp trailer (KVTTIMESTAMP) comes only from firmware 212 and later, which always
//   logs 15-byte records and never compresses, whatever the two check boxes said;
// - otherwise the block does not say which firmware wrote it. Firmware 124 to 199 follows the
//   two settings, and a log with both clear is 13-byte records on every firmware, so the copy
//   follows the settings.
TrackerCapabilities WriterCapabilities(const DataBlockContents& block);

}  // namespace vanteo
