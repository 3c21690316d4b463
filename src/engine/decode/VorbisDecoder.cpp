// Decoding of Ogg Vorbis through libvorbisfile. libsndfile also reads Ogg, but its seeks
// are off by up to 512 frames after some positions; ov_pcm_seek lands exactly and
// ov_pcm_total is the exact length. Used by one thread at a time (UI thread to open, disk
// thread to read); never from an audio callback.
#include "engine/decode/Backends.h"

#include <vorbis/vorbisfile.h>

#include <array>

namespace kalvor::engine::decode {

namespace {

// Vorbis orders surround channels differently from WAV (centre second); every decoder
// delivers the WAV order, so the table gives, per WAV position, the Vorbis channel.
constexpr std::array<std::array<int, 8>, 9> kWavOrder = {{
    {0, 1, 2, 3, 4, 5, 6, 7},
    {0, 1, 2, 3, 4, 5, 6, 7},
    {0, 1, 2, 3, 4, 5, 6, 7},
    {0, 2, 1, 3, 4, 5, 6, 7},
    {0, 1, 2, 3, 4, 5, 6, 7},
    {0, 2, 1, 3, 4, 5, 6, 7},
    {0, 2, 1, 5, 3, 4, 6, 7},
    {0, 2, 1, 6, 5, 3, 4, 7},
    {0, 2, 1, 7, 5, 6, 3, 4},
}};

class VorbisDecoder final : public Decoder {
public:
    VorbisDecoder(std::unique_ptr<OggVorbis_File> file, AudioFormat format)
        : file_(std::move(file)), format_(std::move(format)) {}
    ~VorbisDecoder() override { ov_clear(file_.get()); }

    const AudioFormat& format() const override { return format_; }

    std::int64_t read(float* out, std::int64_t frames) override {
        const int channels = format_.channels;
        const auto& order = kWavOrder[std::size_t(std::min(channels, 8))];
        std::int64_t done = 0;
        int holes = 0;
        while (done < frames) {
            float** pcm = nullptr;
            int section = 0;
            const int want = int(std::min<std::int64_t>(frames - done, 4096));
            const long n = ov_read_float(file_.get(), &pcm, want, &section);
            if (n == OV_HOLE && ++holes < 64)
                continue; // a damaged page: libvorbisfile resynchronises on the next read
            if (n <= 0)
                break;
            for (long i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    out[(done + i) * channels + c] = pcm[order[std::size_t(c)]][i];
            done += n;
        }
        return done;
    }

    bool seek(std::int64_t frame) override {
        if (frame < 0 || frame > format_.frames)
            return false;
        return ov_pcm_seek(file_.get(), frame) == 0;
    }

private:
    std::unique_ptr<OggVorbis_File> file_;
    AudioFormat format_;
};

} // namespace

OpenResult openWithVorbisfile(const QByteArray& localPath) {
    OpenResult result;
    auto file = std::make_unique<OggVorbis_File>();
    if (const int opened = ov_fopen(localPath.constData(), file.get()); opened != 0) {
        // Another codec in Ogg is someone else's; a damaged Vorbis header is final.
        if (opened != OV_ENOTVORBIS)
            result.verdict = Verdict::Broken;
        result.error = QStringLiteral("Damaged Ogg Vorbis file");
        return result;
    }
    const vorbis_info* info = ov_info(file.get(), -1);
    const ogg_int64_t total = ov_pcm_total(file.get(), -1);
    QString problem;
    if (!info || info->channels <= 0 || info->channels > 8 || info->rate <= 0)
        problem = QStringLiteral("The Ogg Vorbis stream has an unsupported channel count");
    else if (ov_seekable(file.get()) == 0 || total <= 0)
        problem = QStringLiteral("The Ogg Vorbis file holds no sound");
    // A chained file whose links differ in rate or channels cannot be one stream.
    for (int link = 1; problem.isEmpty() && link < ov_streams(file.get()); ++link) {
        const vorbis_info* other = ov_info(file.get(), link);
        if (!other || other->channels != info->channels || other->rate != info->rate)
            problem = QStringLiteral("The Ogg Vorbis links differ in rate or channels");
    }
    if (!problem.isEmpty()) {
        ov_clear(file.get());
        result.verdict = Verdict::Broken;
        result.error = problem;
        return result;
    }
    AudioFormat format;
    format.sampleRate = int(info->rate);
    format.channels = info->channels;
    format.fileBits = 16;
    format.frames = total;
    format.codec = QStringLiteral("ogg");
    result.decoder = std::make_unique<VorbisDecoder>(std::move(file), std::move(format));
    result.verdict = Verdict::Opened;
    return result;
}

} // namespace kalvor::engine::decode
