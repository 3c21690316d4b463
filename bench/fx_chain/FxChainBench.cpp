// Benchmark: 32 channels, each a stereo sound, through the full effect chain (three EQ
// bands, reverb, echo, chorus, flanger), mixed to one stereo output, in the block sizes of
// an audio callback. Prints the CPU time and how many times faster than real time one core
// runs the whole show. No assertions: the figures are for reading beside sox's
// (see run_fx_chain_bench.sh).
//
//   kalvor_fx_chain_bench [--block FRAMES] [--out mix.wav] input1.wav input2.wav ...
//   kalvor_fx_chain_bench --synth CHANNELS SECONDS       (no files: noise made in memory)
//
// Inputs are 16-bit or 32-bit float WAV files of one rate and channel count.
#include "engine/dsp/Chorus.h"
#include "engine/dsp/Echo.h"
#include "engine/dsp/EffectChain.h"
#include "engine/dsp/Flanger.h"
#include "engine/dsp/ParamEq.h"
#include "engine/dsp/WavesReverb.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace kalvor::engine::dsp;

namespace {

struct Sound {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved
};

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}

bool readWav(const std::string& path, Sound& out) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return false;
    int format = 0, bits = 0;
    for (std::size_t pos = 12; pos + 8 <= bytes.size();) {
        const unsigned char* chunk = bytes.data() + pos;
        const std::size_t size = le32(chunk + 4);
        const unsigned char* body = chunk + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            format = le16(body);
            out.channels = le16(body + 2);
            out.rate = static_cast<int>(le32(body + 4));
            bits = le16(body + 14);
            if (format == 0xFFFE && size >= 26) // extensible: the real format follows
                format = le16(body + 24);
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            const std::size_t available = std::min(size, bytes.size() - pos - 8);
            if (format == 1 && bits == 16) {
                out.samples.resize(available / 2);
                for (std::size_t i = 0; i < out.samples.size(); ++i)
                    out.samples[i] = static_cast<std::int16_t>(le16(body + 2 * i)) / 32768.0f;
                return true;
            }
            if (format == 3 && bits == 32) {
                out.samples.resize(available / 4);
                std::memcpy(out.samples.data(), body, out.samples.size() * 4);
                return true;
            }
            return false;
        }
        pos += 8 + size + (size & 1);
    }
    return false;
}

void writeWav16(const std::string& path, const std::vector<float>& mix, int rate, int channels) {
    std::ofstream out(path, std::ios::binary);
    auto put32 = [&](std::uint32_t v) {
        const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        out.write(b, 4);
    };
    auto put16 = [&](std::uint16_t v) {
        const char b[2] = {char(v), char(v >> 8)};
        out.write(b, 2);
    };
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(mix.size() * 2);
    out.write("RIFF", 4);
    put32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(static_cast<std::uint16_t>(channels));
    put32(static_cast<std::uint32_t>(rate));
    put32(static_cast<std::uint32_t>(rate * channels * 2));
    put16(static_cast<std::uint16_t>(channels * 2));
    put16(16);
    out.write("data", 4);
    put32(dataBytes);
    std::vector<std::int16_t> pcm(mix.size());
    for (std::size_t i = 0; i < mix.size(); ++i)
        pcm[i] = static_cast<std::int16_t>(std::lround(std::clamp(mix[i], -1.0f, 1.0f) * 32767.0f));
    out.write(reinterpret_cast<const char*>(pcm.data()), std::streamsize(pcm.size() * 2));
}

// One playback channel's effects, set like a busy show: every effect on.
struct ChannelEffects {
    ParamEq low, mid, high;
    WavesReverb reverb;
    Echo echo;
    Chorus chorus;
    Flanger flanger;
    EffectChain chain;

