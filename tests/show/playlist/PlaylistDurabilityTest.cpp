// A save that reported success must survive a power cut: the new file's data reach the
// disk before it replaces the old one, and the folder entry that now names it is flushed
// too, or the old show comes back after the restart as if the save had never happened.
// The test sees the flushes by standing in for fsync and fdatasync in this program.
#include "core/ShowStore.h"
#include "show/playlist/PlaylistFiles.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <mutex>
#include <optional>
#include <vector>

using namespace kalvor;
using namespace kalvor::playlist;
using namespace Qt::StringLiterals;

namespace {

struct Flush {
    dev_t device;
    ino_t inode;
    bool folder;
};

std::mutex g_mutex;
std::vector<Flush> g_flushes;

void note(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return;
    const std::lock_guard lock(g_mutex);
    g_flushes.push_back({st.st_dev, st.st_ino, S_ISDIR(st.st_mode)});
}

template <typename Fn> Fn next(const char* name) {
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
}

std::vector<Flush> takeFlushes() {
    const std::lock_guard lock(g_mutex);
    return std::exchange(g_flushes, {});
}

struct stat statOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

} // namespace

extern "C" int fsync(int fd) {
    note(fd);
    static const auto real = next<int (*)(int)>("fsync");
    return real(fd);
}

extern "C" int fdatasync(int fd) {
    note(fd);
    static const auto real = next<int (*)(int)>("fdatasync");
    return real(fd);
}

TEST(PlaylistDurability, ASavedShowIsOnDiskWithTheFolderEntryThatNamesIt) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    const QString dir = test::freshFolder(u"durable save"_s);
    const QString path = dir + u"/Hamlet.kal"_s;
    test::writeFile(path, "the old show\r\n");
    ShowStore store;
    PlaylistFiles files(store, nullptr, nullptr);
    store.presets().append(Preset{.name = u"Act 1"_s});
    takeFlushes();
    ASSERT_EQ(files.SavePlaylist(path, false), SaveOutcome::Saved);
    const std::vector<Flush> flushes = takeFlushes();

    const struct stat file = statOf(path);
    const struct stat folder = statOf(dir);
    int fileAt = -1;
    int folderAt = -1;
    for (int i = 0; i < static_cast<int>(flushes.size()); ++i) {
        const Flush& f = flushes[static_cast<std::size_t>(i)];
        if (!f.folder && f.device == file.st_dev && f.inode == file.st_ino && fileAt < 0)
            fileAt = i;
        if (f.folder && f.device == folder.st_dev && f.inode == folder.st_ino)
            folderAt = i;
    }
    EXPECT_GE(fileAt, 0) << "the new show's data are flushed";
    EXPECT_GT(folderAt, fileAt) << "then the folder, once the new file has its name";
}

// A remote unit's "store and save" while the progress box of a save lets events run: a
// save reported done must be the one whose show ends up in the file.
TEST(PlaylistDurability, ASaveReportedDoneIsWhatTheFileHolds) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    const QString path = test::freshFolder(u"nested save"_s) + u"/Hamlet.kal"_s;
    ShowStore store;
    PlaylistFiles files(store, nullptr, nullptr);
    store.presets().append(Preset{.name = u"Act 1"_s});
    std::optional<SaveOutcome> inner;
    QTimer::singleShot(0, [&] {
        store.presets().rename(0, u"Act 1 revised"_s);
        inner = files.SavePlaylist(path, false);
    });
    ASSERT_EQ(files.SavePlaylist(path, false), SaveOutcome::Saved);
    ASSERT_TRUE(inner.has_value()) << "the second save came while the first one waited";
    const bool revisedOnDisk = test::readFile(path).contains("\r\nAct 1 revised\r\n");
    EXPECT_EQ(*inner == SaveOutcome::Saved, revisedOnDisk);
}
