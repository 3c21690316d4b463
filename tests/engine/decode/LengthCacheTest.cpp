// The lengths WMA files need a full pass for: reused in the same session and kept on disk
// between sessions, found again only for the very same file (a file rewritten at the same
// path reads as its own), never trusted from a damaged file, and worked out ahead on
// the look-ahead thread without a second pass when a recall meets a file being scanned.
#include "engine/decode/Backends.h"
#include "engine/decode/Decoder.h"
#include "engine/decode/LengthStore.h"

#include "TestMedia.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

using namespace kalvor::engine;
using kalvor::engine::decode::LengthStore;
using kalvor::testmedia::Format;
namespace media = kalvor::testmedia;

namespace {

struct Opened {
    std::int64_t frames = -1;
    std::vector<float> tail; // from two thirds of the way on, after a seek
};

Opened open(const QString& path) {
    QString error;
    auto d = openDecoder(path, DecoderRoute::Wma, &error);
    EXPECT_NE(d, nullptr) << error.toStdString();
    if (!d)
        return {};
    Opened o{d->format().frames, {}};
    std::vector<float> block(4096 * 2);
    EXPECT_TRUE(d->seek(o.frames * 2 / 3 + 17));
    for (std::int64_t n; (n = d->read(block.data(), 4096)) > 0;)
        o.tail.insert(o.tail.end(), block.begin(), block.begin() + n * 2);
    return o;
}

// As a new session: nothing known in memory, the disk file read at the next opening.
void newSession() {
    decode::ffmpegLengthPasses(true);
}

void writeCacheFile(const QByteArray& bytes) {
    QFile f(LengthStore::defaultPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

TEST(LengthCache, aSecondSessionPassesOnlyWhatChangedOrWasNotReadable) {
    struct Case {
        const char* name;
        std::function<void(const QString& path)> between; // after the first session
        int passes;                                       // in the second session
        bool sameSession = false;                         // then counted from the first opening on
    };
    const auto rewrite = [](const QString& path) {
        media::makeNoise(QFileInfo(path).absolutePath(), "cue", Format::Wma, 44100, 2, 30000, -6.0,
                         7);
    };
    const auto garbage = [](QByteArray bytes) {
        return [bytes](const QString&) {
            writeCacheFile(bytes);
        };
    };
    QByteArray stored; // the cache file as the first session of each case wrote it
    const std::vector<Case> cases = {
        {"unchanged", [](const QString&) {}, 0},
        {"rewritten, another length", rewrite, 1},
        {"opened again in the same session", [](const QString&) {}, 1, true},
        {"rewritten in the same session", rewrite, 2, true},
        {"touched",
         [](const QString& path) {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             f.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                           QFileDevice::FileModificationTime);
         },
         1},
        {"cache file missing", [](const QString&) { QFile::remove(LengthStore::defaultPath()); },
         1},
        {"cache file empty", garbage({}), 1},
        {"cache file foreign", garbage("KLEN but not really a length file at all"), 1},
        {"cache file truncated", [&](const QString&) { writeCacheFile(stored.left(30)); }, 1},
        {"cache file with a trailer", [&](const QString&) { writeCacheFile(stored + "x"); }, 1},
        {"cache file bit-flipped",
         [&](const QString&) {
             QByteArray b = stored;
             b[b.size() - 40] = char(b[b.size() - 40] ^ 0x40); // inside the marks
             b[11] = char(0x7f);                               // the entry count
             writeCacheFile(b);
         },
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = kalvor::test::freshFolder(QStringLiteral("length-cache"));
        QFile::remove(LengthStore::defaultPath());
        newSession();
        const QString path = media::makeNoise(folder, "cue", Format::Wma, 44100, 2, 66000);
        ASSERT_FALSE(path.isEmpty());
        open(path);
        ASSERT_EQ(decode::ffmpegLengthPasses(), 1);
        QFile f(LengthStore::defaultPath());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "the first session keeps its lengths";
        stored = f.readAll();
        f.close();

        c.between(path);
        if (!c.sameSession)
            newSession();
        const Opened second = open(path);
        EXPECT_EQ(decode::ffmpegLengthPasses(), c.passes);

        // What a full pass of the file as it is now finds, to the frame and the sample.
        QFile::remove(LengthStore::defaultPath());
        newSession();
        const Opened full = open(path);
        EXPECT_EQ(decode::ffmpegLengthPasses(), 1);
        EXPECT_EQ(second.frames, full.frames);
        EXPECT_EQ(second.tail, full.tail);
        // Whatever was found is readable again: a damaged file was replaced.
        EXPECT_TRUE(LengthStore(LengthStore::defaultPath()).load());
    }
}

TEST(LengthCache, lookAheadScansEachFileOnceAndARecallMeetingItGetsTheSameLength) {
    const QString folder = kalvor::test::freshFolder(QStringLiteral("length-ahead"));
    QFile::remove(LengthStore::defaultPath());
    newSession();
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths << media::makeNoise(folder, QStringLiteral("s%1").arg(i), Format::Wma, 44100, 2,
                                  44100 * 3 + 1000 * i, -6.0, std::uint32_t(i + 1));
    // Not WMA by name, a missing file and a repeat: none of them scanned or scanned twice.
    scanLengthsAhead(paths + QStringList{folder + "/s0.wav", folder + "/gone.wma", paths[0]});
    // Openings on this thread while the look-ahead runs: each meets its file unscanned,
    // being scanned or scanned, and must come out the same.
    std::vector<Opened> during;
    for (const QString& p : paths)
        during.push_back(open(p));
    while (lengthScansPending() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(decode::ffmpegLengthPasses(), paths.size()) << "one pass per file, never two";

    // Left alone, the look-ahead does every pass, and the openings after it none.
    QFile::remove(LengthStore::defaultPath());
    newSession();
    scanLengthsAhead(paths);
    while (lengthScansPending() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(decode::ffmpegLengthPasses(), paths.size());
    for (const QString& p : paths)
        open(p);
    EXPECT_EQ(decode::ffmpegLengthPasses(), paths.size());

    for (int i = 0; i < paths.size(); ++i) {
        QFile::remove(LengthStore::defaultPath());
        newSession();
        const Opened full = open(paths[i]);
        EXPECT_EQ(during[std::size_t(i)].frames, full.frames) << i;
        EXPECT_EQ(during[std::size_t(i)].tail, full.tail) << i;
    }
}

TEST(LengthCache, storeKeepsTheMostRecentlyUsedWithinItsBound) {
    const QString file = kalvor::test::freshFolder(QStringLiteral("length-store")) + "/lengths";
    LengthStore store(file);
    const auto key = [](int i) {
        return LengthStore::Key{QStringLiteral("/show/%1.wma").arg(i), 1000 + i, 5, 9};
    };
    for (int i = 0; i < LengthStore::kMaxEntries; ++i)
        store.keep(key(i), 5000 + i, {{0, 0}, {2048, 2048}});
    ASSERT_NE(store.find(key(0)), nullptr); // used again: now the newest
    store.keep(key(-1), 7, {});
    EXPECT_EQ(store.size(), LengthStore::kMaxEntries);
    EXPECT_EQ(store.find(key(1)), nullptr) << "the one used longest ago goes";
    ASSERT_TRUE(store.save());

    LengthStore again(file);
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.size(), LengthStore::kMaxEntries);
    const LengthStore::Entry* first = again.find(key(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->frames, 5000);
    EXPECT_EQ(first->marks, (std::vector<std::pair<qint64, qint64>>{{0, 0}, {2048, 2048}}));
    // The same path in another state replaces the old entry; other keys do not match it.
    again.keep({QStringLiteral("/show/0.wma"), 1000, 6, 9}, 50, {});
    EXPECT_EQ(again.find(key(0)), nullptr);
    EXPECT_EQ(again.find({QStringLiteral("/show/0.wma"), 1000, 6, 8}), nullptr);
    EXPECT_EQ(again.find({QStringLiteral("/show/0.wma"), 1000, 6, 9})->frames, 50);
}
