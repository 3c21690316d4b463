// kalvor-tool backup and restore as a scheduled job runs them: the exit code is the only
// thing a script sees, so every failure must give a non-zero one and say why on stderr.
#include "ArchiveRig.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>

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
