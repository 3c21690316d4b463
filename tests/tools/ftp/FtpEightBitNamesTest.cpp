// A server that writes its file names in an 8-bit code page, as older servers and samplers
// do: a name with umlauts is listed, sized and downloaded under the bytes the server uses.
// The server is a small pyftpdlib one of this test's own, speaking Latin-1 instead of UTF-8.
#include "support/TestEnvironment.h"
#include "tools/ftp/FtpClient.h"
#include "tools/ftp/FtpListing.h"

#include <QProcess>

#include <gtest/gtest.h>

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
