// The disk thread and the feed filler (disk thread, UI thread, offline puller).
#include "engine/audiolib/DiskThread.h"

#include <algorithm>
#include <chrono>

#include <sched.h>

namespace kalvor::audio {

namespace {

// Jumps the decoder to the loop start and records the wrap before the frames after it.
bool wrap(Stream& s, Feed& f) {
    const std::int64_t end = s.end();
    if (end <= 0)
        return false; // nothing of the file can be read: no loop to make
    std::int64_t target = s.loopStart.load(std::memory_order_relaxed);
    if (target < 0 || target >= end)
        target = 0;
    f.decoderDry = !s.decoder->seek(target);
    if (!f.wraps.push(target))
        return false; // the callback has not caught up with the wraps so far; try later
    f.decodePos = target;
    f.atEnd = false;
    return true;
}

} // namespace

void fillFeed(Stream& s, std::size_t target, AtEnd atEnd, Reach reach) {
    Feed* f = s.diskFeed;
    if (f == nullptr || !s.decoder)
        return;
    const bool decide = atEnd == AtEnd::Decide;
    const bool loop = decide && s.loop.load(std::memory_order_acquire);
    if (f->atEnd) {
        if (!loop || !wrap(s, *f))
            return;
    }
    target = std::min(target, f->ring.capacity());
    const int reader = s.mixCpu.load(std::memory_order_relaxed);
    const int here = sched_getcpu();
    s.decoder->setReaderElsewhere(reader >= 0 && here >= 0 && reader != here);
    for (;;) {
        const std::size_t writable = f->ring.writable();
        const std::size_t buffered = f->ring.capacity() - writable;
        if (buffered >= target || writable == 0)
            return;
        const std::int64_t toEnd = s.end() - f->decodePos;
        if (toEnd <= 0) {
            if (!decide)
                return;
            if (!loop) {
                f->atEnd = true;
                return;
            }
            if (!wrap(s, *f))
                return;
            continue;
        }
        // Decode straight into the ring: no copy on the way.
        std::size_t span = std::min<std::size_t>(kDecodeChunk, static_cast<std::size_t>(toEnd));
        if (reach == Reach::Exactly)
            span = std::min(span, target - buffered);
        const bool pcm16 = f->ring.pcm16();
        float* into = pcm16 ? nullptr : f->ring.writeSpan(&span);
        std::int16_t* into16 = pcm16 ? f->ring.writeSpan16(&span) : nullptr;
        std::int64_t got = 0;
        if (!f->decoderDry) {
            got = pcm16 ? s.decoder->read16(into16, static_cast<std::int64_t>(span))
                        : s.decoder->read(into, static_cast<std::int64_t>(span));
            if (got <= 0) {
                // The file gives nothing more here: the sound ends (or loops) at this frame.
                if (f->decodePos < s.readableEnd.load(std::memory_order_relaxed))
                    s.readableEnd.store(f->decodePos, std::memory_order_release);
                continue;
            }
        }
        if (got == 0) {
            const std::size_t samples = span * static_cast<std::size_t>(s.channels);
            if (pcm16)
                std::fill(into16, into16 + samples, std::int16_t{0});
            else
                std::fill(into, into + samples, 0.0f);
            got = static_cast<std::int64_t>(span);
        }
        const auto written = static_cast<std::size_t>(got);
        f->ring.commitWrite(written);
        f->decodePos += static_cast<std::int64_t>(written);
    }
}

DiskThread::DiskThread() {
    for (int i = 0; i < kThreads; ++i)
        threads_.emplace_back([this] { run(); });
}

DiskThread::~DiskThread() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void DiskThread::add(Stream* s) {
    {
        std::lock_guard lock(mutex_);
        streams_.push_back(s);
        woken_ = true;
    }
    wake_.notify_all();
}

void DiskThread::remove(Stream* s) {
    {
        std::lock_guard lock(mutex_);
        streams_.erase(std::remove(streams_.begin(), streams_.end(), s), streams_.end());
    }
    // Streams are taken up only under mutex_: once it is out of the list, a thread that
    // still has it is the last, and holds its diskMutex until it lets go of it.
    std::lock_guard wait(s->diskMutex);
}

void DiskThread::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
}

void DiskThread::nudge() {
    // No lock: the puller must not wait for a thread that holds mutex_.
    nudged_.store(true, std::memory_order_relaxed);
    wake_.notify_one();
}

void DiskThread::run() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        // Round robin in small steps, so no stream waits behind another's whole buffer and
        // the UI thread (pre-buffering, the offline device topping up) is never held long.
        // A stream another thread (or the UI thread) is working on is skipped this round.
        // The list may change while this thread decodes: it goes on by index, and a stream
        // met twice or missed once is only filled a round earlier or later.
        bool busy = false;
        for (std::size_t i = 0; i < streams_.size(); ++i) {
            Stream* s = streams_[i];
            std::unique_lock streamLock(s->diskMutex, std::try_to_lock);
            if (!streamLock.owns_lock())
                continue;
            Feed* f = s->diskFeed;
            if (f == nullptr)
                continue;
            lock.unlock();
            const std::size_t before = f->ring.writable();
            const std::size_t buffered = f->ring.capacity() - before;
            fillFeed(*s, buffered + 4 * kDecodeChunk, s->pulled ? AtEnd::StopThere : AtEnd::Decide);
            busy = busy || f->ring.writable() < before;
            streamLock.unlock();
            lock.lock();
            if (quit_)
                return;
        }
        if (busy) {
            // More to do: let add() and remove() in, then go on without sleeping.
            lock.unlock();
            std::this_thread::yield();
            lock.lock();
            continue;
        }
        // A few milliseconds keeps half a second of buffer far ahead of any device period.
        wake_.wait_for(lock, std::chrono::milliseconds(5), [this] {
            return quit_ || woken_ || nudged_.load(std::memory_order_relaxed);
        });
        woken_ = false;
        nudged_.store(false, std::memory_order_relaxed);
    }
}

} // namespace kalvor::audio
