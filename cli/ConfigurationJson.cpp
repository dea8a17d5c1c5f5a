#include "cli/ConfigurationJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <cmath>

#include "cli/ProfileFieldTable.h"
#include "device/FieldTable.h"
#include "serial/CFormat.h"

namespace vanteo::cli {
namespace {

// Tracker texts are bytes; Latin-1 keeps every byte value through the round trip.
QString ToJson(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromJson(const QString& text) {
    const QByteArray bytes = text.toLatin1();
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

}  // namespace

std::string ConfigurationJson::Write(const FormModel& form, const ProfileStore& store) {
    QJsonObject fields;
    for (const FieldRow& row : FieldTable()) {
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
    for (const ProfileSettings& profile : store.profiles) {
        QJsonObject record;
        for (const ProfileFieldRow& row : ProfileFieldTable()) {
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
    root.insert("profile", store.currentProfile + 1);
    root.insert("fields", fields);
    root.insert("profiles", profiles);
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    return std::string(json.constData(), static_cast<std::size_t>(json.size()));
}

bool ConfigurationJson::Parse(const std::string& text, const ProfileStore& base, Contents& contents,
                              std::string& error) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = "not valid JSON at offset " + std::to_string(parseError.offset) + ": " +
                parseError.errorString().toStdString();
        return false;
    }
    if (!document.isObject()) {
        error = "the JSON text is not an object";
        return false;
    }
    const QJsonObject root = document.object();
    contents = Contents{};
    contents.profiles = base;

    const QJsonValue fields = root.value("fields");
    if (!fields.isUndefined()) {
        if (!fields.isObject()) {
            error = "\"fields\" is not an object";
            return false;
        }
        const QJsonObject object = fields.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            std::string value;
            if (!TypedText(it.value(), value)) {
                error = "field \"" + it.key().toStdString() + "\" is not a string or number";
                return false;
            }
            contents.fields.emplace_back(FromJson(it.key()), value);
        }
    }

    const QJsonValue profiles = root.value("profiles");
    if (!profiles.isUndefined()) {
        if (!profiles.isArray() || profiles.toArray().size() != 2) {
            error = "\"profiles\" is not an array of two records";
            return false;
        }
        contents.hasProfiles = true;
        const QJsonArray records = profiles.toArray();
        for (qsizetype index = 0; index < 2; ++index) {
            if (!records.at(index).isObject()) {
                error = "profile " + std::to_string(index + 1) + " is not an object";
                return false;
            }
            const QJsonObject record = records.at(index).toObject();
            ProfileSettings& profile = contents.profiles.profiles[static_cast<std::size_t>(index)];
            for (const ProfileFieldRow& row : ProfileFieldTable()) {
                const QJsonValue value = record.value(row.name);
                if (value.isUndefined()) {
                    continue;
                }
                const std::string where =
                    "profile " + std::to_string(index + 1) + " \"" + row.name + "\"";
                // The other profile never passes through the form, so the form's limits are
                // checked here for both.
                const FieldRow* control = FindField(row.formControl);
                if (row.text != nullptr) {
                    if (!value.isString()) {
                        error = where + " is not a string";
                        return false;
                    }
                    profile.*row.text = FromJson(value.toString());
                    if (control != nullptr && control->maxLength > 0 &&
                        (profile.*row.text).size() > static_cast<std::size_t>(control->maxLength)) {
                        error = where + " is longer than " + std::to_string(control->maxLength) +
                                " characters";
                        return false;
                    }
                    continue;
                }
                const double number = value.toDouble(-1.0);
                if (!value.isDouble() || std::trunc(number) != number || number < 0 ||
                    (row.flag != nullptr && number > 1) || number > 4294967295.0) {
                    error = where + (row.flag != nullptr ? " is not 0 or 1"
                                                         : " is not a whole number >= 0");
                    return false;
                }
                if (control != nullptr && control->hasRange &&
                    (number < static_cast<double>(control->minimum) ||
                     number > static_cast<double>(control->maximum))) {
                    error = where + FormatC(" is outside %lld ... %lld",
                                            static_cast<long long>(control->minimum),
                                            static_cast<long long>(control->maximum));
                    return false;
                }
                if (row.flag != nullptr) {
                    profile.*row.flag = static_cast<int>(number);
                } else {
                    profile.*row.number = static_cast<std::uint32_t>(number);
                }
            }
        }
    }
    return true;
}

}  // namespace vanteo::cli
