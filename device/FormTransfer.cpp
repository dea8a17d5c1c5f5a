#include "device/FormTransfer.h"

#include <cctype>
#include <limits>

#include "device/MemoryMap.h"
#include "serial/CFormat.h"

namespace vanteo {
namespace {

// The form's integer edits hand the parser a 32-character buffer: 31 characters and the NUL.
constexpr std::size_t kNumberTextLimit = 31;
// Saturation point while accumulating digits: far beyond any 32-bit field, far below overflow.
constexpr std::int64_t kSaturated = std::int64_t{1} << 40;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::optional<std::int64_t> ParseNumber(const std::string& fullText, bool allowMinus) {
    const std::string text = fullText.substr(0, kNumberTextLimit);
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    const std::size_t firstNonBlank = pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        if (negative && !allowMinus) {
            return std::nullopt;
        }
        ++pos;
    }
    const std::size_t firstDigit = pos;
    std::int64_t value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) != 0) {
        value = value * 10 + (text[pos] - '0');
        if (value > kSaturated) {
            value = kSaturated;
        }
        ++pos;
    }
    if (pos == firstDigit) {
        return std::nullopt;
    }
    // A zero counts as a number only when written as one: "-0" and "+0" are refused.
    if (value == 0 && text[firstNonBlank] != '0') {
        return std::nullopt;
    }
    while (pos < text.size()) {
        if (!IsBlank(text[pos])) {
            return std::nullopt;
        }
        ++pos;
    }
    return negative ? -value : value;
}

FieldReadResult Failure(std::string message, MessageIcon icon) {
    return FieldReadResult{false, std::move(message), icon};
}

std::string RangeMessage(const FieldRow& row) {
    return FormatC("Please enter an integer between %lld and %lld.",
                   static_cast<long long>(row.minimum), static_cast<long long>(row.maximum));
}

// An int or unsigned edit: `value` is what the parser made of the text, `parseMessage` what a
// text that is no number gets told.
template <typename Field>
FieldReadResult ReadNumber(const FieldRow& row, std::optional<std::int64_t> value,
                           Field FormModel::*member, const char* parseMessage, FormModel& form) {
    if (!value) {
        return Failure(parseMessage, MessageIcon::none);
    }
    if (*value < std::numeric_limits<Field>::min() || *value > std::numeric_limits<Field>::max()) {
        return row.hasRange ? Failure(RangeMessage(row), MessageIcon::exclamation)
                            : Failure(parseMessage, MessageIcon::none);
    }
    form.*member = static_cast<Field>(*value);
    if (row.hasRange && (*value < row.minimum || *value > row.maximum)) {
        return Failure(RangeMessage(row), MessageIcon::exclamation);
    }
    return {};
}

// A path's SSID character: the 7th, sent as its value minus '0'.
constexpr std::size_t kSsidPosition = 6;

bool IsPrintableAscii(char c) {
    return c >= ' ' && c <= '~';
}

bool AllPrintableAscii(const std::string& text) {
    for (const char c : text) {
        if (!IsPrintableAscii(c)) {
            return false;
        }
    }
    return true;
}

std::string PathCharacterMessage(const char* name, const std::string& text) {
    if (!AllPrintableAscii(text)) {
        return FormatC("Invalid character in %s, only printable ASCII supported", name);
    }
    if (text.size() > kSsidPosition && text[kSsidPosition] < '0') {
        return FormatC("Invalid character at the end of %s, the SSID must be a digit 0-9", name);
    }
    return {};
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// ReadFieldFromText that leaves the field as it was when the text does not pass.
FieldReadResult ReadFieldOrKeep(const FieldRow& row, const std::string& text, FormModel& form) {
    const std::string keptText = row.textMember ? form.*row.textMember : std::string();
    const std::int32_t keptInt = row.intMember ? form.*row.intMember : 0;
    const std::uint32_t keptUnsigned = row.unsignedMember ? form.*row.unsignedMember : 0;
    FieldReadResult result = ReadFieldFromText(row, text, form);
    if (!result.ok) {
        if (row.textMember) {
            form.*row.textMember = keptText;
        }
        if (row.intMember) {
            form.*row.intMember = keptInt;
        }
        if (row.unsignedMember) {
            form.*row.unsignedMember = keptUnsigned;
        }
    }
    return result;
}

bool IsHidden(const FieldRow& row, const ControlState& controls) {
    return row.visibility == Visibility::alwaysHidden || controls.hiddenControls.contains(row.id);
}

std::string TextOf(const ControlState& controls, int id) {
    const auto it = controls.texts.find(id);
    return it == controls.texts.end() ? std::string() : it->second;
}

}  // namespace

