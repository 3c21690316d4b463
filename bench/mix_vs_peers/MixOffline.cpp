// bench_mix_offline OUT.wav IN1.wav IN2.wav ...: mixes every input with its own volume
// and pan through the engine's offline device (the very mixing code the sound cards
// get) and writes the mix as 16-bit stereo WAV. Channel i gets volume 100 - (i % 10) and
// pan (i * 37) % 201 - 100, the same figures run.sh gives the peers. Prints its own time
// split; run.sh times the whole process. Single-threaded caller; the disk thread decodes
// alongside.
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

using namespace kalvor::audio;

namespace {

void put32(std::FILE* f, std::uint32_t v) {
    std::fwrite(&v, 4, 1, f);
}
void put16(std::FILE* f, std::uint16_t v) {
    std::fwrite(&v, 2, 1, f);
}

void writeHeader(std::FILE* f, std::uint32_t dataBytes) {
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1);
    put16(f, 2);
    put32(f, 44100);
    put32(f, 44100 * 4);
    put16(f, 4);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, dataBytes);
}

} // namespace

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

    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr)
        return 1;
    writeHeader(out, 0);
    constexpr int kBlock = 4096;
    std::vector<float> mix(kBlock * 2);
    std::vector<std::int16_t> pcm(kBlock * 2);
    std::int64_t done = 0;
    double renderMs = 0;
    while (done < longest) {
        const int n = int(std::min<std::int64_t>(kBlock, longest - done));
        QElapsedTimer r;
        r.start();
        lib.renderOffline(mix.data(), n);
        renderMs += r.nsecsElapsed() / 1e6;
        for (int i = 0; i < n * 2; ++i)
            pcm[std::size_t(i)] = std::int16_t(
                std::lrint(std::clamp(mix[std::size_t(i)], -1.0f, 32767.0f / 32768.0f) * 32768.0f));
        std::fwrite(pcm.data(), 2, std::size_t(n) * 2, out);
        done += n;
    }
    std::fseek(out, 0, SEEK_SET);
    writeHeader(out, std::uint32_t(done * 4));
    std::fclose(out);
    std::printf("engine: %zu streams, %lld frames, open %.1f ms, render %.1f ms, total %.1f ms, "
                "underruns %lld\n",
                streams.size(), static_cast<long long>(done), openMs, renderMs,
                clock.nsecsElapsed() / 1e6, static_cast<long long>(lib.underruns()));
    return 0;
}
