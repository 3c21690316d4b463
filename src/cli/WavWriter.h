// Writes interleaved float frames as a 32-bit float WAV file, through a temporary file so
// an interrupted render never leaves half a file under the final name. Any thread.
#pragma once

#include <QString>

#include <vector>

namespace kalvor::cli {

bool writeFloatWav(const QString& path, int sampleRate, int channels,
                   const std::vector<float>& interleaved, QString* error);

} // namespace kalvor::cli
