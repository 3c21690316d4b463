// Sound files made at test time, so no audio is committed to the repository. Signals are
// computed here in C++; WAV is written directly, the other formats are encoded from a
// temporary WAV with the ffmpeg command line (which must be on PATH), and MPEG-1 Layer I
// by our own small encoder because Debian ships none. Test threads only; each call runs
// ffmpeg synchronously, so make files once per test suite where you can.
//
// Every make* function writes `folder`/`name` and returns the absolute path, or an empty
// string (after a qWarning with the reason) when the file could not be made. When `name`
// has no dot the format's usual extension is appended; otherwise it is used as given, so a
// test can make an MP3 called "song.wav" on purpose.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace kalvor::testmedia {

enum class Format {
    Wav16,        // PCM 16-bit, exact
    Wav24,        // PCM 24-bit, exact
    Wav32,        // PCM 32-bit integer, exact
    WavFloat,     // IEEE float 32-bit, exact
    Aiff,         // big-endian PCM 16-bit, exact
    Flac,         // 16-bit, exact
    Mp1,          // MPEG-1 Layer I, 448 kbit/s, our encoder (32, 44.1, 48 kHz; 1-2 channels;
                  // the input within 20-55 dB SNR, 481 frames late, see Mp1Encoder.h)
    Mp2,          // MPEG-1 Layer II, ffmpeg "mp2", 256 kbit/s (32, 44.1, 48 kHz)
    Mp3,          // LAME CBR 192 kbit/s with a Xing/LAME header (exact length, gapless)
    Mp3NoXing,    // the same without the Xing/LAME header (length only known by counting)
    Mp3VbrNoXing, // LAME VBR quality 2 without the header: the size tells nothing of length
    Ogg,          // Vorbis quality 5, 100 ms pages; up to 8 channels
    Wma,          // WMA version 2 in ASF, 128 kbit/s; 1-2 channels
};

// ".wav", ".aiff", ".flac", ".mp1", ".mp2", ".mp3", ".ogg" or ".wma".
QString extensionOf(Format format);
// True for the formats whose samples come back exactly (16-bit values survive every one).
bool isLossless(Format format);

// Writes `interleaved` (frames * channels floats, -1..1) in `format`.
QString makeSound(const QString& folder, const QString& name, Format format, int sampleRate,
                  int channels, const std::vector<float>& interleaved);

// A sine of `frequencyHz` at `amplitudeDbfs` peak (0 = full scale) on every channel, in phase.
QString makeTone(const QString& folder, const QString& name, Format format, int sampleRate,
                 int channels, double seconds, double frequencyHz, double amplitudeDbfs);
// Digital silence.
QString makeSilence(const QString& folder, const QString& name, Format format, int sampleRate,
                    int channels, double seconds);
// Silence with one sample of `amplitudeDbfs` (positive) at `clickFrame` on every channel.
QString makeClick(const QString& folder, const QString& name, Format format, int sampleRate,
                  int channels, std::int64_t frames, std::int64_t clickFrame,
                  double amplitudeDbfs = 0.0);
// Uniform white noise from a fixed seed: every frame differs from its neighbours, which
// makes an offset of even one frame visible when a lossy decode is compared with itself.
QString makeNoise(const QString& folder, const QString& name, Format format, int sampleRate,
                  int channels, std::int64_t frames, double amplitudeDbfs = -6.0,
                  std::uint32_t seed = 1);
// A ramp whose sample at (frame, channel) is rampValue(frame, channel): a 16-bit value, so
// it survives every lossless format exactly and a decoded sample tells which frame it is.
QString makeRamp(const QString& folder, const QString& name, Format format, int sampleRate,
                 int channels, std::int64_t frames);
// The ramp's sample: ((frame + 7919 * channel) mod 65536 - 32768) / 32768. It repeats
// every 65536 frames; channels are offset so a swapped channel shows too.
float rampValue(std::int64_t frame, int channel);

// A WAV file read back as float frames (PCM 8/16/24/32 and float 32/64, plain or
// WAVE_FORMAT_EXTENSIBLE). `ok` is false when the file is missing or not such a WAV.
struct WavData {
    bool ok = false;
    int sampleRate = 0;
    int channels = 0;
    int bits = 0;
    std::vector<float> samples; // interleaved
    std::int64_t frames() const {
        return channels > 0 ? std::int64_t(samples.size()) / channels : 0;
    }
    float at(std::int64_t frame, int channel) const {
        return samples[std::size_t(frame * channels + channel)];
    }
};
WavData readWav(const QString& path);

} // namespace kalvor::testmedia
