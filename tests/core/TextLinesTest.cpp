// Line files from any system: CR LF or LF, UTF-8 or Windows-1252, and saves that never
// leave a half-written file behind.
#include "core/TextLines.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

using namespace kalvor;

namespace {

// A disk that takes every write and reports a full disk only when the file is flushed to
// it (network and copy-on-write file systems do): the errno to fail with, or 0.
std::atomic<int> g_flushError{0};

template <typename Fn> int flushOrFail(const char* name, int fd) {
    if (const int error = g_flushError.load(); error != 0) {
        errno = error;
        return -1;
    }
    static const auto real = reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
    return real(fd);
}

// A stick that fails part-way through a file: reads of the file with inode
// `g_failingInode` end in EIO from its byte `g_readableBytes` on.
std::atomic<ino_t> g_failingInode{0};
std::atomic<off_t> g_readableBytes{0};

} // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
    static const auto real =
        reinterpret_cast<ssize_t (*)(int, void*, size_t)>(::dlsym(RTLD_NEXT, "read"));
    struct stat st {};
    if (g_failingInode != 0 && ::fstat(fd, &st) == 0 && st.st_ino == g_failingInode) {
        const off_t at = ::lseek(fd, 0, SEEK_CUR);
        if (at >= g_readableBytes) {
            errno = EIO;
            return -1;
        }
        count = std::min<size_t>(count, static_cast<size_t>(g_readableBytes - at));
    }
    return real(fd, buffer, count);
}

extern "C" int fsync(int fd) {
    return flushOrFail<int (*)(int)>("fsync", fd);
}

extern "C" int fdatasync(int fd) {
    return flushOrFail<int (*)(int)>("fdatasync", fd);
}

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
    g_flushError = ENOSPC;
    const bool flushed = writeTextLines(path, {QStringLiteral("new show")}, &error);
    g_flushError = 0;
    EXPECT_FALSE(flushed);

    // A target that is a folder cannot be replaced; nothing else is touched.
    QDir().mkpath(dir + QStringLiteral("/folder.kal"));
    EXPECT_FALSE(writeTextLines(dir + QStringLiteral("/folder.kal"), {QStringLiteral("x")}));
    EXPECT_EQ(readTextLines(path).value(), QStringList{QStringLiteral("old show")});
    // No temporary files are left beside the show.
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("show.kal")});
    EXPECT_FALSE(readTextLines(dir + QStringLiteral("/gone/show.kal"), &error).has_value());

    // A read that fails part-way through gives no lines, never the first part as the file.
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    g_readableBytes = 3;
    g_failingInode = st.st_ino;
    const auto cut = readTextLines(path, &error);
    g_failingInode = 0;
    EXPECT_FALSE(cut.has_value()) << qPrintable(cut.value_or(QStringList()).join(u'|'));
}
