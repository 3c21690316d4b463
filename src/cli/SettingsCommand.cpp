#include "cli/SettingsCommand.h"

#include "core/Settings.h"
#include "core/UiLanguage.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace kalvor::cli {

int runSettings(const QStringList& args) {
    QString file;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--file") && i + 1 < args.size()) {
            file = args[++i];
        } else {
            std::fprintf(stderr, "kalvor-tool settings: unexpected argument '%s'\n",
                         qUtf8Printable(args[i]));
            return 2;
        }
    }
    // A misspelt --file would otherwise print the defaults as if they were that file's.
    if (!file.isEmpty() && !QFileInfo(file).isFile()) {
        std::fprintf(stderr, "kalvor-tool settings: %s: no such file\n", qUtf8Printable(file));
        return 1;
    }
    Settings settings(file);
    if (QFile f(settings.filePath()); f.exists() && !f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "kalvor-tool settings: %s: %s\n", qUtf8Printable(settings.filePath()),
                     qUtf8Printable(f.errorString()));
        return 1;
    }
    // The GPIO captions' defaults follow the language, as they do in the program.
    UiLanguage::instance().set(UiLanguage::fromSetting(settings.text(u"Language")));
    settings.load(QStringLiteral("kalvor-tool settings"));

    std::printf("# %s\n", qUtf8Printable(settings.filePath()));
    const auto rows = settings.effectiveValues();
    int width = 0;
    for (const auto& row : rows)
        width = std::max(width, static_cast<int>(qstrlen(row.key->name) + 1 + row.value.size()));
    QString section;
    int invalid = 0;
    for (const auto& row : rows) {
        const QString sec = QString::fromLatin1(row.key->section);
        if (sec != section) {
            std::printf("%s[%s]\n", section.isEmpty() ? "" : "\n", qUtf8Printable(sec));
            section = sec;
        }
        QString origin;
        if (row.invalid) {
            origin = QStringLiteral("(invalid: \"%1\", default used)").arg(row.stored);
            ++invalid;
        } else {
            origin = row.isDefault ? QStringLiteral("(default)") : QStringLiteral("(stored)");
        }
        const QString entry = QString::fromLatin1(row.key->name) + QLatin1Char('=') + row.value;
        std::printf("%-*s  %s\n", width, qUtf8Printable(entry), qUtf8Printable(origin));
    }
    return invalid == 0 ? 0 : 1;
}

} // namespace kalvor::cli
