// The recent-playlists file: line pairs of display name and path, read leniently,
// written whole.
#include "core/RecentPlaylists.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kalvor;

TEST(RecentPlaylists, RoundTripKeepsNamesPathsAndOrder) {
    const QString file =
        test::freshFolder(QStringLiteral("recent")) + QStringLiteral("/kalvor.playlists");
    RecentPlaylists out;
    ASSERT_TRUE(out.append(QStringLiteral("Hamlet"), QStringLiteral("/shows/Hamlet.kal")));
    ASSERT_TRUE(
        out.append(QStringLiteral("Faust – Teil 1"), QStringLiteral("/shows/Faust Teil 1.kal")));
    ASSERT_TRUE(out.write(file));
    EXPECT_EQ(test::readFile(file), QByteArray("Hamlet\r\n/shows/Hamlet.kal\r\nFaust \xE2\x80\x93 "
                                               "Teil 1\r\n/shows/Faust Teil 1.kal\r\n"));

    RecentPlaylists in;
    EXPECT_EQ(in.read(file), 2);
    EXPECT_EQ(in.names(), out.names());
    EXPECT_EQ(in.path(1), QStringLiteral("/shows/Faust Teil 1.kal"));
    EXPECT_TRUE(in.path(2).isEmpty());
}

TEST(RecentPlaylists, OddFilesAreReadWithoutLosingWhatIsThere) {
    const QString dir = test::freshFolder(QStringLiteral("recent-odd"));
    const QByteArray longLine(200000, 'p');
    const struct {
        const char* label;
        QByteArray bytes;
        QStringList names;
        QStringList paths; // first paths of the table
    } cases[] = {
        {"odd line count",
         "A\r\n/a.kal\r\nB\r\n",
         {QStringLiteral("A"), QStringLiteral("B")},
         {QStringLiteral("/a.kal"), QString()}},
        {"LF only", "A\n/a.kal\n", {QStringLiteral("A")}, {QStringLiteral("/a.kal")}},
        {"empty name keeps the path at its pair",
         "\r\n/a.kal\r\nB\r\n/b.kal\r\n",
         {QStringLiteral("B")},
         {QStringLiteral("/a.kal"), QStringLiteral("/b.kal")}},
        {"very long lines",
         "L\r\n" + longLine + "\r\n",
         {QStringLiteral("L")},
         {QString::fromLatin1(longLine)}},
        {"empty file", "", {}, {QString()}},
    };
    for (const auto& c : cases) {
        const QString file = dir + QStringLiteral("/") + QString::fromLatin1(c.label);
        test::writeFile(file, c.bytes);
        RecentPlaylists r;
        r.read(file);
        EXPECT_EQ(r.names(), c.names) << c.label;
        for (int i = 0; i < c.paths.size(); ++i)
            EXPECT_EQ(r.path(i), c.paths.at(i)) << c.label << " path " << i;
    }
}

TEST(RecentPlaylists, MoreThanAHundredPairsKeepTheFirstHundred) {
    const QString file = test::freshFolder(QStringLiteral("recent-many")) + QStringLiteral("/f");
    QByteArray bytes;
    for (int i = 0; i < 150; ++i)
        bytes += "Show " + QByteArray::number(i) + "\r\n/s/" + QByteArray::number(i) + ".kal\r\n";
    test::writeFile(file, bytes);
    RecentPlaylists r;
    EXPECT_EQ(r.read(file), 100);
    EXPECT_EQ(r.path(99), QStringLiteral("/s/99.kal"));
    EXPECT_FALSE(r.append(QStringLiteral("one more"), QStringLiteral("/x.kal")));
    EXPECT_EQ(r.read(QStringLiteral("/nonexistent/kalvor.playlists")), 0) << "no error";
    EXPECT_EQ(r.count(), 100) << "a missing file keeps the list";
}

TEST(RecentPlaylists, ProgramSelectionIsFlaggedForTheSelectorsHandler) {
    RecentPlaylists r;
    r.append(QStringLiteral("A"), QStringLiteral("/a.kal"));
    r.append(QStringLiteral("B"), QStringLiteral("/b.kal"));
    QSignalSpy spy(&r, &RecentPlaylists::selectionChanged);
    r.selectByProgram(1);
    EXPECT_TRUE(r.selectionSetByProgram());
    EXPECT_EQ(r.selection(), 1);
    r.selectByUser(0);
    EXPECT_FALSE(r.selectionSetByProgram());
    EXPECT_EQ(spy.count(), 2);
    r.removeEntry(1);
    EXPECT_EQ(r.path(1), QString());
    EXPECT_EQ(r.count(), 1);
}
