#include "tools/FtpServerList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace kalvor {

namespace {

constexpr int kFieldsPerEntry = 5;

bool hasControlBytes(const QByteArray& line) {
    for (const char c : line) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && u != '\t')
            return true;
    }
    return false;
}

QString decode(const QByteArray& line) {
    const QString s = QString::fromUtf8(line);
    // Files from older installations are 8-bit text.
    return s.contains(QChar::ReplacementCharacter) ? QString::fromLatin1(line) : s;
}

} // namespace

FtpReadResult parseFtpList(const QByteArray& contents) {
    FtpReadResult r;
    QList<QByteArray> lines = contents.split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    const int maxLines = kFtpEntries * kFieldsPerEntry;
    if (lines.size() > maxLines) {
        r.problems << QStringLiteral("%1 lines past entry %2 ignored")
                          .arg(lines.size() - maxLines)
                          .arg(kFtpEntries);
        lines.resize(maxLines);
    }
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        const int entry = i / kFieldsPerEntry;
        QString value;
        if (hasControlBytes(line))
            r.problems << QStringLiteral("line %1 (entry %2) is not text").arg(i + 1).arg(entry);
        else
            value = decode(line);
        FtpEntry& e = r.list[static_cast<std::size_t>(entry)];
        switch (i % kFieldsPerEntry) {
        case 0:
            e.name = value.isEmpty() ? QStringLiteral("-") : value;
            break;
        case 1:
            e.address = value;
            break;
        case 2:
            e.user = value;
            break;
        case 3:
            e.password = value;
            break;
        default:
            e.folder = value;
            break;
        }
    }
    r.entriesRead = static_cast<int>((lines.size() + kFieldsPerEntry - 1) / kFieldsPerEntry);
    if (lines.size() % kFieldsPerEntry != 0)
        r.problems << QStringLiteral("entry %1 is incomplete").arg(r.entriesRead - 1);
    return r;
}

QByteArray serialiseFtpList(const FtpList& list) {
    QByteArray out;
    for (const FtpEntry& e : list) {
        for (const QString* f : {&e.name, &e.address, &e.user, &e.password, &e.folder})
            out += f->toUtf8() + "\r\n";
    }
    return out;
}

QString defaultFtpListPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/kalvor.ftp");
}

FtpReadResult readFtpList(const QString& path) {
    QFile f(path);
    if (!f.exists())
        return {};
    if (!f.open(QIODevice::ReadOnly)) {
        FtpReadResult r;
        r.problems << f.errorString();
        return r;
    }
    return parseFtpList(f.readAll());
}

bool writeFtpList(const QString& path, const FtpList& list) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // Set before anything is written, so the passwords are never readable by others.
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    f.write(serialiseFtpList(list));
    return f.commit();
}

int firstFreeFtpEntry(const FtpList& list) {
    for (int i = 0; i < kFtpEntries; ++i) {
        if (!list[static_cast<std::size_t>(i)].used())
            return i;
    }
    return -1;
}

} // namespace kalvor
