#include "cli/FormSettings.h"

#include <cctype>

#include "cli/FieldListing.h"
#include "device/FormTransfer.h"
#include "serial/Platform.h"

namespace vanteo::cli {
namespace {

constexpr int kMessagesControl = 1002;
constexpr int kComPortControl = 1011;
constexpr int kProfile1Control = 1166;
constexpr int kProfile2Control = 1167;

bool IsControlId(const std::string& key) {
    if (key.empty() || key.size() > 6) {
        return false;
    }
    for (const char c : key) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
    }
    return true;
}

std::string TrimRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.pop_back();
    }
    return text;
}

}  // namespace

const FieldRow* FormSettings::Resolve(const std::string& key) {
    // A number names a control; "2" is no identifier but the label of the Profile 2 box.
    if (IsControlId(key)) {
        if (const FieldRow* row = FindField(std::stoi(key))) {
            return row;
        }
    }
    const std::string wanted = TrimRight(key);
    if (wanted.empty()) {
        return nullptr;
    }
    for (const FieldRow& row : FieldTable()) {
        if (wanted == TrimRight(row.label)) {
            return &row;
        }
    }
    for (const FieldRow& row : FieldTable()) {
        if (EqualIgnoringCase(wanted, TrimRight(row.label))) {
            return &row;
        }
    }
    return nullptr;
}

std::string FormSettings::DisplayLabel(const FieldRow& row) {
    return TrimRight(row.label);
}

std::string FormSettings::Describe(const FieldRow& row) {
    const std::string label = DisplayLabel(row);
    if (label.empty()) {
        return std::to_string(row.id);
    }
    return "\"" + label + "\" (" + std::to_string(row.id) + ")";
}

std::string FormSettings::NotSettableReason(const FieldRow& row) {
    if (row.type == FieldType::label) {
        return Describe(row) + " is a status text of the form";
    }
    if (row.id == kMessagesControl) {
        return Describe(row) + " is the form's message line";
    }
    if (row.id == kComPortControl) {
        return "the port is chosen with --port";
    }
    if (row.id == kProfile1Control || row.id == kProfile2Control) {
        return "the profile is chosen with --profile";
    }
    return {};
}

std::string FormSettings::Check(const std::string& key, const std::string& value, Source source,
                                bool& skip) {
    skip = false;
    const FieldRow* row = Resolve(key);
    if (row == nullptr) {
        return "no field of the form is called '" + key + "'";
    }
    const std::string reason = NotSettableReason(*row);
    if (!reason.empty()) {
        skip = true;
        return source == Source::file ? std::string() : reason;
    }
    if (row->type == FieldType::check && value != "0" && value != "1") {
        return Describe(*row) + " is a check box: give 0 or 1, not '" + value + "'";
    }
    return {};
}

std::string FormSettings::Apply(const std::string& key, const std::string& value, Source source,
                                std::string& note) {
    note.clear();
    bool skip = false;
    const std::string reason = Check(key, value, source, skip);
    if (!reason.empty() || skip) {
        return reason;
    }
    const FieldRow* row = Resolve(key);
    if (row->visibility == Visibility::alwaysHidden || !ui_.IsVisible(row->id)) {
        // The form does not refuse what a hidden control holds, so a value given for one (typed
        // or from a file) is checked here by the field's own rules.
        FormModel scratch = FormModel::Constructed();
        const FieldReadResult checked = ReadFieldFromText(*row, value, scratch);
        if (!checked.ok) {
            return Describe(*row) + " refuses '" + value + "': " + checked.message;
        }
        if (source == Source::commandLine) {
            note =
                "note: " + Describe(*row) + " is not shown for this tracker; it may have no effect";
        }
    }
    ui_.Type(row->id, value);
    return {};
}

std::string FormSettings::CheckForm() {
    ui_.Controls().focusedControl = 0;
    if (ui_.ReadForm()) {
        return {};
    }
    const FieldRow* failed = FindField(ui_.Controls().focusedControl);
    if (failed == nullptr) {
        return "the form refused a value";
    }
    return "the form refused the value of " + Describe(*failed) + ": '" +
           FieldListing::Escape(ui_.ControlText(failed->id), false) + "'";
}

}  // namespace vanteo::cli
