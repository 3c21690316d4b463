// The disk side: decoding ahead into each stream's feed. The disk thread keeps every
// registered stream's feed filled BufferSize ms ahead; the UI thread uses fillFeed() to
// pre-buffer on load and seek, the offline device to top up before each block. Never
// called from a device callback.
//
// On a caller-driven device the disk thread decodes ahead too, but only frames that do not
// depend on when they are decoded: it stops at the sound's end and leaves the wrap (which
// reads the loop flag and loop start) or the end to the puller's top-up. So a render is
// the same every time while the second core does the decoding.
#pragma once

#include "engine/audiolib/Stream.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

namespace kalvor::audio {

inline constexpr int kDecodeChunk = 4096; // frames decoded per read

// What a fill does when it reaches the sound's end.
enum class AtEnd {
    Decide,   // wrap to the loop start (loop flag on) or mark the end, as of now
    StopThere // leave that to a later Decide fill
};

// How far past its target a fill may decode.
enum class Reach {
    WholeChunks, // up to a chunk more: fewer, larger reads while topping up
    Exactly      // no further: a pre-buffer decodes what it asks for and no more
};

// Decodes into s.diskFeed until `target` frames are buffered, the ring is full or the
// sound ends (with the loop flag on it wraps to the loop start instead). The caller holds
// s.diskMutex.
void fillFeed(Stream& s, std::size_t target, AtEnd atEnd = AtEnd::Decide,
              Reach reach = Reach::WholeChunks);

// A few threads share the streams: a read that hangs (a network share gone quiet, a
// failing disk) holds up one of them and its stream, while the others keep every other
// stream filled.
class DiskThread {
public:
    static constexpr int kThreads = 4;

    DiskThread();
    ~DiskThread();
    // UI thread. remove() returns once no thread touches the stream any more (it waits for
    // a read of it under way).
    void add(Stream* s);
    void remove(Stream* s);
    void wake();
    // Any thread, never blocks: a hint that feeds were drained (the offline puller after
    // each block). A hint lost in a race costs one poll interval at most.
    void nudge();

private:
    void run();

    // Guards streams_, quit_ and woken_. A thread takes a stream's diskMutex while holding
    // it, then lets it go while it decodes.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Stream*> streams_;
    bool quit_ = false;
    bool woken_ = false;
    std::atomic<bool> nudged_{false};
    std::vector<std::thread> threads_;
};

} // namespace kalvor::audio
