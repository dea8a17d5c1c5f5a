#include "cli/ConfigurationJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "cli/FormSettings.h"
#include "cli/SettingsScope.h"
#include "device/FieldTable.h"
#include "device/FormTransfer.h"
#include "device/Operations.h"
#include "serial/CFormat.h"

namespace vanteo::cli {
namespace {

constexpr const char* kModelKey = "model";
constexpr const char* kFirmwareKey = "firmware";
constexpr const char* kFieldsKey = "fields";
constexpr const char* kProfilesKey = "profiles";
// Written by earlier versions: the profile the form showed, which the per-profile keys of
// "fields" belong to.
constexpr const char* kProfileKey = "profile";
constexpr int kLastFirmware = 9999;

// Earlier versions wrote the status texts with the settings; the Read fills them as
// "Model: ZPNAV9" and "Version:130".
constexpr const char* kModelStatusKey = "1052";
constexpr const char* kVersionStatusKey = "1051";
constexpr const char* kModelStatusPrefix = "Model:";
constexpr const char* kVersionStatusPrefix = "Version:";

// Tracker texts are bytes; Latin-1 keeps every byte value through the round trip.
QString ToJson(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// A character beyond Latin-1 has no byte of its own: toLatin1 would make it a '?', which several
// fields accept. Its UTF-8 bytes (all 0x80 or above) reach the fields' character checks instead.
std::string FromJson(const QString& text) {
    const bool latin1 =
        std::all_of(text.begin(), text.end(), [](const QChar c) { return c.unicode() <= 0xFF; });
    const QByteArray bytes = latin1 ? text.toLatin1() : text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// A value as it would be typed into the form.
bool TypedText(const QJsonValue& value, std::string& text) {
    if (value.isString()) {
        text = FromJson(value.toString());
        return true;
    }
    if (value.isBool()) {
        text = value.toBool() ? "1" : "0";
        return true;
    }
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (std::trunc(number) == number && std::fabs(number) < 1e15) {
            text = FormatC("%lld", static_cast<long long>(number));
        } else {
            text = FormatC("%.15g", number);
        }
        return true;
    }
    return false;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// QJsonObject keeps one value of a key given twice; only the text itself shows the repeat.
// `text` is valid JSON (already parsed), so brackets balance and strings end.
bool FindRepeatedKey(const QByteArray& text, std::string& key) {
    struct Frame {
        bool object;
        bool expectKey;
        std::set<QString> keys;
    };
    std::vector<Frame> frames;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '{' || c == '[') {
            frames.push_back({c == '{', c == '{', {}});
        } else if ((c == '}' || c == ']') && !frames.empty()) {
            frames.pop_back();
        } else if (c == ',' && !frames.empty() && frames.back().object) {
            frames.back().expectKey = true;
        } else if (c == '"') {
            const qsizetype start = i;
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') {
                    ++i;
                }
            }
            if (!frames.empty() && frames.back().expectKey) {
                frames.back().expectKey = false;
                // The document decodes the escapes of the key.
                const QString name =
                    QJsonDocument::fromJson("[" + text.mid(start, i - start + 1) + "]")
                        .array()
                        .at(0)
                        .toString();
                if (!frames.back().keys.insert(name).second) {
                    key = name.toStdString();
                    return true;
                }
            }
        }
    }
    return false;
}

const ProfileFieldRow* FindProfileMember(const std::string& name) {
    for (const ProfileFieldRow& row : ProfileFieldTable()) {
        if (name == row.name) {
            return &row;
        }
    }
    return nullptr;
}

const ProfileFieldRow& MemberOfControl(int controlId) {
    const auto rows = ProfileFieldTable();
    return *std::find_if(rows.begin(), rows.end(),
                         [controlId](const auto& row) { return row.formControl == controlId; });
}

std::string ProfileWhere(int index, const ProfileFieldRow& row) {
    return "profile " + std::to_string(index + 1) + " \"" + row.name + "\"";
}

