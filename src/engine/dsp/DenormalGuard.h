// Flushes denormal numbers to zero for the span of one process() call, then restores the
// caller's floating-point mode. Feedback paths (reverb, echo, chorus, flanger, the EQ's
// filter state) decay towards zero after a sound ends; without this, the numbers pass
// through the denormal range, where every operation costs a hundred times more, and a
// silent channel could overload the audio callback. Setting the control register is a
// single instruction, so doing it per block is free.
//
// Audio thread (any thread that runs an effect's process()).
#pragma once

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif
#include <cstdint>

namespace kalvor::engine::dsp {

class DenormalGuard {
public:
    DenormalGuard() noexcept {
#if defined(__SSE__) || defined(__x86_64__)
        saved_ = _mm_getcsr();
        _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
#elif defined(__aarch64__)
        asm volatile("mrs %0, fpcr" : "=r"(saved_));
        std::uint64_t flushed = saved_ | (std::uint64_t{1} << 24);
        asm volatile("msr fpcr, %0" : : "r"(flushed));
#endif
    }
    ~DenormalGuard() {
#if defined(__SSE__) || defined(__x86_64__)
        _mm_setcsr(saved_);
#elif defined(__aarch64__)
        asm volatile("msr fpcr, %0" : : "r"(saved_));
#endif
    }
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
#if defined(__SSE__) || defined(__x86_64__)
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved_ = 0;
#elif defined(__aarch64__)
    std::uint64_t saved_ = 0;
#endif
};

} // namespace kalvor::engine::dsp
