// 16-bit PCM samples to normalised floats (x / 32768, exact), written for a reader on
// another thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kalvor::engine::decode {

// Writes `count` floats to `into`. With `streaming` (and where the platform has them) the
// writes bypass this core's caches: the frames land in a feed that another core (the
// mixer) reads next. An ordinary store would first have to take each cache line back from
// the reader's core, and that handshake, not the arithmetic, was most of the decoding
// time of an offline mix on two cores. When both threads share one core, though, the
// reader finds the lines in that core's cache, and streaming them out to memory only
// slows it down. The writes are complete and ordered before the function returns, so a
// release store that publishes them afterwards is enough for the reader.
void pcm16ToFloat(const short* from, float* into, std::size_t count, bool streaming) noexcept;

// Copies `count` 16-bit samples to `into` with streaming stores (where the platform has
// them), complete and ordered on return as pcm16ToFloat's.
void streamPcm16(const std::int16_t* from, std::int16_t* into, std::size_t count) noexcept;

// Whether the decoders stream: the machine has more than one core for the reader to be on.
bool streamDecodedSamples() noexcept;

} // namespace kalvor::engine::decode