// Checks `typed` as the form checks the member's control (switchAbove, which has none, as a
// check box) and adds it; a member given twice (in "fields" and in "profiles") must agree.
bool AddProfileValue(ConfigurationJson::Contents& contents, int index, const ProfileFieldRow& row,
                     const std::string& typed, const std::string& where, std::string& error) {
    ConfigurationJson::ProfileValue value;
    value.index = index;
    value.row = &row;
    if (row.text != nullptr) {
        value.text = typed;
    } else if (row.flag != nullptr) {
        if (typed != "0" && typed != "1") {
            error = where + " is not 0 or 1";
            return false;
        }
        value.number = typed == "1" ? 1 : 0;
    }
    if (const FieldRow* control = FindField(row.formControl); control != nullptr) {
        FormModel scratch = FormModel::StartUp();
        const FieldReadResult result = ReadFieldFromText(*control, typed, scratch);
        if (!result.ok) {
            error = where + ": " + result.message;
            return false;
        }
        if (row.number != nullptr) {
            value.number = scratch.*control->unsignedMember;
        }
    }
    for (const auto& given : contents.profileValues) {
        if (given.index == index && given.row == &row) {
            if (given.text != value.text || given.number != value.number) {
                error = where + " disagrees with " + ProfileWhere(index, row) + " given before it";
                return false;
            }
            return true;
        }
    }
    contents.profileValues.push_back(std::move(value));
    return true;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

}  // namespace

std::string ConfigurationJson::Write(const FormModel& form, const ProfileStore& store,
                                     const TrackerCapabilities& caps) {
    QJsonObject fields;
    for (const FieldRow& row : FieldTable()) {
        if (!SettingsScope::HoldsField(row.id, caps) || IsPerProfileControl(row.id)) {
            continue;
        }
        const QString key = QString::number(row.id);
        if (row.textMember != nullptr) {
            fields.insert(key, ToJson(form.*row.textMember));
        } else if (row.intMember != nullptr) {
            fields.insert(key, static_cast<qint64>(form.*row.intMember));
        } else if (row.unsignedMember != nullptr) {
            fields.insert(key, static_cast<qint64>(form.*row.unsignedMember));
        }
    }
    QJsonArray profiles;
    for (int index = 0; index < 2; ++index) {
        if (index == 1 && !caps.twoProfiles) {
            break;
        }
        const ProfileSettings& profile = store.profiles[static_cast<std::size_t>(index)];
        QJsonObject record;
        for (const ProfileFieldRow& row : ProfileFieldTable()) {
            if (!SettingsScope::HoldsProfileMember(index, row, caps)) {
                continue;
            }
            if (row.text != nullptr) {
                record.insert(row.name, ToJson(profile.*row.text));
            } else if (row.flag != nullptr) {
                record.insert(row.name, profile.*row.flag);
            } else {
                record.insert(row.name, static_cast<qint64>(profile.*row.number));
            }
        }
        profiles.append(record);
    }
    QJsonObject root;
    root.insert(kModelKey, ToJson(caps.modelId));
    root.insert(kFirmwareKey, caps.firmwareVersion);
    root.insert(kFieldsKey, fields);
    root.insert(kProfilesKey, profiles);
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    return std::string(json.constData(), static_cast<std::size_t>(json.size()));
}

