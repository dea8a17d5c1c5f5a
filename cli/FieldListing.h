#pragma once

#include <string>

#include "device/HeadlessForm.h"
#include "device/ProfileStore.h"

namespace vanteo::cli {

// The text 'vanteo-cli read' prints: every field of the form in table order, then both profile
// records. Values are printed as the form shows them; bytes that would break the one-line-each
// layout (line ends, other control characters, backslashes) are escaped C-style.
class FieldListing {
public:
    // One line per field: "ID Label: value", or "ID: value" for a control without a label.
    // Runs ShowForm first so the values are the fields' own.
    static std::string FieldLines(HeadlessForm& ui);
    // "Profile 1: path1=\"WIDE1-1\" ... turnTime=0" and the same for Profile 2.
    static std::string ProfileLines(const ProfileStore& store);

    // Backslash, quote (only when `quote` is set) and control characters escaped.
    static std::string Escape(const std::string& text, bool quote);
};

}  // namespace vanteo::cli
