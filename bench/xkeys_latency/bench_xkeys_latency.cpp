// How long a key press on a keypad takes to reach PressPlay: each report "arrives" at a
// random phase of the reader's 10 ms timer (the scripted keypad hands it over only from
// that moment on), and the time to the channel's start signal is taken, with the real
// reader timer and the UI thread's event queue in between. The engine is the offline one,
// so the figure is the input path, not the audio device. Prints; asserts nothing.
//
//   bench_xkeys_latency [PRESSES]
#include "control/xkeys/XkeysControl.h"
#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

using namespace kalvor;

namespace {

QElapsedTimer clockSince;

std::int64_t nowNs() {
    return clockSince.nsecsElapsed();
}

// A 128-key keypad whose next report becomes readable at a set moment.
class TimedKeypad final : public xkeys::KeypadDevice {
public:
    std::vector<std::uint8_t> pending;
    std::int64_t arrivalNs = 0;

    std::vector<xkeys::KeypadFound> enumerate() override { return {{0x0306, 0x0C, "/dev/bench"}}; }
    QString open(const std::string&) override { return {}; }
    xkeys::ReadStatus read(std::vector<std::uint8_t>& report) override {
        if (pending.empty() || nowNs() < arrivalNs)
            return xkeys::ReadStatus::Nothing;
        report = std::move(pending);
        pending.clear();
        return xkeys::ReadStatus::Report;
    }
    bool write(const xkeys::Report&) override { return true; }
    void close() override {}
};

std::vector<std::uint8_t> keyReport(bool channel0Down) {
    std::vector<std::uint8_t> r(20, 0);
    r[3] = 0x7A;
    r[4] = channel0Down ? 0x01 : 0x00;
    return r;
}

class NoSleepWaits final : public Waits {
public:
    void wait(int) override { QCoreApplication::processEvents(); }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int presses = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    NoSleepWaits noSleep;
    installWaits(&noSleep);
    QTemporaryDir dir;
    const QString sound = dir.filePath(QStringLiteral("tone.wav"));
    if (QProcess::execute(QStringLiteral("sox"),
                          {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                           QStringLiteral("-c"), QStringLiteral("2"), QStringLiteral("-b"),
                           QStringLiteral("16"), sound, QStringLiteral("synth"),
                           QStringLiteral("5"), QStringLiteral("sine"), QStringLiteral("440")}) !=
        0) {
        std::printf("bench_xkeys_latency: sox could not make the test sound\n");
        return 1;
    }
    ShowStore store;
    Settings settings(dir.filePath(QStringLiteral("Kalvor.ini")));
    audio::AudioLibOptions options;
    options.backend = audio::makeOfflineBackend(44100, 2);
    audio::AudioLib lib(options);
    engine::KaeEngine engine(lib, store, settings);
    KAE__Init(nullptr);
    std::vector<double> ms;
    {
        ShowLayer show(store, settings, nullptr);
        store.soundList(0) = {makeSoundEntry(sound)};
        show.selection().select(0, 0);
        // Hold mode: the release stops the channel, so every press starts it afresh.
        store.controls(0).holdMode = 1;
        auto owned = std::make_unique<TimedKeypad>();
        TimedKeypad* pad = owned.get();
        XkeysControl keys(show, settings, std::move(owned), nullptr);
        if (!keys.open()) {
            std::printf("bench_xkeys_latency: the scripted keypad did not open\n");
            return 1;
        }
        clockSince.start();
        std::int64_t startedNs = -1;
        QObject::connect(&show.playback(), &ChannelPlayback::channelStarted,
                         [&](int) { startedNs = nowNs(); });
        std::mt19937 random(12345);
        std::uniform_int_distribution<int> phaseUs(0, 20000);
        QEventLoop loop;
        for (int i = 0; i < presses; ++i) {
            for (bool down : {true, false}) {
                pad->pending = keyReport(down);
                pad->arrivalNs = nowNs() + std::int64_t{phaseUs(random)} * 1000;
                startedNs = -1;
                while (!pad->pending.empty())
                    loop.processEvents(QEventLoop::WaitForMoreEvents);
                if (down) {
                    if (startedNs < 0) {
                        std::printf("bench_xkeys_latency: press %d did not start the channel\n", i);
                        return 1;
                    }
                    ms.push_back(static_cast<double>(startedNs - pad->arrivalNs) / 1e6);
                }
            }
        }
        keys.close();
    }
    KAE__Shutdown(false);
    std::sort(ms.begin(), ms.end());
    const int bound = XkeysControl::kReadIntervalMs;
    const auto late = std::count_if(ms.begin(), ms.end(), [bound](double v) { return v > bound; });
    // Load average beside the figures: on a machine shared with other work the 10 ms timer
    // itself fires late, which is the spread above the bound.
    double load[1] = {0};
    getloadavg(load, 1);
    std::printf("keypad report to PressPlay over %zu presses at random phases of the %d ms "
                "reader: min %.2f ms, median %.2f ms, 99th %.2f ms, max %.2f ms; %ld above %d "
                "ms (load average %.1f)\n",
                ms.size(), bound, ms.front(), ms[ms.size() / 2], ms[ms.size() * 99 / 100],
                ms.back(), static_cast<long>(late), bound, load[0]);
    return 0;
}
