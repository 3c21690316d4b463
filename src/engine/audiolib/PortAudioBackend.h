// PortAudio's output devices: ALSA hardware devices by card, the system default device,
// and user-defined ALSA devices. PortAudio's JACK side is kept off the server (the JACK
// device is listed and played by JackOutput.h). UI thread; the stream's callback runs on PortAudio's thread and does
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

private:
    bool initialised_ = false;
    std::shared_ptr<int> openStreams_; // use count - 1 = streams open
    // Set once a stream's device vanished or the JACK server went away: PortAudio is then
    // never restarted or ended.
    std::shared_ptr<std::atomic<bool>> abandoned_;
};

} // namespace kalvor::audio
