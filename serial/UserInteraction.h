#pragma once

#include <optional>
#include <span>
#include <string>

namespace vanteo {

enum class MessageIcon {
    none,         // plain box with an OK button
    exclamation,  // the form's range and length messages
};

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

// Everything an operation asks of the person at the screen. The GUI, the CLI and the tests each
// implement it, so the operations in device/ and flightlog/ never open a window themselves.
//
// Threads: ShowMessage, ProgressCancelled and the other Progress* calls may come from the flash
// worker thread while the user-interface thread is free; an implementation must marshal them. Every
// other call comes from the thread that runs the operation.
class UserInteraction {
public:
    virtual ~UserInteraction() = default;

    // Modal message box with one OK button; returns when the user has dismissed it.
    virtual void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::none) = 0;

    // File-open dialog; nullopt when cancelled.
    virtual std::optional<std::string> AskOpenFile(const FileDialogRequest& request) = 0;
    // File-save dialog that asks before overwriting an existing file; nullopt when cancelled.
    virtual std::optional<std::string> AskSaveFile(const FileDialogRequest& request) = 0;

    // The form transfers: controls -> fields with validation (false after the first failing
    // field, the user having been told), and fields -> controls.
    virtual bool ReadForm() = 0;
    virtual void ShowForm() = 0;
    // The transfer a Read starts with: takes every control whose text passes into its field and
    // leaves the other fields as they were, with no message and no change of focus.
    virtual void ReadFormQuietly() = 0;
    // ShowForm for the listed controls only (a refused profile click puts its boxes back
    // without overwriting what the user typed elsewhere).
    virtual void ShowFields(std::span<const int> controlIds) = 0;

    // Shows or hides the control with the given resource identifier.
    virtual void SetControlVisible(int controlId, bool visible) = 0;
    // Sets the caption of a push button (the '<' button 1170 shows '<' or '>').
    virtual void SetControlCaption(int controlId, const std::string& caption) = 0;

    // The "Details" dialog. True when confirmed with OK, `details` then holding what was typed;
    // false for any other close, `details` unchanged.
    virtual bool AskFlightDetails(FlightDetails& details) = 0;
    // The clear-flash confirmation; true only for "CLEAR".
    virtual bool ConfirmClearFlash() = 0;
    // The flash-test confirmation: the test writes its pattern over the start of the flight log.
    // True only when the user agreed; a front end that cannot ask refuses.
    virtual bool ConfirmFlashTest() { return false; }

    // Progress of a long operation: `steps` > 0 gives a bar of that many steps, 0 an
    // indeterminate busy indicator. Step advances by one; End leaves the bar idle.
    virtual void ProgressBegin(int steps) = 0;
    virtual void ProgressStep() = 0;
    virtual void ProgressEnd() = 0;
    // True once the user has asked to stop the long operation begun by the last ProgressBegin
    // (the Cancel button, closing the window, Ctrl+C). Polled by the flash worker between
    // blocks, so an implementation must answer from any thread without blocking.
    virtual bool ProgressCancelled() const { return false; }
};

}  // namespace vanteo
