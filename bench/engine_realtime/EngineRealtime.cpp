// bench_engine_realtime: prints
// - GO latency on the offline device: frames between a channelPlay call and the first
//   non-zero sample the device receives (target: at most one period), for PLAY issued
//   at various points of the device's period;
// - GO latency on JACK (when a server runs): device frames from the call to the period
//   that starts the sound, plus the device's own output latency;
// - CPU load of 32 stereo channels playing on JACK (files at 44.1 kHz, so every channel
//   is also rate-converted to the server's 48 kHz), as the engine reports it;
// - the time one 256-frame period at 48 kHz takes when 32 playing channels, each with an
//   echo whose lines are full, restart in one batch, against an ordinary period;
// - 32 volume slides at once on the offline device: CPU time per 256-frame period against
//   the same 32 channels at a steady volume;
// - the callback's own time per period on JACK (the engine's histogram: median, 99.9th
//   percentile, max, periods over budget) for 32 channels with and without rate
//   conversion, at loop wraps, at sound ends with new starts, and at restarts.
// Run scripts/services/jack.start first for the JACK figures. UI thread only.
// `--converter samplerate|soxr|polyphase` picks the rate converter (default: the engine's),
// so that the converters can be compared on the same machine in one sitting.
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <numeric>
#include <vector>

using namespace kalvor::audio;

namespace {

RateConverter::Kind g_converter = RateConverter::kDefault;

void put32(std::FILE* f, std::uint32_t v) {
    std::fwrite(&v, 4, 1, f);
}
void put16(std::FILE* f, std::uint16_t v) {
    std::fwrite(&v, 2, 1, f);
}

// A 16-bit stereo WAV of a tone that is not zero from its first sample on.
QString writeTone(const QString& path, int rate, double seconds, double hz) {
    const auto frames = static_cast<std::uint32_t>(rate * seconds);
    std::FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + frames * 4);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1);
    put16(f, 2);
    put32(f, static_cast<std::uint32_t>(rate));
    put32(f, static_cast<std::uint32_t>(rate * 4));
    put16(f, 4);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, frames * 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto s = static_cast<std::int16_t>(8000 * std::cos(2 * M_PI * hz * i / rate));
        std::fwrite(&s, 2, 1, f);
        std::fwrite(&s, 2, 1, f);
    }
    std::fclose(f);
    return path;
}

template <typename Done> void pump(Done done, int limitMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
}

void offlineLatency(const QString& tone) {
    AudioLibOptions options;
    options.backend = makeOfflineBackend(48000, 2);
    AudioLib lib(options);
    lib.init(1, 48000, 0, nullptr);
    const int period = 1024; // the offline device's period
    std::vector<float> block(std::size_t(period) * 2);
    std::printf("GO latency, offline device (period %d frames):\n", period);
    for (int lead : {0, 100, 1000}) {
        const Handle h = lib.streamCreateFile(tone, 0);
        lib.channelPreBuf(h, 500);
        // Run the device for a while, then PLAY `lead` frames into a block the caller is
        // about to pull (the offline device's clock only moves when pulled).
        for (int i = 0; i < 3; ++i)
            lib.renderOffline(block.data(), period);
        std::vector<float> lead0(std::size_t(std::max(lead, 1)) * 2);
        if (lead > 0)
            lib.renderOffline(lead0.data(), lead);
        const std::int64_t called = lib.deviceFrame();
        lib.channelPlay(h, true);
        std::int64_t first = -1;
        for (int i = 0; i < 4 && first < 0; ++i) {
            const std::int64_t base = lib.deviceFrame();
            lib.renderOffline(block.data(), period);
            for (int j = 0; j < period; ++j)
                if (block[std::size_t(j) * 2] != 0.0f) {
                    first = base + j;
                    break;
                }
        }
        std::printf("  PLAY after %4d frames of a pull: first sample %lld frames later\n", lead,
                    static_cast<long long>(first - called));
        lib.streamFree(h);
    }
}