std::optional<double> ParseDecimalText(const std::string& text) {
    const auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    const auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    std::size_t pos = 0;
    while (pos < text.size() && isSpace(text[pos])) {
        ++pos;
    }
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    std::size_t digits = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        ++pos;
        ++digits;
    }
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (pos < text.size() && isDigit(text[pos])) {
            ++pos;
            ++digits;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    while (pos < text.size() && isSpace(text[pos])) {
        ++pos;
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    return LeadingDoubleC(text);
}

std::optional<std::int64_t> ParseIntegerText(const std::string& text) {
    return ParseNumber(text, true);
}

std::optional<std::int64_t> ParseUnsignedText(const std::string& text) {
    return ParseNumber(text, false);
}

FieldReadResult ReadFieldFromText(const FieldRow& row, const std::string& text, FormModel& form) {
    switch (row.type) {
        case FieldType::text: {
            form.*row.textMember = text;
            // Characters first: one typed beyond Latin-1 arrives as several bytes, and the
            // length message would hide what is wrong.
            std::string message = TextCharacterMessage(row, text);
            if (!message.empty()) {
                return Failure(std::move(message), MessageIcon::exclamation);
            }
            if (row.maxLength > 0 && text.size() > static_cast<std::size_t>(row.maxLength)) {
                return Failure(FormatC("Please enter no more than %d characters.", row.maxLength),
                               MessageIcon::exclamation);
            }
            return {};
        }
        case FieldType::label:
        case FieldType::comboText:
            form.*row.textMember = text;
            return {};
        case FieldType::integer:
            return ReadNumber(row, ParseIntegerText(text), row.intMember,
                              "Please enter an integer.", form);
        case FieldType::unsigned_:
            return ReadNumber(row, ParseUnsignedText(text), row.unsignedMember,
                              "Please enter a positive integer.", form);
        case FieldType::check: {
            // A check box reports 0 (clear), 1 (set) or 2 (indeterminate); anything else is clear.
            const int state = LeadingIntC(text);
            form.*row.intMember = (state >= 0 && state <= 2) ? state : 0;
            return {};
        }
    }
    return {};
}

std::string TextCharacterMessage(const FieldRow& row, const std::string& text) {
    switch (row.id) {
        case control::kIdString:
            for (const char c : text) {
                if (!MorseCode(c)) {
                    return "Invalid character in callsign string, only A-Z, 0-9 and /.?,:;- "
                           "supported";
                }
            }
            return {};
        case control::kPath1:
            return PathCharacterMessage("path 1", text);
        case control::kPath2:
            return PathCharacterMessage("path 2", text);
        case control::kSymbol:
            return AllPrintableAscii(text)
                       ? std::string()
                       : "Invalid character in symbol, only printable ASCII supported";
        case control::kTxMessage:
            return AllPrintableAscii(text)
                       ? std::string()
                       : "Invalid character in TX Msg, only printable ASCII supported";
        default:
            return {};
    }
}

std::string FieldToText(const FieldRow& row, FormModel& form) {
    switch (row.type) {
        case FieldType::text:
        case FieldType::label:
        case FieldType::comboText:
            return form.*row.textMember;
        case FieldType::integer:
            return FormatC("%d", form.*row.intMember);
        case FieldType::unsigned_:
            return FormatC("%u", form.*row.unsignedMember);
        case FieldType::check: {
            std::int32_t& value = form.*row.intMember;
            if (value < 0 || value > 2) {
                value = 0;
            }
            return FormatC("%d", value);
        }
    }
    return {};
}

std::string SelectComPortEntry(const std::string& text, const std::vector<std::string>& entries) {
    // An empty field names no port: the box shows the first one, as at start-up.
    if (text.empty()) {
        return entries.empty() ? text : entries.front();
    }
    // Otherwise only the very port the text names: a prefix match would turn "COM1" into "COM10"
    // and "/dev/pts/1" into "/dev/pts/10", and the next operation would talk to another device.
    const std::string* caseVariant = nullptr;
    int caseVariants = 0;
    for (const std::string& entry : entries) {
        if (entry == text) {
            return entry;
        }
        if (EqualIgnoringCase(entry, text)) {
            caseVariant = &entry;
            ++caseVariants;
        }
    }
    // "com3" is the listed "COM3"; when two entries differ only in case, neither is guessed.
    return caseVariants == 1 ? *caseVariant : text;
}

bool ReadFormFromControls(FormModel& form, ControlState& controls, UserInteraction& ui) {
    for (const FieldRow& row : FieldTable()) {
        if (IsHidden(row, controls)) {
            ReadFieldOrKeep(row, TextOf(controls, row.id), form);
            continue;
        }
        const FieldReadResult result = ReadFieldFromText(row, controls.texts[row.id], form);
        if (!result.ok) {
            controls.focusedControl = row.id;
            ui.ShowMessage(result.message, result.icon);
            return false;
        }
    }
    return true;
}

void ReadFormQuietlyFromControls(FormModel& form, const ControlState& controls) {
    for (const FieldRow& row : FieldTable()) {
        ReadFieldOrKeep(row, TextOf(controls, row.id), form);
    }
}

void ShowFormInControls(FormModel& form, ControlState& controls) {
    for (const FieldRow& row : FieldTable()) {
        std::string text = FieldToText(row, form);
        if (row.type == FieldType::comboText) {
            text = SelectComPortEntry(text, controls.comPortEntries);
        }
        controls.texts[row.id] = std::move(text);
    }
}

void ShowFieldsInControls(FormModel& form, ControlState& controls, std::span<const int> ids) {
    ControlState all = controls;
    ShowFormInControls(form, all);
    for (const int id : ids) {
        controls.texts[id] = all.texts[id];
    }
}

}  // namespace vanteo
