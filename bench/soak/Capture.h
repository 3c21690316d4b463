// A JACK client of the soak's own: it counts the server's xruns and records what the
// program's first two output ports play. Its process callback only copies into a ring;
// a thread of its own writes the ring to a file of raw interleaved floats, so the
// recording never waits on the disk in the server's cycle.
#pragma once

#include "engine/audiolib/LockFree.h"

#include <jack/jack.h>

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <thread>

namespace kalvor::soak {

class Capture {
public:
    Capture() = default;
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // Opens the client on the running server (never starts one). False with `error`.
    bool open(const char* name, QString* error);
    int rate() const;
    int period() const;
    // Connects the first two audio outputs of clients other than ours (`ownPrefix`) and the
    // server's own ports; the number connected.
    int connectProgram(const char* ownPrefix);
    // From the next cycle on, records into `path`.
    bool start(const QString& path, QString* error);
    void stop();

    // The recording's frame now, by the server's clock (-1 before the first recorded cycle).
    std::int64_t frameNow() const;
    long xruns() const { return xruns_.load(std::memory_order_relaxed); }
    // Xrun reports more than a period apart: the server reports one xrun to every client,
    // and a late cycle can make the next one late too.
    long xrunMoments() const { return moments_.load(std::memory_order_relaxed); }
    // The recording's frame at each of the first kKeptXruns xruns (-1: before it started).
    static constexpr int kKeptXruns = 4096;
    std::int64_t xrunFrame(int i) const { return xrunFrames_.at(static_cast<std::size_t>(i)); }
    // Cycles the ring had no room for: the recording has a hole and cannot be analysed.
    long overflows() const { return overflows_.load(std::memory_order_relaxed); }
    // Cycles the server ran without this client (its clock jumped): the recording's frame
    // where each gap of silence begins, and how many there were.
    long gaps() const { return gaps_.load(std::memory_order_acquire); }
    std::int64_t gapFrame(long i) const { return gapFrames_.at(static_cast<std::size_t>(i)); }
    std::int64_t recorded() const { return written_; }

private:
    static int process(jack_nframes_t frames, void* arg);
    static int xrun(void* arg);
    void drain();

    jack_client_t* client_ = nullptr;
    jack_port_t* in_[2] = {};
    std::unique_ptr<audio::FrameRing> ring_; // producer: process thread; consumer: writer
    std::atomic<bool> recording_{false};
    std::atomic<bool> running_{false};
    std::atomic<std::int64_t> startFrame_{-1};
    std::atomic<long> xruns_{0};
    std::atomic<long> moments_{0};
    std::atomic<long> gaps_{0};
    std::array<std::int64_t, kKeptXruns> gapFrames_{}; // process thread writes, then gaps_
    std::int64_t lastXrun_ = -1;                       // notification thread
    jack_nframes_t expected_ = 0; // process thread: the frame the next cycle should start at
    std::array<std::atomic<std::int64_t>, kKeptXruns> xrunFrames_{};
    std::atomic<long> overflows_{0};
    std::thread writer_;
    std::FILE* file_ = nullptr;
    std::int64_t written_ = 0; // writer thread, read after stop()
};

} // namespace kalvor::soak
