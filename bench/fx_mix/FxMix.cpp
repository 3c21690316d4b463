// kalvor_fx_mix_bench OUT.wav IN1.wav IN2.wav ...: plays every input on its own stream of
// the engine's offline device (the mixing code the sound cards get) with a channel's full
// effect chain attached through the library's effect calls: three EQ bands, reverb, echo,
// chorus and flanger, in that order. Writes the mix as 16-bit stereo WAV and prints the
// process's CPU time and the realtime factor; run.sh sets it beside sox doing the same.
// The settings are the ones run.sh gives sox, as far as sox's effects have them.
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/dsp/EffectParams.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace kalvor::audio;
namespace dsp = kalvor::engine::dsp;

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

void put32(std::FILE* f, std::uint32_t v) {
    std::fwrite(&v, 4, 1, f);
}
void put16(std::FILE* f, std::uint16_t v) {
    std::fwrite(&v, 2, 1, f);
}

void writeHeader(std::FILE* f, int rate, std::uint32_t dataBytes) {
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1);
    put16(f, 2);
    put32(f, std::uint32_t(rate));
    put32(f, std::uint32_t(rate) * 4);
    put16(f, 4);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, dataBytes);
}

bool attachChain(AudioLib& lib, Handle h) {
    // EQ 125 Hz +4 dB, 1 kHz -3 dB, 8 kHz +5 dB, one octave each.
    const dsp::DsfxParamEq bands[3] = {{125, 12, 4}, {1000, 12, -3}, {8000, 12, 5}};
    for (const auto& band : bands) {
        const Handle fx = lib.channelSetFx(h, FxType::ParamEq, 0);
        if (fx == 0 || !lib.fxSetParameters(fx, &band))
            return false;
    }
    // Reverb 1.5 s, the reverb 6 dB below the direct sound.
    const dsp::DsfxWavesReverb reverb{0.0f, -6.0f, 1500.0f, 0.5f};
    dsp::DsfxEcho echo;
    echo.leftDelay = echo.rightDelay = 250;
    echo.feedback = 40;
    echo.wetDryMix = 40;
    dsp::DsfxChorus chorus;   // 16 ms at 1.1 Hz
    dsp::DsfxFlanger flanger; // 2 ms at 0.25 Hz
    const struct {
        FxType type;
        const void* params;
    } rest[] = {{FxType::WavesReverb, &reverb},
                {FxType::Echo, &echo},
                {FxType::Chorus, &chorus},
                {FxType::Flanger, &flanger}};
    for (const auto& r : rest) {
        const Handle fx = lib.channelSetFx(h, r.type, 0);
        if (fx == 0 || !lib.fxSetParameters(fx, r.params))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: kalvor_fx_mix_bench OUT.wav IN.wav...\n");
        return 2;
    }
    const double cpuStart = cpuSeconds();
    constexpr int kRate = 44100;
    AudioLibOptions options;
    options.backend = makeOfflineBackend(kRate, 2);
    AudioLib lib(options);
    if (!lib.init(1, kRate, 0, nullptr))
        return 1;
    std::vector<Handle> streams;
    std::int64_t longest = 0;
    for (int i = 2; i < argc; ++i) {
        const Handle h = lib.streamCreateFile(QString::fromLocal8Bit(argv[i]), 0);
        if (h == 0) {
            std::fprintf(stderr, "cannot open %s (error %d)\n", argv[i], int(lib.errorGetCode()));
            return 1;
        }
        if (!attachChain(lib, h)) {
            std::fprintf(stderr, "effects refused on %s (error %d)\n", argv[i],
                         int(lib.errorGetCode()));
            return 1;
        }
        StreamInfo info;
        lib.channelGetInfo(h, info);
        longest = std::max(longest, lib.channelGetLength(h) / (2 * info.channels));
        streams.push_back(h);
    }
    lib.beginBatch();
    for (Handle h : streams)
        lib.channelPlay(h, true);
    lib.endBatch();

    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr)
        return 1;
    writeHeader(out, kRate, 0);
    constexpr int kBlock = 4096;
    std::vector<float> mix(kBlock * 2);
    std::vector<std::int16_t> pcm(kBlock * 2);
    std::int64_t done = 0;
    double renderCpu = 0;
    // The mix of 32 loud channels clips; scaled down as sox -m does (1 / inputs).
    const float scale = 1.0f / float(streams.size());
    while (done < longest) {
        const int n = int(std::min<std::int64_t>(kBlock, longest - done));
        const double before = cpuSeconds();
        lib.renderOffline(mix.data(), n);
        renderCpu += cpuSeconds() - before;
        for (int i = 0; i < n * 2; ++i)
            pcm[std::size_t(i)] = std::int16_t(std::lrint(
                std::clamp(mix[std::size_t(i)] * scale, -1.0f, 32767.0f / 32768.0f) * 32768.0f));
        std::fwrite(pcm.data(), 2, std::size_t(n) * 2, out);
        done += n;
    }
    std::fseek(out, 0, SEEK_SET);
    writeHeader(out, kRate, std::uint32_t(done * 4));
    std::fclose(out);
    const double cpu = cpuSeconds() - cpuStart;
    const double seconds = double(done) / kRate;
    std::printf("kalvor: %zu streams x %.1f s, 7 effects each: render %.2f s CPU, process %.2f s "
                "CPU, realtime factor %.1fx on one core (%.2f ms CPU per stream-second), "
                "underruns %lld\n",
                streams.size(), seconds, renderCpu, cpu, seconds / cpu,
                1000.0 * renderCpu / (seconds * double(streams.size())),
                static_cast<long long>(lib.underruns()));
    return 0;
}
