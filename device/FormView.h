#pragma once

#include <span>
#include <string>

namespace vanteo {

// The form as an operation sees it: the transfers between controls and fields, control
// visibility and button captions. Every call comes from the thread that runs the operation.
class FormView {
public:
    virtual ~FormView() = default;

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
};

}  // namespace vanteo
