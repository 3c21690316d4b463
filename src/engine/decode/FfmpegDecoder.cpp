// Decoding through FFmpeg: WMA in ASF (the WMA route) and whatever libsndfile, libmpg123
// and libvorbisfile do not know (the main route, which never accepts ASF). Built as the
// plugin that FfmpegPlugin.cpp loads on first use. Used by one thread at a time (UI thread
// to open, disk thread to read); never from an audio callback.
//
// Lengths and seeks. Container durations are not exact, so opening decodes the whole
// stream once: the length is the number of frames decoding really yields, after FFmpeg's
// own encoder-delay and padding trimming where the container records them. That length is
// exact in the sense that matters here: reads end on it to the frame, and every seek
// lands on the same samples a straight decode gives. What FFmpeg cannot give for WMA is
// the length of the sound before it was encoded: ASF records neither encoder delay nor
// padding, and its header duration is in milliseconds and was 46 ms off (3.018 s for a
// file that decodes to 131,072 frames, 2.972 s). WMA decodes to whole codec frames (2,048
// at 44.1 kHz), and FFmpeg's WMA encoder loses the last partial frame, for dense noise
// even more (110,250 source frames came back as 100,352 through the ffmpeg command line
// too); no decoder can restore that.
//
// The same pass notes, for every decoded block with a time stamp, the frame it starts at.
// A seek goes to a noted block some 200 ms before the target, throws away the first
// block the decoder returns (it may lack the bits that came in the packet before) and
// then counts from the next noted block to the exact frame. Without a usable block it
// starts again from the beginning and decodes forward, which is slow but exact. After a
// seek the samples equal those of a straight decode (WMA, Opus, MP3, AAC checked), except
// where a codec synthesises noise from a running random state (AAC's noise substitution):
// the frame is right, the noise differs.
//
// Cost: the opening pass decodes the whole file (a 5-minute WMA file: 0.37 s on our
// build machine), which is the price of an exact length for these formats. What it learns
// (length and marks) is kept per file for the next opening, as long as the file is the
// same one unchanged (device, inode, size, modification and change times): a show
// recalls the same sounds preset after preset, and only the first opening pays. The
// length and every second's mark also go to a file of lengths kept between sessions
// (LengthStore.h), and a loaded playlist's WMA sounds are scanned ahead on a thread of
// low priority (scanLengthsAhead), so that the show's first recall seldom pays either.
#include "engine/decode/Backends.h"
#include "engine/decode/LengthStore.h"

#include <QFileInfo>
#include <QScopeGuard>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace kalvor::engine::decode {