bool ConfigurationJson::Parse(const std::string& text, Contents& contents, std::string& error) {
    contents = Contents{};
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = "not valid JSON at offset " + std::to_string(parseError.offset) + ": " +
                parseError.errorString().toStdString();
        return false;
    }
    if (!document.isObject()) {
        error = "the JSON text is not an object";
        return false;
    }
    std::string repeated;
    if (FindRepeatedKey(bytes, repeated)) {
        error = "the key \"" + repeated + "\" is given twice";
        return false;
    }
    const QJsonObject root = document.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        const std::string key = FromJson(it.key());
        if (key != kModelKey && key != kFirmwareKey && key != kFieldsKey && key != kProfilesKey &&
            key != kProfileKey) {
            error = "unknown key \"" + key + "\"";
            return false;
        }
    }

    const QJsonValue model = root.value(kModelKey);
    const QJsonValue firmware = root.value(kFirmwareKey);
    const bool namesItsTracker = !model.isUndefined() || !firmware.isUndefined();
    if (namesItsTracker) {
        const double version = firmware.toDouble(-1.0);
        if (!model.isString() || model.toString().isEmpty() || !firmware.isDouble() ||
            std::trunc(version) != version || version < 0 || version > kLastFirmware) {
            error =
                "\"model\" and \"firmware\" must give the model text and the firmware version "
                "number together";
            return false;
        }
        contents.model = FromJson(model.toString());
        contents.firmware = static_cast<int>(version);
    }
    int profileIndex = 0;
    if (const QJsonValue profile = root.value(kProfileKey); !profile.isUndefined()) {
        if (!profile.isDouble() || (profile.toDouble() != 1.0 && profile.toDouble() != 2.0)) {
            error = "\"profile\" must be 1 or 2";
            return false;
        }
        profileIndex = profile.toInt() - 1;
    }

    const QJsonValue fieldsValue = root.value(kFieldsKey);
    if (!fieldsValue.isUndefined() && !fieldsValue.isObject()) {
        error = "\"fields\" is not an object";
        return false;
    }
    const QJsonObject fields = fieldsValue.toObject();
    // A file of an earlier version holds every field of the form with the status texts; the
    // texts name its tracker, and what that tracker does not have was never read (zeros and
    // empty paths), so it is passed over, as are the status texts themselves.
    const bool earlierVersion =
        !namesItsTracker && fields.contains(kModelStatusKey) && fields.contains(kVersionStatusKey);
    TrackerCapabilities source;
    bool sourceKnown = false;
    if (earlierVersion) {
        const std::string modelStatus = FromJson(fields.value(kModelStatusKey).toString());
        const std::string versionStatus = FromJson(fields.value(kVersionStatusKey).toString());
        if (StartsWith(modelStatus, kModelStatusPrefix) &&
            StartsWith(versionStatus, kVersionStatusPrefix)) {
            contents.model = Trimmed(modelStatus.substr(std::strlen(kModelStatusPrefix)));
            contents.firmware =
                LeadingIntC(versionStatus.substr(std::strlen(kVersionStatusPrefix)));
            source = SettingsScope::Identify(contents.model, contents.firmware);
            sourceKnown = !contents.model.empty();
        }
    }

    std::set<int> controlsGiven;
    for (auto it = fields.begin(); it != fields.end(); ++it) {
        const std::string key = FromJson(it.key());
        const std::string where = "\"fields\" key \"" + key + "\"";
        const FieldRow* row = FormSettings::Resolve(key);
        if (row == nullptr) {
            error = where + ": no field of the form is called that";
            return false;
        }
        if (!controlsGiven.insert(row->id).second) {
            error = where + ": " + FormSettings::Describe(*row) + " is given twice";
            return false;
        }
        if (!SettingsScope::IsSetting(row->id)) {
            if (earlierVersion) {
                continue;
            }
            error = where + ": " + FormSettings::Describe(*row) +
                    " is not a setting a write takes from a file";
            return false;
        }
        std::string value;
        if (!TypedText(it.value(), value)) {
            error = where + " is not a string or number";
            return false;
        }
        if (sourceKnown && !SettingsScope::HoldsField(row->id, source)) {
            continue;
        }
        bool skip = false;
        if (const std::string reason =
                FormSettings::Check(key, value, FormSettings::Source::file, skip);
            !reason.empty()) {
            error = where + ": " + reason;
            return false;
        }
        if (IsPerProfileControl(row->id)) {
            if (!AddProfileValue(contents, profileIndex, MemberOfControl(row->id), value, where,
                                 error)) {
                return false;
            }
            continue;
        }
        FormModel scratch = FormModel::StartUp();
        const FieldReadResult result = ReadFieldFromText(*row, value, scratch);
        if (!result.ok) {
            error = where + ": " + result.message;
            return false;
        }
        contents.fields.emplace_back(key, value);
    }

    const QJsonValue profiles = root.value(kProfilesKey);
    if (profiles.isUndefined()) {
        return true;
    }
    const QJsonArray records = profiles.toArray();
    if (!profiles.isArray() || records.isEmpty() || records.size() > 2) {
        error = "\"profiles\" is not an array of one or two records";
        return false;
    }
    for (qsizetype index = 0; index < records.size(); ++index) {
        const int profileNumber = static_cast<int>(index) + 1;
        if (!records.at(index).isObject()) {
            error = "profile " + std::to_string(profileNumber) + " is not an object";
            return false;
        }
        const QJsonObject record = records.at(index).toObject();
        for (auto it = record.begin(); it != record.end(); ++it) {
            const std::string name = FromJson(it.key());
            const ProfileFieldRow* row = FindProfileMember(name);
            if (row == nullptr) {
                error =
                    "profile " + std::to_string(profileNumber) + ": unknown key \"" + name + "\"";
                return false;
            }
            const int recordIndex = static_cast<int>(index);
            const std::string where = ProfileWhere(recordIndex, *row);
            const QJsonValue value = it.value();
            if (row->text != nullptr ? !value.isString() : !value.isDouble()) {
                error = where + (row->text != nullptr ? " is not a string" : " is not a number");
                return false;
            }
            if (sourceKnown && !SettingsScope::HoldsProfileMember(recordIndex, *row, source)) {
                continue;
            }
            std::string typed;
            TypedText(value, typed);
            if (!AddProfileValue(contents, recordIndex, *row, typed, where, error)) {
                return false;
            }
        }
    }
    return true;
}

