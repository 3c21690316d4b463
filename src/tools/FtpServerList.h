// The FTP server list: up to 51 entries, each with a name, an address, a user name, a
// password and a start folder; an unused entry is named "-". The file "kalvor.ftp" in the
// per-user data folder holds five CR LF lines per entry, in list order. It holds
// passwords, so it is written atomically and readable by its owner only. UI thread.
#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace kalvor {

struct FtpEntry {
    QString name = QStringLiteral("-");
    QString address;
    QString user;
    QString password;
    QString folder;
    bool used() const { return name != QLatin1String("-") && !name.isEmpty(); }
    friend bool operator==(const FtpEntry&, const FtpEntry&) = default;
};

inline constexpr int kFtpEntries = 51;
using FtpList = std::array<FtpEntry, kFtpEntries>;

struct FtpReadResult {
    FtpList list;
    int entriesRead = 0;
    QStringList problems; // one line for each thing that could not be taken as written
};

// Reads what it can: a short last entry keeps the lines it has, a line with control bytes
// is dropped (its field stays empty), and entries past the 51st are ignored.
FtpReadResult parseFtpList(const QByteArray& contents);
QByteArray serialiseFtpList(const FtpList& list);

// "<per-user data folder>/kalvor.ftp".
QString defaultFtpListPath();
// A missing file is an empty list and no problem.
FtpReadResult readFtpList(const QString& path);
// False when the file could not be written (the old one is kept).
bool writeFtpList(const QString& path, const FtpList& list);

// The list position "New" fills: the first unused entry, -1 when all are used.
int firstFreeFtpEntry(const FtpList& list);

} // namespace kalvor
