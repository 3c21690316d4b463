#include "engine/decode/Pcm16.h"

#include <sched.h>

#include <cstdint>
#include <cstring>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kalvor::engine::decode {

namespace {
constexpr float kScale = 1.0f / 32768.0f;
}

bool streamDecodedSamples() noexcept {
    // The cores this process may run on (taskset narrows them), not the machine's.
    static const bool many = [] {
        cpu_set_t set;
        if (sched_getaffinity(0, sizeof set, &set) == 0)
            return CPU_COUNT(&set) > 1;
        return std::thread::hardware_concurrency() > 1;
    }();
    return many;
}

void pcm16ToFloat(const short* from, float* into, std::size_t count, bool streaming) noexcept {
    std::size_t i = 0;
    if (!streaming) {
        for (; i < count; ++i)
            into[i] = static_cast<float>(from[i]) * kScale;
        return;
    }
#if defined(__SSE2__)
    // Streaming stores need 16-byte aligned addresses: the head goes the plain way.
    for (; i < count && (reinterpret_cast<std::uintptr_t>(into + i) & 15u) != 0; ++i)
        into[i] = static_cast<float>(from[i]) * kScale;
    const __m128 scale = _mm_set1_ps(kScale);
    for (; i + 8 <= count; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        // Each sample into the upper half of a 32-bit lane, then an arithmetic shift down:
        // sign extension without SSE4.1.
        const __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16);
        const __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16);
        _mm_stream_ps(into + i, _mm_mul_ps(_mm_cvtepi32_ps(lo), scale));
        _mm_stream_ps(into + i + 4, _mm_mul_ps(_mm_cvtepi32_ps(hi), scale));
    }
#endif
    for (; i < count; ++i)
        into[i] = static_cast<float>(from[i]) * kScale;
#if defined(__SSE2__)
    // Streaming stores are weakly ordered: fence them before anyone publishes the frames.
    _mm_sfence();
#endif
}

void streamPcm16(const std::int16_t* from, std::int16_t* into, std::size_t count) noexcept {
#if defined(__SSE2__)
    std::size_t i = 0;
    for (; i < count && (reinterpret_cast<std::uintptr_t>(into + i) & 15u) != 0; ++i)
        into[i] = from[i];
    for (; i + 8 <= count; i += 8)
        _mm_stream_si128(reinterpret_cast<__m128i*>(into + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)));
    for (; i < count; ++i)
        into[i] = from[i];
    _mm_sfence();
#else
    std::memcpy(into, from, count * sizeof(std::int16_t));
#endif
}

} // namespace kalvor::engine::decode
