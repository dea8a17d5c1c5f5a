#pragma once

#include <string>

namespace vanteo {

// Reads the whole file at `path` into `text` (bytes as they are, no line-end translation).
// False when it cannot be opened or read (a folder, no permission, an I/O error).
bool ReadTextFile(const std::string& path, std::string& text);

}  // namespace vanteo
