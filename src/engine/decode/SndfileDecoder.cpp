// Decoding through libsndfile: the PCM formats (WAV, AIFF, FLAC and the others it knows)
// and MPEG audio layers I to III, which libsndfile hands to libmpg123. Used by one thread
// at a time (UI thread to open, disk thread to read); never from an audio callback.
#include "engine/decode/Backends.h"
#include "engine/decode/MpegScan.h"

#include <sndfile.h>

#include <algorithm>
#include <vector>

namespace kalvor::engine::decode {

namespace {

struct FileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, FileCloser>;

int storedBits(int subtype) {
    switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
        return 8;
    case SF_FORMAT_PCM_24:
        return 24;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        return 32;
    case SF_FORMAT_DOUBLE:
        return 64;
    default:
        return 16; // 16-bit PCM, and what the compressed formats decode to
    }
}

QString codecName(int type, int subtype) {
    switch (type) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
    case SF_FORMAT_W64:
        return QStringLiteral("wav");
    case SF_FORMAT_AIFF:
        return QStringLiteral("aiff");
    case SF_FORMAT_FLAC:
        return QStringLiteral("flac");
    case SF_FORMAT_MPEG:
        if (subtype == SF_FORMAT_MPEG_LAYER_I)
            return QStringLiteral("mp1");
        if (subtype == SF_FORMAT_MPEG_LAYER_II)
            return QStringLiteral("mp2");
        return QStringLiteral("mp3");
    case SF_FORMAT_AU:
        return QStringLiteral("au");
    case SF_FORMAT_CAF:
        return QStringLiteral("caf");
    default:
        return QStringLiteral("sndfile");
    }
}

// Reads to the end from `from` and returns the frames read, or -1 when `from` lies beyond
// the end (libmpg123 accepts such a seek and then reads nothing).
std::int64_t framesFrom(SNDFILE* file, std::int64_t from, int channels) {
    if (sf_seek(file, from, SEEK_SET) < 0)
        return -1;
    std::vector<float> scratch(std::size_t(4096 * channels));
    std::int64_t total = 0;
    for (;;) {
        const sf_count_t n = sf_readf_float(file, scratch.data(), 4096);
        if (n <= 0)
            break;
        total += n;
    }
    return total == 0 && from > 0 ? -1 : total;
}

// The exact length of an MPEG stream. libsndfile reports libmpg123's figure, which is the
// Xing/LAME header's frame count when the file has one and a guess from the file size
// otherwise (133,938 reported for 133,632 decoded); a truncated file with a header is also
// reported at its full length. libmpg123 seeks exactly, by scanning frame headers without
// decoding, so we seek shortly before the reported end and count what is really left:
// with an intact header this confirms the header, without one it is the true figure.
std::int64_t exactMpegFrames(SNDFILE* file, std::int64_t reported, int rate, int channels) {
    const std::int64_t tries[] = {reported - 2 * std::int64_t(rate), reported / 2, 0};
    for (std::int64_t from : tries) {
        if (from < 0)
            continue;
        const std::int64_t rest = framesFrom(file, from, channels);
        if (rest >= 0)
            return from + rest;
    }
    return 0;
}

// 16-bit PCM whose samples libsndfile reads straight from the file. Its float path reads
// them in small pieces and converts one by one; reading the samples whole and scaling
// them here costs a fraction and yields the same floats (both multiply by 2^-15, exactly).
bool plainPcm16(int type, int subtype) {
    if (subtype != SF_FORMAT_PCM_16)
        return false;
    switch (type) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
    case SF_FORMAT_W64:
    case SF_FORMAT_AIFF:
        return true;
    default:
        return false;
    }
}

constexpr sf_count_t kShortChunkFrames = 4096;

class SndfileDecoder final : public Decoder {
public:
    SndfileDecoder(SndfilePtr file, AudioFormat format, bool pcm16)
        : file_(std::move(file)), format_(std::move(format)) {
        if (pcm16)
            shorts_.resize(static_cast<std::size_t>(kShortChunkFrames * format_.channels));
    }

    const AudioFormat& format() const override { return format_; }

