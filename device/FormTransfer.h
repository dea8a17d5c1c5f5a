#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/FieldTable.h"
#include "device/FormModel.h"
#include "serial/UserInteraction.h"

namespace vanteo {

// What the controls show, as text: an edit's or label's text, "0"/"1" for a check box, the
// "COM port" box's edit text. The GUI reads its widgets into one of these; the CLI and the tests
// type into one directly.
struct ControlState {
    std::map<int, std::string> texts;
    // The entries of the "COM port" list (for the selection rule of ShowForm).
    std::vector<std::string> comPortEntries;
    // Identifier of the control that received the focus after a failed ReadForm (0: none).
    int focusedControl = 0;
};

// ReadForm over ControlState: every field in table order with the parse and range rules and
// messages of the form (plain box for the parse message, exclamation icon for the range and
// length messages). Stops at the first failure, leaving the later fields unchanged.
bool ReadFormFromControls(FormModel& form, ControlState& controls, UserInteraction& ui);
// ShowForm over ControlState: every field in table order; check fields outside 0 … 2 become 0.
void ShowFormInControls(FormModel& form, ControlState& controls);

// The per-field pieces of the two transfers, for a form (the Qt one) that keeps its own widgets.

// An int edit's text as the form reads it: at most the first 31 characters, leading blanks and
// tabs skipped, an optional sign, decimal digits, then nothing but blanks and tabs. nullopt when
// that is not what stands there, and when the number reads as 0 while the first non-blank
// character is not '0' (so "", "-", "+0" and "-0" are refused). Digits beyond what 64 bits hold
// saturate; the caller sees the value is out of the 32-bit field's reach.
std::optional<std::int64_t> ParseIntegerText(const std::string& text);
// As ParseIntegerText, but a leading '-' is refused.
std::optional<std::int64_t> ParseUnsignedText(const std::string& text);

// A decimal number in a text field ("Frequency" in MHz, "Low V" in volts), in the "C" locale:
// white space, an optional sign, digits with at most one decimal point, then nothing but white
// space. nullopt for anything else, so that a decimal comma ("434,65"), a unit ("3.5V") or a
// hexadecimal or exponent form is refused instead of being cut short at the first character
// that does not fit.
std::optional<double> ParseDecimalText(const std::string& text);

// The outcome of taking one control's text into its field.
struct FieldReadResult {
    bool ok = true;
    std::string message;  // what to show when !ok
    MessageIcon icon = MessageIcon::none;
};
// Takes `text` into the field of `row` with the row's rules. On a parse failure the field is
// left as it was; on a range or length failure it keeps the out-of-range number or long text
// (a number beyond the field's 32 bits is refused with the range message, or with the parse
// message on a row without range, and leaves the field as it was).
FieldReadResult ReadFieldFromText(const FieldRow& row, const std::string& text, FormModel& form);
// The text the control of `row` shows for its field. A check field outside 0 … 2 is first set
// to 0, which is why the form is not const.
std::string FieldToText(const FieldRow& row, FormModel& form);
// The "COM port" selection rule: the entry equal to `text`; else the one entry equal to it
// without regard to letter case; else `text` unchanged (a port that is not listed stays as
// typed, and opening it then fails with its own message). An empty `text` selects the first
// entry.
std::string SelectComPortEntry(const std::string& text, const std::vector<std::string>& entries);

}  // namespace vanteo
