// Benchmark: 32 channels, each a stereo sound, through the full effect chain (three EQ
// bands, reverb, echo, chorus, flanger), mixed to one stereo output, period by period as
// the audio callback does it. Each sound is read from its file one period at a time, as the
// engine's disk thread would, so the figures include reading and converting the samples.
// Prints the CPU time and how many times faster than real time one core runs the whole
// show. No assertions: the figures are for reading beside sox's (run_fx_chain_bench.sh).
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
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace kalvor::engine::dsp;

namespace {

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

// One channel's sound: a WAV file read a period at a time, or noise made up front.
class Source {
public:
    int rate = 44100;
    int channels = 2;
    std::size_t frames = 0;

    bool openWav(const std::string& path) {
        file_ = std::fopen(path.c_str(), "rb");
        if (file_ == nullptr)
            return false;
        unsigned char header[12];
        if (std::fread(header, 1, 12, file_) != 12 || std::memcmp(header, "RIFF", 4) != 0 ||
            std::memcmp(header + 8, "WAVE", 4) != 0)
            return false;
        int format = 0;
        for (;;) {
            unsigned char chunk[8];
            if (std::fread(chunk, 1, 8, file_) != 8)
                return false;
            const std::uint32_t size = le32(chunk + 4);
            if (std::memcmp(chunk, "fmt ", 4) == 0) {
                std::vector<unsigned char> body(size);
                if (std::fread(body.data(), 1, size, file_) != size || size < 16)
                    return false;
                format = le16(body.data());
                channels = le16(body.data() + 2);
                rate = static_cast<int>(le32(body.data() + 4));
                bits_ = le16(body.data() + 14);
                if (format == 0xFFFE && size >= 26) // extensible: the real format follows
                    format = le16(body.data() + 24);
                if (size & 1)
                    std::fseek(file_, 1, SEEK_CUR);
            } else if (std::memcmp(chunk, "data", 4) == 0) {
                if (!((format == 1 && bits_ == 16) || (format == 3 && bits_ == 32)) || channels < 1)
                    return false;
                frames = size / std::size_t(bits_ / 8 * channels);
                return true;
            } else {
                std::fseek(file_, long(size + (size & 1)), SEEK_CUR);
            }
        }
    }

    void synthesise(double seconds, unsigned seed) {
        std::mt19937 gen(seed);
        std::uniform_real_distribution<float> dist(-0.3f, 0.3f);
        frames = std::size_t(seconds * rate);
        memory_.resize(frames * std::size_t(channels));
        for (float& v : memory_)
            v = dist(gen);
    }

    // The next `n` frames into `out` (zeros past the end).
    void read(float* out, int n) {
        const std::size_t count = std::size_t(n) * std::size_t(channels);
        std::size_t got = 0;
        if (file_ != nullptr) {
            if (bits_ == 16) {
                raw_.resize(count);
                got = std::fread(raw_.data(), 2, count, file_);
                for (std::size_t i = 0; i < got; ++i)
                    out[i] = static_cast<float>(raw_[i]) * (1.0f / 32768.0f);
            } else {
                got = std::fread(out, 4, count, file_);
            }
        } else {
            got = std::min(count, memory_.size() - std::min(memory_.size(), at_));
            std::copy_n(memory_.data() + at_, got, out);
            at_ += got;
        }
        std::fill(out + got, out + count, 0.0f);
    }

    ~Source() {
        if (file_ != nullptr)
            std::fclose(file_);
    }

private:
    std::FILE* file_ = nullptr;
    int bits_ = 16;
    std::vector<std::int16_t> raw_;
    std::vector<float> memory_;
    std::size_t at_ = 0;
};

class WavWriter {
public:
    WavWriter(const std::string& path, int rate, int channels)
        : file_(std::fopen(path.c_str(), "wb")), rate_(rate), channels_(channels) {
        if (file_ != nullptr)
            writeHeader(0);
    }
    void write(const float* samples, std::size_t count) {
        if (file_ == nullptr)
            return;
        pcm_.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            pcm_[i] = static_cast<std::int16_t>(
                std::lround(std::clamp(samples[i], -1.0f, 1.0f) * 32767.0f));
        std::fwrite(pcm_.data(), 2, count, file_);
        bytes_ += count * 2;
    }
    ~WavWriter() {
        if (file_ == nullptr)
            return;
        std::fseek(file_, 0, SEEK_SET);
        writeHeader(static_cast<std::uint32_t>(bytes_));
        std::fclose(file_);
    }

private:
    void writeHeader(std::uint32_t dataBytes) {
        unsigned char h[44];
        auto put32 = [&](int at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                h[at + i] = static_cast<unsigned char>(v >> (8 * i));
        };
        auto put16 = [&](int at, std::uint32_t v) {
            h[at] = static_cast<unsigned char>(v);
            h[at + 1] = static_cast<unsigned char>(v >> 8);
        };
        std::memcpy(h, "RIFF", 4);
        put32(4, 36 + dataBytes);
        std::memcpy(h + 8, "WAVEfmt ", 8);
        put32(16, 16);
        put16(20, 1);
        put16(22, static_cast<std::uint32_t>(channels_));
        put32(24, static_cast<std::uint32_t>(rate_));
        put32(28, static_cast<std::uint32_t>(rate_ * channels_ * 2));
        put16(32, static_cast<std::uint32_t>(channels_ * 2));
        put16(34, 16);
        std::memcpy(h + 36, "data", 4);
        put32(40, dataBytes);
        std::fwrite(h, 1, 44, file_);
    }

