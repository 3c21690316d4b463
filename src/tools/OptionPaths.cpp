#include "tools/OptionPaths.h"

#include <QFileInfo>

namespace kalvor {

std::optional<QString> existingFolder(const QString& path) {
    QString p = path.trimmed();
    while (p.size() > 1 && (p.endsWith(QLatin1Char('/')) || p.endsWith(QLatin1Char('\\'))))
        p.chop(1);
    if (p.isEmpty() || !QFileInfo(p).isDir())
        return std::nullopt;
    return p == QLatin1String("/") ? p : p + QLatin1Char('/');
}

bool isExistingFile(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && info.isFile();
}

bool isExecutableFile(const QString& path) {
    return isExistingFile(path) && QFileInfo(path).isExecutable();
}

} // namespace kalvor
