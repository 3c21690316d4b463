// The libcurl client against the real test server: login, SYST, listings of the login
// folder and below, SIZE, a download with progress, and each failure the browser must
// name: a refused password, a refused connection, a server that accepts and then never
// answers, and a server that drops the connection in the middle of a file.
#include "tools/ftp/FtpClient.h"
#include "FtpServerFixture.h"
#include "support/TestEnvironment.h"
#include "tools/ftp/FtpListing.h"

#include <QDir>
#include <QFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

// A socket on loopback that listens (so the kernel accepts connections) and never says a
// word; closed, its port refuses connections.
struct Listener {
    int fd = -1;
    int port = 0;
    Listener() {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), len) == 0 && ::listen(fd, 4) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port = ntohs(a.sin_port);
    }
    ~Listener() { close(); }
    void close() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
};

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

TEST(FtpClient, FailuresMapOntoTheBrowsersNumbers) {
    Listener silent;
    Listener closed;
    ASSERT_GT(silent.port, 0);
    const QString refused = closed.address();
    closed.close();

    const struct {
        FtpServer server;
        int code;
    } rows[] = {
        {server(test::kFtpPlain, "kalvor", "wrong"), kLoginIncorrect},
        {server(refused), kConnectFailed},
        {server(silent.address()), kConnectFailed},
    };
    for (const auto& row : rows) {
        FtpClient c;
        const FtpResult r = c.connect(row.server);
        ASSERT_FALSE(r.ok()) << row.server.address.toStdString();
        EXPECT_EQ(ftpErrorCode(r.failure), row.code)
            << row.server.address.toStdString() << " curl " << r.failure.curlCode;
        EXPECT_FALSE(c.isConnected());
    }
}

TEST(FtpClient, ExplicitTlsWhenTheServerOffersIt) {
    const QString ca = test::ftpTestDir() + QStringLiteral("/server.pem");
    if (!QFile::exists(ca))
        GTEST_SKIP() << "the test server runs without a certificate (no openssl)";
    FtpServer s = server(test::kFtpTls, "kalvor", "show");
    s.caFile = ca;
    FtpClient c;
    const FtpResult r = c.connect(s);
    ASSERT_TRUE(r.ok()) << r.failure.description.toStdString();
    EXPECT_TRUE(c.encrypted());
}
