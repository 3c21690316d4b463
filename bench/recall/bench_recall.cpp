// How long a recall of a full preset takes: 32 channels, each with a different sound, from
// the call until every channel is loaded, positioned and ready to play. The fixed waits
// of the "please wait" box are left out (the waits seam returns at once), so the figure is
// the work itself. Sounds are made with sox (WMA: sox, then ffmpeg) before timing. The
// recall's own thread CPU time is printed beside the wall time: the opening and decoding
// ahead run on worker threads, so on a loaded machine the wall time says more about the
// other processes than about the recall. Prints; asserts nothing.
//
//   bench_recall [SECONDS_PER_SOUND] [ROUNDS]
#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
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

void run(const char* label, const QString& folder, const QString& ext, double seconds, int rounds) {
    std::vector<QString> files;
    for (int i = 0; i < 2 * kChannelCount; ++i) {
        const QString path = folder + QStringLiteral("/s%1.%2").arg(i).arg(ext);
        if (!makeSound(path, i, seconds)) {
            std::printf("%s: sox could not make %s\n", label, qUtf8Printable(path));
            return;
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
    std::vector<double> ms;
    std::vector<double> cpuMs;
    std::vector<double> processMs;
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
            const double cpuBefore = cpuNow();
            const double processBefore = cpuNow(CLOCK_PROCESS_CPUTIME_ID);
            t.start();
            show.recall().RecallPreset();
            ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
            cpuMs.push_back(cpuNow() - cpuBefore);
            processMs.push_back(cpuNow(CLOCK_PROCESS_CPUTIME_ID) - processBefore);
            int ready = 0;
            for (int ch = 0; ch < kChannelCount; ++ch)
                ready += show.playback().soundReady(ch) ? 1 : 0;
            if (ready != kChannelCount)
                std::printf("%s: only %d of 32 channels ready\n", label, ready);
        }
    }
    KAE__Shutdown(false);
    // The first recall of each preset opens its sounds for the first time; later ones may
    // reuse what an opening learnt (WMA's length pass), so those two are shown apart.
    const double first = ms.size() > 1 ? std::max(ms[0], ms[1]) : ms.front();
    std::sort(ms.begin(), ms.end());
    std::sort(cpuMs.begin(), cpuMs.end());
    std::sort(processMs.begin(), processMs.end());
    std::printf("recall of 32 %s sounds (%g s each): median %.1f ms, best %.1f ms, worst %.1f ms "
                "over %d recalls (target <= 20 ms); median CPU time: calling thread %.1f ms, "
                "process %.1f ms; first recall of either preset at most %.1f ms\n",
                label, seconds, ms[ms.size() / 2], ms.front(), ms.back(), rounds,
                cpuMs[cpuMs.size() / 2], processMs[processMs.size() / 2], first);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 10;
    NoSleepWaits noSleep;
    installWaits(&noSleep);
    QTemporaryDir dir;
    run("WAV", dir.path(), QStringLiteral("wav"), seconds, rounds);
    run("MP3", dir.path(), QStringLiteral("mp3"), seconds, rounds);
    run("OGG", dir.path(), QStringLiteral("ogg"), seconds, rounds);
    run("WMA", dir.path(), QStringLiteral("wma"), seconds, rounds);
    installWaits(nullptr);
    return 0;
}
