#pragma once

#include <memory>
#include <string>

#include "device/AtomicFileWriter.h"
#include "serial/UserInteraction.h"

namespace vanteo {

// The file dialogs of every flight-log operation: KML files, default extension ".kml".
inline const FileDialogRequest kKmlFileDialog{"KML Files (*.kml)|*.kml|All Files (*.*)|*.*||",
                                              "kml"};

// Reads the whole file at `path` into `text` (bytes as they are, no line-end translation).
// False when it cannot be opened or read (a folder, no permission, an I/O error).
bool ReadTextFile(const std::string& path, std::string& text);

// Runs the file-open dialog and reads the chosen file into `text`. False when the dialog was
// cancelled, or (after "Error opening file") when the file cannot be read.
bool AskAndReadKmlFile(UserInteraction& ui, std::string& text);

// Runs the file-save dialog and opens a new file beside the chosen target, which it replaces
// only on Commit: a failure before then leaves the user's existing file, and no empty file,
// behind. Null when the dialog was cancelled, or (after "Error opening file") when the file
// cannot be created.
std::unique_ptr<AtomicFileWriter> AskAndCreateKmlFile(UserInteraction& ui);
// The same; `cancelled` tells a cancelled dialog from a file that cannot be created.
std::unique_ptr<AtomicFileWriter> AskAndCreateKmlFile(UserInteraction& ui, bool& cancelled);

}  // namespace vanteo