void ConfigurationJson::Apply(const ProfileValue& value, ProfileStore& store) {
    ProfileSettings& profile = store.profiles[static_cast<std::size_t>(value.index)];
    if (value.row->text != nullptr) {
        profile.*value.row->text = value.text;
    } else if (value.row->flag != nullptr) {
        profile.*value.row->flag = static_cast<int>(value.number);
    } else {
        profile.*value.row->number = static_cast<std::uint32_t>(value.number);
    }
}

bool ConfigurationJson::ApplyToTracker(const Contents& contents, const std::string& path,
                                       DeviceContext& device, HeadlessForm& ui,
                                       std::string& failure, std::string& leftOutNote,
                                       std::string& keptNote) {
    const TrackerCapabilities& caps = device.tracker.capabilities;
    const std::string tracker = caps.modelId + ", firmware " + std::to_string(caps.firmwareVersion);
    if (!contents.model.empty()) {
        const TrackerCapabilities source =
            SettingsScope::Identify(contents.model, contents.firmware);
        if (source.band2m != caps.band2m) {
            failure = "the file comes from a " + std::string(SettingsScope::Band(source)) +
                      " tracker (" + contents.model + ", firmware " +
                      std::to_string(contents.firmware) + ") and this one (" + tracker +
                      ") works on " + SettingsScope::Band(caps) + ": its settings cannot apply";
            return false;
        }
    }
    std::vector<std::string> leftOut;
    std::set<std::pair<int, const ProfileFieldRow*>> membersGiven;
    ProfileStore& store = device.tracker.profileStore;
    for (const ProfileValue& value : contents.profileValues) {
        const std::string name =
            "Profile " + std::to_string(value.index + 1) + " " + value.row->name;
        if (!SettingsScope::HoldsProfileMember(value.index, *value.row, caps)) {
            leftOut.push_back(name);
            continue;
        }
        Apply(value, store);
        membersGiven.insert({value.index, value.row});
    }
    if (!membersGiven.empty()) {
        // The form shows the current record with the file's values in it.
        const int current = store.currentProfile;
        ShowProfile(device, current);
        ui.ShowForm();
        ui.SetControlCaption(
            control::kCompareButton,
            store.profiles[static_cast<std::size_t>(current)].switchAbove ? ">" : "<");
    }
    FormSettings settings(ui);
    std::set<int> fieldsGiven;
    for (const auto& [key, value] : contents.fields) {
        const FieldRow* row = FormSettings::Resolve(key);
        if (!SettingsScope::HoldsField(row->id, caps)) {
            leftOut.push_back(FormSettings::Describe(*row));
            continue;
        }
        std::string note;
        const std::string reason = settings.Apply(key, value, FormSettings::Source::file, note);
        if (!reason.empty()) {
            failure = "field " + key + ": " + reason;
            return false;
        }
        fieldsGiven.insert(row->id);
    }
    if (!leftOut.empty()) {
        leftOutNote = "note: " + path + " holds settings this tracker (" + tracker +
                      ") does not have; not written: " + Joined(leftOut);
    }
    std::vector<std::string> kept;
    for (const FieldRow& row : FieldTable()) {
        if (SettingsScope::HoldsField(row.id, caps) && !IsPerProfileControl(row.id) &&
            fieldsGiven.count(row.id) == 0) {
            kept.push_back(FormSettings::Describe(row));
        }
    }
    for (int index = 0; index < 2; ++index) {
        for (const ProfileFieldRow& row : ProfileFieldTable()) {
            if (SettingsScope::HoldsProfileMember(index, row, caps) &&
                membersGiven.count({index, &row}) == 0) {
                kept.push_back("Profile " + std::to_string(index + 1) + " " + row.name);
            }
        }
    }
    if (!kept.empty()) {
        keptNote = "note: not in " + path + ", kept as on the tracker: " + Joined(kept);
    }
    return true;
}

}  // namespace vanteo::cli
