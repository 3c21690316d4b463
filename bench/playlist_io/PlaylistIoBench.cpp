// How long loading and saving a full show takes: 100 presets, 32 channels with 50 sounds
// each, every sound file present on disk. The fixed waits of the save's progress box are
// left out (a waits seam that returns at once), so the figures are the work itself.
// Target: load and save at most 30 ms each. Main thread.
#include "core/Dialogs.h"
#include "core/ShowStore.h"
#include "show/playlist/PlaylistFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

using namespace kalvor;
using namespace kalvor::playlist;

namespace {

class NoWaits final : public Waits {
public:
    void wait(int) override {}
};

struct FullShow {
    QTemporaryDir dir;
    ShowStore store;
    PlaylistFiles files{store, nullptr, nullptr};
    QString path;
    qint64 bytes = 0;

    FullShow() {
        std::mt19937 rng(1);
        auto pick = [&rng](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(rng);
        };
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const QString folder = dir.path() + QStringLiteral("/Sounds/Channel %1").arg(ch + 1);
            QDir().mkpath(folder);
            QList<SoundEntry> list;
            for (int k = 0; k < 50; ++k) {
                const QString file =
                    folder + QStringLiteral("/Cue %1 - Thunder and rain.wav").arg(k + 1);
                QFile(file).open(QIODevice::WriteOnly);
                list.append(makeSoundEntry(file));
            }
            store.setSoundList(ch, list);
        }
        for (int p = 0; p < kPresetCapacity; ++p) {
            Preset preset;
            preset.setName(QStringLiteral("Act %1 Scene %2").arg(p / 10 + 1).arg(p % 10 + 1));
            for (auto& c : preset.channels) {
                c.channelInfo = QStringLiteral("Info text of a channel");
                c.outputName = QStringLiteral("Speakers A (hw:0,0) 1/2");
                c.selectedSound = static_cast<std::int16_t>(pick(0, 49));
                c.volume = pick(0, 100);
                c.pan = pick(-100, 100);
                c.startOffset = pick(0, 1 << 20);
                c.soundLength = pick(0, 1 << 30);
                c.effects.eq[1] = {1000.5f, 12.0f, -3.25f};
                c.effects.reverb = {0.0f, -10.0f, 1000.0f, 0.001f};
                c.effects.chorus = {50.0f, 10.0f, 25.0f, 1.1f, 1, 16.0f, 3};
                c.fadeIn = {1000, true, 2};
                c.fadeOut = {2500, false, 2};
            }
            store.presets().append(preset);
        }
        path = dir.path() + QStringLiteral("/Full show.kal");
        files.SavePlaylist(path, false);
        bytes = QFileInfo(path).size();
    }
};

FullShow& show() {
    static FullShow s;
    return s;
}

void BM_SavePlaylist(benchmark::State& state) {
    FullShow& s = show();
    for (auto _ : state) {
        if (s.files.SavePlaylist(s.path, false) != SaveOutcome::Saved)
            state.SkipWithError("save failed");
    }
    state.counters["file_MB"] = static_cast<double>(s.bytes) / 1e6;
}

void BM_LoadPlaylist(benchmark::State& state) {
    FullShow& s = show();
    ShowStore store;
    PlaylistFiles files(store, nullptr, nullptr);
    for (auto _ : state) {
        if (files.LoadPlaylist(s.path).outcome != LoadOutcome::Loaded)
            state.SkipWithError("load failed");
    }
    state.counters["presets"] = store.presets().count();
}

// The parts without the file system: bytes to document and back.
void BM_ReadDocument(benchmark::State& state) {
    QFile f(show().path);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    for (auto _ : state)
        benchmark::DoNotOptimize(readPlaylist(bytes));
}

void BM_WriteDocument(benchmark::State& state) {
    const PlaylistDocument doc = show().files.currentDocument();
    for (auto _ : state)
        benchmark::DoNotOptimize(writePlaylist(doc));
}

} // namespace

BENCHMARK(BM_SavePlaylist)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPlaylist)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDocument)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteDocument)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    NoWaits noWaits;
    installWaits(&noWaits);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    installWaits(nullptr);
    return 0;
}
