// The test's ears on a JACK server: one input port per server playback port, fed by
// whatever feeds that playback port, and the peak heard on each since the last reset.
// Test thread, apart from the process callback.
#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <initializer_list>

namespace kalvor::test {

class JackListener {
public:
    static constexpr int kPorts = 8;

    // False when no server answers.
    bool open();
    ~JackListener();
    // Playback ports of the server.
    int ports() const;
    // Taps everything connected to system:playback_N; true once each of `ports` (1-based)
    // has a feed tapped (the ALSA plug-in connects its ports when the device starts).
    bool tap(std::initializer_list<int> ports);
    // The ports (1-based, as bits 1 << (n - 1)) that carried more than -40 dBFS over
    // `frames` server frames, once what the devices had buffered before has been played.
    unsigned sounding(std::int64_t frames = 9600);

private:
    static int process(jack_nframes_t frames, void* self);

    jack_client_t* client_ = nullptr;
    std::array<jack_port_t*, kPorts> in_{};
    std::array<std::atomic<float>, kPorts> peak_{};
    std::atomic<std::int64_t> frames_{0};
};

} // namespace kalvor::test
