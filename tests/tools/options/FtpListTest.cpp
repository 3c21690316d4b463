// The FTP server list file: it holds passwords, so it must never be readable by others,
// and a damaged file must give back every entry it still holds.
#include "support/TestEnvironment.h"
#include "tools/FtpServerList.h"

#include <QFile>

#include <gtest/gtest.h>

namespace kalvor {
namespace {

TEST(FtpList, DamagedFilesLoadWhatTheyCanAndSaySo) {
    struct Case {
        const char* what;
        QByteArray contents;
        int entriesRead;
        int problems;
        const char* name1; // entry 1's name after reading
        const char* user1;
    };
    const QByteArray two =
        "Studio\r\nftp.a\r\nann\r\npw\r\n/snd\r\nStage\r\nftp.b\r\nbob\r\nsecret\r\n/fx\r\n";
    const Case cases[] = {
        {"whole", two, 2, 0, "Stage", "bob"},
        {"bare LF", QByteArray(two).replace("\r\n", "\n"), 2, 0, "Stage", "bob"},
        {"too few lines", "Studio\r\nftp.a\r\nann\r\npw\r\n/snd\r\nStage\r\nftp.b\r\n", 2, 1,
         "Stage", ""},
        {"binary bytes",
         "Studio\r\nftp.a\r\nann\r\npw\r\n/snd\r\nStage\r\nftp.b\r\nb\x01\x02\r\nx\r\n/fx\r\n", 2,
         1, "Stage", ""},
        {"empty name", "Studio\r\nftp.a\r\nann\r\npw\r\n/snd\r\n\r\nftp.b\r\nbob\r\nx\r\n/fx\r\n",
         2, 0, "-", "bob"},
        {"empty file", "", 0, 0, "-", ""},
    };
    for (const Case& c : cases) {
        const FtpReadResult r = parseFtpList(c.contents);
        EXPECT_EQ(r.entriesRead, c.entriesRead) << c.what;
        EXPECT_EQ(r.problems.size(), c.problems)
            << c.what << ": " << qPrintable(r.problems.join("; "));
        EXPECT_EQ(r.list[1].name, QString::fromLatin1(c.name1)) << c.what;
        EXPECT_EQ(r.list[1].user, QString::fromLatin1(c.user1)) << c.what;
        EXPECT_TRUE(c.entriesRead <= 0 || r.list[0].folder == QStringLiteral("/snd")) << c.what;
    }
    // More than 51 entries: the rest is dropped, and said.
    QByteArray many;
    for (int i = 0; i < 53; ++i)
        many += "n\r\na\r\nu\r\np\r\nf\r\n";
    const FtpReadResult r = parseFtpList(many);
    EXPECT_EQ(r.entriesRead, kFtpEntries);
    EXPECT_EQ(r.problems.size(), 1);
}

TEST(FtpList, WrittenWholeForItsOwnerOnlyAndReadBackTheSame) {
    const QString path = test::freshFolder(QStringLiteral("ftp")) + QStringLiteral("/kalvor.ftp");
    FtpList list;
    list[0] = {QStringLiteral("Studö"), QStringLiteral("10.0.0.2"), QStringLiteral("ann"),
               QStringLiteral("pa ss"), QStringLiteral("/snd/")};
    list[50].name = QStringLiteral("Last");
    // An older file readable by everyone is replaced by one that is not.
    test::writeFile(path, "old\r\n");
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                               QFileDevice::ReadOther);
    ASSERT_TRUE(writeFtpList(path, list));
    EXPECT_EQ(QFile(path).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup |
                                           QFileDevice::WriteOther | QFileDevice::WriteGroup),
              QFileDevice::Permissions{});
    const FtpReadResult back = readFtpList(path);
    EXPECT_TRUE(back.problems.isEmpty());
    EXPECT_EQ(back.list, list);
    EXPECT_EQ(test::readFile(path).count("\r\n"), kFtpEntries * 5);
    EXPECT_EQ(firstFreeFtpEntry(back.list), 1);
}

} // namespace
} // namespace kalvor
