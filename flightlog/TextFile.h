#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "device/AtomicFileWriter.h"
#include "device/UserInteraction.h"

namespace vanteo {

// The file dialogs of every flight-log operation: KML files, default extension ".kml".
inline const FileDialogRequest kKmlFileDialog{"KML Files (*.kml)|*.kml|All Files (*.*)|*.*||",
                                              "kml"};

// The largest KML file Validate KML and Fix KML read. A download of the largest memory (1024
// kbit) is about 0.4 MB of data block and a few MB of points at most; anything far beyond is
// not a flight log, and reading it could exhaust the memory.
inline constexpr std::size_t kMaxKmlFileBytes = 64 * 1024 * 1024;

// Runs the file-open dialog and reads the chosen file into `text`. False when the dialog was
// cancelled, or (after "Error opening file", with the reason where it is a device, a pipe or
// larger than kMaxKmlFileBytes) when the file cannot be read.
bool AskAndReadKmlFile(UserInteraction& ui, std::string& text);

// Runs the file-save dialog and opens a new file beside the chosen target, which it replaces
// only on Commit: a failure before then leaves the user's existing file, and no empty file,
// behind. Null when the dialog was cancelled, or (after "Error opening file") when the file
// cannot be created; `cancelled` tells the two apart.
std::unique_ptr<AtomicFileWriter> AskAndCreateKmlFile(UserInteraction& ui, bool& cancelled);

}  // namespace vanteo
