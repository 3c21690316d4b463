// How long a recall of a full preset takes: 32 channels, each with a different sound, from
// the call until every channel is loaded, positioned and ready to play. The fixed waits
// of the "please wait" box are left out (the waits seam returns at once), so the figure is
// the work itself. Sounds are made with sox (WMA: sox, then ffmpeg) before timing. The
// recall's own thread CPU time is printed beside the wall time: the opening and decoding
// ahead run on worker threads, so on a loaded machine the wall time says more about the
// other processes than about the recall. For WMA, whose first opening of a file decodes
// it whole for its length, the first recalls after a playlist load are also timed cold,
// after the look-ahead thread's pass and with the lengths file of an earlier session.
// Prints; asserts nothing.
//
//   bench_recall [SECONDS_PER_SOUND] [ROUNDS] [FORMATS, default wav,mp3,ogg,wma]
#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/decode/Backends.h"
#include "engine/decode/Decoder.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sched.h>
#include <vector>

using namespace kalvor;

namespace {

class NoSleepWaits final : public Waits {
public:
    void wait(int) override { QCoreApplication::processEvents(); }
};

bool makeSound(const QString& path, int index, double seconds) {
    if (path.endsWith(QLatin1String(".wma"))) {
        const QString wav = path + QStringLiteral(".wav");
        const bool made =
            makeSound(wav, index, seconds) &&
            QProcess::execute(QStringLiteral("ffmpeg"),
                              {QStringLiteral("-y"), QStringLiteral("-loglevel"),
                               QStringLiteral("error"), QStringLiteral("-i"), wav,
                               QStringLiteral("-c:a"), QStringLiteral("wmav2"),
                               QStringLiteral("-b:a"), QStringLiteral("128k"), path}) == 0;
        QFile::remove(wav);
        return made;
    }
    // A different tone per file, so no two channels share a decoder cache of any kind.
    QStringList args{QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                     QStringLiteral("-c"), QStringLiteral("2")};
    if (path.endsWith(QLatin1String(".wav")))
        args << QStringLiteral("-b") << QStringLiteral("16");
    args << path << QStringLiteral("synth") << QString::number(seconds) << QStringLiteral("sine")
         << QString::number(200 + 37 * index);
    return QProcess::execute(QStringLiteral("sox"), args) == 0;
}

// CPU time in ms: the calling thread's by default (what the recall costs the UI thread
// itself), or the whole process's (all the work, the disk thread's included).
double cpuNow(clockid_t clock = CLOCK_THREAD_CPUTIME_ID) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Times {
    std::vector<double> wall, cpu, uiCpu; // ms per recall
};

struct Row {
    QString label;
    Times times;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double most(const std::vector<double>& v) {
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
}

QString loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2);
}

// The first recalls of WMA sounds whose lengths this process has not worked out yet, as
// the program meets them after loading a playlist: `Cold` with no lengths file and the
// recall right after the load, `AfterScan` once the look-ahead thread is done, `FromDisk`
// with the lengths file an earlier session wrote. Each load is timed too, with and
// without handing the sounds to the look-ahead.
enum class WmaStart { Cold, AfterScan, FromDisk };

struct FirstRecalls {
    Times cold, afterScan, fromDisk;
    std::vector<double> loadWith, loadWithout; // ms
};

