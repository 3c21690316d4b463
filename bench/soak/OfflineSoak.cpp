#include "OfflineSoak.h"

#include "SoakShow.h"
#include "cli/RenderApply.h"
#include "cli/RenderEvents.h"
#include "engine/audiolib/AudioLib.h"

#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace kalvor::soak {

bool playSoakOffline(const QStringList& sounds, OfflineSoak& run) {
    bool parsed = true;
    playOfflineSoakShow(
        sounds, kSoakChannels, run.rate,
        [&](ShowLayer& show, ShowStore&, audio::AudioLib& lib, const QString& output) {
            // Moves have nowhere to go on the one offline device: they name the output the
            // channel is on, and the show refuses them.
            const QString script = soakScript(run.seconds, run.seed, kSoakChannels, output, output);
            QString error;
            const auto events = cli::parseRenderEvents(script, &error);
            if (!events) {
                std::printf("the soak script does not parse: %s\n", qPrintable(error));
                parsed = false;
                return;
            }
            run.texts = script.split(QStringLiteral("; "));
            run.times.clear();
            for (const cli::RenderEvent& e : *events)
                run.times.push_back(e.seconds);
            float sound[kOfflinePeriod * 2];
            std::size_t next = 0;
            const auto end = static_cast<std::int64_t>(run.seconds * run.rate);
            for (std::int64_t frame = 0; frame < end; frame += kOfflinePeriod) {
                while (next < events->size() &&
                       (*events)[next].seconds * run.rate <= static_cast<double>(frame)) {
                    if (!cli::applyRenderEvent(show, (*events)[next]).isEmpty())
                        ++run.refused;
                    ++next;
                }
                if (run.note)
                    run.note(show, output, frame);
                lib.renderOffline(sound, kOfflinePeriod);
                if (run.note)
                    run.note(show, output, frame + kOfflinePeriod - 1);
                if (run.period)
                    run.period(frame, sound, lib.lastRenderTimeUs(true));
            }
            run.underruns += static_cast<long>(lib.underruns());
        });
    return parsed;
}

namespace {

constexpr double kBurstUs = 1000;
constexpr double kLookBack = 0.5; // seconds of script before a burst that are listed

struct Spread {
    double median = 0, p999 = 0, max = 0;
};

Spread spread(std::vector<float> us) {
    Spread s;
    if (us.empty())
        return s;
    const auto at = [&us](double q) {
        const auto k = std::min(us.size() - 1, static_cast<std::size_t>(q * (us.size() - 1)));
        std::nth_element(us.begin(), us.begin() + static_cast<long>(k), us.end());
        return static_cast<double>(us[k]);
    };
    s.median = at(0.5);
    s.p999 = at(0.999);
    s.max = *std::max_element(us.begin(), us.end());
    return s;
}

void printSpread(const char* what, const std::vector<float>& us, double budgetUs) {
    const Spread s = spread(us);
    std::printf("  %-22s %zu periods: median %.0f us (%.1f %%), 99.9th %.0f us (%.1f %%), max "
                "%.0f us (%.1f %%)\n",
                what, us.size(), s.median, 100 * s.median / budgetUs, s.p999,
                100 * s.p999 / budgetUs, s.max, 100 * s.max / budgetUs);
}

// Time the hypervisor gave this machine's CPUs to others, in ms (/proc/stat, all CPUs).
double stealMs() {
    QFile stat(QStringLiteral("/proc/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // cpu user nice system idle iowait irq softirq steal ...
    const QList<QByteArray> f = stat.readLine().simplified().split(' ');
    return f.size() > 8 ? f[8].toDouble() * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK)) : 0;
}

// The actions of the `kLookBack` seconds up to `t`, printed; their kinds noted in `seen`.
void printActionsBefore(const OfflineSoak& run, double t, std::map<QString, bool>& seen) {
    for (std::size_t i = 0; i < run.times.size() && i < static_cast<std::size_t>(run.texts.size());
         ++i) {
        if (run.times[i] > t || run.times[i] < t - kLookBack)
            continue;
        const QString& text = run.texts[static_cast<qsizetype>(i)];
        std::printf(" [%s]", qPrintable(text));
        seen[text.section(QLatin1Char(' '), 1, 1)] = true;
    }
}

} // namespace

