#include "cli/FieldListing.h"

#include "cli/FormSettings.h"
#include "device/FieldTable.h"
#include "device/ProfileFieldTable.h"
#include "serial/CFormat.h"

namespace vanteo::cli {

std::string FieldListing::Escape(const std::string& text, bool quote) {
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '"' && quote) {
            escaped += "\\\"";
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\r') {
            escaped += "\\r";
        } else if (c == '\t') {
            escaped += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            escaped += FormatC("\\x%02x", byte);
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string FieldListing::FieldLines(HeadlessForm& ui) {
    ui.ShowForm();
    std::string text;
    for (const FieldRow& row : FieldTable()) {
        const std::string label = FormSettings::DisplayLabel(row);
        text += std::to_string(row.id);
        if (!label.empty()) {
            text += " " + label;
        }
        text += ": " + Escape(ui.ControlText(row.id), false) + "\n";
    }
    return text;
}

std::string FieldListing::ProfileLines(const ProfileStore& store) {
    std::string text;
    for (std::size_t index = 0; index < store.profiles.size(); ++index) {
        const ProfileSettings& profile = store.profiles[index];
        text += "Profile " + std::to_string(index + 1) + ":";
        for (const ProfileFieldRow& row : ProfileFieldTable()) {
            text += " ";
            text += row.name;
            text += "=";
            if (row.text != nullptr) {
                text += "\"" + Escape(profile.*row.text, true) + "\"";
            } else if (row.flag != nullptr) {
                text += std::to_string(profile.*row.flag);
            } else {
                text += std::to_string(profile.*row.number);
            }
        }
        text += "\n";
    }
    return text;
}

}  // namespace vanteo::cli
