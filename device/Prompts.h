#pragma once

#include <optional>
#include <string>

#include "serial/MessageSink.h"

namespace vanteo {

// A file dialog as the tracker tools describe it: a filter string of description and pattern
// pairs separated by '|' and ended by "||" (e.g. "KML Files (*.kml)|*.kml|All Files (*.*)|*.*||")
// and the default extension without its dot ("kml"). No file name is ever proposed.
struct FileDialogRequest {
    std::string filter;
    std::string defaultExtension;
};

// The five texts of the "Details" dialog, in the order the KML header writes them.
struct FlightDetails {
    std::string name;
    std::string rocketName;
    std::string date;
    std::string motor;
    std::string comments;
};

// The modal questions an operation asks: message boxes (MessageSink), file dialogs, the flight
// details and the confirmations. Every call but ShowMessage comes from the thread that runs the
// operation.
class Prompts : public MessageSink {
public:
    // File-open dialog; nullopt when cancelled.
    virtual std::optional<std::string> AskOpenFile(const FileDialogRequest& request) = 0;
    // File-save dialog that asks before overwriting an existing file; nullopt when cancelled.
    virtual std::optional<std::string> AskSaveFile(const FileDialogRequest& request) = 0;

    // The "Details" dialog. True when confirmed with OK, `details` then holding what was typed;
    // false for any other close, `details` unchanged.
    virtual bool AskFlightDetails(FlightDetails& details) = 0;
    // The clear-flash confirmation; true only for "CLEAR".
    virtual bool ConfirmClearFlash() = 0;
    // The flash-test confirmation: the test writes its pattern over the start of the flight log.
    // True only when the user agreed; a front end that cannot ask refuses.
    virtual bool ConfirmFlashTest() { return false; }
};

}  // namespace vanteo
