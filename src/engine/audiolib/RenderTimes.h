// How long a device's callback takes, period by period, as a share of the period it has to
// fill. The callback is the only writer: it updates every counter with relaxed loads and
// stores, so recording costs a few instructions and never waits. Any thread may read; a
// reader that wants a fresh window asks for one, and the writer clears the counters itself
// before its next record, so it stays the only thread that stores into them.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

namespace kalvor::audio {

struct RenderTimeFigures {
    std::int64_t periods = 0;
    std::int64_t overBudget = 0; // periods that took longer than the period lasts
    double medianPercent = 0;    // of the period's duration
    double p999Percent = 0;      // 99.9 % of the periods took at most this
    double maxPercent = 0;
    double maxUs = 0;
};

class RenderTimes {
public:
    static constexpr int kStepsPerPercent = 4;
    // Up to four periods' worth; the last bucket holds everything longer.
    static constexpr int kBuckets = 400 * kStepsPerPercent + 1;

    // Writer (the callback): `spent` of a period lasting `budget`, both in seconds.
    void record(double spent, double budget) noexcept;
    // Any thread: the counters start again from zero at the writer's next record.
    void restart() noexcept { restartAsked_.store(true, std::memory_order_relaxed); }

    // Any thread: the figures of several devices' histograms taken together.
    static RenderTimeFigures figures(std::span<const RenderTimes* const> histograms);
    RenderTimeFigures figures() const;
    // Any thread: the last period's time in microseconds. A caller-driven device's puller
    // reads it after each period to tell one period from the next.
    double lastUs() const { return lastUs_.load(std::memory_order_relaxed); }

private:
    std::atomic<std::uint32_t> buckets_[kBuckets] = {};
    std::atomic<std::int64_t> periods_{0};
    std::atomic<std::int64_t> over_{0};
    std::atomic<double> maxPercent_{0};
    std::atomic<double> maxUs_{0};
    std::atomic<double> lastUs_{0};
    std::atomic<bool> restartAsked_{false};
};

} // namespace kalvor::audio