int reportOfflineBursts(double seconds, int runs, std::uint32_t seed) {
    QTemporaryDir dir;
    const QStringList sounds = writeSoakSounds(dir.path());
    if (sounds.size() != kSoakChannels) {
        std::printf("could not write the sounds\n");
        return 1;
    }
    OfflineSoak run;
    run.seconds = seconds;
    run.seed = seed;
    const double budgetUs = 1e6 * kOfflinePeriod / run.rate;
    const auto periods = static_cast<std::size_t>(std::ceil(seconds * run.rate / kOfflinePeriod));
    // Only the times are kept (a float a period and run); the sound is dropped as it comes.
    std::vector<std::vector<float>> times(static_cast<std::size_t>(runs));
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("offline soak: %.0f s, %d channels of 44.1 kHz tones converted to %d Hz, every "
                "effect on, %d-frame periods (budget %.0f us), %d runs; load average %.2f\n",
                seconds, kSoakChannels, run.rate, kOfflinePeriod, budgetUs, runs, load[0]);
    const auto firstSecond = static_cast<std::size_t>(run.rate / kOfflinePeriod);
    std::printf("the mixer's thread CPU time per period, after the first second:\n");
    for (std::vector<float>& t : times) {
        t.reserve(periods);
        run.period = [&t](std::int64_t, const float*, double us) {
            t.push_back(static_cast<float>(us));
        };
        const double steal = stealMs();
        if (!playSoakOffline(sounds, run) || t.size() <= firstSecond)
            return 1;
        std::printf("  (run %td: the hypervisor took %.0f ms of the CPUs meanwhile)\n",
                    &t - times.data() + 1, stealMs() - steal);
        getloadavg(load, 3);
        char what[32];
        std::snprintf(what, sizeof what, "run %td", &t - times.data() + 1);
        printSpread(what, std::vector<float>(t.begin() + static_cast<long>(firstSecond), t.end()),
                    budgetUs);
    }
    // A period the engine makes slow is slow in every run; one the machine made slow (a
    // core taken away, caches emptied by a neighbour) is not. So each period counts at its
    // fastest.
    std::vector<float> fastest = times[0];
    for (const std::vector<float>& t : times)
        for (std::size_t p = 0; p < fastest.size() && p < t.size(); ++p)
            fastest[p] = std::min(fastest[p], t[p]);
    printSpread("each at its fastest",
                std::vector<float>(fastest.begin() + static_cast<long>(firstSecond), fastest.end()),
                budgetUs);
    long noise = 0;
    std::vector<std::size_t> real;
    for (std::size_t p = 0; p < fastest.size(); ++p) {
        if (fastest[p] > kBurstUs)
            real.push_back(p);
        else if (std::any_of(times.begin(), times.end(),
                             [p](const std::vector<float>& t) { return t[p] > kBurstUs; }))
            ++noise;
    }
    std::printf("periods over %.0f us in every run: %zu; in some runs only (the machine): %ld\n",
                kBurstUs, real.size(), noise);
    // Which kinds of action came in the half second before a burst (each kind once per
    // burst); "nothing" when none did.
    std::map<QString, int> kinds;
    for (const std::size_t p : real) {
        const double t = static_cast<double>(p * kOfflinePeriod) / run.rate;
        std::printf("  %9.4f s ", t);
        for (const std::vector<float>& r : times)
            std::printf(" %5.0f", static_cast<double>(r[p]));
        std::printf(" us; before it:");
        std::map<QString, bool> seen;
        printActionsBefore(run, t, seen);
        if (seen.empty())
            seen[QStringLiteral("nothing")] = true;
        for (const auto& [kind, yes] : seen)
            kinds[kind] += yes ? 1 : 0;
        std::printf("\n");
    }
    if (!kinds.empty()) {
        std::printf("kinds of action in the %.1f s before a burst:", kLookBack);
        for (const auto& [kind, n] : kinds)
            std::printf(" %s %d", qPrintable(kind), n);
        std::printf("\n");
    }
    // The period each action was applied in, by kind: what the action itself costs.
    std::map<QString, std::vector<float>> landed;
    for (std::size_t i = 0; i < run.times.size() && i < static_cast<std::size_t>(run.texts.size());
         ++i) {
        const auto p =
            static_cast<std::size_t>(std::ceil(run.times[i] * run.rate / kOfflinePeriod));
        if (p < fastest.size())
            landed[run.texts[static_cast<qsizetype>(i)].section(QLatin1Char(' '), 1, 1)].push_back(
                fastest[p]);
    }
    std::printf("the period each kind of action lands in (at its fastest):\n");
    for (const auto& [kind, us] : landed) {
        const Spread s = spread(us);
        std::printf("  %-8s %5zu: median %4.0f us, max %4.0f us\n", qPrintable(kind), us.size(),
                    s.median, s.max);
    }
    std::printf("script: %lld events, %ld refused by the show (output moves: the offline device "
                "is the only output, so they stay on it); underruns %ld\n",
                static_cast<long long>(run.times.size()), run.refused / runs, run.underruns);
    getloadavg(load, 3);
    std::printf("load average at end %.2f\n", load[0]);
    return 0;
}

} // namespace kalvor::soak
