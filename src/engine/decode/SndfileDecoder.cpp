// Decoding through libsndfile: the PCM formats (WAV, AIFF, FLAC and the others it knows).
// Used by one thread at a time (UI thread to open, disk thread to read); never from an
// audio callback.
#include "engine/decode/Backends.h"
#include "engine/decode/Pcm16.h"
#include "engine/decode/StoreChoice.h"

#include <QFile>

#include <sndfile.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
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

QString codecName(int type) {
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
    case SF_FORMAT_AU:
        return QStringLiteral("au");
    case SF_FORMAT_CAF:
        return QStringLiteral("caf");
    default:
        return QStringLiteral("sndfile");
    }
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

// A WAV file as libsndfile is shown it when the size of its "data" chunk reads 0: a
// recorder that stopped before it could write the size leaves it so, with the sound itself
// all there. The size is shown as the largest there is, which libsndfile cuts to what the
// file holds.
class UnsizedWav {
public:
    // Null unless `path` is a RIFF WAV whose "data" chunk is sized 0 and has bytes after it.
    static std::unique_ptr<UnsizedWav> open(const QByteArray& path) {
        QFile file(QFile::decodeName(path));
        if (!file.open(QIODevice::ReadOnly))
            return nullptr;
        const QByteArray head = file.peek(12);
        if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
            return nullptr;
        qint64 at = 12;
        while (file.seek(at)) {
            const QByteArray chunk = file.read(8);
            if (chunk.size() < 8)
                return nullptr;
            quint32 size = 0;
            std::memcpy(&size, chunk.constData() + 4, 4); // little-endian, as is every host here
            if (chunk.startsWith("data")) {
                if (size != 0 || file.size() <= at + 8)
                    return nullptr;
                const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
                if (fd < 0)
                    return nullptr;
                return std::unique_ptr<UnsizedWav>(new UnsizedWav(fd, at + 4));
            }
            at += 8 + qint64(size) + (size & 1);
        }
        return nullptr;
    }
    ~UnsizedWav() { ::close(fd_); }
    UnsizedWav(const UnsizedWav&) = delete;
    UnsizedWav& operator=(const UnsizedWav&) = delete;

    SNDFILE* openSndfile(SF_INFO* info) {
        static SF_VIRTUAL_IO io = {&UnsizedWav::length, &UnsizedWav::seek, &UnsizedWav::read,
                                   nullptr, &UnsizedWav::tell};
        return sf_open_virtual(&io, SFM_READ, info, this);
    }

private:
    UnsizedWav(int fd, sf_count_t sizeAt) : fd_(fd), sizeAt_(sizeAt) {}

    static UnsizedWav& of(void* user) { return *static_cast<UnsizedWav*>(user); }
    static sf_count_t length(void* user) {
        const off_t end = ::lseek(of(user).fd_, 0, SEEK_END);
        return end < 0 ? 0 : end;
    }
    static sf_count_t seek(sf_count_t offset, int whence, void* user) {
        UnsizedWav& w = of(user);
        const sf_count_t base = whence == SEEK_CUR   ? w.position_
                                : whence == SEEK_END ? length(user)
                                                     : 0;
        if (base + offset < 0)
            return -1;
        w.position_ = base + offset;
        return w.position_;
    }
    static sf_count_t read(void* into, sf_count_t count, void* user) {
        UnsizedWav& w = of(user);
        ssize_t got = 0;
        do
            got = ::pread(w.fd_, into, static_cast<std::size_t>(count), w.position_);
        while (got < 0 && errno == EINTR);
        if (got <= 0)
            return 0;
        // The size field's bytes that this read covers read as 0xff.
        auto* bytes = static_cast<unsigned char*>(into);
        for (sf_count_t i = std::max<sf_count_t>(w.sizeAt_, w.position_);
             i < std::min<sf_count_t>(w.sizeAt_ + 4, w.position_ + got); ++i)
            bytes[i - w.position_] = 0xff;
        w.position_ += got;
        return got;
    }
    static sf_count_t tell(void* user) { return of(user).position_; }

    int fd_;
    sf_count_t sizeAt_;
    sf_count_t position_ = 0;
};

class SndfileDecoder final : public Decoder {
public:
    SndfileDecoder(std::unique_ptr<UnsizedWav> unsized, SndfilePtr file, AudioFormat format,
                   bool pcm16)
        : unsized_(std::move(unsized)), file_(std::move(file)), format_(std::move(format)) {
        if (pcm16)
            shorts_.resize(static_cast<std::size_t>(kShortChunkFrames * format_.channels));
    }

