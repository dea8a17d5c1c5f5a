#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "device/FieldTable.h"
#include "device/FormModel.h"
#include "device/UserInteraction.h"

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
    // Controls hidden for the connected tracker (the rows hidden always count as hidden too).
    std::set<int> hiddenControls;
};

// ReadForm over ControlState: every field in table order with the parse and range rules and
// messages of the form (plain box for the parse message, exclamation icon for the range and
// length messages). Stops at the first failure of a shown control, leaving the later fields
// unchanged. A hidden control never stops it and never takes the focus: the user can neither
// see nor correct it (a Read may fill one with a value only the other view of the same byte
// accepts), so its field keeps the value it had and the transfer goes on.
bool ReadFormFromControls(FormModel& form, ControlState& controls, UserInteraction& ui);
// The transfer a Read starts with: every control whose text passes goes into its field, every
// other field keeps its value; no message and no focus. The Read replaces the form, so what the
// form holds never stops it; it needs only the "COM port" text.
void ReadFormQuietlyFromControls(FormModel& form, const ControlState& controls);
// ShowForm over ControlState: every field in table order; check fields outside 0 … 2 become 0.
void ShowFormInControls(FormModel& form, ControlState& controls);
// ShowForm for the listed controls only; the other controls keep what they show.
void ShowFieldsInControls(FormModel& form, ControlState& controls, std::span<const int> ids);

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
// Whether every character of `text` is one the tracker can hold in the field of `row`: "ID String"
// is keyed in Morse, so only the Morse table's characters; the paths, "Symbol" and "TX Msg" are
// ASCII bytes, so printable ASCII (no control character, nothing that would lose its top bit);
// and a path's 7th character travels as its value minus '0', so it must be '0' or above.
// Empty when it fits (and for every other field), else the field's message.
std::string TextCharacterMessage(const FieldRow& row, const std::string& text);
// The text the control of `row` shows for its field. A check field outside 0 … 2 is first set
// to 0, which is why the form is not const.
std::string FieldToText(const FieldRow& row, FormModel& form);
// The "COM port" selection rule: the entry equal to `text`; else the one entry equal to it
// without regard to letter case; else `text` unchanged (a port that is not listed stays as
// typed, and opening it then fails with its own message). An empty `text` selects the first
// entry.
std::string SelectComPortEntry(const std::string& text, const std::vector<std::string>& entries);

}  // namespace vanteo
