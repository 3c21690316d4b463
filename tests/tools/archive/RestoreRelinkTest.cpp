// Relinking after a restore into a folder touches only a playlist that the run wrote: when
// the archived playlist cannot be restored, the playlist already in the folder (tonight's
// show, which the operator agreed to replace) is left exactly as it is.
#include "ArchiveRig.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>

#include <gtest/gtest.h>

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

} // namespace
} // namespace kalvor::test
