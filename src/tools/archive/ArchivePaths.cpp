#include "tools/archive/ArchivePaths.h"

#include "core/TextLines.h"

namespace kalvor::archive {

namespace {

bool isSeparator(QChar c) {
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

QStringList components(const QString& path) {
    QStringList parts;
    QString current;
    for (QChar c : path) {
        if (isSeparator(c)) {
            parts << current;
            current.clear();
        } else {
            current += c;
        }
    }
    parts << current;
    return parts;
}

} // namespace

QByteArray writePathInfo(const QStringList& paths) {
    QByteArray out;
    for (const QString& p : paths)
        out += p.toUtf8() + "\r\n";
    out += "~\r\n";
    return out;
}

PathInfo readPathInfo(QByteArrayView contents) {
    PathInfo info;
    for (const QString& line : splitTextLines(contents)) {
        if (line == QLatin1String("~")) {
            info.terminated = true;
            break;
        }
        if (!line.isEmpty())
            info.paths << line;
    }
    return info;
}

bool isWindowsPath(const QString& path) {
    if (path.contains(QLatin1Char('\\')))
        return true;
    return path.size() >= 2 && path.at(0).isLetter() && path.at(1) == QLatin1Char(':');
}

QString fileNamePart(const QString& path) {
    qsizetype cut = -1;
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isSeparator(path.at(i))) {
            cut = i;
            break;
        }
    }
    return path.mid(cut + 1);
}

QString commonFolder(const QStringList& paths) {
    if (paths.isEmpty())
        return {};
    // Folders only: the last component of each path is its file name.
    QStringList common = components(paths.first());
    common.removeLast();
    for (const QString& p : paths) {
        QStringList parts = components(p);
        parts.removeLast();
        qsizetype same = 0;
        while (same < common.size() && same < parts.size() && common.at(same) == parts.at(same))
            ++same;
        common = common.mid(0, same);
    }
    if (common.isEmpty())
        return {};
    // The separators as the first path has them, so the prefix matches it character by
    // character.
    const QString& first = paths.first();
    qsizetype length = 0;
    for (const QString& c : common)
        length += c.size() + 1;
    return first.left(length);
}

QStringList entryNames(const QStringList& paths) {
    const QString folder = commonFolder(paths);
    QStringList names;
    names.reserve(paths.size());
    for (const QString& p : paths) {
        QString rel = p.mid(folder.size());
        rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
        while (rel.startsWith(QLatin1Char('/')))
            rel.remove(0, 1);
        names << rel;
    }
    return names;
}

std::optional<EntryRefusal> refuseEntryName(const QString& name) {
    // A drive is a letter, a colon and a separator (or nothing more): "1:intro.wav" and
    // "a:b.wav" are file names this system allows, and a backup of them must restore.
    const bool drive = name.size() >= 2 && name.at(0).isLetter() &&
                       name.at(1) == QLatin1Char(':') &&
                       (name.size() == 2 || isSeparator(name.at(2)));
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\')) || drive)
        return EntryRefusal::Absolute;
    for (const QString& c : components(name)) {
        if (c == QLatin1String(".."))
            return EntryRefusal::ParentFolder;
    }
    return std::nullopt;
}

std::optional<QString> targetInFolder(const QString& folder, const QString& sourcePath) {
    const QString name = fileNamePart(sourcePath);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return std::nullopt;
    QString base = folder;
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base == QLatin1String("/") ? base + name : base + QLatin1Char('/') + name;
}

QString withKfaExtension(const QString& name) {
    if (name.contains(QLatin1String(".kfa"), Qt::CaseInsensitive))
        return name;
    return name + QLatin1String(".kfa");
}

} // namespace kalvor::archive
