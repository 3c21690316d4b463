// The three listing parsers on lines recorded from each kind of server, the server types
// from SYST, SIZE replies, download names, and how libcurl results map onto the error table.
#include "tools/ftp/FtpListing.h"
#include "tools/ftp/FtpErrors.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::ftp;

namespace {

using Parser = std::optional<RemoteItem> (*)(QString);

struct Row {
    const char* what;
    Parser parse;
    const char* line;
    std::optional<RemoteItem> item;
};

RemoteItem item(const char* name, ItemKind kind, const char* size = "", const char* date = "") {
    return {QString::fromUtf8(name), QString::fromUtf8(size), QString::fromUtf8(date), kind};
}

// OS/9 lines: date at 11..18, type at 27, size at 44..52, name after the last blank.
constexpr Parser Unix = AddToListView, Os9 = AddToListView_OS9, Nt = AddToListView_MSNT;

const char* kOs9Header = "                            Directory of /sc00  12:01:33";
const char* kOs9Owner = " Owner    Last modified  Attributes Sector Bytecount Name";
const char* kOs9Rule = "-------  -------------  ---------- ------ --------- ----";
const char* kOs9File = "          99/11/21        --ewrewr           1234567 cue01.wav";
const char* kOs9Dir = "          99/11/21        d-ewrewr               448 takes";

// clang-format off
const Row kRows[] = {
    {"unix file with blanks", Unix, "-rw-r--r--   1 root     root        48000 Dec 06 05:27 my song.wav\r\n",
     item("my song.wav", ItemKind::Wave)},
    {"unix folder", Unix, "drwxr-xr-x   3 root root 4096 Dec 06 05:27 sub folder",
     item("sub folder", ItemKind::Folder)},
    {"unix year instead of time", Unix, "-rw-r--r-- 1 a b 100 Jan 1 2019 Notes.TXT",
     item("Notes.TXT", ItemKind::File)},
    {"unix upper-case extension", Unix, "-rw-r--r-- 1 a b 1 Jan 1 12:00 LOUD.WAV",
     item("LOUD.WAV", ItemKind::Wave)},
    // The name starts after the last blank that follows a digit.
    {"unix name led by a number", Unix, "-rw-r--r-- 1 a b 9 Jan 1 12:00 01 intro.wav",
     item("intro.wav", ItemKind::Wave)},
    {"unix symlink", Unix, "lrwxrwxrwx 1 a b 16 Jan 1 12:00 cue 2.wav -> takes/cue 2b.wav",
     item("cue 2.wav", ItemKind::Wave)},
    {"unix total line", Unix, "total 4952", std::nullopt},
    {"unix garbage", Unix, "hello world", std::nullopt},
    {"unix empty", Unix, "", std::nullopt},
    {"unix blank at the end", Unix, "-rw 1 a b 9 Jan 1 12:00 ", std::nullopt},
    {"os9 file", Os9, kOs9File, item("cue01.wav", ItemKind::Wave, "1234567", "99/11/21")},
    {"os9 folder", Os9, kOs9Dir, item("takes", ItemKind::Folder, "448", "99/11/21")},
    {"os9 directory header", Os9, kOs9Header, std::nullopt},
    {"os9 owner header", Os9, kOs9Owner, std::nullopt},
    {"os9 rule", Os9, kOs9Rule, std::nullopt},
    {"os9 short line", Os9, "   0.0   99/11/21", std::nullopt},
    {"nt file", Nt, "-rwxrwxrwx   1 owner    group         1234567 Dec  1 12:34 Thunder Clap.wav",
     item("Thunder Clap.wav", ItemKind::Wave, "1234567", "Dec  1 12:34")},
    {"nt folder", Nt, "drwxrwxrwx   1 owner    group               0 Nov 30  2004 Act 2",
     item("Act 2", ItemKind::Folder, "0", "Nov 30  2004")},
    {"nt file not a wave", Nt, "-rwxrwxrwx   1 owner    group             512 Dec  1 12:34 readme.txt\r\n",
     item("readme.txt", ItemKind::File, "512", "Dec  1 12:34")},
    {"nt garbage", Nt, "Volume in drive C has no label", std::nullopt},
};
// clang-format on

} // namespace

TEST(FtpListing, RecordedLinesOfEachServerType) {
    for (const Row& r : kRows)
        EXPECT_TRUE(r.parse(QString::fromUtf8(r.line)) == r.item) << r.what;
}

