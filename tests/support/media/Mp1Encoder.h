// A minimal MPEG-1 Layer I encoder for test media, because Debian ships no encoder for the
// format and the decoders must still be tested with it. Test threads only.
#pragma once

#include <QString>

#include <vector>

namespace kalvor::testmedia {

// Writes `interleaved` (1 or 2 channels, 32000, 44100 or 48000 Hz) as MPEG-1 Layer I at
// 448 kbit/s. Our filter bank only approximates the standard's, so the decoded signal is
// the input within about 25 to 55 dB signal-to-noise for tones (least at multiples of
// rate / 64, the subband edges) and 20 dB for full-band noise, delayed by the synthesis's
// 481 frames; the file holds whole 384-frame blocks covering input plus that delay.
bool writeMp1(const QString& path, int sampleRate, int channels,
              const std::vector<float>& interleaved);

} // namespace kalvor::testmedia
