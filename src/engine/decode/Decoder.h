// Decoding of sound files into interleaved float frames at the file's own rate, with
// exact lengths and frame-exact seeks whatever the format. Decoders are used from the
// disk thread (reading ahead) and from the UI thread (opening, probing); one decoder
// instance is only ever used by one thread at a time. Never from an audio callback.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>

namespace kalvor::engine {

struct AudioFormat {
    int sampleRate = 0;  // Hz, the file's own rate
    int channels = 0;    // 1 mono, 2 stereo, up to 8
    int fileBits = 0;    // bits per sample as stored on disk (16, 24, 32; 0 when the codec has none, e.g. MP3 -> 16)
    std::int64_t frames = 0; // exact length in frames at `sampleRate`
    QString codec;       // short name for messages: "wav", "aiff", "flac", "mp3", "ogg", "wma", ...
};

class Decoder {
public:
    virtual ~Decoder() = default;
    virtual const AudioFormat& format() const = 0;
    // Reads up to `frames` frames of interleaved float samples (-1..1) into `out`, which
    // holds frames * channels floats. Returns the frames read; 0 at the end of the sound.
    virtual std::int64_t read(float* out, std::int64_t frames) = 0;
    // Positions the decoder so that the next read starts exactly at `frame` (0..frames).
    virtual bool seek(std::int64_t frame) = 0;
};

enum class DecoderRoute {
    Main, // everything but ASF/WMA: libsndfile, libvorbisfile, then FFmpeg
    Wma,  // FFmpeg's ASF demuxer only
};

// Opens `path` for decoding. Returns nullptr and sets `error` (a short English text for
// the engine's report) when the file is missing, empty, truncated or not audio.
std::unique_ptr<Decoder> openDecoder(const QString& path, DecoderRoute route, QString* error = nullptr);

} // namespace kalvor::engine
