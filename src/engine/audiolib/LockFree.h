// Lock-free single-producer/single-consumer structures shared by the UI side, the disk
// thread and the device callbacks. Each instance has exactly one producer thread and one
// consumer thread at a time; which threads those are is written where an instance is
// declared. Storage is allocated once in the constructor (on a non-real-time thread) and
// never again, so push and pop are safe in a callback.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

namespace kalvor::audio {

// Fixed-capacity queue of trivially copyable items.
//
// Memory ordering: the producer writes an item, then stores the write index with
// release; the consumer loads the write index with acquire before reading items, so it
// sees every item written before that store. The consumer stores the read index with
// release after it has copied an item out; the producer loads it with acquire before
// overwriting a slot. Indices only grow (64-bit, no wrap in practice); slot = index %
// capacity.
//
// Staging (for batches): stage() writes an item without making it visible; publish()
// makes every staged item visible with one release store, so the consumer sees all of
// them or none of them at its next look.
template <typename T> class SpscQueue {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    explicit SpscQueue(std::size_t capacity)
        : capacity_(capacity), items_(std::make_unique<T[]>(capacity)) {}

    // Producer. False when full (nothing is written).
    bool stage(const T& item) {
        const std::uint64_t read = read_.load(std::memory_order_acquire);
        if (staged_ - read >= capacity_)
            return false;
        items_[staged_ % capacity_] = item;
        ++staged_;
        return true;
    }
    void publish() { write_.store(staged_, std::memory_order_release); }
    bool push(const T& item) {
        if (!stage(item))
            return false;
        publish();
        return true;
    }
    bool hasStaged() const { return staged_ != write_.load(std::memory_order_relaxed); }

    // Consumer.
    bool pop(T& item) {
        const std::uint64_t read = read_.load(std::memory_order_relaxed);
        if (read == write_.load(std::memory_order_acquire))
            return false;
        item = items_[read % capacity_];
        read_.store(read + 1, std::memory_order_release);
        return true;
    }
    bool empty() const {
        return read_.load(std::memory_order_relaxed) == write_.load(std::memory_order_acquire);
    }

private:
    const std::size_t capacity_;
    std::unique_ptr<T[]> items_;
    alignas(64) std::atomic<std::uint64_t> write_{0};
    alignas(64) std::atomic<std::uint64_t> read_{0};
    std::uint64_t staged_ = 0; // producer only
};

// How a ring keeps its samples.
enum class RingSamples {
    Float32,
    // 16-bit PCM as the file holds it: half the memory traffic between the decoding thread
    // and the mixer, which is most of what an offline mix of many files costs. The reader
    // gets floats (x / 32768, exact), the same ones a float ring would have held.
    Pcm16,
};

// Ring of interleaved frames, float or 16-bit.
//
// Memory ordering: as SpscQueue. The writer copies frames in, then publishes the new
// write count with release; the reader loads it with acquire, copies frames out, then
// publishes its read count with release, which the writer loads with acquire before
// reusing that space.
class FrameRing {
public:
    FrameRing(std::size_t frames, int channels, RingSamples samples = RingSamples::Float32)
        : frames_(frames), channels_(channels), sampleBytes_(samples == RingSamples::Pcm16 ? 2 : 4),
          // Not zeroed: nothing is read before it is written, and zeroing would touch
          // every page of every feed up front.
          data_(std::make_unique_for_overwrite<std::byte[]>(
              frames * static_cast<std::size_t>(channels) * sampleBytes_)) {}

    std::size_t capacity() const { return frames_; }
    int channels() const { return channels_; }
    bool pcm16() const { return sampleBytes_ == 2; }

    // Writer.
    std::size_t writable() const {
        return frames_ - static_cast<std::size_t>(written_.load(std::memory_order_relaxed) -
                                                  read_.load(std::memory_order_acquire));
    }
    // Float rings: copies up to `frames` frames in; returns the frames written.
    std::size_t write(const float* in, std::size_t frames) {
        frames = std::min(frames, writable());
        const std::uint64_t w = written_.load(std::memory_order_relaxed);
        copyIn(w, in, frames);
        written_.store(w + frames, std::memory_order_release);
        return frames;
    }
    // Writes `frames` frames of silence (padding a file that ends early).
    std::size_t writeSilence(std::size_t frames) {
        frames = std::min(frames, writable());
        const std::uint64_t w = written_.load(std::memory_order_relaxed);
        for (std::size_t i = 0; i < frames; ++i)
            std::memset(slot(w + i), 0, frameBytes());
        written_.store(w + frames, std::memory_order_release);
        return frames;
    }