TEST(FtpListing, WholeRepliesGoThroughTheServersParser) {
    const QByteArray os9 = QByteArray(kOs9Header) + "\r\n" + kOs9Owner + "\r\n" + kOs9Rule +
                           "\r\n" + kOs9File + "\r\n" + kOs9Dir + "\r\n";
    EXPECT_EQ(parseListing(ServerType::Os9, os9).size(), 2);
    // A server that names no known type is read as Unix; Latin-1 names survive.
    const QByteArray unix = "total 8\r\n-rw-r--r-- 1 a b 9 Jan 1 12:00 Gr\xfc\xdf Gott.wav\r\n";
    const QList<RemoteItem> items = parseListing(ServerType::Unknown, unix);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].name, QStringLiteral("Grüß Gott.wav"));
}

TEST(FtpListing, SystSizeFoldersAndNames) {
    // clang-format off
    const std::pair<const char*, ServerType> syst[] = {
        {"215 UNIX Type: L8", ServerType::Unix}, {"215 Windows_NT", ServerType::MicrosoftNT},
        {"215 OS/9 Version 2.4", ServerType::Os9}, {"215 MACOS Peter's Server", ServerType::Unknown}};
    // clang-format on
    for (const auto& [reply, type] : syst)
        EXPECT_EQ(serverTypeFromSyst(QString::fromLatin1(reply)), type) << reply;
    EXPECT_EQ(os9Folders().size(), 7);

    // clang-format off
    const std::pair<const char*, std::optional<qint64>> sizes[] = {
        {"213 48000", 48000}, {"213  12 ", 12}, {"550 No such file", {}}, {"213 lots", {}}, {"", {}}};
    // clang-format on
    for (const auto& [reply, size] : sizes)
        EXPECT_EQ(sizeFromReply(QString::fromLatin1(reply)), size) << reply;

    const std::tuple<const char*, const char*, const char*> folders[] = {
        {"", "sub", "sub"}, {"sub", "deeper", "sub/deeper"},
        {"/", "a", "/a"},   {"sub/deeper", "..", "sub"},
        {"sub", "..", ""},  {"/a", "..", "/"},
        {"sub", ".", "sub"}};
    for (const auto& [from, name, to] : folders)
        EXPECT_EQ(childFolder(QString::fromLatin1(from), QString::fromLatin1(name)),
                  QString::fromLatin1(to))
            << from << " + " << name;

    const std::pair<const char*, bool> targets[] = {
        {"song.wav", true},  {"two..dots.wav", true}, {"..", false},
        {".", false},        {"../up.wav", false},    {"a/b.wav", false},
        {"a\\b.wav", false}, {"bell\x07.wav", false}, {"", false}};
    for (const auto& [name, safe] : targets)
        EXPECT_EQ(unsafeNameReason(QString::fromLatin1(name)).isEmpty(), safe) << name;
    EXPECT_EQ(localTarget("/show/sounds/", "a.wav"), QStringLiteral("/show/sounds/a.wav"));
    EXPECT_EQ(localTarget("/show/sounds", "a.wav"), QStringLiteral("/show/sounds/a.wav"));
}

TEST(FtpErrors, LibcurlResultsMapOntoTheTable) {
    const auto failure = [](CURLcode c, const char* last, int reply, bool in) {
        FtpFailure f;
        f.curlCode = c;
        f.lastCommand = QString::fromLatin1(last);
        f.lastReply = reply;
        f.loggedIn = in;
        return f;
    };
    const std::pair<FtpFailure, int> rows[] = {
        {failure(CURLE_LOGIN_DENIED, "PASS", 530, false), kLoginIncorrect},
        {failure(CURLE_LOGIN_DENIED, "USER", 530, false), kUserInvalid},
        {failure(CURLE_COULDNT_CONNECT, "", 0, false), kConnectFailed},
        {failure(CURLE_OPERATION_TIMEDOUT, "", 0, false), kConnectFailed},
        {failure(CURLE_OPERATION_TIMEDOUT, "RETR", 150, true), kNoConnection},
        {failure(CURLE_RECV_ERROR, "LIST", 150, true), kNoConnection},
        {failure(CURLE_REMOTE_FILE_NOT_FOUND, "RETR", 550, true), kFileInUse},
        {failure(CURLE_SSL_CACERT_BADFILE, "AUTH", 234, false), CURLE_SSL_CACERT_BADFILE},
    };
    for (const auto& [f, code] : rows)
        EXPECT_EQ(ftpErrorCode(f), code) << f.curlCode << " after " << f.lastCommand.toStdString();
}
