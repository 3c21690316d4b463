// How the play log bears a long run: saving and loading 5,000 rows in both forms, and the
// one-second tick of 32 playing channels on a list of 0 and of 5,000 finished rows. The
// tick is the UI thread's log work per second, so it must not grow with the list.
// Targets: save and load under 100 ms each; the tick the same at 0 and 5,000 rows.
#include "mainwindow/LogFiles.h"
#include "mainwindow/PlayLog.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace kalvor;

namespace {

// `finished` entries of an evening, plus the 32 channels' running entries below them.
void fill(PlayLog& log, int finished) {
    std::vector<LogRowCells> rows(static_cast<std::size_t>(finished));
    for (int i = 0; i < finished; ++i) {
        auto& r = rows[static_cast<std::size_t>(i)];
        r[LogArtist].text = QStringLiteral("The Tallis Consort %1").arg(i % 97);
        r[LogTitle].text = QStringLiteral("Spem in alium, part %1").arg(i);
        r[LogDate].text = QStringLiteral("06.12.26");
        r[LogTime].text = QStringLiteral("21:05");
        r[LogLength].text = QStringLiteral("00:03:17");
        if (i % 10 == 0)
            r[LogNotes].text = QStringLiteral("cut after the second verse");
    }
    log.replace({}, std::move(rows));
    for (int ch = 0; ch < 32; ++ch)
        log.startEntry(log.newRow(), QStringLiteral("Channel %1 - Running cue").arg(ch + 1),
                       QStringLiteral("06.12.26"), QStringLiteral("21:05"));
}

void BM_Save(benchmark::State& state, const char* ending) {
    PlayLog log;
    fill(log, static_cast<int>(state.range(0)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log") + QLatin1String(ending));
    const LogDocument doc = logDocument(log);
    for (auto _ : state) {
        if (!writeLogFile(path, logDocument(log)))
            state.SkipWithError("write failed");
    }
    (void)doc;
}

void BM_Load(benchmark::State& state, const char* ending) {
    PlayLog log;
    fill(log, static_cast<int>(state.range(0)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log") + QLatin1String(ending));
    writeLogFile(path, logDocument(log));
    PlayLog target;
    for (auto _ : state) {
        auto doc = readLogFile(path);
        if (!doc) {
            state.SkipWithError("read failed");
            break;
        }
        applyLogDocument(target, std::move(*doc));
    }
}

// One second of 32 playing channels: each running entry's length moves on.
void BM_Tick32(benchmark::State& state) {
    PlayLog log;
    const int finished = static_cast<int>(state.range(0));
    fill(log, finished);
    for (auto _ : state) {
        for (int ch = 0; ch < 32; ++ch)
            log.tickEntry(finished + ch);
    }
}

} // namespace

BENCHMARK_CAPTURE(BM_Save, klg, ".klg")->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, klg, ".klg")->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Save, txt, ".txt")->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, txt, ".txt")->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tick32)->Arg(0)->Arg(5000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