namespace {

void quietFfmpeg() {
    // FFmpeg logs probe and decode chatter to stderr; our callers report failures themselves.
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

bool isAsf(const AVInputFormat* format) {
    const QByteArray name(format->name);
    return name == "asf" || name == "asf_o";
}

// One decoded block: interleaved float samples and the stream time stamp it carried.
struct Block {
    std::vector<float> samples;
    std::int64_t frames = 0;
    std::int64_t pts = AV_NOPTS_VALUE;
};

template <typename T> float toFloat(T v);
template <> float toFloat(std::uint8_t v) {
    return float(int(v) - 128) / 128.0f;
}
template <> float toFloat(std::int16_t v) {
    return float(v) / 32768.0f;
}
template <> float toFloat(std::int32_t v) {
    return float(double(v) / 2147483648.0);
}
template <> float toFloat(std::int64_t v) {
    return float(double(v) / 9223372036854775808.0);
}
template <> float toFloat(float v) {
    return v;
}
template <> float toFloat(double v) {
    return float(v);
}

template <typename T> void interleave(const AVFrame* frame, int channels, bool planar, float* out) {
    const int n = frame->nb_samples;
    for (int c = 0; c < channels; ++c) {
        const T* src =
            reinterpret_cast<const T*>(planar ? frame->extended_data[c] : frame->extended_data[0]);
        for (int i = 0; i < n; ++i)
            out[i * channels + c] = toFloat<T>(planar ? src[i] : src[i * channels + c]);
    }
}

// A sample format convert() takes.
bool convertible(const AVFrame* frame) {
    switch (av_get_packed_sample_fmt(AVSampleFormat(frame->format))) {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S64:
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_DBL:
        return true;
    default:
        return false;
    }
}

bool convert(const AVFrame* frame, int channels, float* out) {
    const auto format = AVSampleFormat(frame->format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
        interleave<std::uint8_t>(frame, channels, planar, out);
        return true;
    case AV_SAMPLE_FMT_S16:
        interleave<std::int16_t>(frame, channels, planar, out);
        return true;
    case AV_SAMPLE_FMT_S32:
        interleave<std::int32_t>(frame, channels, planar, out);
        return true;
    case AV_SAMPLE_FMT_S64:
        interleave<std::int64_t>(frame, channels, planar, out);
        return true;
    case AV_SAMPLE_FMT_FLT:
        interleave<float>(frame, channels, planar, out);
        return true;
    case AV_SAMPLE_FMT_DBL:
        interleave<double>(frame, channels, planar, out);
        return true;
    default:
        return false;
    }
}

// The demuxer and decoder of one file, from its start. Reopening is how we go back to
// frame 0: it replays FFmpeg's start-of-stream trimming exactly as the first time.
class Stream {
public:
    ~Stream() { close(); }

    QString open(const QByteArray& path, const AVInputFormat* input) {
        close();
        if (avformat_open_input(&format_, path.constData(), input, nullptr) < 0)
            return input && isAsf(input) ? QStringLiteral("Not a Windows Media file")
                                         : QStringLiteral("The file cannot be read as sound");
        if (avformat_find_stream_info(format_, nullptr) < 0)
            return QStringLiteral("The file's streams cannot be read");
        const AVCodec* codec = nullptr;
        index_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        if (index_ < 0 || !codec)
            return QStringLiteral("The file holds no sound this program can decode");
        for (unsigned i = 0; i < format_->nb_streams; ++i)
            if (int(i) != index_)
                format_->streams[i]->discard = AVDISCARD_ALL;
        codec_ = avcodec_alloc_context3(codec);
        if (!codec_ || avcodec_parameters_to_context(codec_, stream()->codecpar) < 0)
            return QStringLiteral("The sound's codec cannot be set up");
        codec_->pkt_timebase = stream()->time_base;
        codec_->thread_count = 1; // one decoder per channel slot: no thread pools
        if (avcodec_open2(codec_, codec, nullptr) < 0)
            return QStringLiteral("The sound's codec cannot be opened");
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        if (!packet_ || !frame_)
            return QStringLiteral("Out of memory");
        draining_ = false;
        return {};
    }

    void close() {
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&codec_);
        avformat_close_input(&format_);
    }

    AVStream* stream() const { return format_->streams[index_]; }
    AVCodecContext* codec() const { return codec_; }
    const AVInputFormat* input() const { return format_->iformat; }

    // Decodes the next block; false at the end of the stream or on a format change.
    // Without `samples` the block gets its length and time stamp only: the opening pass
    // counts frames, and interleaving a whole file it never looks at was close to a tenth
    // of its time.
    bool next(Block& block, int channels, int rate, bool samples = true) {
        int errors = 0;
        for (;;) {
            const int received = avcodec_receive_frame(codec_, frame_);
            if (received == 0) {
                const bool sameShape =
                    frame_->ch_layout.nb_channels == channels && frame_->sample_rate == rate;
                block.frames = frame_->nb_samples;
                block.pts = frame_->pts;
                bool ok = sameShape && convertible(frame_);
                if (ok && samples) {
                    block.samples.resize(std::size_t(block.frames * channels));
                    ok = convert(frame_, channels, block.samples.data());
                }
                av_frame_unref(frame_);
                if (!ok)
                    return false;
                if (block.frames > 0)
                    return true;
                continue;
            }
            if (received == AVERROR_EOF)
                return false;
            if (received != AVERROR(EAGAIN)) {
                if (++errors > 1000)
                    return false;
                continue; // a damaged block: the decoder carries on with the next packet
            }
            if (draining_)
                return false;
            const int read = av_read_frame(format_, packet_);
            if (read < 0) {
                draining_ = true;
                avcodec_send_packet(codec_, nullptr);
                continue;
            }
            if (packet_->stream_index == index_)
                avcodec_send_packet(codec_, packet_); // a bad packet is skipped, not fatal
            av_packet_unref(packet_);
        }
    }

    bool seekTo(std::int64_t pts) {
        if (av_seek_frame(format_, index_, pts, AVSEEK_FLAG_BACKWARD) < 0)
            return false;
        avcodec_flush_buffers(codec_);
        draining_ = false;
        return true;
    }

private:
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int index_ = -1;
    bool draining_ = false;
};

// A block's time stamp and the frame it starts at, noted by the opening pass.
struct Mark {
    std::int64_t pts;
    std::int64_t frame;
};

struct Scan {
    std::int64_t frames = 0;
    std::vector<Mark> marks;
};

// The opening passes of the files opened lately, by file identity, and the lengths kept
// on disk from earlier sessions (LengthStore.h). Opening happens on the UI thread, the
// recall's worker threads and the look-ahead thread at once, hence the lock; a file whose
// pass another thread is running is waited for rather than decoded twice.
class ScanCache {
public:
    struct Keys {
        QByteArray memory; // device, inode, size, modification and change times
        LengthStore::Key disk;
        bool empty() const { return memory.isEmpty(); }
    };
    // Empty when the file cannot be looked at: nothing is then kept or found for it.
    static Keys keysOf(const QByteArray& path) {
        struct stat st {};
        if (::stat(path.constData(), &st) != 0)
            return {};
        Keys keys;
        keys.memory = path;
        for (const long long v :
             {static_cast<long long>(st.st_dev), static_cast<long long>(st.st_ino),
              static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec),
              static_cast<long long>(st.st_mtim.tv_nsec), static_cast<long long>(st.st_ctim.tv_sec),
              static_cast<long long>(st.st_ctim.tv_nsec)})
            keys.memory += '\0' + QByteArray::number(v);
        keys.disk = {QFileInfo(QFile::decodeName(path)).absoluteFilePath(),
                     static_cast<qint64>(st.st_size),
                     static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                     decoderVersion()};
        return keys;
    }

