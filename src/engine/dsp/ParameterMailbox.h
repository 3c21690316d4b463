// Hands an effect's parameter block from the control thread (UI) to the audio callback
// without a lock: a triple buffer. The writer fills a slot of its own and swaps it with the
// shared middle slot; the reader swaps the middle slot with its own when the "fresh" bit is
// set. Each side only ever touches its own slot and the one atomic word, so neither side
// waits, allocates or tears a block, and the reader always sees the newest complete block.
//
// publish(): one thread at a time (the control thread). take(): the audio thread only.
#pragma once

#include <array>
#include <atomic>
#include <type_traits>

namespace kalvor::engine::dsp {

template <typename T> class ParameterMailbox {
    static_assert(std::is_trivially_copyable_v<T>, "blocks are copied in the callback");

public:
    void publish(const T& value) noexcept {
        slots_[back_] = value;
        // acq_rel: the release publishes the slot's contents; the acquire makes the slot we
        // get back (which the reader may just have left) safe to overwrite next time.
        back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & kIndexMask;
    }

    // True and the newest block in `out` when something was published since the last take.
    bool take(T& out) noexcept {
        if ((middle_.load(std::memory_order_relaxed) & kFresh) == 0)
            return false;
        front_ = middle_.exchange(front_, std::memory_order_acq_rel) & kIndexMask;
        out = slots_[front_];
        return true;
    }

private:
    static constexpr unsigned kFresh = 4;
    static constexpr unsigned kIndexMask = 3;

    std::array<T, 3> slots_{};
    unsigned back_ = 0;               // writer's slot
    unsigned front_ = 1;              // reader's slot
    std::atomic<unsigned> middle_{2}; // shared slot index | kFresh
};

} // namespace kalvor::engine::dsp
