// Line files from any system: CR LF or LF, UTF-8 or Windows-1252, and saves that never
// leave a half-written file behind.
#include "core/TextLines.h"
#include "support/DiskFaults.h"
#include "support/TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cerrno>

using namespace kalvor;

TEST(TextLines, ReadsEveryLineEndingAndEncodingWeMeet) {
    const struct {
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"a\r\nb\r\n", {QStringLiteral("a"), QStringLiteral("b")}},
        {"a\nb", {QStringLiteral("a"), QStringLiteral("b")}},
        {"a\r\n\r\nb\r\n", {QStringLiteral("a"), QString(), QStringLiteral("b")}},
        {"\xEF\xBB\xBF"
         "first\r\n",
         {QStringLiteral("first")}},
        {"Gr\xC3\xBC\xC3\x9F"
         "e\r\n",
         {QStringLiteral("Grüße")}},
        {"Gr\xFC\xDF"
         "e\r\n",
         {QStringLiteral("Grüße")}},                                    // Windows-1252
        {"\x80 \x93quoted\x94\r\n", {QString::fromUtf8("€ “quoted”")}}, // 0x80..0x9F
        {"utf8 \xC3\xA9\r\ncp \xE9\r\n",
         {QStringLiteral("utf8 é"), QStringLiteral("cp é")}}, // per line
        {"", {}},
        {"trailing cr\r", {QStringLiteral("trailing cr")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitTextLines(c.bytes), c.lines) << c.bytes.toHex().constData();
}

TEST(TextLines, WritesUtf8WithCrLfAndReadsItBack) {
    const QString path = test::freshFolder(QStringLiteral("lines")) + QStringLiteral("/x.txt");
    const QStringList lines{QStringLiteral("Fileformat 17"), QStringLiteral("Überblendung"),
                            QString(), QStringLiteral("~")};
    ASSERT_TRUE(writeTextLines(path, lines));
    EXPECT_EQ(test::readFile(path), QByteArray("Fileformat 17\r\n\xC3\x9C"
                                               "berblendung\r\n\r\n~\r\n"));
    EXPECT_EQ(readTextLines(path).value(), lines);
}

TEST(TextLines, AFailedSaveLeavesThePreviousFileWhole) {
    const QString dir = test::freshFolder(QStringLiteral("atomic"));
    const QString path = dir + QStringLiteral("/show.kal");
    ASSERT_TRUE(writeTextLines(path, {QStringLiteral("old show")}));

    // The save cannot complete: the target's folder vanished under it.
    QString error;
    EXPECT_FALSE(
        writeTextLines(dir + QStringLiteral("/gone/show.kal"), {QStringLiteral("x")}, &error));
    EXPECT_FALSE(error.isEmpty());

    // The disk tells of its full state only when the new file is flushed to it.
    {
        const test::FailingFlush full(ENOSPC);
        EXPECT_FALSE(writeTextLines(path, {QStringLiteral("new show")}, &error));
    }

    // A target that is a folder cannot be replaced; nothing else is touched.
    QDir().mkpath(dir + QStringLiteral("/folder.kal"));
    EXPECT_FALSE(writeTextLines(dir + QStringLiteral("/folder.kal"), {QStringLiteral("x")}));
    EXPECT_EQ(readTextLines(path).value(), QStringList{QStringLiteral("old show")});
    // No temporary files are left beside the show.
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("show.kal")});
    EXPECT_FALSE(readTextLines(dir + QStringLiteral("/gone/show.kal"), &error).has_value());

    // A read that fails part-way through gives no lines, never the first part as the file.
    const test::FailingRead failing(path, 3);
    EXPECT_FALSE(readTextLines(path, &error).has_value());
}