    // What is known of the file, waiting for a pass another thread is running on it; null
    // when the caller is to run the pass, and then must call finish().
    std::shared_ptr<const Scan> claim(const Keys& keys) {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (const auto it = scans_.find(keys.memory); it != scans_.end())
                return it->second;
            loadDisk();
            if (const LengthStore::Entry* known = disk_.find(keys.disk)) {
                auto scan = std::make_shared<const Scan>(toScan(*known));
                keepInMemory(keys.memory, scan);
                return scan;
            }
            if (running_.insert(keys.memory).second)
                return nullptr;
            done_.wait(lock);
        }
    }

    // The end of a claimed pass; `scan` null when it failed (a waiter then tries itself).
    void finish(const Keys& keys, std::shared_ptr<const Scan> scan, int rate) {
        {
            const std::lock_guard lock(mutex_);
            running_.erase(keys.memory);
            if (scan) {
                ++passes_;
                keepInMemory(keys.memory, scan);
                disk_.keep(keys.disk, scan->frames, thinned(scan->marks, rate));
                disk_.save(); // a failed write costs the next session a pass, nothing more
            }
        }
        done_.notify_all();
    }

    // Whether the file's length is known already, in memory or on disk.
    bool known(const Keys& keys) {
        const std::lock_guard lock(mutex_);
        loadDisk();
        return scans_.count(keys.memory) != 0 || disk_.find(keys.disk) != nullptr;
    }

    int passes() {
        const std::lock_guard lock(mutex_);
        return passes_;
    }
    // As a new session would start: nothing in memory, the disk file read again.
    void forget() {
        const std::lock_guard lock(mutex_);
        scans_.clear();
        diskLoaded_ = false;
        passes_ = 0;
    }

private:
    static qint64 decoderVersion() {
        return (qint64(avcodec_version()) << 32) | qint64(avformat_version());
    }
    static Scan toScan(const LengthStore::Entry& e) {
        Scan scan;
        scan.frames = e.frames;
        for (const auto& [pts, frame] : e.marks)
            scan.marks.push_back({pts, frame});
        return scan;
    }
    // A mark about every second is enough for a seek: it decodes on from there, and the
    // file on disk stays small.
    static std::vector<std::pair<qint64, qint64>> thinned(const std::vector<Mark>& marks,
                                                          int rate) {
        std::vector<std::pair<qint64, qint64>> kept;
        for (const Mark& m : marks)
            if (kept.empty() || m.frame - kept.back().second >= rate)
                kept.emplace_back(m.pts, m.frame);
        return kept;
    }
    void loadDisk() {
        if (diskLoaded_)
            return;
        diskLoaded_ = true;
        disk_ = LengthStore(LengthStore::defaultPath());
        disk_.load();
    }
    void keepInMemory(const QByteArray& key, std::shared_ptr<const Scan> scan) {
        // Four presets' worth of sounds; then start over rather than track ages.
        if (scans_.size() >= 128)
            scans_.clear();
        scans_[key] = std::move(scan);
    }

    std::mutex mutex_;
    std::condition_variable done_;
    std::map<QByteArray, std::shared_ptr<const Scan>> scans_;
    std::set<QByteArray> running_;
    LengthStore disk_{QString()};
    bool diskLoaded_ = false;
    int passes_ = 0;
};

