// kalvor-tool backup and restore as a scheduled job runs them: the exit code is the only
// thing a script sees, so every failure must give a non-zero one and say why on stderr.
// Relinking after a restore into a folder touches only a playlist that the run wrote: when
// the archived playlist cannot be restored, the playlist already in the folder (tonight's
// show, which the operator agreed to replace) is left exactly as it is; and a relinked
// playlist that cannot be written leaves the restored one under its name.
#include "ArchiveRig.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

const QString kTool = QStringLiteral(KALVOR_TOOL);

TEST(ArchiveCommands, BackupRestoreAndEveryRefusalHasItsExitCode) {
    const QString dir = freshFolder(QStringLiteral("commands"));
    const QString sound = dir + QStringLiteral("/show/Sounds/bell.wav");
    writeFile(sound, QByteArray(3000, 'b'));
    writeFile(dir + QStringLiteral("/show/notes.txt"), "call the bell at 8");
    // A format 17 playlist with the bell in channel 1's list and nothing else.
    writeFile(dir + QStringLiteral("/show/show.kal"),
              QStringLiteral("Fileformat 17\r\n~\r\nChannel 0\r\n%1\r\n~\r\n").arg(sound).toUtf8());
    const QString kfa = dir + QStringLiteral("/nightly");
    const QString venue = freshFolder(QStringLiteral("commands-venue"));

    struct Row {
        const char* name;
        QStringList args;
        int exitCode;
        QString saying; // part of what the command prints
    };
    // clang-format off
    const Row rows[] = {
        {"backup with an added file", {"backup", dir + "/show/show.kal", kfa, "--add", dir + "/show/notes.txt"},
         0, "Backup finished, 3 files saved!"},
        {"backup onto an existing archive", {"backup", dir + "/show/show.kal", kfa}, 1, "--force"},
        {"forced backup that fails keeps the old archive",
         {"backup", dir + "/show/show.kal", kfa, "--force", "--add", dir + "/show/gone.wav"}, 1, "File not found"},
        {"backup of no playlist", {"backup", dir + "/none.kal", dir + "/x.kfa"}, 1, "Error 53"},
        {"restore into a missing folder", {"restore", kfa + ".kfa", dir + "/nowhere"}, 1, "does not exist"},
        {"restore", {"restore", kfa + ".kfa", venue}, 0, "have been relinked"},
        {"restore over the files just restored", {"restore", kfa + ".kfa", venue}, 1, "was not overwritten"},
        {"restore of no archive", {"restore", dir + "/show/notes.txt", venue}, 1, "Error 19 during Restore"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto [code, output] = runTool(kTool, row.args);
        EXPECT_EQ(code, row.exitCode) << output.toStdString();
        EXPECT_TRUE(output.contains(row.saying)) << output.toStdString();
    }
    EXPECT_EQ(readFile(venue + QStringLiteral("/bell.wav")), readFile(sound));
    EXPECT_TRUE(readFile(venue + QStringLiteral("/show.kal"))
                    .contains((venue + QStringLiteral("/bell.wav")).toUtf8()));
    EXPECT_TRUE(QFileInfo::exists(venue + QStringLiteral("/show.kal_old")));
}

} // namespace
} // namespace kalvor::test

namespace kalvor::test {
namespace {

TEST(RestoreRelink, APlaylistTheRunDidNotWriteIsNotRelinked) {
    const QString dir = freshFolder(QStringLiteral("relink-damaged"));
    const QString sound = dir + QStringLiteral("/show/bell.wav");
    const QString playlist = dir + QStringLiteral("/show/show.kal");
    writeFile(sound, QByteArray(3000, 'b'));
    writeFile(playlist, QStringLiteral("Fileformat 17\r\n~\r\nChannel 0\r\n%1\r\n~\r\nARCHIVED\r\n")
                            .arg(sound)
                            .toUtf8());
    const QString kfa = dir + QStringLiteral("/nightly.kfa");
    const QString tool = QStringLiteral(KALVOR_TOOL);
    const auto [made, madeSaying] = runTool(tool, {QStringLiteral("backup"), playlist, kfa});
    ASSERT_EQ(made, 0) << madeSaying.toStdString();
    // One byte of the stored playlist changed: its checksum no longer matches.
    QByteArray bytes = readFile(kfa);
    const qsizetype at = bytes.indexOf("ARCHIVED");
    ASSERT_GT(at, 0);
    bytes[at] = 'X';
    writeFile(kfa, bytes);

    const QString venue = freshFolder(QStringLiteral("relink-venue"));
    const QByteArray tonight =
        QStringLiteral("Fileformat 17\r\n~\r\nChannel 0\r\n%1\r\n~\r\n").arg(sound).toUtf8();
    writeFile(venue + QStringLiteral("/show.kal"), tonight);
    const auto [code, output] =
        runTool(tool, {QStringLiteral("restore"), kfa, venue, QStringLiteral("--overwrite")});
    EXPECT_EQ(code, 1) << output.toStdString();
    EXPECT_EQ(readFile(venue + QStringLiteral("/bell.wav")), readFile(sound))
        << "the rest is restored";
    EXPECT_EQ(readFile(venue + QStringLiteral("/show.kal")), tonight) << output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(venue + QStringLiteral("/show.kal_old")));
}

TEST(RestoreRelink, APlaylistThatCannotBeRewrittenStaysUnderItsName) {
    const QString dir = freshFolder(QStringLiteral("relink-full"));
    const QString sound = dir + QStringLiteral("/show/bell.wav");
    const QString playlist = dir + QStringLiteral("/show/show.kal");
    writeFile(sound, QByteArray(3000, 'b'));
    // A long playlist: restored, it leaves too little room on the small disk for its
    // relinked copy beside the old one.
    QByteArray text =
        QStringLiteral("Fileformat 17\r\n~\r\nChannel 0\r\n%1\r\n~\r\n").arg(sound).toUtf8();
    while (text.size() < 150 * 1024)
        text += "REM padding the show's notes to a good length\r\n";
    writeFile(playlist, text);
    const QString kfa = dir + QStringLiteral("/nightly.kfa");
    const QString tool = QStringLiteral(KALVOR_TOOL);
    ASSERT_EQ(runTool(tool, {QStringLiteral("backup"), playlist, kfa}).first, 0);

    const QString venue = freshFolder(QStringLiteral("relink-tiny"));
    if (QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                           QStringLiteral("size=256k"), QStringLiteral("tmpfs"), venue}) != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    const auto [code, output] = runTool(tool, {QStringLiteral("restore"), kfa, venue});
    const QByteArray restored = readFile(venue + QStringLiteral("/show.kal"));
    const bool oldKept = QFileInfo::exists(venue + QStringLiteral("/show.kal_old"));
    QProcess::execute(QStringLiteral("umount"), {venue});
    EXPECT_EQ(code, 1) << output.toStdString();
    EXPECT_EQ(restored, text) << "the playlist as restored, under its own name";
    EXPECT_FALSE(oldKept);
}

} // namespace
} // namespace kalvor::test