    ChannelEffects(int rate, int channels, int index) {
        const float nudge = static_cast<float>(index % 4);
        low.setParameters(DsfxParamEq{125.0f, 12.0f, 4.0f});
        mid.setParameters(DsfxParamEq{1000.0f, 12.0f, -3.0f});
        high.setParameters(DsfxParamEq{8000.0f, 12.0f, 5.0f});
        reverb.setParameters(DsfxWavesReverb{0.0f, -6.0f, 1500.0f + 100.0f * nudge, 0.5f});
        echo.setParameters(DsfxEcho{30.0f, 40.0f, 250.0f + nudge, 375.0f, 1});
        DsfxChorus chorusParams; // the defaults
        chorus.setParameters(chorusParams);
        DsfxFlanger flangerParams;
        flanger.setParameters(flangerParams);
        for (Effect* e :
             std::initializer_list<Effect*>{&low, &mid, &high, &reverb, &echo, &chorus, &flanger}) {
            e->prepare(rate, channels);
            chain.append(e);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    int block = 1024;
    std::string outPath;
    std::vector<Sound> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--block" && i + 1 < argc) {
            block = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--out" && i + 1 < argc) {
            outPath = argv[++i];
        } else if (arg == "--synth" && i + 2 < argc) {
            const int count = std::atoi(argv[++i]);
            const double seconds = std::atof(argv[++i]);
            std::mt19937 gen(1);
            std::uniform_real_distribution<float> dist(-0.3f, 0.3f);
            for (int c = 0; c < count; ++c) {
                Sound s;
                s.rate = 44100;
                s.channels = 2;
                s.samples.resize(std::size_t(seconds * s.rate) * 2);
                for (float& v : s.samples)
                    v = dist(gen);
                inputs.push_back(std::move(s));
            }
        } else {
            Sound s;
            if (!readWav(arg, s)) {
                std::fprintf(stderr, "cannot read %s (16-bit or float WAV expected)\n",
                             arg.c_str());
                return 1;
            }
            inputs.push_back(std::move(s));
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr,
                     "usage: %s [--block N] [--out mix.wav] in.wav ... | --synth N SECONDS\n",
                     argv[0]);
        return 2;
    }
    const int rate = inputs.front().rate;
    const int channels = inputs.front().channels;
    std::size_t frames = 0;
    for (const Sound& s : inputs) {
        if (s.rate != rate || s.channels != channels) {
            std::fprintf(stderr, "all inputs need the same rate and channel count\n");
            return 1;
        }
        frames = std::max(frames, s.samples.size() / std::size_t(channels));
    }

    std::vector<std::unique_ptr<ChannelEffects>> racks;
    for (std::size_t i = 0; i < inputs.size(); ++i)
        racks.push_back(std::make_unique<ChannelEffects>(rate, channels, int(i)));
    std::vector<float> mix(frames * std::size_t(channels), 0.0f);
    std::vector<float> scratch(std::size_t(block) * channels);

    // The callback's work: per period, every channel's block through its chain, then into
    // the mix.
    const double start = cpuSeconds();
    for (std::size_t at = 0; at < frames; at += std::size_t(block)) {
        const int n = static_cast<int>(std::min<std::size_t>(std::size_t(block), frames - at));
        float* out = mix.data() + at * std::size_t(channels);
        for (std::size_t c = 0; c < inputs.size(); ++c) {
            const std::vector<float>& src = inputs[c].samples;
            const std::size_t begin = at * std::size_t(channels);
            const std::size_t count = std::size_t(n) * std::size_t(channels);
            std::fill(scratch.begin(), scratch.end(), 0.0f);
            if (begin < src.size())
                std::copy_n(src.begin() + std::ptrdiff_t(begin),
                            std::min(count, src.size() - begin), scratch.begin());
            racks[c]->chain.process(scratch.data(), n);
            for (std::size_t k = 0; k < count; ++k)
                out[k] += scratch[k];
        }
    }
    const double cpu = cpuSeconds() - start;

    // Keep the result observable (and as loud as sox -m makes it: it divides by the count).
    for (float& v : mix)
        v /= static_cast<float>(inputs.size());
    if (!outPath.empty())
        writeWav16(outPath, mix, rate, channels);
    double energy = 0.0;
    for (float v : mix)
        energy += double(v) * v;

    const double showSeconds = double(frames) / rate;
    std::printf("kalvor fx chain: %zu channels x %.1f s (%d Hz, %d ch), block %d frames\n",
                inputs.size(), showSeconds, rate, channels, block);
    std::printf("  effects per channel: 3 EQ bands, reverb, echo, chorus, flanger\n");
    std::printf("  CPU time (effects + mix): %.3f s\n", cpu);
    std::printf("  realtime factor, whole show on one core: %.1fx (%.1f %% of a core)\n",
                showSeconds / cpu, 100.0 * cpu / showSeconds);
    std::printf("  per channel: %.1f ms CPU per second of sound\n",
                1000.0 * cpu / showSeconds / double(inputs.size()));
    std::printf("  mix rms: %.4f\n", std::sqrt(energy / double(mix.size())));
    return 0;
}
