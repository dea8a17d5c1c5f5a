#pragma once

#include <string>

#include "device/FieldTable.h"
#include "device/HeadlessForm.h"

namespace vanteo::cli {

// Settings typed into the form by name: a KEY is a field's label as the form shows it (the text
// before any unit caption; letter case and trailing blanks do not matter) or its control
// identifier. Each value is typed into the control and taken with the form's own ReadForm, so it
// is parsed and validated exactly as typing it into the window would be.
class FormSettings {
public:
    enum class Source {
        commandLine,  // --set: every refusal is an error
        file,         // a JSON file from 'read --json': read-only fields are skipped quietly
    };

    explicit FormSettings(HeadlessForm& ui) : ui_(ui) {}

    // The row a KEY names, or nullptr.
    static const FieldRow* Resolve(const std::string& key);
    // The label without trailing blanks ("2 " -> "2"); empty for unlabelled controls.
    static std::string DisplayLabel(const FieldRow& row);
    // "\"Frequency\" (1001)", or "1171" for an unlabelled control.
    static std::string Describe(const FieldRow& row);
    // Why a field cannot be set (a status text, the Messages line, the port, the profile boxes),
    // or empty when it can.
    static std::string NotSettableReason(const FieldRow& row);

    // Whether `value` may be typed into the field KEY names: empty when it may, else the reason
    // (unknown KEY, a read-only field, a check box given something other than 0 or 1). A file's
    // read-only fields give an empty reason and `skip` set.
    static std::string Check(const std::string& key, const std::string& value, Source source,
                             bool& skip);

    // Types `value` into the field KEY names, as the user would before pressing a button; the
    // form takes it in at the next ReadForm (CheckForm). Returns the reason from Check, or empty.
    // `note` receives a remark worth printing, e.g. that this tracker does not show the field.
    std::string Apply(const std::string& key, const std::string& value, Source source,
                      std::string& note);

    // Runs ReadForm; empty when every field passes, else which field the form refused (the
    // form's own message box has been shown).
    std::string CheckForm();

private:
    HeadlessForm& ui_;
};

}  // namespace vanteo::cli