// CPU time of this thread for one renderOffline call of `frames`, in microseconds: the
// offline device mixes on the calling thread, and CPU time leaves out the moments the
// machine gave the core to someone else.
double timedPeriod(AudioLib& lib, std::vector<float>& block, int frames) {
    timespec a{}, b{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    lib.renderOffline(block.data(), frames);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    return (b.tv_sec - a.tv_sec) * 1e6 + (b.tv_nsec - a.tv_nsec) / 1e3;
}

void restartWithEcho(const QString& dir) {
    constexpr int kRate = 48000;
    constexpr int kPeriod = 256;
    AudioLibOptions options;
    options.backend = makeOfflineBackend(kRate, 2);
    AudioLib lib(options);
    lib.init(1, kRate, 0, nullptr);
    const QString tone = writeTone(dir + "/restart.wav", kRate, 20.0, 330.0);
    std::vector<Handle> streams;
    for (int i = 0; i < 32; ++i) {
        const Handle h = lib.streamCreateFile(tone, 0);
        lib.channelSetFx(h, FxType::Echo, 0); // the default 500 ms repeats on a 2 s line
        streams.push_back(h);
    }
    // Every feed pre-buffered, so the timed periods only mix (no decoding in them).
    const auto preBuffer = [&] {
        for (Handle h : streams)
            lib.channelPreBuf(h, 200);
    };
    lib.beginBatch();
    for (Handle h : streams)
        lib.channelPlay(h, true);
    lib.endBatch();
    preBuffer();
    std::vector<float> block(std::size_t(kPeriod) * 2);
    for (int i = 0; i < 3 * kRate / kPeriod; ++i) // long enough to fill the echo lines
        lib.renderOffline(block.data(), kPeriod);
    std::vector<double> normal, restart;
    for (int round = 0; round < 15; ++round) {
        preBuffer();
        for (int i = 0; i < 20; ++i)
            normal.push_back(timedPeriod(lib, block, kPeriod));
        lib.beginBatch();
        for (Handle h : streams)
            lib.channelPlay(h, true); // GO from the top while playing
        lib.endBatch();
        preBuffer();
        restart.push_back(timedPeriod(lib, block, kPeriod));
        for (int i = 0; i < kRate / kPeriod; ++i) // a second of sound before the next GO
            lib.renderOffline(block.data(), kPeriod);
    }
    std::sort(normal.begin(), normal.end());
    std::sort(restart.begin(), restart.end());
    std::printf("Restart of 32 channels with echo in one batch, %d-frame periods at %d kHz "
                "(budget %.0f us), CPU time: ordinary period median %.0f us; restart period "
                "median %.0f us, max %.0f us\n",
                kPeriod, kRate / 1000, 1e6 * kPeriod / kRate, normal[normal.size() / 2],
                restart[restart.size() / 2], restart.back());
    for (Handle h : streams)
        lib.streamFree(h);
}

// 32 channels on the offline device; CPU time per period while all of them slide, and
// while none does.
void slides(const QString& dir) {
    constexpr int kRate = 48000;
    constexpr int kPeriod = 256;
    AudioLibOptions options;
    options.backend = makeOfflineBackend(kRate, 2);
    AudioLib lib(options);
    lib.init(1, kRate, 0, nullptr);
    const QString tone = writeTone(dir + "/slides.wav", kRate, 30.0, 330.0);
    std::vector<Handle> streams;
    for (int i = 0; i < 32; ++i)
        streams.push_back(lib.streamCreateFile(tone, 0));
    lib.beginBatch();
    for (Handle h : streams)
        lib.channelPlay(h, true);
    lib.endBatch();
    std::vector<float> block(std::size_t(kPeriod) * 2);
    const auto medianOf = [&](int periods) {
        std::vector<double> t;
        for (int i = 0; i < periods; ++i) {
            if (i % 64 == 0)
                for (Handle h : streams)
                    lib.channelPreBuf(h, 200); // no decoding inside the timed periods
            t.push_back(timedPeriod(lib, block, kPeriod));
        }
        std::sort(t.begin(), t.end());
        return t[t.size() / 2];
    };
    const double steady = medianOf(400);
    for (std::size_t i = 0; i < streams.size(); ++i) // 20 s fades, longer than the timing
        lib.channelSlideAttributes(streams[i], -1, int(i % 2 ? 10 : 90), -101, 20000);
    const double sliding = medianOf(400);
    std::printf("32 volume slides at once, %d-frame periods at %d kHz, CPU time: median %.1f us "
                "per period sliding, %.1f us at a steady volume (%.1f us for the slides)\n",
                kPeriod, kRate / 1000, sliding, steady, sliding - steady);
    for (Handle h : streams)
        lib.streamFree(h);
}

void printTimes(const char* what, const RenderTimeFigures& t, double budgetUs) {
    std::printf("  %-46s %6lld periods: median %5.1f %%, 99.9th %5.1f %%, max %5.1f %% (%.0f us "
                "of %.0f), over budget %lld\n",
                what, static_cast<long long>(t.periods), t.medianPercent, t.p999Percent,
                t.maxPercent, t.maxUs, budgetUs, static_cast<long long>(t.overBudget));
}

// Runs the device for `ms`, calling `each` every `everyMs` (0: never), and prints the
// callback's time histogram of that stretch alone.
template <typename Each>
void timesOver(AudioLib& lib, const char* what, int ms, int everyMs, Each each, double budgetUs) {
    lib.restartRenderTimes();
    QElapsedTimer t;
    t.start();
    qint64 next = everyMs;
    while (t.elapsed() < ms) {
        pump([] { return false; }, 5);
        if (everyMs > 0 && t.elapsed() >= next) {
            each();
            next += everyMs;
        }
    }
    printTimes(what, lib.getRenderTimes(), budgetUs);
    printTimes("  the thread's CPU time in those periods", lib.getRenderTimes(true), budgetUs);
}

void jackFigures(const QString& dir) {
    AudioLibOptions options;
    options.converter = g_converter;
    AudioLib lib(options);
    int jack = 0;
    for (int i = 1; lib.getDeviceDescription(i); ++i)
        if (lib.getDeviceDescription(i)->driver == QLatin1String("jack"))
            jack = i;
    if (jack == 0 || !lib.init(jack, 44100, flags::Latency, nullptr)) {
        std::printf("JACK: no server answers; start one with scripts/services/jack.start\n");
        return;
    }
    DeviceInfo info;
    lib.getInfo(info);
    std::printf("JACK: %d Hz, output latency %d ms\n", info.sampleRate, info.latencyMs);
    const QString tone48 = writeTone(dir + "/go48.wav", info.sampleRate, 2.0, 440.0);
    // Device frames from the call to the period that starts the sound, and the wall time
    // until that period has been mixed (busy-polled: the figure, not a sleep's grain).
    std::vector<double> go, waitMs;
    for (int i = 0; i < 20; ++i) {
        const Handle h = lib.streamCreateFile(tone48, 0);
        lib.channelPreBuf(h, 500);
        pump([] { return false; }, 7 + i % 5); // PLAY at a different point of the period
        QElapsedTimer wall;
        const std::int64_t called = lib.deviceFrame();
        wall.start();
        lib.channelPlay(h, true);
        while (lib.channelStartFrame(h) < 0 && wall.elapsed() < 2000) {
        }
        waitMs.push_back(wall.nsecsElapsed() / 1e6);
        go.push_back(double(lib.channelStartFrame(h) - called));
        lib.streamFree(h);
    }
    std::sort(go.begin(), go.end());
    std::sort(waitMs.begin(), waitMs.end());
    const double mean = std::accumulate(go.begin(), go.end(), 0.0) / go.size();
    const double meanWait = std::accumulate(waitMs.begin(), waitMs.end(), 0.0) / waitMs.size();
    std::printf("GO latency, JACK: the sound starts at the next period (min %.0f / mean %.1f / max "
                "%.0f periods late), mixed %.2f ms (mean; max %.2f) after the call; with the "
                "output latency %d ms about %.1f ms to the speaker\n",
                go.front() / 256, mean / 256, go.back() / 256, meanWait, waitMs.back(),
                info.latencyMs, meanWait + info.latencyMs);

    // 32 channels, every one converted from 44.1 kHz.
    std::vector<Handle> streams;
    for (int i = 0; i < 32; ++i) {
        const QString path =
            writeTone(dir + QStringLiteral("/cpu%1.wav").arg(i), 44100, 12.0, 200.0 + 37 * i);
        const Handle h = lib.streamCreateFile(path, 0);
        lib.channelSetAttributes(h, -1, 90, (i * 37) % 201 - 100);
        lib.channelPreBuf(h, 500);
        streams.push_back(h);
    }
    lib.beginBatch();
    for (Handle h : streams)
        lib.channelPlay(h, true);
    lib.endBatch();
    pump([] { return false; }, 1000);
    std::vector<float> cpu;
    for (int i = 0; i < 40; ++i) {
        pump([] { return false; }, 100);
        cpu.push_back(lib.getCpu());
    }
    const std::int64_t under = lib.underruns();
    std::sort(cpu.begin(), cpu.end());
    std::printf("CPU, 32 stereo channels converted 44.1 -> %d kHz on JACK: median %.1f %%, max "
                "%.1f %% of the period; underruns %lld\n",
                info.sampleRate / 1000, cpu[cpu.size() / 2], cpu.back(),
                static_cast<long long>(under));
    for (Handle h : streams)
        lib.channelSetAttributes(h, info.sampleRate, -1, -101); // no conversion
    lib.beginBatch();
    for (Handle h : streams)
        lib.channelPlay(h, true);
    lib.endBatch();
    pump([] { return false; }, 1000);
    cpu.clear();
    for (int i = 0; i < 30; ++i) {
        pump([] { return false; }, 100);
        cpu.push_back(lib.getCpu());
    }
    std::sort(cpu.begin(), cpu.end());
    std::printf("CPU, the same 32 channels sped up to play without conversion: median %.1f %%\n",
                cpu[cpu.size() / 2]);

    const double budgetUs = 1e6 * 256 / info.sampleRate;
    const auto restartAll = [&] {
        lib.beginBatch();
        for (Handle h : streams)
            lib.channelPlay(h, true);
        lib.endBatch();
    };
    std::printf("Callback time per period on JACK, 32 stereo channels (wall time inside the "
                "callback, share of the period):\n");
    timesOver(
        lib, "no conversion, steady", 4000, 0, [] {}, budgetUs);
    for (Handle h : streams)
        lib.channelSetAttributes(h, 44100, -1, -101);
    restartAll();
    pump([] { return false; }, 500);
    timesOver(
        lib, "44.1 -> 48 kHz, steady", 4000, 0, [] {}, budgetUs);
    timesOver(lib, "44.1 -> 48 kHz, restarted every 250 ms", 4000, 250, restartAll, budgetUs);
    for (Handle h : streams)
        lib.streamFree(h);
    streams.clear();
    // Short sounds: 0.3 s loops wrap three times a second; played without the loop they end
    // and are started again.
    const QString shortTone = writeTone(dir + "/short.wav", 44100, 0.3, 500.0);
    for (int i = 0; i < 32; ++i) {
        const Handle h = lib.streamCreateFile(shortTone, 0);
        lib.channelSetAttributes(h, -1, 90, (i * 37) % 201 - 100);
        lib.channelSetFlags(h, flags::Loop);
        lib.channelPreBuf(h, 500);
        streams.push_back(h);
    }
    restartAll();
    pump([] { return false; }, 500);
    timesOver(
        lib, "44.1 -> 48 kHz, 0.3 s loops wrapping", 4000, 0, [] {}, budgetUs);
    for (Handle h : streams)
        lib.channelSetFlags(h, 0);
    timesOver(lib, "44.1 -> 48 kHz, 0.3 s sounds ending, new start 0.5 s", 4000, 500, restartAll,
              budgetUs);
    for (Handle h : streams)
        lib.channelSetAttributes(h, info.sampleRate, -1, -101);
    timesOver(lib, "no conversion, 0.3 s sounds ending, new start 0.5 s", 4000, 500, restartAll,
              budgetUs);
    for (Handle h : streams)
        lib.streamFree(h);
    lib.free();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto at = args.indexOf(QStringLiteral("--converter"));
    const QString name = at >= 0 && at + 1 < args.size() ? args[at + 1] : QString();
    if (name == QLatin1String("samplerate"))
        g_converter = RateConverter::Kind::Samplerate;
    else if (name == QLatin1String("soxr"))
        g_converter = RateConverter::Kind::Soxr;
    else if (name == QLatin1String("polyphase"))
        g_converter = RateConverter::Kind::Polyphase;
    else if (!name.isEmpty()) {
        std::fprintf(stderr, "unknown converter %s (samplerate, soxr or polyphase)\n",
                     qPrintable(name));
        return 2;
    }
    std::printf("Rate converter: %s\n",
                g_converter == RateConverter::Kind::Samplerate ? "libsamplerate"
                : g_converter == RateConverter::Kind::Soxr     ? "libsoxr"
                                                               : "polyphase (ours)");
    QTemporaryDir dir;
    const QString tone = writeTone(dir.path() + "/go.wav", 48000, 1.0, 440.0);
    offlineLatency(tone);
    restartWithEcho(dir.path());
    slides(dir.path());
    jackFigures(dir.path());
    return 0;
}
