#include "cli/FtpListCommand.h"

#include "tools/FtpServerList.h"
#include "tools/ftp/FtpClient.h"
#include "tools/ftp/FtpListing.h"

#include <cstdio>

namespace kalvor::cli {

namespace {

const char* kindName(ftp::ItemKind kind) {
    switch (kind) {
    case ftp::ItemKind::Folder:
        return "folder";
    case ftp::ItemKind::Wave:
        return "wave";
    case ftp::ItemKind::File:
        break;
    }
    return "file";
}

int fail(const char* text) {
    std::fprintf(stderr, "kalvor-tool ftp-list: %s\n", text);
    return 2;
}

} // namespace

// ftp-list ADDRESS|--entry N [FOLDER] [--user U] [--password P]
int runFtpList(const QStringList& args) {
    ftp::FtpServer server;
    QString folder;
    bool haveFolder = false;
    bool haveServer = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if ((a == QLatin1String("--user") || a == QLatin1String("--password") ||
             a == QLatin1String("--entry")) &&
            !hasValue)
            return fail("an option lacks its value");
        if (a == QLatin1String("--user")) {
            server.user = args[++i];
        } else if (a == QLatin1String("--password")) {
            server.password = args[++i];
        } else if (a == QLatin1String("--entry")) {
            bool ok = false;
            const int n = args[++i].toInt(&ok);
            const FtpReadResult list = readFtpList(defaultFtpListPath());
            if (!ok || n < 0 || n >= kFtpEntries || !list.list[static_cast<std::size_t>(n)].used())
                return fail("no such entry in the FTP server list");
            const FtpEntry& e = list.list[static_cast<std::size_t>(n)];
            server.address = e.address;
            server.user = e.user;
            server.password = e.password;
            if (!haveFolder && e.folder != QLatin1String("-"))
                folder = e.folder;
            haveServer = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            // A misspelt option would otherwise be taken for the folder to list.
            std::fprintf(stderr, "kalvor-tool ftp-list: unknown option '%s'\n", qUtf8Printable(a));
            return 2;
        } else if (!haveServer) {
            server.address = a;
            haveServer = true;
        } else if (!haveFolder) {
            folder = a;
            haveFolder = true;
        } else {
            return fail("too many arguments");
        }
    }
    if (!haveServer)
        return fail("usage: ftp-list ADDRESS|--entry N [FOLDER] [--user U] [--password P]");

    ftp::FtpClient client;
    const auto report = [](const ftp::FtpResult& r, const char* procedure) {
        std::fprintf(
            stderr, "%s\n",
            qUtf8Printable(ftp::FTP_Fehler(ftp::ftpErrorCode(r.failure), r.failure.description,
                                           QString::fromLatin1(procedure))));
        return 1;
    };
    const ftp::FtpResult hello = client.connect(server);
    if (!hello.ok())
        return report(hello, "Connect");
    const ftp::ServerType type = ftp::serverTypeFromSyst(hello.reply);
    const ftp::FtpResult listing = client.list(folder);
    if (!listing.ok())
        return report(listing, "RefreshRemote");
    std::printf("server type: %s%s\n", qUtf8Printable(ftp::serverTypeName(type)),
                client.encrypted() ? ", encrypted (TLS)" : ", not encrypted");
    for (const ftp::RemoteItem& item : ftp::parseListing(type, listing.body))
        std::printf("%-6s %12s %-12s %s\n", kindName(item.kind), qUtf8Printable(item.size),
                    qUtf8Printable(item.date), qUtf8Printable(item.name));
    return 0;
}

} // namespace kalvor::cli
