#include "WakeProbe.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <pthread.h>
#include <sched.h>

namespace kalvor::soak {
namespace {

constexpr std::int64_t kIntervalNs = 1'000'000;
constexpr std::int64_t kLateNs = 1'000'000; // a wake-up this late is kept
constexpr int kPriority = 80;               // above jackd -P 70 and its clients' 65

std::int64_t nowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

} // namespace

WakeProbe::WakeProbe() {
    late_.reserve(1 << 16);
    clockNs_.reserve(1 << 16);
    clockFrames_.reserve(1 << 16);
    thread_ = std::thread([this] { run(); });
}

WakeProbe::~WakeProbe() {
    running_ = false;
    if (thread_.joinable())
        thread_.join();
}

void WakeProbe::run() {
    sched_param param{};
    param.sched_priority = kPriority;
    realtime_ = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
    std::int64_t due = nowNs();
    while (running_.load(std::memory_order_relaxed)) {
        due += kIntervalNs;
        const timespec at{static_cast<time_t>(due / 1'000'000'000),
                          static_cast<long>(due % 1'000'000'000)};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
        const std::int64_t now = nowNs();
        ++wakeUps_;
        if (now - due >= kLateNs) {
            if (late_.size() < late_.capacity())
                late_.push_back({due, now - due});
            due = now; // one late wake-up, not a burst of catch-up ones
        }
    }
}

void WakeProbe::noteFrame(std::int64_t frame) {
    if (clockNs_.size() == clockNs_.capacity())
        return;
    clockNs_.push_back(nowNs());
    clockFrames_.push_back(frame);
}

std::int64_t WakeProbe::frameAt(std::int64_t ns) const {
    const auto it = std::lower_bound(clockNs_.begin(), clockNs_.end(), ns);
    if (it == clockNs_.end())
        return -1;
    return clockFrames_[static_cast<std::size_t>(it - clockNs_.begin())];
}

void WakeProbe::report(const std::vector<std::int64_t>& lostCycles, int rate) {
    running_ = false;
    if (thread_.joinable())
        thread_.join();
    if (clockNs_.size() < 2)
        return;
    // The frame clock is sampled tens of ms apart, by a thread that may itself be late.
    const std::int64_t near = rate / 10;
    std::vector<std::int64_t> lateFrames;
    std::int64_t worst = 0;
    for (const Late& l : late_) {
        lateFrames.push_back(frameAt(l.dueNs));
        worst = std::max(worst, l.lateNs);
    }
    std::vector<std::int64_t> moments;
    for (std::int64_t f : lostCycles)
        if (f >= 0 && (moments.empty() || f - moments.back() > near))
            moments.push_back(f);
    const auto lateNear = [&](std::int64_t f) {
        return std::any_of(lateFrames.begin(), lateFrames.end(), [&](std::int64_t x) {
            return x >= 0 && x >= f - near && x <= f + near;
        });
    };
    const long explained = std::count_if(moments.begin(), moments.end(), lateNear);
    // How much of the run lies within `near` of a late wake-up: what chance alone would give.
    std::int64_t covered = 0, reach = -1;
    for (std::int64_t x : lateFrames) {
        if (x < 0)
            continue;
        const std::int64_t from = std::max(x - near, reach);
        covered += std::max<std::int64_t>(0, x + near - from);
        reach = std::max(reach, x + near);
    }
    const double span = static_cast<double>(clockFrames_.back() - clockFrames_.front());
    std::printf("wake-up probe (SCHED_FIFO %d%s, same core as the server, every 1 ms): %lld "
                "wake-ups, %zu of them 1 ms or more late (worst %.1f ms); %ld of the %zu moments "
                "the server lost cycles had one within 100 ms, which %.2f %% of the run has\n",
                kPriority, realtime_ ? "" : " refused: ordinary scheduling",
                static_cast<long long>(wakeUps_), late_.size(), static_cast<double>(worst) / 1e6,
                explained, moments.size(),
                span > 0 ? 100.0 * static_cast<double>(covered) / span : 0.0);
}

} // namespace kalvor::soak
