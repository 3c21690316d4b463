// The soak offline: the soak show and its seeded script rendered through the offline device
// in 128-frame periods, as the callback would get them on JACK at 128 frames, but on a
// clock of its own, so the same run gives the same periods every time. What the self-check
// renders its clicks from, and what `bench_soak --offline` times period by period.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

namespace kalvor {
class ShowLayer;
}

namespace kalvor::soak {

inline constexpr int kOfflinePeriod = 128;

struct OfflineSoak {
    double seconds = 12;
    std::uint32_t seed = 0;
    int rate = 48000;
    // Before and after each period: the show as it stands at that frame (for notes of
    // what is heard). May be empty.
    std::function<void(ShowLayer&, const QString& output, std::int64_t frame)> note;
    // After each period: its first frame, its sound (kOfflinePeriod stereo frames, gone
    // after the call), and the mixer's own thread CPU time for it, in microseconds.
    std::function<void(std::int64_t frame, const float* sound, double cpuUs)> period;

    // Filled by the run: the script as text, one entry per event, with its time; and how
    // many events the show refused.
    QStringList texts;
    std::vector<double> times;
    long refused = 0;
    long underruns = 0; // periods a playing stream had no data for (never, offline)
};

// Plays `run` on the offline soak show of `sounds`. False when the script does not parse.
bool playSoakOffline(const QStringList& sounds, OfflineSoak& run);

// `bench_soak --offline SECONDS [RUNS]`: every period's time in each of `runs` renders of
// the same script, the periods slow in every run (the engine's) with the actions before
// them, and how many were slow in some runs only (the machine's). 0 when it ran.
int reportOfflineBursts(double seconds, int runs, std::uint32_t seed);

} // namespace kalvor::soak
