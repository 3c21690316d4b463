// The JACK device's output, on a JACK client of its own rather than PortAudio's.
//
// PortAudio's JACK host API holds one client, made when PortAudio starts. Once that
// server has gone, the client is dead for good, and only a restart of PortAudio makes a
// new one, which closes every PortAudio stream, the ALSA outputs that still play among
// them. A client of our own per opened JACK device can be dropped and made again while
// the other outputs play on, so a JACK server that restarts mid-show can be taken up
// again. PortAudio still lists the JACK device (its rate and channel count).
//
// UI thread, except the process and shutdown callbacks (JACK's threads).
#pragma once

#include "engine/audiolib/DeviceBackend.h"

#include <atomic>
#include <memory>

namespace kalvor::audio {

// Opens `device` (driver "jack") on the server that answers now, at the server's rate,
// with one output port per channel, connected in order to the server's playback ports
// when it starts. nullptr and `error` set when no server answers. `serverGone` is set
// (from JACK's thread) when the server goes away under the output.
std::unique_ptr<OutputStream> openJackOutput(const BackendDevice& device, RenderTarget& target,
                                             std::shared_ptr<std::atomic<bool>> serverGone,
                                             QString* error);

} // namespace kalvor::audio