    // Writer, without a copy: the contiguous free space at the write position (at most
    // `frames` frames), to be filled and then published with commitWrite(). writeSpan for
    // a float ring, writeSpan16 for a 16-bit one.
    float* writeSpan(std::size_t* frames) { return reinterpret_cast<float*>(freeSpan(frames)); }
    std::int16_t* writeSpan16(std::size_t* frames) {
        return reinterpret_cast<std::int16_t*>(freeSpan(frames));
    }
    void commitWrite(std::size_t frames) {
        written_.store(written_.load(std::memory_order_relaxed) + frames,
                       std::memory_order_release);
    }

    // Reader, without a copy (float rings): the contiguous readable frames at the read
    // position (at most `frames`). They stay the reader's, who may also change them in
    // place, until commitRead() hands them back.
    float* readSpan(std::size_t* frames) { return reinterpret_cast<float*>(usedSpan(frames)); }
    // Reader, any ring: the same frames as readSpan would give, as floats copied into
    // `out`, still the reader's until commitRead().
    std::size_t peek(float* out, std::size_t frames) {
        const std::byte* from = usedSpan(&frames);
        toFloats(from, out, frames * static_cast<std::size_t>(channels_));
        return frames;
    }
    void commitRead(std::size_t frames) {
        read_.store(read_.load(std::memory_order_relaxed) + frames, std::memory_order_release);
    }

    // Reader.
    std::size_t readable() const {
        return static_cast<std::size_t>(written_.load(std::memory_order_acquire) -
                                        read_.load(std::memory_order_relaxed));
    }
    // Copies up to `frames` frames out as floats and consumes them.
    std::size_t read(float* out, std::size_t frames) {
        frames = std::min(frames, readable());
        const std::uint64_t r = read_.load(std::memory_order_relaxed);
        const std::size_t start = r % frames_;
        const std::size_t first = std::min(frames, frames_ - start);
        const auto ch = static_cast<std::size_t>(channels_);
        toFloats(slot(r), out, first * ch);
        toFloats(data_.get(), out + first * ch, (frames - first) * ch);
        read_.store(r + frames, std::memory_order_release);
        return frames;
    }

private:
    std::size_t frameBytes() const { return static_cast<std::size_t>(channels_) * sampleBytes_; }
    std::byte* slot(std::uint64_t index) { return data_.get() + (index % frames_) * frameBytes(); }
    std::byte* freeSpan(std::size_t* frames) {
        const std::uint64_t w = written_.load(std::memory_order_relaxed);
        const std::size_t start = w % frames_;
        *frames = std::min({*frames, writable(), frames_ - start});
        return data_.get() + start * frameBytes();
    }
    std::byte* usedSpan(std::size_t* frames) {
        const std::uint64_t r = read_.load(std::memory_order_relaxed);
        const std::size_t start = r % frames_;
        *frames = std::min({*frames, readable(), frames_ - start});
        return data_.get() + start * frameBytes();
    }
    void toFloats(const std::byte* from, float* out, std::size_t samples) const {
        if (sampleBytes_ == 4) {
            std::memcpy(out, from, samples * sizeof(float));
            return;
        }
        // Plain loop: the compiler vectorises it.
        const auto* in = reinterpret_cast<const std::int16_t*>(from);
        for (std::size_t i = 0; i < samples; ++i)
            out[i] = static_cast<float>(in[i]) * (1.0f / 32768.0f);
    }
    void copyIn(std::uint64_t w, const float* in, std::size_t frames) {
        const std::size_t start = w % frames_;
        const std::size_t first = std::min(frames, frames_ - start);
        const auto ch = static_cast<std::size_t>(channels_);
        std::memcpy(slot(w), in, first * ch * sizeof(float));
        std::memcpy(data_.get(), in + first * ch, (frames - first) * ch * sizeof(float));
    }

    const std::size_t frames_;
    const int channels_;
    const std::size_t sampleBytes_;
    std::unique_ptr<std::byte[]> data_;
    alignas(64) std::atomic<std::uint64_t> written_{0};
    alignas(64) std::atomic<std::uint64_t> read_{0};
};

} // namespace kalvor::audio
