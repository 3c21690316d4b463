// MPEG audio layers I to III through libmpg123 directly. Used by one thread at a time (UI
// thread to open, disk thread to read); never from an audio callback.
#include "engine/decode/Backends.h"
#include "engine/decode/BufferedFile.h"

#include <mpg123.h>

#include <algorithm>
#include <mutex>

namespace kalvor::engine::decode {

namespace {

struct HandleCloser {
    void operator()(mpg123_handle* handle) const {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};
using HandlePtr = std::unique_ptr<mpg123_handle, HandleCloser>;

QString layerName(int layer) {
    switch (layer) {
    case 1:
        return QStringLiteral("mp1");
    case 2:
        return QStringLiteral("mp2");
    default:
        return QStringLiteral("mp3");
    }
}

// Float output at whatever rate and channel count the file has, so that the samples are the
// decoder's own (no conversion inside libmpg123).
void acceptFloatOnly(mpg123_handle* handle) {
    mpg123_format_none(handle);
    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    for (std::size_t i = 0; i < count; ++i)
        mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
}

mpg123_ssize_t readFile(void* file, void* into, std::size_t bytes) {
    return static_cast<BufferedFile*>(file)->read(into, bytes);
}
off_t seekFile(void* file, off_t offset, int whence) {
    return static_cast<BufferedFile*>(file)->seek(offset, whence);
}
void closeFile(void* file) {
    delete static_cast<BufferedFile*>(file);
}

HandlePtr newHandle(bool gapless) {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    int err = MPG123_OK;
    HandlePtr handle(mpg123_new(nullptr, &err));
    if (!handle)
        return handle;
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_FLOAT, 0.0);
    // Gapless on: with a LAME/Info header the encoder's delay and padding are cut, so the
    // length is the source's to the frame. Without such a header nothing is cut and every
    // decoded frame counts, which is what plays.
    mpg123_param(handle.get(), gapless ? MPG123_ADD_FLAGS : MPG123_REMOVE_FLAGS, MPG123_GAPLESS,
                 0.0);
    // Junk between frames (a stray tag, a damaged frame) is skipped however long it is, as
    // players do, instead of ending the sound there.
    mpg123_param(handle.get(), MPG123_RESYNC_LIMIT, -1, 0.0);
    // An index that grows with the file: every seek lands on a noted frame near its target.
    mpg123_param(handle.get(), MPG123_INDEX_SIZE, -1000, 0.0);
    acceptFloatOnly(handle.get());
    return handle;
}

class Mpg123Decoder final : public Decoder {
public:
    Mpg123Decoder(HandlePtr handle, AudioFormat format)
        : handle_(std::move(handle)), format_(std::move(format)) {}

    const AudioFormat& format() const override { return format_; }

    std::int64_t read(float* out, std::int64_t frames) override {
        // Never past the established length: a file that grew must not make the sound
        // longer than it claims to be.
        frames = std::min(frames, format_.frames - position_);
        const auto frameBytes = sizeof(float) * static_cast<std::size_t>(format_.channels);
        std::int64_t done = 0;
        while (done < frames) {
            std::size_t got = 0;
            const int rc = mpg123_read(handle_.get(), out + done * format_.channels,
                                       static_cast<std::size_t>(frames - done) * frameBytes, &got);
            done += static_cast<std::int64_t>(got / frameBytes);
            if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
                break;
            if (got == 0 && rc == MPG123_OK)
                break;
        }
        position_ += done;
        return done;
    }

