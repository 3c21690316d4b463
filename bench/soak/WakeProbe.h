// A thread that asks the kernel to wake it every millisecond, SCHED_FIFO above the JACK
// server, on the server's core, and keeps every wake-up that came late. When a thread
// that outranks the server and the engine was itself not run for milliseconds, the core
// was not running anything of ours: a cycle the server lost then is the machine's.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace kalvor::soak {

class WakeProbe {
public:
    WakeProbe();
    ~WakeProbe();
    WakeProbe(const WakeProbe&) = delete;
    WakeProbe& operator=(const WakeProbe&) = delete;

    // Ties the probe's clock to the recording's frames; call every few tens of ms.
    void noteFrame(std::int64_t frame);
    // Stops the probe and prints its late wake-ups beside the cycles the server lost.
    void report(const std::vector<std::int64_t>& lostCycles, int rate);

private:
    struct Late {
        std::int64_t dueNs;
        std::int64_t lateNs;
    };
    void run();
    std::int64_t frameAt(std::int64_t ns) const;

    std::atomic<bool> running_{true};
    bool realtime_ = false;
    std::vector<Late> late_; // the probe thread's until it is joined
    std::int64_t wakeUps_ = 0;
    std::vector<std::int64_t> clockNs_, clockFrames_;
    std::thread thread_;
};

} // namespace kalvor::soak
