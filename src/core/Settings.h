// The per-user settings store: ~/.config/Kalvor/Kalvor.ini, sections User, Midi and GPIO.
// Values are raw text in the file and converted where they are used; keys match without
// regard to case ("Tooltips" reads what "ToolTips" wrote). A stored value that does not
// convert is reported once through the common error report naming the key, its default
// is used, and reading goes on. UI thread.
#pragma once

#include "core/SettingKeys.h"

#include <QHash>
#include <QSettings>
#include <QString>

#include <memory>
#include <vector>

namespace kalvor {

class Settings {
public:
    // `filePath` empty: the user's file, ~/.config/Kalvor/Kalvor.ini.
    explicit Settings(const QString& filePath = {});
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    static QString defaultFilePath();
    // Our INI flavour, registered case-insensitive with raw text values.
    static QSettings::Format format();

    QString filePath() const;

    // Reads every key afresh (the start-up's full read). Bad values are reported, each
    // once, under `module`.
    void load(const QString& module = QStringLiteral("LoadRegistrySettings"));

    QString text(QStringView key) const;
    int integer(QStringView key) const;
    bool boolean(QStringView key) const;
    // On/off keys in either style: "ON"/"OFF" or "1"/"0".
    bool isOn(QStringView key) const;

    bool isDefault(QStringView key) const;
    QString defaultText(QStringView key) const;

    // Single writes, straight to the file.
    void setText(QStringView key, const QString& value);
    void setInteger(QStringView key, int value);
    void setBoolean(QStringView key, bool value);
    // Writes in the key's own style: "ON"/"OFF" for keys whose default is a word, else "1"/"0".
    void setOn(QStringView key, bool on);
    void remove(QStringView key);
    // Flushes pending writes; false when the file could not be written.
    bool sync();

    struct Row {
        const SettingKey* key;
        QString value;  // effective value as text
        QString stored; // what the file holds; null when absent
        bool isDefault; // absent, or unusable and replaced by the default
        bool invalid;   // present but unusable
    };
    std::vector<Row> effectiveValues() const;

private:
    struct Value {
        QString text;
        QString stored;
        bool fromDefault = true;
        bool invalid = false;
    };
    const Value& value(QStringView key) const;
    Value read(const SettingKey& key) const;
    void report(const SettingKey& key, const Value& v, const QString& module) const;
    void store(const SettingKey& key, const QString& text);
    static QString path(const SettingKey& key);

    std::unique_ptr<QSettings> qs_;
    mutable QHash<const SettingKey*, Value> cache_;
};

} // namespace kalvor
