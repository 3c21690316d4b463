#include "core/Settings.h"

#include "core/CoreTexts.h"
#include "core/ErrorReport.h"
#include "core/TextLines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QStandardPaths>

#include <utility>

namespace kalvor {

namespace {

// The file is ours to read and write: "[Section]" lines, then "Key=value" with the value
// kept as written (no lists, no escapes), blanks around it ignored so that hand edits such
// as "Key = value" work. A value that would not survive that (blanks at either end, a line
// break, a leading quote) is written in double quotes with \\ \" \r \n escapes instead.
// Keys of our table are folded to their canonical spelling, so any letter case in the file
// reaches the same value.
bool needsQuotes(const QString& value) {
    if (value.isEmpty())
        return false;
    return value.front().isSpace() || value.back().isSpace() || value.front() == QLatin1Char('"') ||
           value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'));
}

QString quoted(const QString& value) {
    QString out = QStringLiteral("\"");
    for (const QChar c : value) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out += QLatin1Char('\\') + c;
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

// `text` is the trimmed value of a line.
QString unquoted(const QString& text) {
    if (text.size() < 2 || !text.startsWith(QLatin1Char('"')) || !text.endsWith(QLatin1Char('"')))
        return text;
    QString out;
    for (qsizetype i = 1; i < text.size() - 1; ++i) {
        QChar c = text.at(i);
        if (c == QLatin1Char('\\') && i + 1 < text.size() - 1) {
            c = text.at(++i);
            if (c == QLatin1Char('n'))
                c = QLatin1Char('\n');
            else if (c == QLatin1Char('r'))
                c = QLatin1Char('\r');
        }
        out += c;
    }
    return out;
}

bool readKalvorIni(QIODevice& device, QSettings::SettingsMap& map) {
    const QStringList lines = splitTextLines(device.readAll());
    QString section;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            for (const char* known : {"User", "Midi", "GPIO", "Osc"}) {
                if (section.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
                    section = QString::fromLatin1(known);
            }
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue; // not a key line; ignored rather than failing the whole file
        QString key = line.left(eq).trimmed();
        if (const SettingKey* k = findSettingKey(key))
            key = QString::fromLatin1(k->name);
        const QString sec = section.isEmpty() ? QStringLiteral("General") : section;
        map.insert(sec + QLatin1Char('/') + key, unquoted(line.mid(eq + 1).trimmed()));
    }
    return true;
}

bool writeKalvorIni(QIODevice& device, const QSettings::SettingsMap& map) {
    QByteArray out;
    QString current;
    bool first = true;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QStringLiteral("General") : it.key().left(slash);
        const QString key = slash < 0 ? it.key() : it.key().mid(slash + 1);
        if (first || section.compare(current, Qt::CaseInsensitive) != 0) {
            if (!first)
                out += "\r\n";
            out += '[' + section.toUtf8() + "]\r\n";
            current = section;
            first = false;
        }
        const QString value = it.value().toString();
        out += key.toUtf8() + '=' + (needsQuotes(value) ? quoted(value) : value).toUtf8() + "\r\n";
    }
    return device.write(out) == out.size();
}

bool parseInteger(const QString& text, int* out) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok, 10);
    if (ok)
        *out = n;
    return ok;
}

bool parseBoolean(const QString& text, bool* out) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        *out = true;
        return true;
    }
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        *out = false;
        return true;
    }
    bool ok = false;
    const double n = QString(t).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (ok)
        *out = n != 0.0;
    return ok;
}

const SettingKey& requireKey(QStringView key) {
    const SettingKey* k = findSettingKey(key);
    Q_ASSERT_X(k, "Settings", "unknown settings key");
    if (!k) {
        // A misspelt key in a release build reads as an empty text setting, not a crash.
        static const SettingKey unknown{"User", "", SettingType::Text, ""};
        return unknown;
    }
    return *k;
}

QString defaultFor(const SettingKey& key) {
    if (key.defaultValue)
        return QString::fromLatin1(key.defaultValue);
    return txt(texts::GpioNoFunction); // GPIO line captions follow the language
}

} // namespace

Settings::Settings(const QString& filePath)
    : qs_(std::make_unique<QSettings>(filePath.isEmpty() ? defaultFilePath() : filePath,
                                      format())) {}

Settings::~Settings() = default;

QString Settings::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Kalvor/Kalvor.ini");
}

QSettings::Format Settings::format() {
    static const QSettings::Format f = QSettings::registerFormat(
        QStringLiteral("ini"), readKalvorIni, writeKalvorIni, Qt::CaseInsensitive);
    return f;
}

QString Settings::filePath() const {
    return qs_->fileName();
}

QString Settings::path(const SettingKey& key) {
    return QString::fromLatin1(key.section) + QLatin1Char('/') + QString::fromLatin1(key.name);
}

