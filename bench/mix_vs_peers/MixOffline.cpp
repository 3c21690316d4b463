// bench_mix_offline OUT.wav IN1.wav IN2.wav ...: mixes every input with its own volume
// and pan through the engine's offline device (the very mixing code the sound cards
// get) and writes the mix as 16-bit stereo WAV. Channel i gets volume 100 - (i % 10) and
// pan (i * 37) % 201 - 100, the same figures run.sh gives the peers; the file is written
// through the engine's WAV writer, as kalvor-tool writes it. Prints its own time
// split; run.sh times the whole process. Single-threaded caller; the disk thread decodes
// alongside.
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/audiolib/WavFileWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

using namespace kalvor::audio;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_mix_offline OUT.wav IN.wav...\n");
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    AudioLibOptions options;
    options.backend = makeOfflineBackend(44100, 2);
    AudioLib lib(options);
    if (!lib.init(1, 44100, 0, nullptr))
        return 1;
    std::vector<Handle> streams;
    std::int64_t longest = 0;
    for (int i = 2; i < argc; ++i) {
        const Handle h = lib.streamCreateFile(QString::fromLocal8Bit(argv[i]), 0);
        if (h == 0) {
            std::fprintf(stderr, "cannot open %s (error %d)\n", argv[i], int(lib.errorGetCode()));
            return 1;
        }
        const int n = i - 2;
        lib.channelSetAttributes(h, -1, 100 - n % 10, (n * 37) % 201 - 100);
        longest = std::max(longest, lib.channelGetLength(h) / 4);
        streams.push_back(h);
    }
    lib.beginBatch();
    for (Handle h : streams)
        lib.channelPlay(h, true);
    lib.endBatch();
    const double openMs = clock.nsecsElapsed() / 1e6;

    // The engine's writer, written in place as the null output records (an atomic file
    // would add a flush to disk that the peers do not make).
    WavFileWriter wav(QString::fromLocal8Bit(argv[1]), 44100, 2, WavSamples::Pcm16,
                      WavCommit::InPlace);
    QString error;
    if (!wav.open(&error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1], qPrintable(error));
        return 1;
    }
    constexpr int kBlock = 4096;
    std::vector<float> mix(kBlock * 2);
    std::int64_t done = 0;
    double renderMs = 0;
    while (done < longest) {
        const int n = int(std::min<std::int64_t>(kBlock, longest - done));
        QElapsedTimer r;
        r.start();
        lib.renderOffline(mix.data(), n);
        renderMs += r.nsecsElapsed() / 1e6;
        wav.write(mix.data(), n);
        done += n;
    }
    if (!wav.commit(&error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1], qPrintable(error));
        return 1;
    }
    std::printf("engine: %zu streams, %lld frames, open %.1f ms, render %.1f ms, total %.1f ms, "
                "underruns %lld\n",
                streams.size(), static_cast<long long>(done), openMs, renderMs,
                clock.nsecsElapsed() / 1e6, static_cast<long long>(lib.underruns()));
    return 0;
}
