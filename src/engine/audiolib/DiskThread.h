// The disk side: decoding ahead into each stream's feed. The disk thread keeps every
// registered stream's feed filled BufferSize ms ahead; the UI thread uses fillFeed() to
// pre-buffer on load and seek, the offline device to top up before each block. Never
// called from a device callback.
#pragma once

#include "engine/audiolib/Stream.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

namespace kalvor::audio {

inline constexpr int kDecodeChunk = 4096; // frames decoded per read

// Decodes into s.diskFeed until `target` frames are buffered, the ring is full or the
// sound ends (with the loop flag on it wraps to the loop start instead). The caller holds
// s.diskMutex.
void fillFeed(Stream& s, std::size_t target);

class DiskThread {
public:
    DiskThread();
    ~DiskThread();
    // UI thread. remove() returns once the thread no longer touches the stream.
    void add(Stream* s);
    void remove(Stream* s);
    void wake();

private:
    void run();

    std::mutex mutex_; // guards streams_ and quit_; held for a whole pass
    std::condition_variable wake_;
    std::vector<Stream*> streams_;
    bool quit_ = false;
    bool woken_ = false;
    std::thread thread_;
};

} // namespace kalvor::audio
