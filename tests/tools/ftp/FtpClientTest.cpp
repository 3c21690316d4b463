// The libcurl client against the real test server: login, SYST, listings of the login
// folder and below, absolute paths, SIZE in binary mode after a listing, a download with
// progress, and a server that drops the connection in the middle of a file. The other
// failures are told through the window (FileManagementTest).
// A server that writes its file names in an 8-bit code page, as older servers and samplers
// do: a name with umlauts is listed, sized and downloaded under the bytes the server uses.
// The server is a small pyftpdlib one of this test's own, speaking Latin-1 instead of UTF-8.
#include "tools/ftp/FtpClient.h"
#include "FtpServerFixture.h"
#include "support/TestEnvironment.h"
#include "tools/ftp/FtpListing.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::ftp;
using kalvor::test::fixtureBytes;

namespace {

FtpServer server(const QString& address, const QString& user = {}, const QString& pw = {}) {
    FtpServer s;
    s.address = address;
    s.user = user;
    s.password = pw;
    return s;
}

QStringList names(const QList<RemoteItem>& items) {
    QStringList n;
    for (const RemoteItem& i : items)
        n << i.name;
    n.sort();
    return n;
}

} // namespace

TEST(FtpClient, LogsInListsFoldersAndAsksSizes) {
    FtpClient c;
    const FtpResult hello = c.connect(server(test::kFtpPlain, "kalvor", "show"));
    ASSERT_TRUE(hello.ok()) << hello.failure.description.toStdString();
    EXPECT_EQ(serverTypeFromSyst(hello.reply), ServerType::Unix) << hello.reply.toStdString();
    EXPECT_FALSE(c.encrypted());

    const struct {
        QString folder;
        QStringList names;
    } folders[] = {
        {{}, {"big.wav", "drop.wav", "my song.wav", "notes.txt", "sub folder"}},
        {"sub folder", {"deeper", "inner.wav"}},
        {childFolder("sub folder", "deeper"), {"deep.mp3"}},
        {"/sub folder/deeper", {"deep.mp3"}},
    };
    for (const auto& f : folders) {
        const FtpResult r = c.list(f.folder);
        ASSERT_TRUE(r.ok()) << f.folder.toStdString() << ": "
                            << r.failure.description.toStdString();
        EXPECT_EQ(names(parseListing(ServerType::Unix, r.body)), f.names) << f.folder.toStdString();
    }

    const struct {
        QString command;
        std::optional<qint64> size;
    } sizes[] = {
        {"SIZE my song.wav", 48000},
        {"SIZE " + remotePath("sub folder", "inner.wav"), 1000},
        {"SIZE no such file.wav", std::nullopt},
    };
    for (const auto& s : sizes) {
        const FtpResult r = c.command(s.command);
        ASSERT_TRUE(r.ok()) << s.command.toStdString();
        EXPECT_EQ(sizeFromReply(r.reply), s.size) << r.reply.toStdString();
    }
}

TEST(FtpClient, DownloadsWithProgressAndReplacesOnlyWhenComplete) {
    FtpClient c;
    ASSERT_TRUE(c.connect(server(test::kFtpPlain)).ok());
    const QString dir = test::freshFolder(QStringLiteral("dl"));
    const QString target = dir + QStringLiteral("/big.wav");
    QList<qint64> seen;
    const FtpResult r = c.download("big.wav", target, [&](qint64 b) { seen << b; });
    ASSERT_TRUE(r.ok()) << r.failure.description.toStdString();
    EXPECT_EQ(test::readFile(target), fixtureBytes(3'000'000));
    ASSERT_GE(seen.size(), 2);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.constLast(), 3'000'000);

    // The server hangs up after 256 KiB: the sound that was there stays as it was and no
    // part file is left beside it.
    const QString kept = dir + QStringLiteral("/drop.wav");
    test::writeFile(kept, "the old take");
    const FtpResult cut = c.download("drop.wav", kept);
    ASSERT_FALSE(cut.ok());
    EXPECT_EQ(ftpErrorCode(cut.failure), kNoConnection) << cut.failure.curlCode;
    EXPECT_EQ(test::readFile(kept), QByteArray("the old take"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 2);

    // The session comes back for the next command.
    EXPECT_TRUE(c.list({}).ok());
}

using namespace kalvor;
using namespace kalvor::ftp;

namespace {

const char kLatin1Server[] = R"(
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

class Latin1FS(AbstractedFS):
    def format_list(self, basedir, listing, ignore_err=True):
        for line in super().format_list(basedir, listing, ignore_err):
            yield line.decode("utf8").encode("latin-1")

class Latin1Handler(FTPHandler):
    abstracted_fs = Latin1FS
    def decode(self, data):
        return data.decode("latin-1")

authorizer = DummyAuthorizer()
authorizer.add_anonymous(sys.argv[1])
Latin1Handler.authorizer = authorizer
server = FTPServer(("127.0.0.1", 0), Latin1Handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)";

} // namespace

TEST(FtpEightBitNames, UmlautNameIsSizedAndDownloadedUnderTheServersBytes) {
    const QString served = test::freshFolder(QStringLiteral("ftp-latin1"));
    const QByteArray sound = QByteArray("Glocke") + QByteArray(5000, '\x7f');
    test::writeFile(served + QStringLiteral("/Grüß Gott.wav"), sound);
    QProcess server;
    server.setProcessChannelMode(QProcess::SeparateChannels);
    server.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(kLatin1Server), served});
    ASSERT_TRUE(server.waitForStarted());
    if (!server.waitForReadyRead(20000) && server.state() != QProcess::Running)
        GTEST_SKIP() << "no pyftpdlib here: " << server.readAllStandardError().toStdString();
    const QByteArray port = server.readLine().trimmed();
    ASSERT_FALSE(port.isEmpty()) << server.readAllStandardError().toStdString();

    FtpClient c;
    FtpServer s;
    s.address = QStringLiteral("127.0.0.1:") + QString::fromLatin1(port);
    ASSERT_TRUE(c.connect(s).ok());
    const FtpResult listing = c.list({});
    ASSERT_TRUE(listing.ok()) << listing.failure.description.toStdString();
    ASSERT_TRUE(listing.body.contains("Gr\xfc\xdf Gott.wav")) << "the server speaks Latin-1";
    const QList<RemoteItem> items = parseListing(ServerType::Unix, listing.body);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].name, QStringLiteral("Grüß Gott.wav"));

    EXPECT_EQ(sizeFromReply(c.command(QStringLiteral("SIZE ") + items[0].name).reply),
              sound.size());
    const QString target =
        test::freshFolder(QStringLiteral("ftp-latin1-local")) + QStringLiteral("/") + items[0].name;
    const FtpResult got = c.download(items[0].name, target);
    EXPECT_TRUE(got.ok()) << got.failure.description.toStdString();
    EXPECT_EQ(test::readFile(target), sound);
    c.disconnect();
    server.kill();
    server.waitForFinished();
}
