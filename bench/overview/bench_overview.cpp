// What the overview costs the UI thread with all 32 channels playing on the offline
// device: the row refreshes (model change plus repaint of the grid, in the thread's CPU
// time) per second of show time, and how late the 20 ms meter timer and the 250 ms PLAY flashing
// timer fire with and without the overview open. Prints; asserts nothing. Run on the offscreen
// platform:
//
//   QT_QPA_PLATFORM=offscreen bench_overview [SHOW_SECONDS]
#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/kae/Kae.h"
#include "overview/ui/OverviewModel.h"
#include "overview/ui/OverviewWindow.h"
#include "show/playback/ShowLayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace kalvor;

namespace {

constexpr int kRate = 44100;

// CPU time of this thread, so other programs on a busy machine do not count as our cost.
qint64 threadNanos() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<qint64>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

struct Lateness {
    std::vector<double> ms;
    void print(const char* name) {
        std::sort(ms.begin(), ms.end());
        if (ms.empty())
            return;
        std::printf("  %-22s median %.2f ms, 99th %.2f ms, worst %.2f ms late (%zu ticks)\n", name,
                    ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back(), ms.size());
    }
};

// A timer of `interval` ms that records how late each tick came, doing `work` on each.
void watch(QTimer& timer, int interval, Lateness& out, const std::function<void()>& work) {
    auto* last = new QElapsedTimer;
    last->start();
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(interval);
    QObject::connect(&timer, &QTimer::timeout, [last, interval, &out, work] {
        out.ms.push_back(std::max(0.0, static_cast<double>(last->nsecsElapsed()) / 1e6 - interval));
        last->restart();
        work();
    });
    QObject::connect(&timer, &QObject::destroyed, [last] { delete last; });
}

void runShow(ShowLayer& show, audio::AudioLib& lib, double seconds, OverviewWindow* overview) {
    QTimer device, meters, flashing;
    Lateness meterLate, flashLate;
    std::vector<float> block(static_cast<std::size_t>(kRate / 100) * 2);
    // The offline device asks for 10 ms of sound every 10 ms, as a sound card would.
    device.setTimerType(Qt::PreciseTimer);
    device.setInterval(10);
    QObject::connect(&device, &QTimer::timeout,
                     [&] { lib.renderOffline(block.data(), kRate / 100); });
    watch(meters, 20, meterLate, [] {
        for (int ch = 0; ch < kChannelCount; ++ch)
            KAE__Channel_GetLevel(ch);
    });
    watch(flashing, 250, flashLate, [&] { show.playback().tickButtonColours(); });
    if (overview)
        overview->showOverview();
    device.start();
    meters.start();
    flashing.start();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    if (overview)
        overview->close();
    std::printf(" %s the overview:\n", overview ? "with" : "without");
    meterLate.print("meters (20 ms)");
    flashLate.print("PLAY flashing (250 ms)");
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    QTemporaryDir dir;
    const QString sound = dir.path() + QStringLiteral("/tone.wav");
    if (QProcess::execute(QStringLiteral("sox"),
                          {QStringLiteral("-n"), QStringLiteral("-r"), QString::number(kRate),
                           QStringLiteral("-c"), QStringLiteral("2"), QStringLiteral("-b"),
                           QStringLiteral("16"), sound, QStringLiteral("synth"),
                           QStringLiteral("600"), QStringLiteral("sine"), QStringLiteral("440")}) !=
        0) {
        std::printf("sox could not make the test sound\n");
        return 1;
    }
    ShowStore store;
    Settings settings(dir.path() + QStringLiteral("/Kalvor.ini"));
    settings.setInteger(u"SampleRate", kRate);
    audio::AudioLibOptions options;
    options.backend = audio::makeOfflineBackend(kRate, 2);
    audio::AudioLib lib(options);
    engine::KaeEngine engine(lib, store, settings);
    KAE__Init(nullptr);
    {
        ShowLayer show(store, settings, nullptr);
        for (int ch = 0; ch < kChannelCount; ++ch) {
            store.soundList(ch) = {makeSoundEntry(sound)};
            store.channel(ch).volume = 100;
            show.selection().select(ch, 0);
            show.playback().PressPlay(ch);
        }
        OverviewWindow overview(show, settings);
        overview.setGeometry(0, 0, 1920, 1080);
        overview.show();
        QElapsedTimer settle;
        settle.start();
        while (!(overview.windowHandle() && overview.windowHandle()->isExposed()) &&
               settle.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QCoreApplication::processEvents();
        std::vector<float> block(static_cast<std::size_t>(kRate) * 2);
        lib.renderOffline(block.data(), kRate); // a second in, so positions read 00:00:01

        // One second of show time asks for four refreshes of the playing rows (the window's
        // 250 ms position timer); each is painted as the event loop would, only where the
        // cells changed. A refresh of every row (a recall, a playlist load) is timed apart.
        const int rounds = 20;
        qint64 spent = 0;
        for (int r = 0; r < rounds; ++r) {
            for (int k = 0; k < 4; ++k) {
                // A quarter second of sound between refreshes, as the device would play it;
                // only the refresh and its painting are timed.
                lib.renderOffline(block.data(), kRate / 4);
                const qint64 before = threadNanos();
                overview.model().refreshPositions();
                QCoreApplication::processEvents();
                spent += threadNanos() - before;
            }
        }
        const double perSecond = static_cast<double>(spent) / 1e6 / rounds;
        const qint64 before = threadNanos();
        for (int r = 0; r < rounds; ++r) {
            for (int ch = 0; ch < kChannelCount; ++ch)
                overview.model().OverviewFillRow(ch);
            QCoreApplication::processEvents();
        }
        const double allRows = static_cast<double>(threadNanos() - before) / 1e6 / rounds;
        overview.close();
        std::printf("overview row refreshes, 32 channels playing: %.3f ms of UI thread per second "
                    "of show time (target < 2 ms); all 32 rows at once: %.3f ms\n",
                    perSecond, allRows);
        std::printf("timer lateness over %g s of show time:\n", seconds);
        runShow(show, lib, seconds, nullptr);
        runShow(show, lib, seconds, &overview);
    }
    KAE__Shutdown(false);
    return 0;
}
