// Rate conversion as the mixer does it, through each converter: 32 stereo voices fed in
// 256-frame periods. Figures: thread CPU time per period (median and max over the run),
// the THD+N of a 1 kHz sine measured the same way for every converter, and how many
// allocations processing and a reset made (the callback may make none).
#include "engine/audiolib/RateConverter.h"
#include "support/SineFit.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>
#include <numbers>
#include <string_view>
#include <vector>

namespace {
std::atomic<long> g_allocs{0};
}

void* operator new(std::size_t n) {
    g_allocs.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n == 0 ? 1 : n))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

using kalvor::audio::RateConverter;

namespace {

constexpr int kVoices = 32, kCh = 2, kPeriod = 256, kIn = 2048, kPeriods = 1000;

double threadCpuUs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

struct Voice {
    std::unique_ptr<RateConverter> c;
    std::vector<float> in = std::vector<float>(kIn * kCh);
    int inCount = 0;
    long long fed = 0;
    std::vector<float> kept; // voice 0's output, for the quality figure
};

// 1 kHz at 44.1 kHz repeats every 441 frames: the input is read from a table so that the
// timed period holds the converter's work alone.
const std::vector<float>& sineTable() {
    static const std::vector<float> t = [] {
        std::vector<float> s(441);
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 1000.0 * i / 44100.0));
        return s;
    }();
    return t;
}

// One period of one voice: top the input up (a 1 kHz sine at 44.1 kHz), pull 256 frames.
void period(Voice& v, float* out) {
    const std::vector<float>& sine = sineTable();
    int got = 0;
    for (int guard = 0; got < kPeriod && guard < 8; ++guard) {
        for (; v.inCount < kIn; ++v.inCount, ++v.fed) {
            const float s = sine[static_cast<std::size_t>(v.fed % 441)];
            v.in[v.inCount * kCh] = s;
            v.in[v.inCount * kCh + 1] = s;
        }
        const auto r = v.c->process(v.in.data(), v.inCount, out + got * kCh, kPeriod - got, false);
        std::copy(v.in.begin() + r.used * kCh, v.in.begin() + v.inCount * kCh, v.in.begin());
        v.inCount -= r.used;
        got += r.made;
    }
}

struct Figures {
    double medianUs = 0, maxUs = 0, thdN = 0;
    long allocsProcess = 0, allocsReset = 0;
};

// speed(p): the vari-speed factor of period p (1 = device-rate conversion only).
template <typename Speed> Figures run(RateConverter::Kind kind, Speed speed) {
    std::vector<Voice> voices(kVoices);
    for (auto& v : voices)
        v.c = RateConverter::create(kind, kCh);
    voices[0].kept.reserve(static_cast<std::size_t>(kPeriods) * kPeriod * kCh);
    std::vector<float> out(kPeriod * kCh);
    std::vector<double> us;
    us.reserve(kPeriods);
    long allocs = 0;
    for (int p = 0; p < kPeriods; ++p) {
        const double ratio = 48000.0 / 44100.0 / speed(p);
        const long a0 = g_allocs.load();
        const double t0 = threadCpuUs();
        for (auto& v : voices) {
            v.c->setRatio(ratio);
            period(v, out.data());
            if (&v == &voices[0])
                v.kept.insert(v.kept.end(), out.begin(), out.end());
        }
        us.push_back(threadCpuUs() - t0);
        // The warm-up periods may set things up; count what the steady state allocates.
        if (p >= 16)
            allocs += g_allocs.load() - a0;
    }
    Figures f;
    std::vector<double> sorted = us;
    std::sort(sorted.begin(), sorted.end());
    f.medianUs = sorted[sorted.size() / 2];
    f.maxUs = sorted.back();
    f.allocsProcess = allocs;
    const long a0 = g_allocs.load();
    voices[1].c->reset();
    f.allocsReset = g_allocs.load() - a0;
    // Quality at a constant speed only: a changing pitch has no single frequency to fit.
    const std::size_t frames = voices[0].kept.size() / kCh, skip = 8192;
    const double f0 = 1000.0 * speed(0) / 48000.0;
    f.thdN = kalvor::test::thdPlusNoiseDb(voices[0].kept.data() + skip * kCh,
                                          std::min<std::size_t>(frames - skip, 48000), kCh, f0);
    return f;
}

