// What the browser makes of a server's replies: the server type from "SYST", the three
// listing parsers (one per server type, each a pure function of one line), the size from
// a "SIZE" reply, and the rules for remote folders and local download targets.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kalvor::ftp {

enum class ServerType { Unknown, Unix, MicrosoftNT, Os9 };

// "-", "Unix", "Microsoft NT", "OS/9".
QString serverTypeName(ServerType type);
// A reply containing "UNIX", "Windows_NT" or "OS/9" names its type; anything else leaves
// the type unknown.
ServerType serverTypeFromSyst(const QString& reply);
// The fixed folder list of an OS/9 server.
QStringList os9Folders();

enum class ItemKind { Folder, Wave, File };

struct RemoteItem {
    QString name;
    QString size; // as the listing shows it; empty where the line has no size column
    QString date;
    ItemKind kind = ItemKind::File;
    friend bool operator==(const RemoteItem&, const RemoteItem&) = default;
};

// The three listing parsers. Each takes one line of a LIST reply and gives the item it
// stands for, or nothing for a header line or a line of a shape it does not know.
std::optional<RemoteItem> AddToListView(QString line);      // Unix
std::optional<RemoteItem> AddToListView_OS9(QString line);  // OS/9
std::optional<RemoteItem> AddToListView_MSNT(QString line); // Microsoft NT
// The parser of `type`; an unknown server is read as Unix, which most servers speak.
std::optional<RemoteItem> parseListingLine(ServerType type, const QString& line);
// A whole LIST reply cut into lines, each through the type's parser.
QList<RemoteItem> parseListing(ServerType type, const QByteArray& reply);

// The size from a "SIZE" reply: the trimmed text after "213"; nothing for any other reply.
std::optional<qint64> sizeFromReply(const QString& reply);

// The remote folder below `folder` (empty: the login folder).
QString childFolder(const QString& folder, const QString& name);
// The remote path of a file in `folder`.
QString remotePath(const QString& folder, const QString& name);

// Why a listed name may not become a local file name: empty when it may. A name that is
// "." or "..", holds a "/" or "\", or a control character would write outside the chosen
// folder or make a file nobody can type.
QString unsafeNameReason(const QString& name);
// The local folder + "/" + name, with no second "/" when the folder already ends in one.
QString localTarget(const QString& folder, const QString& name);

} // namespace kalvor::ftp