    std::int64_t read(float* out, std::int64_t frames) override {
        // Never past the established length: a file that grew, or an MPEG stream whose
        // trailing junk decodes, must not make the sound longer than it claims to be.
        frames = std::min(frames, format_.frames - position_);
        if (frames <= 0)
            return 0;
        const sf_count_t n =
            shorts_.empty() ? sf_readf_float(file_.get(), out, frames) : readShorts(out, frames);
        if (n <= 0)
            return 0;
        position_ += n;
        return n;
    }

    bool seek(std::int64_t frame) override {
        if (frame < 0 || frame > format_.frames)
            return false;
        if (sf_seek(file_.get(), frame, SEEK_SET) != frame)
            return false;
        position_ = frame;
        return true;
    }

private:
    sf_count_t readShorts(float* out, sf_count_t frames) {
        const auto channels = static_cast<std::size_t>(format_.channels);
        sf_count_t done = 0;
        while (done < frames) {
            const sf_count_t want = std::min(kShortChunkFrames, frames - done);
            const sf_count_t got = sf_readf_short(file_.get(), shorts_.data(), want);
            if (got <= 0)
                break;
            const std::size_t count = static_cast<std::size_t>(got) * channels;
            float* into = out + static_cast<std::size_t>(done) * channels;
            const short* from = shorts_.data();
            for (std::size_t i = 0; i < count; ++i)
                into[i] = static_cast<float>(from[i]) * (1.0f / 32768.0f);
            done += got;
            if (got < want)
                break;
        }
        return done;
    }

    SndfilePtr file_;
    AudioFormat format_;
    std::int64_t position_ = 0;
    std::vector<short> shorts_; // 16-bit PCM read whole (empty: libsndfile converts)
};

} // namespace

OpenResult openWithSndfile(const QByteArray& localPath) {
    OpenResult result;
    SF_INFO info{};
    SndfilePtr file(sf_open(localPath.constData(), SFM_READ, &info));
    if (!file) {
        // Not sf_strerror(nullptr): that reads libsndfile's one global error, which another
        // thread's open may be writing.
        result.error = QStringLiteral("Not a format libsndfile knows");
        return result;
    }
    const int type = info.format & SF_FORMAT_TYPEMASK;
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    if (type == SF_FORMAT_OGG)
        return result;
    if (info.channels <= 0 || info.samplerate <= 0) {
        result.verdict = Verdict::Broken;
        result.error = QStringLiteral("The file has no sound channels");
        return result;
    }
    // Normalised floats (-1..1) from integer formats is libsndfile's default; float files
    // come through as stored.
    sf_command(file.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);

    AudioFormat format;
    format.sampleRate = info.samplerate;
    format.channels = info.channels;
    format.fileBits = storedBits(subtype);
    format.codec = codecName(type, subtype);
    format.frames = info.frames;
    if (type == SF_FORMAT_MPEG) {
        // libsndfile stops reading at the length it reports. Without a length header
        // that is a guess from the first frame's bit rate, so a variable-rate file whose
        // first frames are rich would be cut short (an 8 s file ended at 4.6 s); with one,
        // two files joined end to end would stop after the first. When the frames really
        // there clearly outnumber the reported length (beyond the header frame and the
        // encoder delay and padding a header accounts for), FFmpeg, which reads to the
        // real end, takes the file.
        const MpegScan scan = scanMpeg(localPath);
        if (scan.frames > info.frames + (scan.hasLengthHeader ? 4 : 1) * 1152) {
            result.error = QStringLiteral("MPEG length unknown to libsndfile");
            return result;
        }
        format.frames = exactMpegFrames(file.get(), info.frames, info.samplerate, info.channels);
        if (sf_seek(file.get(), 0, SEEK_SET) != 0) {
            result.verdict = Verdict::Broken;
            result.error = QStringLiteral("The MPEG stream cannot be rewound");
            return result;
        }
    }
    if (format.frames <= 0) {
        result.verdict = Verdict::Broken;
        result.error = QStringLiteral("The file holds no sound");
        return result;
    }
    result.decoder = std::make_unique<SndfileDecoder>(std::move(file), std::move(format),
                                                      plainPcm16(type, subtype));
    result.verdict = Verdict::Opened;
    return result;
}

} // namespace kalvor::engine::decode
