// PortAudio's output devices: ALSA hardware devices by card, the system default device,
// user-defined ALSA devices, and JACK while a server runs (listed here, played through
// JackOutput.h). UI thread; the stream's callback runs on PortAudio's thread and does
// nothing but call the mixer.
#pragma once

#include "engine/audiolib/DeviceBackend.h"

#include <atomic>

namespace kalvor::audio {

class PortAudioBackend {
public:
    PortAudioBackend();
    ~PortAudioBackend();
    PortAudioBackend(const PortAudioBackend&) = delete;
    PortAudioBackend& operator=(const PortAudioBackend&) = delete;

    // Rescans (PortAudio is restarted when no stream of ours is open, so a JACK server
    // started since shows up).
    std::vector<BackendDevice> enumerate();
    std::unique_ptr<OutputStream> open(const BackendDevice& device, int requestedRate,
                                       RenderTarget& target, QString* error);
    // Set by the JACK device's own output when its server went away. PortAudio's JACK
    // client went with it, and libjack deletes such clients when the process opens its
    // next one: PortAudio's JACK devices are not listed any more, and PortAudio is never
    // restarted or ended (its JACK side would close a client that is gone).
    std::shared_ptr<std::atomic<bool>> jackServerGone() const { return abandoned_; }

private:
    bool initialised_ = false;
    std::shared_ptr<int> openStreams_; // use count - 1 = streams open
    // Set once a stream's device vanished or the JACK server went away: PortAudio is then
    // never restarted or ended.
    std::shared_ptr<std::atomic<bool>> abandoned_;
};

} // namespace kalvor::audio
