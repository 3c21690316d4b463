// The JACK device: listed and played through a JACK client of our own, never through
// PortAudio's JACK host API.
//
// PortAudio's JACK host API holds one client, made when PortAudio starts. Once that
// server has gone, the client is dead for good, and only a restart of PortAudio makes a
// new one, which closes every PortAudio stream, the ALSA outputs that still play among
// them. A client of our own per opened JACK device can be dropped and made again while
// the other outputs play on, so a JACK server that restarts mid-show can be taken up
// again. PortAudio is kept off the server altogether (PortAudioBackend.cpp): an idle
// client of its own in the server's graph is woken every period for nothing, and on a
// loaded machine each extra wake-up in the chain costs xruns.
//
// UI thread, except the process and shutdown callbacks (JACK's threads).
#pragma once

#include "engine/audiolib/DeviceBackend.h"

#include <atomic>
#include <memory>
#include <optional>

namespace kalvor::audio {

// The server that answers now as the device "JACK" (driver "jack"): its rate, and one
// speaker per physical playback port. Nothing when no server runs or it has no playback
// ports.
std::optional<BackendDevice> probeJackDevice();

// Opens `device` (driver "jack") on the server that answers now, at the server's rate,
// with one output port per channel, connected in order to the server's playback ports
// when it starts. nullptr and `error` set when no server answers.
std::unique_ptr<OutputStream> openJackOutput(const BackendDevice& device, RenderTarget& target,
                                             QString* error);

} // namespace kalvor::audio