void firstWmaRecalls(ShowLayer& show, const QString& playlist, FirstRecalls& out) {
    const QString lengths =
        qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/kalvor/lengths");
    auto& hooks = show.playlists().hooks();
    const auto lookAhead = hooks.soundsLoaded;
    hooks.recallFirstPreset = {}; // recalled below, timed on its own
    const auto load = [&](bool withLookAhead) {
        hooks.soundsLoaded = withLookAhead ? lookAhead : decltype(lookAhead){};
        QElapsedTimer t;
        t.start();
        show.playlists().LoadPlaylist(playlist);
        (withLookAhead ? out.loadWith : out.loadWithout)
            .push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    };
    for (int round = 0; round < 3; ++round) {
        load(false);
        for (const WmaStart start : {WmaStart::Cold, WmaStart::AfterScan, WmaStart::FromDisk}) {
            while (engine::lengthScansPending() > 0)
                QThread::msleep(10);
            if (start != WmaStart::FromDisk)
                QFile::remove(lengths);
            engine::decode::ffmpegLengthPasses(true); // as a new session
            load(true);
            if (start == WmaStart::AfterScan)
                while (engine::lengthScansPending() > 0)
                    QThread::msleep(10);
            Times& t = start == WmaStart::Cold        ? out.cold
                       : start == WmaStart::AfterScan ? out.afterScan
                                                      : out.fromDisk;
            for (int p = 0; p < 2; ++p) {
                show.store().presets().setSelected(p);
                QElapsedTimer timer;
                const double cpuBefore = cpuNow(CLOCK_PROCESS_CPUTIME_ID);
                const double uiBefore = cpuNow();
                timer.start();
                show.recall().RecallPreset();
                t.wall.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
                t.uiCpu.push_back(cpuNow() - uiBefore);
                t.cpu.push_back(cpuNow(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore);
            }
        }
    }
    hooks.soundsLoaded = lookAhead;
}

// Every recall of the two presets, in order: the first two open their sounds for the first
// time in this process, later ones may reuse what an opening learnt (WMA's length pass).
bool run(const char* label, const QString& folder, const QString& ext, double seconds, int rounds,
         Times& out, FirstRecalls* first = nullptr) {
    std::vector<QString> files;
    for (int i = 0; i < 2 * kChannelCount; ++i) {
        const QString path = folder + QStringLiteral("/s%1.%2").arg(i).arg(ext);
        if (!makeSound(path, i, seconds)) {
            std::printf("%s: sox could not make %s\n", label, qUtf8Printable(path));
            return false;
        }
        files.push_back(path);
    }
    ShowStore store;
    Settings settings(folder + QStringLiteral("/Kalvor.ini"));
    audio::AudioLibOptions options;
    options.backend = audio::makeOfflineBackend(44100, 2);
    audio::AudioLib lib(options);
    engine::KaeEngine engine(lib, store, settings);
    KAE__Init(nullptr);
    {
        ShowLayer show(store, settings, nullptr);
        // Two presets, each giving every channel a sound of its own, so each recall loads 32
        // sounds afresh.
        for (int ch = 0; ch < kChannelCount; ++ch)
            store.soundList(ch) = {makeSoundEntry(files[std::size_t(ch)]),
                                   makeSoundEntry(files[std::size_t(ch + kChannelCount)])};
        for (int p = 0; p < 2; ++p) {
            for (int ch = 0; ch < kChannelCount; ++ch)
                store.controls(ch).selectedSound = static_cast<std::int16_t>(p);
            show.presets().NewPreset();
        }
        for (int r = 0; r < rounds; ++r) {
            store.presets().setSelected(r % 2);
            QElapsedTimer t;
            const double cpuBefore = cpuNow(CLOCK_PROCESS_CPUTIME_ID);
            const double uiBefore = cpuNow();
            t.start();
            show.recall().RecallPreset();
            out.wall.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
            out.uiCpu.push_back(cpuNow() - uiBefore);
            out.cpu.push_back(cpuNow(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore);
            int ready = 0;
            for (int ch = 0; ch < kChannelCount; ++ch)
                ready += show.playback().soundReady(ch) ? 1 : 0;
            if (ready != kChannelCount)
                std::printf("%s: only %d of 32 channels ready\n", label, ready);
        }
        if (first) {
            const QString playlist = folder + QStringLiteral("/bench.kal");
            if (show.playlists().SavePlaylist(playlist, false) == playlist::SaveOutcome::Saved)
                firstWmaRecalls(show, playlist, *first);
            else
                std::printf("%s: the playlist could not be saved\n", label);
        }
    }
    KAE__Shutdown(false);
    return true;
}

Times slice(const Times& t, std::size_t from, std::size_t to) {
    const auto part = [&](const std::vector<double>& v) {
        return std::vector<double>(v.begin() + std::ptrdiff_t(std::min(from, v.size())),
                                   v.begin() + std::ptrdiff_t(std::min(to, v.size())));
    };
    return {part(t.wall), part(t.cpu), part(t.uiCpu)};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    const int rounds = std::max(argc > 2 ? std::atoi(argv[2]) : 10, 3);
    const QStringList formats =
        (argc > 3 ? QString::fromLocal8Bit(argv[3]).toLower() : QStringLiteral("wav,mp3,ogg,wma"))
            .split(QLatin1Char(','));
    // As the program does right after start-up; the sounds take seconds to make.
    engine::preloadFfmpegPlugin();
    NoSleepWaits noSleep;
    installWaits(&noSleep);
    QTemporaryDir dir;
    std::vector<Row> rows;
    FirstRecalls first;
    // The lengths file the program keeps between sessions: this run's own.
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.path() + QStringLiteral("/cache")));
    const QString loadBefore = loadAverage();
    for (const QString& ext : formats) {
        const QByteArray label = ext.toUpper().toLatin1();
        Times t;
        const bool wma = ext == QLatin1String("wma");
        if (!run(label.constData(), dir.path(), ext, seconds, rounds, t, wma ? &first : nullptr))
            continue;
        if (wma) {
            rows.push_back({QStringLiteral("WMA first"), slice(t, 0, 2)});
            rows.push_back({QStringLiteral("WMA later"), slice(t, 2, t.wall.size())});
            rows.push_back({QStringLiteral("WMA cold"), first.cold});
            rows.push_back({QStringLiteral("WMA ahead"), first.afterScan});
            rows.push_back({QStringLiteral("WMA disk"), first.fromDisk});
        } else {
            rows.push_back({QString::fromLatin1(label), t});
        }
    }
    installWaits(nullptr);
    const int policy = sched_getscheduler(0);
    std::printf("recall of 32 different sounds of %g s each, %d recalls per format; target <= 20 "
                "ms wall\nscheduling: %s; load average before %s, after %s\n",
                seconds, rounds, policy == SCHED_FIFO ? "SCHED_FIFO (chrt -f)" : "normal",
                qUtf8Printable(loadBefore), qUtf8Printable(loadAverage()));
    std::printf("%-10s %6s %11s %9s %14s %12s %12s\n", "format", "counts", "wall median",
                "wall max", "CPU median", "CPU max", "UI thread");
    for (const Row& r : rows)
        std::printf("%-10s %6zu %8.1f ms %6.1f ms %11.1f ms %9.1f ms %9.1f ms\n",
                    qUtf8Printable(r.label), r.times.wall.size(), median(r.times.wall),
                    most(r.times.wall), median(r.times.cpu), most(r.times.cpu),
                    median(r.times.uiCpu));
    std::printf("(CPU: the whole process's during the recall, all threads; UI thread: the "
                "recalling thread's own, median)\n");
    if (!first.loadWith.empty())
        std::printf("WMA first recalls after a playlist load: cold = no lengths file, recall "
                    "right after the load; ahead = once the look-ahead thread is done; disk = "
                    "with the lengths file of an earlier session\nplaylist load (32 x 2 WMA "
                    "sounds, no recall): median %.1f ms with the look-ahead, %.1f ms without\n",
                    median(first.loadWith), median(first.loadWithout));
    return 0;
}