    bool seek(std::int64_t frame) override {
        if (frame < 0 || frame > format_.frames)
            return false;
        if (mpg123_seek(handle_.get(), static_cast<off_t>(frame), SEEK_SET) != frame)
            return false;
        position_ = frame;
        return true;
    }

private:
    HandlePtr handle_;
    AudioFormat format_;
    std::int64_t position_ = 0;
};

struct Opened {
    HandlePtr handle;
    long rate = 0;
    int channels = 0;
    std::int64_t frames = 0;    // scanned, after any gapless trimming
    std::int64_t rawFrames = 0; // scanned, every decoded frame
    int layer = 3;
};

// Opens and scans the whole stream's frame headers (no decoding), which gives the exact
// length and an index for exact seeks.
bool openScanned(const QByteArray& localPath, bool gapless, Opened& out, QString* error) {
    out.handle = newHandle(gapless);
    if (!out.handle) {
        *error = QStringLiteral("The MPEG decoder cannot start");
        return false;
    }
    mpg123_handle* h = out.handle.get();
    std::unique_ptr<BufferedFile> file = BufferedFile::open(localPath);
    if (!file) {
        *error = QStringLiteral("The file cannot be read");
        return false;
    }
    // libmpg123 owns the file from here and closes it with the handle.
    int encoding = 0;
    if (mpg123_replace_reader_handle(h, readFile, seekFile, closeFile) != MPG123_OK ||
        mpg123_open_handle(h, file.release()) != MPG123_OK ||
        mpg123_getformat(h, &out.rate, &out.channels, &encoding) != MPG123_OK) {
        *error = QStringLiteral("Not an MPEG audio stream");
        return false;
    }
    // The first frame's format holds for the whole sound: a later frame in mono or stereo
    // is converted to it rather than changing the stream under the mixer.
    mpg123_format_none(h);
    mpg123_format(h, out.rate, out.channels, MPG123_ENC_FLOAT_32);
    if (mpg123_scan(h) != MPG123_OK) {
        *error = QStringLiteral("The MPEG stream cannot be scanned");
        return false;
    }
    out.frames = mpg123_length(h);
    mpg123_frameinfo info{};
    if (mpg123_info(h, &info) == MPG123_OK)
        out.layer = info.layer;
    const off_t frameCount = mpg123_framelength(h);
    out.rawFrames = frameCount > 0 ? std::int64_t(frameCount) * mpg123_spf(h) : 0;
    return true;
}

} // namespace

bool looksLikeMpeg(QIODevice& file) {
    QByteArray head = file.read(10);
    // ID3v2 tags precede MP3 files, but some taggers put them before FLAC or WAV too: the
    // frame must follow the tag (its size is four 7-bit bytes, plus a footer when flagged).
    if (head.size() == 10 && head.startsWith("ID3")) {
        const auto size = [&head](int i) {
            return qint64(static_cast<unsigned char>(head[i]) & 0x7f);
        };
        const qint64 end = 10 + (size(6) << 21 | size(7) << 14 | size(8) << 7 | size(9)) +
                           ((static_cast<unsigned char>(head[5]) & 0x10) ? 10 : 0);
        if (!file.seek(end))
            return false;
        head = file.read(4);
    }
    if (head.size() < 4)
        return false;
    const auto b = [&head](int i) {
        return static_cast<unsigned char>(head[i]);
    };
    // A frame header: sync, a version and layer that exist, a bit rate index other than free
    // (0) or bad (15), and a sample rate index other than the reserved 3. ADTS (AAC) has
    // the layer bits at 0 and is left to FFmpeg.
    return b(0) == 0xff && (b(1) & 0xe0) == 0xe0 && ((b(1) >> 3) & 3) != 1 &&
           ((b(1) >> 1) & 3) != 0 && (b(2) >> 4) != 0 && (b(2) >> 4) != 15 &&
           ((b(2) >> 2) & 3) != 3;
}

OpenResult openWithMpg123(const QByteArray& localPath) {
    OpenResult result;
    Opened opened;
    if (!openScanned(localPath, true, opened, &result.error))
        return result; // NotMine: another back end may know the file
    // Two files joined end to end: the first one's header describes only its own part, and
    // trimming by it would cut the rest off. Every frame then counts.
    if (opened.frames > 0 && opened.rawFrames > opened.frames + 4 * 1152 &&
        !openScanned(localPath, false, opened, &result.error)) {
        result.verdict = Verdict::Broken;
        return result;
    }
    if (opened.frames <= 0 || opened.channels <= 0 || opened.rate <= 0) {
        result.verdict = Verdict::Broken;
        result.error = QStringLiteral("The file holds no sound");
        return result;
    }
    // A stream whose sample rate changes part way (files of two rates joined) comes out
    // resampled to the first rate: fewer frames than the scan counted, and seeks that miss,
    // so its last frame cannot be read. FFmpeg takes it and plays it up to the change.
    float last[2] = {};
    std::size_t got = 0;
    const off_t lastFrame = static_cast<off_t>(opened.frames - 1);
    if (mpg123_seek(opened.handle.get(), lastFrame, SEEK_SET) != lastFrame ||
        mpg123_read(opened.handle.get(), last, sizeof(float) * std::size_t(opened.channels),
                    &got) != MPG123_OK ||
        got != sizeof(float) * std::size_t(opened.channels))
        return {};
    if (mpg123_seek(opened.handle.get(), 0, SEEK_SET) != 0) {
        result.verdict = Verdict::Broken;
        result.error = QStringLiteral("The MPEG stream cannot be rewound");
        return result;
    }
    AudioFormat format;
    format.sampleRate = static_cast<int>(opened.rate);
    format.channels = opened.channels;
    format.fileBits = 16;
    format.frames = opened.frames;
    format.codec = layerName(opened.layer);
    result.decoder = std::make_unique<Mpg123Decoder>(std::move(opened.handle), std::move(format));
    result.verdict = Verdict::Opened;
    return result;
}

} // namespace kalvor::engine::decode