    std::FILE* file_;
    int rate_;
    int channels_;
    std::size_t bytes_ = 0;
    std::vector<std::int16_t> pcm_;
};

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
        chorus.setParameters(DsfxChorus{}); // the defaults
        flanger.setParameters(DsfxFlanger{});
        for (Effect* e :
             std::initializer_list<Effect*>{&low, &mid, &high, &reverb, &echo, &chorus, &flanger}) {
            e->prepare(rate, channels);
            chain.append(e);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    const double startAll = cpuSeconds();
    int block = 1024;
    std::string outPath;
    std::vector<std::unique_ptr<Source>> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--block" && i + 1 < argc) {
            block = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--out" && i + 1 < argc) {
            outPath = argv[++i];
        } else if (arg == "--synth" && i + 2 < argc) {
            const int count = std::atoi(argv[++i]);
            const double seconds = std::atof(argv[++i]);
            for (int c = 0; c < count; ++c) {
                inputs.push_back(std::make_unique<Source>());
                inputs.back()->synthesise(seconds, unsigned(c + 1));
            }
        } else {
            inputs.push_back(std::make_unique<Source>());
            if (!inputs.back()->openWav(arg)) {
                std::fprintf(stderr, "cannot read %s (16-bit or float WAV expected)\n",
                             arg.c_str());
                return 1;
            }
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: %s [--block N] [--out mix.wav] in.wav ... | --synth N S\n",
                     argv[0]);
        return 2;
    }
    const int rate = inputs.front()->rate;
    const int channels = inputs.front()->channels;
    std::size_t frames = 0;
    for (const auto& s : inputs) {
        if (s->rate != rate || s->channels != channels) {
            std::fprintf(stderr, "all inputs need the same rate and channel count\n");
            return 1;
        }
        frames = std::max(frames, s->frames);
    }

    std::vector<std::unique_ptr<ChannelEffects>> racks;
    for (std::size_t i = 0; i < inputs.size(); ++i)
        racks.push_back(std::make_unique<ChannelEffects>(rate, channels, int(i)));
    std::vector<float> mix(std::size_t(block) * channels);
    const std::size_t stride = std::size_t(block) * std::size_t(channels);
    std::vector<float> scratch(stride * inputs.size()); // this period of every channel
    std::unique_ptr<WavWriter> writer;
    if (!outPath.empty())
        writer = std::make_unique<WavWriter>(outPath, rate, channels);

    // The show: per period, every channel's block read, through its chain, into the mix.
    double effectsCpu = 0.0;
    double energy = 0.0;
    const float mixScale = 1.0f / static_cast<float>(inputs.size()); // as sox -m does
    for (std::size_t at = 0; at < frames; at += std::size_t(block)) {
        const int n = static_cast<int>(std::min<std::size_t>(std::size_t(block), frames - at));
        const std::size_t count = std::size_t(n) * std::size_t(channels);
        std::fill_n(mix.begin(), count, 0.0f);
        for (std::size_t c = 0; c < inputs.size(); ++c)
            inputs[c]->read(scratch.data() + c * stride, n);
        const double t0 = cpuSeconds();
        for (std::size_t c = 0; c < inputs.size(); ++c) {
            float* sound = scratch.data() + c * stride;
            racks[c]->chain.process(sound, n);
            for (std::size_t k = 0; k < count; ++k)
                mix[k] += sound[k];
        }
        effectsCpu += cpuSeconds() - t0;
        for (std::size_t k = 0; k < count; ++k) {
            mix[k] *= mixScale;
            energy += double(mix[k]) * mix[k];
        }
        if (writer)
            writer->write(mix.data(), count);
    }
    writer.reset();
    const double totalCpu = cpuSeconds() - startAll;

    const double showSeconds = double(frames) / rate;
    std::printf("kalvor fx chain: %zu channels x %.1f s (%d Hz, %d ch), block %d frames\n",
                inputs.size(), showSeconds, rate, channels, block);
    std::printf("  effects per channel: 3 EQ bands, reverb, echo, chorus, flanger\n");
    std::printf(
        "  CPU time, effects and mix:         %7.3f s  (%.1fx realtime, %.1f %% of a core)\n",
        effectsCpu, showSeconds / effectsCpu, 100.0 * effectsCpu / showSeconds);
    std::printf("  CPU time, read + effects + mix + write: %.3f s  (%.1fx realtime)\n", totalCpu,
                showSeconds / totalCpu);
    std::printf("  per channel: %.2f ms of effects CPU per second of sound\n",
                1000.0 * effectsCpu / showSeconds / double(inputs.size()));
    std::printf("  mix rms: %.4f\n", std::sqrt(energy / double(frames * std::size_t(channels))));
    return 0;
}
