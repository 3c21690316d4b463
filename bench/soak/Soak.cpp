// bench_soak [SECONDS] [CONVERTER] [CHANNELS]: the engine plays CHANNELS (default 32)
// looping 44.1 kHz stereo channels
// (each a different tone, every one rate-converted to the server's rate) on the JACK server
// this process is pointed at, for SECONDS (default 180). A second JACK client of our own
// counts the server's xruns. Prints, once a minute and at the end: xruns, the engine's
// underruns, and the callback's time per period from the engine's histogram (median,
// 99.9th percentile, max, periods over budget), wall and thread CPU time, with the load
// average. CONVERTER: samplerate, soxr or polyphase (default: the engine's; "-" for it).
// CHANNELS 0 gives the baseline: what the server and machine do with the engine idle.
// Meant to grow into the full soak (every effect on, clicks analysis of a recording).
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"

#include <jack/jack.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace kalvor::audio;

namespace {

std::atomic<long> g_xruns{0};

int onXrun(void*) {
    g_xruns.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

// 16-bit stereo WAV of a sine.
bool writeTone(const QString& path, int rate, double seconds, double hz) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const auto frames = static_cast<std::uint32_t>(rate * seconds);
    const std::uint32_t data = frames * 4;
    const auto u32 = [&](std::uint32_t v) {
        f.write(reinterpret_cast<const char*>(&v), 4);
    };
    const auto u16 = [&](std::uint16_t v) {
        f.write(reinterpret_cast<const char*>(&v), 2);
    };
    f.write("RIFF", 4);
    u32(36 + data);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate) * 4);
    u16(4);
    u16(16);
    f.write("data", 4);
    u32(data);
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(frames) * 2);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(
            std::lround(8000 * std::sin(2 * 3.14159265358979 * hz * i / rate)));
        pcm[2 * i] = v;
        pcm[2 * i + 1] = v;
    }
    f.write(reinterpret_cast<const char*>(pcm.data()), static_cast<qint64>(pcm.size() * 2));
    return true;
}

void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void report(AudioLib& lib, const char* when, double budgetUs) {
    double load[3] = {};
    if (getloadavg(load, 3) < 0)
        load[0] = -1;
    std::printf("%s: xruns %ld, engine underruns %lld, load average %.2f\n", when, g_xruns.load(),
                static_cast<long long>(lib.underruns()), load[0]);
    for (const bool cpu : {false, true}) {
        const RenderTimeFigures t = lib.getRenderTimes(cpu);
        std::printf("  %-11s %lld periods: median %.1f %%, 99.9th %.1f %%, max %.1f %% (%.0f us "
                    "of %.0f), over budget %lld\n",
                    cpu ? "thread CPU" : "wall", static_cast<long long>(t.periods), t.medianPercent,
                    t.p999Percent, t.maxPercent, t.maxUs, budgetUs,
                    static_cast<long long>(t.overBudget));
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = args.size() > 1 ? args[1].toInt() : 180;
    AudioLibOptions options;
    const int channels = args.size() > 3 ? args[3].toInt() : 32;
    if (args.size() > 2 && args[2] != QLatin1String("-")) {
        if (args[2] == QLatin1String("samplerate"))
            options.converter = RateConverter::Kind::Samplerate;
        else if (args[2] == QLatin1String("soxr"))
            options.converter = RateConverter::Kind::Soxr;
        else if (args[2] == QLatin1String("polyphase"))
            options.converter = RateConverter::Kind::Polyphase;
        else {
            std::fprintf(stderr, "unknown converter (samplerate, soxr or polyphase)\n");
            return 2;
        }
    }
    if (seconds <= 0 || channels < 0 || channels > 32) {
        std::fprintf(stderr, "usage: bench_soak [SECONDS] [CONVERTER] [CHANNELS 0..32]\n");
        return 2;
    }

    jack_client_t* watcher = jack_client_open("kalvor-soak-xruns", JackNoStartServer, nullptr);
    if (watcher == nullptr) {
        std::printf("JACK: no server answers; start one first (bench/soak/run.sh does)\n");
        return 1;
    }
    jack_set_xrun_callback(watcher, onXrun, nullptr);
    jack_activate(watcher);

    AudioLib lib(options);
    int jack = 0;
    for (int i = 1; lib.getDeviceDescription(i); ++i)
        if (lib.getDeviceDescription(i)->driver == QLatin1String("jack"))
            jack = i;
    if (jack == 0 || !lib.init(jack, 44100, flags::Latency, nullptr)) {
        std::printf("JACK: the engine could not open the server\n");
        jack_client_close(watcher);
        return 1;
    }
    DeviceInfo info;
    lib.getInfo(info);
    const double budgetUs = 1e6 * 256 / info.sampleRate;
    std::printf("JACK %d Hz; %d looping 44.1 kHz stereo channels for %d s\n", info.sampleRate,
                channels, seconds);

    QTemporaryDir dir;
    std::vector<Handle> streams;
    for (int i = 0; i < channels; ++i) {
        // Loops of different lengths, so wraps fall in different periods.
        const QString path = dir.path() + QStringLiteral("/loop%1.wav").arg(i);
        if (!writeTone(path, 44100, 1.0 + 0.13 * i, 200.0 + 37 * i)) {
            std::printf("could not write %s\n", qPrintable(path));
            return 1;
        }
        const Handle h = lib.streamCreateFile(path, 0);
        lib.channelSetAttributes(h, -1, 90, (i * 37) % 201 - 100);
        lib.channelSetFlags(h, flags::Loop);
        lib.channelPreBuf(h, 500);
        streams.push_back(h);
    }
    lib.beginBatch();
    for (Handle h : streams)
        lib.channelPlay(h, true);
    lib.endBatch();
    pump(1000); // start-up is not the steady state
    g_xruns.store(0);
    lib.restartRenderTimes();
    const long underrunsAtStart = static_cast<long>(lib.underruns());
    for (int s = 0; s < seconds; s += 60) {
        pump(1000 * std::min(60, seconds - s));
        const QString when = QStringLiteral("after %1 s").arg(std::min(s + 60, seconds));
        report(lib, qPrintable(when), budgetUs);
    }
    std::printf("total: %ld xruns in %d s (engine underruns since start %lld)\n", g_xruns.load(),
                seconds, static_cast<long long>(lib.underruns()) - underrunsAtStart);
    for (Handle h : streams)
        lib.streamFree(h);
    lib.free();
    jack_client_close(watcher);
    return 0;
}
