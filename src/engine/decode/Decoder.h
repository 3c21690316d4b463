// Decoding of sound files into interleaved float frames at the file's own rate, with
// exact lengths and frame-exact seeks whatever the format. Decoders are used from the
// disk thread (reading ahead) and from the UI thread (opening, probing); one decoder
// instance is only ever used by one thread at a time. Never from an audio callback.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace kalvor::engine {

struct AudioFormat {
    int sampleRate = 0; // Hz, the file's own rate
    // 1 mono, 2 stereo, up to 8; surround channels in the WAV order (FL FR FC LFE BL BR SL
    // SR), which WAV, FLAC and FFmpeg's formats use; Vorbis files are reordered to it.
    int channels = 0;
    // Bits per sample as stored: 8, 16, 24, 32 (integer or float), 64 (double); compressed
    // formats without a sample size (MP1/2/3, Ogg Vorbis, WMA) report 16.
    int fileBits = 0;
    std::int64_t frames = 0; // exact length in frames at `sampleRate`: what reading yields
    QString codec;           // short name for messages: "wav", "aiff", "flac", "mp1", "mp2", "mp3",
                             // "ogg", "wma", or FFmpeg's codec name for anything else
};

class Decoder {
public:
    virtual ~Decoder() = default;
    virtual const AudioFormat& format() const = 0;
    // Reads up to `frames` frames of interleaved float samples (-1..1) into `out`, which
    // holds frames * channels floats. Returns the frames read; 0 at the end of the sound.
    virtual std::int64_t read(float* out, std::int64_t frames) = 0;
    // Whether read16() can give the file's own 16-bit samples, those that read() gives as
    // x / 32768: a feed of them is half the size and half the memory traffic.
    virtual bool reads16() const { return false; }
    // As read(), the samples as 16-bit integers. Only where reads16().
    virtual std::int64_t read16(std::int16_t* out, std::int64_t frames) {
        (void)out;
        (void)frames;
        return 0;
    }
    // Positions the decoder so that the next read starts exactly at `frame` (0..frames).
    virtual bool seek(std::int64_t frame) = 0;
    // Whether the next reads are for a reader running on another core at the same time
    // (the mixer, when the disk thread decodes ahead); a decoder may write differently then.
    virtual void setReaderElsewhere(bool elsewhere) { (void)elsewhere; }
};

enum class DecoderRoute {
    Main, // everything but ASF/WMA: libsndfile, libvorbisfile, then FFmpeg
    Wma,  // FFmpeg's ASF demuxer only
};

// Opens `path` for decoding. Returns nullptr and sets `error` (a short English text for
// the engine's report) when the file is missing, empty, truncated or not audio. A file cut
// short in the middle of its sound still opens, at the length that is really there.
// Opening may decode the file once to learn its exact length (MPEG without a length
// header: only its last two seconds; FFmpeg formats such as WMA: all of it).
std::unique_ptr<Decoder> openDecoder(const QString& path, DecoderRoute route,
                                     QString* error = nullptr);

// Starts loading the FFmpeg decoder plugin (WMA and the formats only FFmpeg knows) on a
// thread of its own and returns at once, so that the first such file a recall opens does
// not wait for FFmpeg's libraries to load. For right after start-up. Calling it again, or
// opening a file meanwhile, loads nothing twice; an opening that comes first waits for the
// load in progress. The process's exit waits for a load still in progress.
void preloadFfmpegPlugin();

// Hands the files a show has just loaded to a thread of the lowest priority that opens
// each WMA file among them once (in the order given, each once), so that the length pass
// such a file needs (see openDecoder) is done before a recall opens it. An opening that
// meets a file being scanned waits for that pass instead of running a second one. A
// later call replaces the files not yet scanned. Lengths found are also kept on disk for
// later sessions. Returns at once; UI thread.
void scanLengthsAhead(const QStringList& paths);
// Files handed to scanLengthsAhead not scanned yet, the one in progress included.
int lengthScansPending();

} // namespace kalvor::engine