    const AudioFormat& format() const override { return format_; }

    std::int64_t read(float* out, std::int64_t frames) override {
        // Never past the established length: a file that grew must not make the sound
        // longer than it claims to be.
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

    bool reads16() const override { return !shorts_.empty(); }

    std::int64_t read16(std::int16_t* out, std::int64_t frames) override {
        frames = std::min(frames, format_.frames - position_);
        if (frames <= 0 || shorts_.empty())
            return 0;
        // With the reader on this core, straight from the file into the feed: it finds the
        // frames in this core's caches. Else the way that has cost less lately.
        const bool stream = readerElsewhere_ && storeChoice_.streamNext();
        const auto started = std::chrono::steady_clock::now();
        const sf_count_t n =
            stream ? readStreamed(out, frames) : sf_readf_short(file_.get(), out, frames);
        if (n <= 0)
            return 0;
        if (readerElsewhere_) {
            const std::chrono::duration<double, std::nano> spent =
                std::chrono::steady_clock::now() - started;
            storeChoice_.took(stream, spent.count() / static_cast<double>(n));
        }
        position_ += n;
        return n;
    }

    void setReaderElsewhere(bool elsewhere) override {
        readerElsewhere_ = elsewhere && streamDecodedSamples();
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
    // Reads `frames` frames as 16-bit samples through the chunk buffer; `store(samples,
    // count, frameOffset)` takes each chunk where it goes.
    template <typename Store> sf_count_t readChunked(sf_count_t frames, Store store) {
        const auto channels = static_cast<std::size_t>(format_.channels);
        sf_count_t done = 0;
        while (done < frames) {
            const sf_count_t want = std::min(kShortChunkFrames, frames - done);
            const sf_count_t got = sf_readf_short(file_.get(), shorts_.data(), want);
            if (got <= 0)
                break;
            store(shorts_.data(), static_cast<std::size_t>(got) * channels,
                  static_cast<std::size_t>(done) * channels);
            done += got;
            if (got < want)
                break;
        }
        return done;
    }

    sf_count_t readShorts(float* out, sf_count_t frames) {
        return readChunked(frames, [&](const std::int16_t* in, std::size_t count, std::size_t at) {
            pcm16ToFloat(in, out + at, count, readerElsewhere_);
        });
    }

    sf_count_t readStreamed(std::int16_t* out, sf_count_t frames) {
        return readChunked(frames, [&](const std::int16_t* in, std::size_t count, std::size_t at) {
            streamPcm16(in, out + at, count);
        });
    }

    std::unique_ptr<UnsizedWav> unsized_; // what file_ reads through, if anything; outlives it
    SndfilePtr file_;
    AudioFormat format_;
    std::int64_t position_ = 0;
    std::vector<short> shorts_; // 16-bit PCM read whole (empty: libsndfile converts)
    bool readerElsewhere_ = false;
    StoreChoice storeChoice_; // how 16-bit reads reach a feed read on another core
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
    if (type == SF_FORMAT_MPEG) {
        file.reset();
        return openWithMpg123(localPath);
    }
    // MPEG inside a WAV: libsndfile's frame count is the container's estimate, not what its
    // reading yields (32,615 against 32,256 decoded for a LAME stream). FFmpeg counts.
    if (subtype == SF_FORMAT_MPEG_LAYER_I || subtype == SF_FORMAT_MPEG_LAYER_II ||
        subtype == SF_FORMAT_MPEG_LAYER_III)
        return result;
    std::unique_ptr<UnsizedWav> unsized;
    if (info.frames <= 0 && (unsized = UnsizedWav::open(localPath))) {
        SF_INFO whole{};
        SndfilePtr reopened(unsized->openSndfile(&whole));
        if (reopened) {
            file = std::move(reopened);
            info = whole;
        } else {
            unsized.reset();
        }
    }
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
    format.codec = codecName(type);
    format.frames = info.frames;
    if (format.frames <= 0) {
        result.verdict = Verdict::Broken;
        result.error = QStringLiteral("The file holds no sound");
        return result;
    }
    result.decoder = std::make_unique<SndfileDecoder>(std::move(unsized), std::move(file),
                                                      std::move(format), plainPcm16(type, subtype));
    result.verdict = Verdict::Opened;
    return result;
}

} // namespace kalvor::engine::decode
