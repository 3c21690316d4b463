// bench_device_move: prints, for a WMA and an MP3 sound, the silence between the last
// sounding period of the old output and the first of the new one when a playing channel
// moves (KAE__Channel_ChangeDevice), and how long the move call took. The two outputs are
// null outputs paced by their own clocks (64-frame periods), so the figures are real
// time on this machine. UI thread only.
#include "TestMedia.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/kae/Kae.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

using namespace kalvor;

namespace {

constexpr int kRate = 44100;
constexpr int kPeriod = 64;

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Stands between an output's clock and the mixer: notes when each period sounded.
// Fixed storage, filled from the output's thread.
class Recorder final : public audio::RenderTarget {
public:
    explicit Recorder(audio::RenderTarget& mixer) : mixer_(mixer) {}
    void render(float* out, int frames, int channels) noexcept override {
        mixer_.render(out, frames, channels);
        bool loud = false;
        for (int i = 0; i < frames * channels && !loud; ++i)
            loud = std::fabs(out[i]) > 1e-4f;
        if (loud) {
            const std::int64_t t = nowNs();
            if (firstLoud.load() == 0)
                firstLoud.store(t);
            lastLoud.store(t);
        }
    }
    void reset() {
        firstLoud.store(0);
        lastLoud.store(0);
    }
    std::atomic<std::int64_t> firstLoud{0};
    std::atomic<std::int64_t> lastLoud{0};

private:
    audio::RenderTarget& mixer_;
};

class TwoOutputs final : public audio::DeviceBackend {
public:
    std::vector<audio::BackendDevice> enumerate() override {
        std::vector<audio::BackendDevice> list;
        for (const char* name : {"Out A", "Out B"}) {
            audio::BackendDevice d;
            d.name = QString::fromLatin1(name);
            d.driver = QStringLiteral("bench:") + d.name;
            d.defaultRate = kRate;
            list.push_back(d);
        }
        return list;
    }
    std::unique_ptr<audio::OutputStream> open(const audio::BackendDevice& device, int,
                                              audio::RenderTarget& target, QString*) override {
        const int i = device.name == QStringLiteral("Out A") ? 0 : 1;
        recorders[i] = std::make_unique<Recorder>(target);
        return audio::openNullOutput(kRate, 2, kPeriod, QString(), *recorders[i]);
    }
    std::array<std::unique_ptr<Recorder>, 2> recorders;
};

void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    Settings settings(dir.path() + QStringLiteral("/Kalvor.ini"));
    settings.setInteger(u"SampleRate", kRate);
    settings.load();
    ShowStore store;
    auto backend = std::make_shared<TwoOutputs>();
    audio::AudioLibOptions options;
    options.backend = backend;
    audio::AudioLib lib(options);
    engine::KaeEngine kae(lib, store, settings);
    if (!KAE__Init())
        return 1;

    std::printf("Silence at a move of a playing channel between two outputs (%d-frame "
                "periods at %d Hz):\n",
                kPeriod, kRate);
    const struct {
        const char* label;
        testmedia::Format format;
    } formats[] = {{"WMA", testmedia::Format::Wma}, {"MP3", testmedia::Format::Mp3}};
    for (const auto& f : formats) {
        // Five minutes, as a show's long atmospheres are: opening such a file is what
        // takes the time.
        const QString path = testmedia::makeTone(dir.path(), QStringLiteral("move"), f.format,
                                                 kRate, 2, 300.0, 441.0, -6.0);
        store.channel(0).volume = 100;
        store.channel(0).deviceNumber = 1;
        store.channel(0).outputName = QStringLiteral("Out A");
        if (!KAE__Channel_Load_Sound(0, path))
            return 1;
        KAE__Channel_ApplySettings(0);
        KAE__Channel_Play(0, true, false);
        pump(300);
        std::vector<double> silences, calls, jumps;
        for (int move = 0; move < 6; ++move) {
            const int from = move % 2;
            for (auto& r : backend->recorders)
                r->reset();
            pump(200);
            const std::int64_t positionBefore = KAE__Channel_GetPositionInSamples(0);
            const std::int64_t before = nowNs();
            KAE__Channel_ChangeDevice(
                0, from == 0 ? QStringLiteral("Out B") : QStringLiteral("Out A"), false);
            calls.push_back(double(nowNs() - before) / 1e6);
            pump(300);
            // Where the sound should be by the clock, against where it is: how far the move
            // set it back (a gap, or a stretch heard twice; negative: skipped).
            const double expected = double(positionBefore) + double(nowNs() - before) / 1e9 * kRate;
            jumps.push_back(1000.0 * (expected - double(KAE__Channel_GetPositionInSamples(0))) /
                            kRate);
            const std::int64_t lastOld = backend->recorders[std::size_t(from)]->lastLoud.load();
            const std::int64_t firstNew =
                backend->recorders[std::size_t(1 - from)]->firstLoud.load();
            const double periodMs = 1000.0 * kPeriod / kRate;
            silences.push_back(std::max(0.0, double(firstNew - lastOld) / 1e6 - periodMs));
        }
        std::sort(silences.begin(), silences.end());
        std::sort(calls.begin(), calls.end());
        std::sort(jumps.begin(), jumps.end());
        std::printf("  %s: silence median %.1f ms, max %.1f ms; set back median %.1f ms "
                    "(max %.1f); move call median %.1f ms\n",
                    f.label, silences[silences.size() / 2], silences.back(),
                    jumps[jumps.size() / 2], jumps.back(), calls[calls.size() / 2]);
    }
    KAE__Shutdown(false);
    return 0;
}
