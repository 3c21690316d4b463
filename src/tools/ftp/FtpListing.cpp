#include "tools/ftp/FtpListing.h"

namespace kalvor::ftp {

namespace {

// The listing columns are counted from 1, as the servers' documentation counts them.
QString column(const QString& line, int first, int length) {
    if (first > line.size())
        return {};
    return line.mid(first - 1, length);
}

QString withoutLineEnd(QString line) {
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line;
}

ItemKind kindOf(bool folder, const QString& name) {
    if (folder)
        return ItemKind::Folder;
    return name.toLower().endsWith(QLatin1String(".wav")) ? ItemKind::Wave : ItemKind::File;
}

// Unix-style lines end in "... 12:34 name" or "... 2024 name". Scanning back from the end,
// the first blank that follows a character below "A" (a digit or the colon of the time)
// is the one before the name, so a name may hold blanks of its own.
QString nameAfterTimeField(const QString& line) {
    for (qsizetype i = line.size() - 1; i >= 1; --i) {
        if (line.at(i) == QLatin1Char(' ') && line.at(i - 1).unicode() < u'A')
            return line.mid(i + 1);
    }
    return {};
}

} // namespace

QString serverTypeName(ServerType type) {
    switch (type) {
    case ServerType::Unix:
        return QStringLiteral("Unix");
    case ServerType::MicrosoftNT:
        return QStringLiteral("Microsoft NT");
    case ServerType::Os9:
        return QStringLiteral("OS/9");
    case ServerType::Unknown:
        break;
    }
    return QStringLiteral("-");
}

ServerType serverTypeFromSyst(const QString& reply) {
    if (reply.contains(QLatin1String("UNIX")))
        return ServerType::Unix;
    if (reply.contains(QLatin1String("Windows_NT")))
        return ServerType::MicrosoftNT;
    if (reply.contains(QLatin1String("OS/9")))
        return ServerType::Os9;
    return ServerType::Unknown;
}

QStringList os9Folders() {
    return {QStringLiteral("/sc00"), QStringLiteral("/sc10"), QStringLiteral("/sc20"),
            QStringLiteral("/sc30"), QStringLiteral("/sc40"), QStringLiteral("/sc50"),
            QStringLiteral("/sc60")};
}

std::optional<RemoteItem> AddToListView(QString line) {
    line = withoutLineEnd(line);
    if (line.startsWith(QLatin1String("total")))
        return std::nullopt;
    // A link's line goes on with " -> " and where it points; the item is the link itself,
    // which the server follows on a download. Its target would be read as the name, and
    // fetched from the wrong folder or refused for its "/".
    if (line.startsWith(QLatin1Char('l'))) {
        if (const qsizetype arrow = line.lastIndexOf(QLatin1String(" -> ")); arrow > 0)
            line.truncate(arrow);
    }
    const QString name = nameAfterTimeField(line);
    if (name.isEmpty())
        return std::nullopt;
    return RemoteItem{name, {}, {}, kindOf(line.startsWith(QLatin1Char('d')), name)};
}

std::optional<RemoteItem> AddToListView_OS9(QString line) {
    line = withoutLineEnd(line);
    if (line.contains(QLatin1String("Directory")) || line.contains(QLatin1String("Owner")) ||
        line.contains(QLatin1String("-------")))
        return std::nullopt;
    // Shorter lines have no type column: not an entry.
    if (line.size() < 27)
        return std::nullopt;
    const QString name = line.mid(line.lastIndexOf(QLatin1Char(' ')) + 1);
    if (name.isEmpty())
        return std::nullopt;
    return RemoteItem{name, column(line, 44, 9).trimmed(), column(line, 11, 8).trimmed(),
                      kindOf(column(line, 27, 1) == QLatin1String("d"), name)};
}

std::optional<RemoteItem> AddToListView_MSNT(QString line) {
    line = withoutLineEnd(line);
    const QString name = nameAfterTimeField(line);
    if (name.isEmpty())
        return std::nullopt;
    return RemoteItem{name, column(line, 31, 15).trimmed(), column(line, 47, 12).trimmed(),
                      kindOf(line.startsWith(QLatin1Char('d')), name)};
}

std::optional<RemoteItem> parseListingLine(ServerType type, const QString& line) {
    switch (type) {
    case ServerType::Os9:
        return AddToListView_OS9(line);
    case ServerType::MicrosoftNT:
        return AddToListView_MSNT(line);
    case ServerType::Unix:
    case ServerType::Unknown:
        break;
    }
    return AddToListView(line);
}

QList<RemoteItem> parseListing(ServerType type, const QByteArray& reply) {
    QList<RemoteItem> items;
    for (const QByteArray& raw : reply.split('\n')) {
        QString line = QString::fromUtf8(raw);
        // Older servers send names in an 8-bit code page.
        if (line.contains(QChar::ReplacementCharacter))
            line = QString::fromLatin1(raw);
        if (auto item = parseListingLine(type, line))
            items.append(*item);
    }
    return items;
}

std::optional<qint64> sizeFromReply(const QString& reply) {
    if (!reply.startsWith(QLatin1String("213")))
        return std::nullopt;
    bool ok = false;
    const qint64 size = reply.mid(3).trimmed().toLongLong(&ok);
    if (!ok || size < 0)
        return std::nullopt;
    return size;
}

QString childFolder(const QString& folder, const QString& name) {
    if (name == QLatin1String("."))
        return folder;
    if (name == QLatin1String("..")) {
        QString f = folder;
        while (f.size() > 1 && f.endsWith(QLatin1Char('/')))
            f.chop(1);
        const qsizetype cut = f.lastIndexOf(QLatin1Char('/'));
        if (cut < 0)
            return {};
        return cut == 0 ? QStringLiteral("/") : f.left(cut);
    }
    return remotePath(folder, name);
}

QString remotePath(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return name;
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString unsafeNameReason(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("is not a file name");
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QStringLiteral("holds a path separator");
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QStringLiteral("holds a control character");
    }
    return {};
}

QString localTarget(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace kalvor::ftp