Settings::Value Settings::read(const SettingKey& key) const {
    Value v;
    const QVariant stored = qs_->value(path(key));
    const QString def = defaultFor(key);
    if (!stored.isValid()) {
        v.text = def;
        return v;
    }
    v.stored = stored.toString();
    v.text = v.stored;
    v.fromDefault = false;
    bool ok = true;
    if (key.type == SettingType::Integer) {
        int n = 0;
        ok = parseInteger(v.stored, &n);
        if (ok)
            v.text = QString::number(n);
    } else if (key.type == SettingType::Boolean) {
        bool b = false;
        ok = parseBoolean(v.stored, &b);
        if (ok)
            v.text = b ? QStringLiteral("True") : QStringLiteral("False");
    }
    if (!ok) {
        v.text = def;
        v.fromDefault = true;
        v.invalid = true;
    }
    return v;
}

void Settings::report(const SettingKey& key, const Value& v, const QString& module) const {
    const QString kindText =
        txt(key.type == SettingType::Integer ? texts::KindInteger : texts::KindBoolean);
    ReportError(errors::TypeMismatch,
                txt(texts::TypeMismatch) + QStringLiteral(": ") +
                    txt(texts::BadSettingValue)
                        .arg(QString::fromLatin1(key.section) + QLatin1Char('/') +
                                 QString::fromLatin1(key.name),
                             v.stored, kindText, v.text),
                module);
}

void Settings::load(const QString& module) {
    qs_->sync(); // pick up what another process or a test wrote meanwhile
    // A file that is there but cannot be read would otherwise look like a fresh user's.
    const QFileInfo info(qs_->fileName());
    if (QFile file(info.filePath());
        info.exists() && (info.isDir() || !file.open(QIODevice::ReadOnly)))
        ReportError(errors::PermissionDenied,
                    txt(texts::SettingsUnreadable)
                        .arg(info.filePath(),
                             info.isDir() ? txt({"a folder", "ein Ordner"}) : file.errorString()),
                    module);
    // Start-up reads a few keys before the full read; a bad value it already reported is
    // not reported again as long as the file still holds the same text.
    const QHash<const SettingKey*, Value> before = std::exchange(cache_, {});
    const auto& now = cache_;
    for (const SettingKey& key : settingKeys()) {
        const Value v = read(key);
        // `cache_` too: a read made while an earlier report's box was open.
        bool reported = false;
        for (const auto* seen : {&before, &now}) {
            const auto old = seen->constFind(&key);
            reported |= old != seen->constEnd() && old->invalid && old->stored == v.stored;
        }
        cache_.insert(&key, v);
        if (v.invalid && !reported)
            report(key, v, module);
    }
}

const Settings::Value& Settings::value(QStringView key) const {
    const SettingKey& k = requireKey(key);
    auto it = cache_.find(&k);
    if (it == cache_.end()) {
        const Value v = read(k);
        it = cache_.insert(&k, v);
        if (v.invalid) {
            // The box may run other code that reads, and so moves, the cache.
            report(k, v, QStringLiteral("LoadRegistrySettings"));
            it = cache_.find(&k);
        }
    }
    return *it;
}

QString Settings::text(QStringView key) const {
    return value(key).text;
}

int Settings::integer(QStringView key) const {
    int n = 0;
    parseInteger(value(key).text, &n);
    return n;
}

bool Settings::boolean(QStringView key) const {
    bool b = false;
    parseBoolean(value(key).text, &b);
    return b;
}

bool Settings::isOn(QStringView key) const {
    const QString t = value(key).text.trimmed();
    return t.compare(QLatin1String("ON"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1");
}

bool Settings::isDefault(QStringView key) const {
    return value(key).fromDefault;
}

QString Settings::defaultText(QStringView key) const {
    return defaultFor(requireKey(key));
}

void Settings::store(const SettingKey& key, const QString& text) {
    qs_->setValue(path(key), text);
    Value v;
    v.text = text;
    v.stored = text;
    v.fromDefault = false;
    cache_.insert(&key, v);
}

void Settings::setText(QStringView key, const QString& value) {
    store(requireKey(key), value);
}

void Settings::setInteger(QStringView key, int value) {
    store(requireKey(key), QString::number(value));
}

void Settings::setBoolean(QStringView key, bool value) {
    store(requireKey(key), value ? QStringLiteral("True") : QStringLiteral("False"));
}

void Settings::setOn(QStringView key, bool on) {
    const SettingKey& k = requireKey(key);
    const QString def = defaultFor(k);
    const bool words = def.compare(QLatin1String("ON"), Qt::CaseInsensitive) == 0 ||
                       def.compare(QLatin1String("OFF"), Qt::CaseInsensitive) == 0;
    if (words)
        store(k, on ? QStringLiteral("ON") : QStringLiteral("OFF"));
    else
        store(k, on ? QStringLiteral("1") : QStringLiteral("0"));
}

void Settings::remove(QStringView key) {
    const SettingKey& k = requireKey(key);
    qs_->remove(path(k));
    cache_.remove(&k);
}

bool Settings::sync() {
    QDir().mkpath(QFileInfo(qs_->fileName()).absolutePath());
    qs_->sync();
    return qs_->status() == QSettings::NoError;
}

std::vector<Settings::Row> Settings::effectiveValues() const {
    std::vector<Row> rows;
    for (const SettingKey& key : settingKeys()) {
        const Value& v = value(QString::fromLatin1(key.name));
        rows.push_back({&key, v.text, v.stored, v.fromDefault, v.invalid});
    }
    return rows;
}

} // namespace kalvor
