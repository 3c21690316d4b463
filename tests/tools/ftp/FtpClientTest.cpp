// The libcurl client against the real test server: login, SYST, listings of the login
// folder and below, absolute paths, SIZE in binary mode after a listing, a download with
// progress, and a server that drops the connection in the middle of a file. The other
// failures are told through the window (FileManagementTest).
#include "tools/ftp/FtpClient.h"
#include "FtpServerFixture.h"
#include "support/TestEnvironment.h"
#include "tools/ftp/FtpListing.h"

#include <QDir>
#include <QFile>

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
