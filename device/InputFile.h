#pragma once

#include <cstddef>
#include <string>

namespace vanteo {

// The one way every operation reads a file the user chose: a KML file, a configuration file, a
// settings file. Only a regular file is read, and never more than the caller's limit, so a
// device (/dev/zero), a pipe or a folder cannot hold the program or exhaust its memory. A pipe
// with no writer does not block the open. Any thread.

enum class InputFileStatus {
    ok,
    cannotOpen,  // missing, no permission, an I/O error
    folder,
    notRegular,   // a device, a pipe or a socket
    tooLarge,     // more than the limit
    outOfMemory,  // within the limit, but the memory for it could not be had
};

// The whole file at `path` (bytes as they are) into `text`, which is left empty unless `ok`.
InputFileStatus ReadInputFile(const std::string& path, std::size_t maxBytes, std::string& text);

// Why the file was not read, as a clause for "cannot read FILE: ..." ("it is a folder"); empty
// for `ok`.
std::string InputFileProblem(InputFileStatus status, std::size_t maxBytes);

// The message box of an operation whose input file could not be read: "Error opening file"
// where it cannot be opened, and that message with the reason where it is not a file the
// operation could use.
std::string InputFileMessage(InputFileStatus status, std::size_t maxBytes);

}  // namespace vanteo
