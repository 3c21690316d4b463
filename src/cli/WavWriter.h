// WAV files written by kalvor-tool: 16-bit PCM or 32-bit float, through the engine's
// writer (a temporary file renamed into place on commit, RF64 once past 4 GB). Any
// thread; one writer per file.
#pragma once

#include "engine/audiolib/WavFileWriter.h"

#include <cstddef>

namespace kalvor::cli {

class WavOut : public audio::WavFileWriter {
public:
    WavOut(const QString& path, int rate, int channels, bool floats)
        : WavFileWriter(path, rate, channels,
                        floats ? audio::WavSamples::Float32 : audio::WavSamples::Pcm16),
          channels_(channels) {}
    // Appends interleaved samples (`count` floats, whole frames, -1..1).
    void write(const float* samples, std::size_t count) {
        WavFileWriter::write(samples, static_cast<std::int64_t>(count) / channels_);
    }

private:
    int channels_;
};

} // namespace kalvor::cli