// A stepped sweep: tones across the input band, each through a fresh converter fed as the
// mixer feeds it. Ripple: the spread of the gain over the passband (80 % of the lower Nyquist
// frequency). Alias: the worst of what is not the tone, for passband tones (images and
// distortion) and for tones the output cannot carry (above its Nyquist frequency, which
// must vanish), relative to the tone; the transition band is left out.
struct Quality {
    double rippleDb = 0, aliasDb = -300;
};
Quality stepped(RateConverter::Kind kind, double ratio) {
    constexpr double kAmp = 0.5;
    constexpr std::size_t kSkip = 1024, kMeasure = 4096;
    const double nyqLow = 0.5 * std::min(1.0, ratio); // cycles per input frame
    double gMin = 1e9, gMax = -1e9;
    Quality q;
    for (double fin = 0.0025; fin < 0.4975; fin += 0.005) {
        const bool pass = fin <= 0.8 * nyqLow, stop = fin >= nyqLow;
        if (!pass && !stop)
            continue;
        auto c = RateConverter::create(kind, kCh);
        c->setRatio(ratio);
        std::vector<float> in(kIn * kCh), out;
        out.reserve((kSkip + kMeasure + kPeriod) * kCh);
        std::vector<float> block(kPeriod * kCh);
        int inCount = 0;
        long long fed = 0;
        for (int guard = 0; out.size() < (kSkip + kMeasure) * kCh && guard < 10000; ++guard) {
            for (; inCount < kIn; ++inCount, ++fed) {
                const auto v =
                    static_cast<float>(kAmp * std::sin(2 * std::numbers::pi * fin * fed));
                in[inCount * kCh] = v;
                in[inCount * kCh + 1] = v;
            }
            const auto r = c->process(in.data(), inCount, block.data(), kPeriod, false);
            std::copy(in.begin() + r.used * kCh, in.begin() + inCount * kCh, in.begin());
            inCount -= r.used;
            out.insert(out.end(), block.begin(), block.begin() + r.made * kCh);
        }
        const double refPower = kAmp * kAmp / 2;
        const float* x = out.data() + kSkip * kCh;
        if (pass) {
            const auto f = kalvor::test::fitSine(x, kMeasure, kCh, fin / ratio);
            const double g = 20 * std::log10(std::max(f.amplitude / kAmp, 1e-15));
            gMin = std::min(gMin, g);
            gMax = std::max(gMax, g);
            q.aliasDb =
                std::max(q.aliasDb, 10 * std::log10(std::max(f.residualPower, 1e-30) / refPower));
        } else {
            double p = 0;
            for (std::size_t i = 0; i < kMeasure; ++i)
                p += double(x[i * kCh]) * x[i * kCh];
            q.aliasDb =
                std::max(q.aliasDb, 10 * std::log10(std::max(p / kMeasure, 1e-30) / refPower));
        }
    }
    q.rippleDb = gMax - gMin;
    return q;
}

} // namespace

int main() {
    struct Named {
        const char* name;
        RateConverter::Kind kind;
    };
    const Named kinds[] = {{"libsamplerate (sinc fastest)", RateConverter::Kind::Samplerate},
                           {"libsoxr (variable rate, LQ)", RateConverter::Kind::Soxr},
                           {"polyphase (ours)", RateConverter::Kind::Polyphase}};
    std::printf("%d stereo voices, %d-frame periods at 48 kHz (budget %.0f us), %d periods\n",
                kVoices, kPeriod, kPeriod / 48000.0 * 1e6, kPeriods);
    std::printf("CPU = thread CPU time of the whole period for all voices; THD+N of a 1 kHz sine "
                "(voice 0, 1 s after start-up)\n\n");
    std::printf("%-30s %-26s %10s %10s %9s %8s %10s %8s\n", "converter", "job", "median us",
                "max us", "% budget", "THD+N", "allocs/run", "reset");
    for (const auto& k : kinds) {
        struct Job {
            const char* name;
            double (*speed)(int);
        };
        const Job jobs[] = {
            {"44.1 -> 48 kHz",
             [](int) {
                 return 1.0;
             }},
            {"vari-speed 1.07 steady",
             [](int) {
                 return 1.07;
             }},
            // Speed moving every period, as a pitch control being turned.
            {"vari-speed moving",
             [](int p) {
                 return 1.0 + 0.1 * std::sin(p / 50.0);
             }},
        };
        for (const auto& j : jobs) {
            const Figures f = run(k.kind, j.speed);
            const bool steady = std::string_view(j.name) != "vari-speed moving";
            std::printf("%-30s %-26s %10.1f %10.1f %8.1f%% ", k.name, j.name, f.medianUs, f.maxUs,
                        100 * f.medianUs / (kPeriod / 48000.0 * 1e6));
            if (steady)
                std::printf("%6.1f dB", f.thdN);
            else
                std::printf("%9s", "-");
            std::printf(" %10ld %8ld\n", f.allocsProcess, f.allocsReset);
            std::fflush(stdout);
        }
    }
    std::printf(
        "\nQuality, stepped sweep of tones (fresh converter per tone): passband ripple up to "
        "80 %% of the lower Nyquist frequency, worst image/alias level relative to the "
        "tone (passband tones and tones the output cannot carry; the transition band "
        "left out)\n");
    std::printf("%-30s %-26s %12s %12s\n", "converter", "ratio", "ripple dB", "alias dB");
    const struct {
        const char* name;
        double ratio;
    } ratios[] = {{"44.1 -> 48 kHz (1.088)", 48000.0 / 44100.0},
                  {"44.1 kHz sped up 1.5 (0.726)", 48000.0 / 44100.0 / 1.5},
                  {"96 -> 48 kHz (0.5)", 0.5}};
    for (const auto& k : kinds)
        for (const auto& r : ratios) {
            const Quality q = stepped(k.kind, r.ratio);
            std::printf("%-30s %-26s %12.4f %12.1f\n", k.name, r.name, q.rippleDb, q.aliasDb);
            std::fflush(stdout);
        }
    return 0;
}