ScanCache& scanCache() {
    // Never destroyed: the look-ahead thread may still be in a pass while the process exits.
    static auto* cache = new ScanCache;
    return *cache;
}

class FfmpegDecoder final : public Decoder {
public:
    FfmpegDecoder(QByteArray path, const AVInputFormat* input)
        : path_(std::move(path)), input_(input) {}

    QString open(bool wmaRoute) {
        if (QString error = stream_.open(path_, input_); !error.isEmpty())
            return error;
        if (!wmaRoute && isAsf(stream_.input()))
            return QStringLiteral("Windows Media files only open by their .wma name");
        const AVCodecContext* codec = stream_.codec();
        format_.sampleRate = codec->sample_rate;
        format_.channels = codec->ch_layout.nb_channels;
        if (format_.sampleRate <= 0 || format_.channels <= 0 || format_.channels > 8)
            return QStringLiteral("The sound has no usable rate or channel count");
        const AVCodecParameters* parameters = stream_.stream()->codecpar;
        format_.fileBits = parameters->bits_per_raw_sample > 0 ? parameters->bits_per_raw_sample
                           : av_get_bits_per_sample(parameters->codec_id) > 0
                               ? av_get_bits_per_sample(parameters->codec_id)
                               : 16;
        format_.codec = wmaRoute ? QStringLiteral("wma")
                                 : QString::fromLatin1(avcodec_get_name(parameters->codec_id));

        // The file as it was last opened: the stream is fresh from the start, as after the
        // pass and its rewind.
        const ScanCache::Keys keys = ScanCache::keysOf(path_);
        if (const auto known = keys.empty() ? nullptr : scanCache().claim(keys)) {
            format_.frames = known->frames;
            marks_ = known->marks;
            return {};
        }
        // Claimed: whatever happens below, the threads waiting for this file are let go.
        std::shared_ptr<const Scan> found;
        const int rate = format_.sampleRate;
        const auto release = qScopeGuard([&] {
            if (!keys.empty())
                scanCache().finish(keys, found, rate);
        });

        // The one full pass: exact length and the seek marks.
        std::int64_t total = 0;
        std::vector<Mark> marks;
        while (stream_.next(block_, format_.channels, format_.sampleRate, false)) {
            if (block_.pts != AV_NOPTS_VALUE)
                marks.push_back({block_.pts, total});
            total += block_.frames;
        }
        if (total <= 0)
            return QStringLiteral("The file holds no sound this program can decode");
        format_.frames = total;
        // Only a time stamp that names one block is a usable mark.
        std::stable_sort(marks.begin(), marks.end(),
                         [](const Mark& a, const Mark& b) { return a.pts < b.pts; });
        for (std::size_t i = 0; i < marks.size(); ++i) {
            const bool twin = (i > 0 && marks[i - 1].pts == marks[i].pts) ||
                              (i + 1 < marks.size() && marks[i + 1].pts == marks[i].pts);
            if (!twin)
                marks_.push_back(marks[i]);
        }
        if (!rewind())
            return QStringLiteral("The file cannot be rewound");
        found = std::make_shared<const Scan>(Scan{total, marks_});
        return {};
    }

    const AudioFormat& format() const override { return format_; }

    std::int64_t read(float* out, std::int64_t frames) override {
        const int channels = format_.channels;
        frames = std::min(frames, format_.frames - position_);
        std::int64_t done = 0;
        while (done < frames) {
            if (used_ >= block_.frames && !fill())
                break;
            const std::int64_t n = std::min(frames - done, block_.frames - used_);
            std::copy_n(block_.samples.data() + used_ * channels, n * channels,
                        out + done * channels);
            used_ += n;
            done += n;
        }
        position_ += done;
        return done;
    }

    bool seek(std::int64_t frame) override {
        if (frame < 0 || frame > format_.frames)
            return false;
        if (frame == position_)
            return true;
        const std::int64_t blockStart = position_ - used_;
        if (frame >= blockStart && frame < blockStart + block_.frames) {
            used_ = frame - blockStart; // inside the block we hold
            position_ = frame;
            return true;
        }
        const std::int64_t preroll = format_.sampleRate / 5;
        if (frame > position_ && frame - position_ <= preroll)
            return skipTo(frame);
        if (seekByMarks(frame, preroll))
            return true;
        return rewind() && skipTo(frame);
    }

private:
    bool fill() {
        used_ = 0;
        if (stream_.next(block_, format_.channels, format_.sampleRate))
            return true;
        block_.frames = 0;
        return false;
    }

    bool rewind() {
        if (!stream_.open(path_, input_).isEmpty())
            return false;
        position_ = 0;
        used_ = 0;
        block_.frames = 0;
        return true;
    }

