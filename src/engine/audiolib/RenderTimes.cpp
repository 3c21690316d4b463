#include "engine/audiolib/RenderTimes.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kalvor::audio {

namespace {

template <typename T> void bump(std::atomic<T>& a, T by = 1) {
    a.store(a.load(std::memory_order_relaxed) + by, std::memory_order_relaxed);
}

// The upper edge of the first bucket by which `rank` periods (1-based) are counted.
double percentAtRank(const std::vector<std::uint64_t>& counts, std::uint64_t rank) {
    std::uint64_t seen = 0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        seen += counts[i];
        if (seen >= rank)
            return static_cast<double>(i + 1) / RenderTimes::kStepsPerPercent;
    }
    return 0;
}

} // namespace

void RenderTimes::record(double spent, double budget) noexcept {
    if (restartAsked_.exchange(false, std::memory_order_relaxed)) {
        for (auto& b : buckets_)
            b.store(0, std::memory_order_relaxed);
        periods_.store(0, std::memory_order_relaxed);
        over_.store(0, std::memory_order_relaxed);
        maxPercent_.store(0, std::memory_order_relaxed);
        maxUs_.store(0, std::memory_order_relaxed);
    }
    lastUs_.store(spent * 1e6, std::memory_order_relaxed);
    if (budget <= 0)
        return;
    const double percent = 100.0 * spent / budget;
    const int bucket = std::clamp(static_cast<int>(percent * kStepsPerPercent), 0, kBuckets - 1);
    bump(buckets_[bucket], std::uint32_t{1});
    bump(periods_, std::int64_t{1});
    if (spent > budget)
        bump(over_, std::int64_t{1});
    if (percent > maxPercent_.load(std::memory_order_relaxed)) {
        maxPercent_.store(percent, std::memory_order_relaxed);
        maxUs_.store(spent * 1e6, std::memory_order_relaxed);
    }
}

RenderTimeFigures RenderTimes::figures(std::span<const RenderTimes* const> histograms) {
    RenderTimeFigures f;
    std::vector<std::uint64_t> counts(kBuckets, 0);
    std::uint64_t total = 0;
    for (const RenderTimes* h : histograms) {
        if (h->restartAsked_.load(std::memory_order_relaxed))
            continue; // nothing recorded since the restart
        for (int i = 0; i < kBuckets; ++i) {
            const std::uint32_t n = h->buckets_[i].load(std::memory_order_relaxed);
            counts[static_cast<std::size_t>(i)] += n;
            total += n;
        }
        f.overBudget += h->over_.load(std::memory_order_relaxed);
        f.maxPercent = std::max(f.maxPercent, h->maxPercent_.load(std::memory_order_relaxed));
        f.maxUs = std::max(f.maxUs, h->maxUs_.load(std::memory_order_relaxed));
    }
    // Counted from the buckets, so the percentiles agree with the count even while the
    // writer moves on between the loads.
    f.periods = static_cast<std::int64_t>(total);
    if (total == 0)
        return f;
    f.medianPercent = std::min(f.maxPercent, percentAtRank(counts, (total + 1) / 2));
    const auto rank999 = static_cast<std::uint64_t>(std::ceil(0.999 * static_cast<double>(total)));
    f.p999Percent = std::min(f.maxPercent, percentAtRank(counts, rank999));
    return f;
}

RenderTimeFigures RenderTimes::figures() const {
    const RenderTimes* self = this;
    return figures(std::span<const RenderTimes* const>(&self, 1));
}

} // namespace kalvor::audio
