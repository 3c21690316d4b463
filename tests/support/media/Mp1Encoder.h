// A minimal MPEG-1 Layer I encoder for test media, because Debian ships no encoder for the
// format and the decoders must still be tested with it. Test threads only.
#pragma once

#include <QString>

#include <vector>

namespace kalvor::testmedia {

// Writes `interleaved` (1 or 2 channels, 32000, 44100 or 48000 Hz) as MPEG-1 Layer I at
// 448 kbit/s. The filter bank is a windowed-sinc approximation of the standard one, so the
// decoded signal is close to, not identical with, the input, and delayed by the usual 481
// frames of the synthesis; the file ends with whole 384-sample frames covering that tail.
bool writeMp1(const QString& path, int sampleRate, int channels,
              const std::vector<float>& interleaved);

} // namespace kalvor::testmedia