    // Decodes forward from the current position, dropping frames up to `frame`.
    bool skipTo(std::int64_t frame) {
        while (position_ < frame) {
            if (used_ >= block_.frames && !fill())
                return false;
            const std::int64_t n = std::min(frame - position_, block_.frames - used_);
            used_ += n;
            position_ += n;
        }
        return true;
    }

    bool seekByMarks(std::int64_t frame, std::int64_t preroll) {
        auto after = std::upper_bound(marks_.begin(), marks_.end(), frame - preroll,
                                      [](std::int64_t f, const Mark& m) { return f < m.frame; });
        if (after == marks_.begin())
            return false; // too close to the start: decoding from the top is as quick
        const Mark& from = *std::prev(after);
        if (!stream_.seekTo(from.pts))
            return false;
        block_.frames = 0;
        used_ = 0;
        if (!fill()) // the first block after a seek may be incomplete: never used
            return false;
        for (;;) {
            if (!fill())
                return false;
            const auto known =
                std::lower_bound(marks_.begin(), marks_.end(), block_.pts,
                                 [](const Mark& m, std::int64_t pts) { return m.pts < pts; });
            if (block_.pts == AV_NOPTS_VALUE || known == marks_.end() || known->pts != block_.pts)
                continue;
            if (known->frame > frame)
                return false; // the demuxer landed past the target
            position_ = known->frame;
            return skipTo(frame);
        }
    }

    QByteArray path_;
    const AVInputFormat* input_;
    Stream stream_;
    AudioFormat format_;
    std::vector<Mark> marks_;
    Block block_;
    std::int64_t used_ = 0;     // frames of block_ already handed out
    std::int64_t position_ = 0; // frame the next read starts at
};

OpenResult openFile(const QByteArray& localPath, bool asfOnly) {
    quietFfmpeg();
    OpenResult result;
    const AVInputFormat* input = nullptr;
    if (asfOnly) {
        input = av_find_input_format("asf");
    } else {
        // Probe first, so that an ASF file is turned away before its demuxer ever runs.
        AVIOContext* io = nullptr;
        if (avio_open(&io, localPath.constData(), AVIO_FLAG_READ) < 0) {
            result.error = QStringLiteral("The file cannot be read");
            return result;
        }
        const int probed = av_probe_input_buffer2(io, &input, localPath.constData(), nullptr, 0, 0);
        avio_closep(&io);
        if (probed < 0 || !input) {
            result.error = QStringLiteral("Not a sound file this program can decode");
            return result;
        }
        if (isAsf(input)) {
            result.verdict = Verdict::Broken;
            result.error = QStringLiteral("Windows Media files only open by their .wma name");
            return result;
        }
    }
    auto decoder = std::make_unique<FfmpegDecoder>(localPath, input);
    if (QString error = decoder->open(asfOnly); !error.isEmpty()) {
        result.verdict = Verdict::Broken;
        result.error = error;
        return result;
    }
    result.decoder = std::move(decoder);
    result.verdict = Verdict::Opened;
    return result;
}

} // namespace

} // namespace kalvor::engine::decode

// The plugin's one entry point. The decoder it hands out keeps running code of this
// library, which therefore stays loaded for the rest of the process.
extern "C" __attribute__((visibility("default"))) int
kalvorFfmpegPluginOpen(int abi, const char* localPath, bool asfOnly,
                       kalvor::engine::decode::OpenResult* out) {
    using namespace kalvor::engine::decode;
    if (abi != kFfmpegPluginAbi)
        return kFfmpegPluginAbi;
    *out = openFile(QByteArray(localPath), asfOnly);
    return abi;
}

// Runs the length pass of the WMA file at `localPath` unless its length is known already:
// then FFmpeg does not even open it, so that looking ahead over a show whose lengths are
// all on disk costs next to nothing beside a recall.
extern "C" __attribute__((visibility("default"))) void
kalvorFfmpegPluginScan(const char* localPath) {
    using namespace kalvor::engine::decode;
    const ScanCache::Keys keys = ScanCache::keysOf(QByteArray(localPath));
    if (keys.empty() || scanCache().known(keys))
        return;
    openFile(QByteArray(localPath), true);
}

// How many length passes ran since the start or the last forget (`forget` non-zero: as a
// new session, nothing known in memory, the disk file read again). For tests and benches.
extern "C" __attribute__((visibility("default"))) int kalvorFfmpegPluginPasses(int forget) {
    using namespace kalvor::engine::decode;
    if (forget)
        scanCache().forget();
    return scanCache().passes();
}
