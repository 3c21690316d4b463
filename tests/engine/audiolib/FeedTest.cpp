// A 16-bit PCM file reaches the mixer through a feed of 16-bit samples; what is heard must
// not depend on it: a 16-bit file and a float file holding the same values render to the
// same samples, bit for bit, through conversion, seeks and effects. And what a recall
// decodes ahead of its loads: each sound's first PreBufferSize ms, no more (decoding past it
// is time the recall waits for), no less, and the very frames that reading the file from
// its start yields. Files that fail under a playing sound: one that stops giving frames
// ends its sound there with its end message (a looping one loops what could be read), and
// one that stops answering holds up no other sound's reading ahead.
#include "TestMedia.h"
#include "engine/audiolib/StreamPrepare.h"
#include "engine/decode/Decoder.h"
#include "support/OfflineHarness.h"
#include "support/WaitFor.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

using Act = std::function<void(AudioLib&, Handle)>;
using testmedia::Format;

// 30000 frames of `path` through the real decoders at `rate`; `act` runs at frame 7000.
std::vector<float> renderWith(const QString& path, int rate, const Act& before, const Act& act) {
    AudioLibOptions options;
    options.backend = makeOfflineBackend(rate, 2);
    AudioLib lib(options);
    EXPECT_TRUE(lib.init(1, rate, 0, nullptr));
    const Handle h = lib.streamCreateFile(path, 0);
    before(lib, h);
    lib.channelPlay(h, true);
    std::vector<float> out(30000 * 2);
    lib.renderOffline(out.data(), 7000);
    act(lib, h);
    lib.renderOffline(out.data() + 7000 * 2, 23000);
    return out;
}

TEST(SixteenBitFeed, RendersTheSameSamplesAsTheFloatsOfTheSameFile) {
    const Act none = [](AudioLib&, Handle) {
    };
    using Row = std::tuple<const char*, int, Act, Act>; // what, device rate, before, at 7000
    const Row cases[] = {
        {"volume and pan", 44100, [](auto& l, auto h) { l.channelSetAttributes(h, -1, 83, -37); },
         none},
        {"converted to the device rate", 48000, none, none},
        {"a seek while heard", 44100, none,
         [](auto& l, auto h) {
             l.channelSetPosition(h, 4 * 15000);
         }},
        {"an echo", 44100, [](auto& l, auto h) { l.channelSetFx(h, FxType::Echo, 0); }, none},
        {"vari-speed moved mid-sound", 44100, none,
         [](auto& l, auto h) {
             l.channelSetAttributes(h, 61000, -1, -101);
         }},
        {"looped, converted", 48000, none, [](auto& l, auto h) {
             l.channelSetFlags(h, flags::Loop);
             l.channelSetLoopStart(h, 12345);
             l.channelSetPosition(h, 4 * 35000);
         }}};
    // The ramp's values are 16-bit, so the float file holds exactly what the 16-bit one does.
    const QString pcm16 =
        testmedia::makeRamp(mediaFolder(), u"ramp16"_s, testmedia::Format::Wav16, 44100, 2, 40000);
    const QString floats = testmedia::makeRamp(mediaFolder(), u"rampf"_s,
                                               testmedia::Format::WavFloat, 44100, 2, 40000);
    for (const auto& [what, rate, before, act] : cases) {
        SCOPED_TRACE(what);
        const std::vector<float> a = renderWith(pcm16, rate, before, act);
        EXPECT_EQ(a, renderWith(floats, rate, before, act));
        EXPECT_GT(std::abs(a[20000]), 0.01f) << "nothing was heard";
    }
}

TEST(PreBuffer, ARecallDecodesEachSoundsPreBufferAndNoMore) {
    // what, format, rate, channels, seconds, pre-buffer in ms, frames buffered after preparing
    using Row = std::tuple<const char*, Format, int, int, double, int, std::int64_t>;
    const Row cases[] = {
        {"WAV, the default 500 ms", Format::Wav16, 44100, 2, 2.0, 500, 22050},
        {"MP3, the default 500 ms", Format::Mp3, 44100, 2, 2.0, 500, 22050},
        {"OGG at 48 kHz, 100 ms", Format::Ogg, 48000, 1, 2.0, 100, 4800},
        {"WMA, 250 ms", Format::Wma, 44100, 2, 2.0, 250, 11025},
        {"less than a decode chunk", Format::Mp3, 44100, 2, 1.0, 1, 44},
        {"no pre-buffer still decodes a frame", Format::Wav16, 44100, 2, 1.0, 0, 1},
        {"a sound shorter than its pre-buffer, whole", Format::Ogg, 44100, 2, 0.2, 500, 8820},
    };
    std::vector<PrepareRequest> requests;
    for (const auto& [what, format, rate, channels, seconds, preBufferMs, frames] : cases) {
        const QString path =
            testmedia::makeNoise(mediaFolder(), u"prebuffer_%1"_s.arg(requests.size()), format,
                                 rate, channels, static_cast<std::int64_t>(seconds * rate));
        ASSERT_FALSE(path.isEmpty()) << what;
        requests.push_back(
            {path, format == Format::Wma ? engine::DecoderRoute::Wma : engine::DecoderRoute::Main});
    }
    const DecoderFactory open = [](const QString& path, engine::DecoderRoute route,
                                   QString* error) {
        return engine::openDecoder(path, route, error);
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [what, format, rate, channels, seconds, preBufferMs, frames] = cases[i];
        const std::vector<PreparedStream> prepared =
            prepareStreams({requests[i]}, open, 2000, preBufferMs);
        ASSERT_EQ(prepared.size(), 1u);
        ASSERT_TRUE(prepared[0].decoder && prepared[0].feed) << what;
        FrameRing& ring = prepared[0].feed->ring;
        ASSERT_EQ(ring.readable(), static_cast<std::size_t>(frames)) << what;

        std::vector<float> ahead(static_cast<std::size_t>(frames * channels));
        ring.read(ahead.data(), static_cast<std::size_t>(frames));
        auto alone = engine::openDecoder(requests[i].path, requests[i].route);
        std::vector<float> first(ahead.size());
        ASSERT_EQ(alone->read(first.data(), frames), frames) << what;
        EXPECT_EQ(ahead, first) << what;
    }
}

struct CutDecoder final : engine::Decoder {
    CutDecoder(std::unique_ptr<engine::Decoder> d, std::int64_t cut)
        : inner(std::move(d)), cutAt(cut) {}
    const engine::AudioFormat& format() const override { return inner->format(); }
    std::int64_t read(float* out, std::int64_t frames) override {
        const std::int64_t n = inner->read(out, std::min(frames, cutAt - position));
        position += std::max<std::int64_t>(n, 0);
        return n;
    }
    bool seek(std::int64_t frame) override {
        position = frame;
        return inner->seek(frame);
    }
    std::unique_ptr<engine::Decoder> inner;
    std::int64_t cutAt;
    std::int64_t position = 0;
};

TEST(AudioLibReadError, aSoundWhoseFileFailsEndsWhereTheReadingStopped) {
    constexpr std::int64_t kFrames = 44100, kCut = 10000;
    const QString tone = testmedia::makeTone(mediaFolder(), u"cut"_s, testmedia::Format::Wav16,
                                             44100, 2, double(kFrames) / 44100, 440, -6);
    // device rate, loop
    using Row = std::tuple<int, bool>;
    for (const auto& [deviceRate, loop] :
         {Row{44100, false}, Row{48000, false}, Row{44100, true}, Row{48000, true}}) {
        SCOPED_TRACE(testing::Message() << deviceRate << " Hz device, loop " << loop);
        Offline off(deviceRate);
        off.lib.reset();
        const DecoderFactory wav = wavDecoderFactory();
        off.lib = std::make_unique<AudioLib>(
            AudioLibOptions{.backend = off.backend,
                            .openDecoder = [&](const QString& p, engine::DecoderRoute r,
                                               QString* error) -> std::unique_ptr<engine::Decoder> {
                                return std::make_unique<CutDecoder>(wav(p, r, error), kCut);
                            }});
        off.window.lib = off.lib.get();
        ASSERT_TRUE(off.lib->init(1, deviceRate, flags::Latency, &off.window));
        const Handle h = off.lib->streamCreateFile(tone, loop ? flags::Loop : 0);
        ASSERT_NE(h, 0u);
        ASSERT_NE(off.lib->channelSetSync(h, sync::End, 0, 1025, 3), 0u);
        ASSERT_TRUE(off.lib->channelPlay(h, true));
        const Render heard = off.render(3 * kCut);
        off.lib->deliverSyncs();
        QCoreApplication::sendPostedEvents(&off.window);
        const auto ends = std::count_if(off.window.messages.begin(), off.window.messages.end(),
                                        [](const Message& m) { return m.message == 1025; });
        const std::int64_t cutHeard = kCut * deviceRate / 44100;
        if (loop) {
            EXPECT_EQ(off.lib->channelIsActive(h), ActiveState::Playing);
            EXPECT_GE(ends, 2);
            EXPECT_GT(heard.rms(0, cutHeard + 600, 3 * kCut), 0.1) << "the loop plays on";
        } else {
            EXPECT_EQ(off.lib->channelIsActive(h), ActiveState::Stopped);
            EXPECT_EQ(ends, 1);
            if (!off.window.messages.empty()) {
                EXPECT_NEAR(double(off.window.messages[0].deviceFrame), double(cutHeard), 64);
            }
        }
    }
}

// Holds every read made off the thread that opened the file until opened, or until its
// limit passes (so a fault shows as a failure, not a hung test).
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    bool waiting = false;
    bool gaveUp = false;

    void pass() {
        std::unique_lock lock(mutex);
        waiting = true;
        gaveUp = !changed.wait_for(lock, std::chrono::seconds(5), [this] { return open; });
        waiting = false;
    }
    void release() {
        {
            std::lock_guard lock(mutex);
            open = true;
        }
        changed.notify_all();
    }
    bool isWaiting() {
        std::lock_guard lock(mutex);
        return waiting;
    }
};

class HangingDecoder final : public engine::Decoder {
public:
    HangingDecoder(std::unique_ptr<engine::Decoder> inner, std::shared_ptr<Gate> gate)
        : inner_(std::move(inner)), gate_(std::move(gate)) {}
    const engine::AudioFormat& format() const override { return inner_->format(); }
    std::int64_t read(float* out, std::int64_t frames) override {
        if (std::this_thread::get_id() != opener_)
            gate_->pass();
        return inner_->read(out, frames);
    }
    bool seek(std::int64_t frame) override { return inner_->seek(frame); }

private:
    std::unique_ptr<engine::Decoder> inner_;
    std::shared_ptr<Gate> gate_;
    std::thread::id opener_ = std::this_thread::get_id();
};

TEST(SlowFile, OtherSoundsAreReadAheadWhileOneFileHangs) {
    const QString hanging = testmedia::makeNoise(mediaFolder(), u"hanging"_s,
                                                 testmedia::Format::Wav16, 44100, 2, 44100 * 4);
    const QString healthy = testmedia::makeNoise(mediaFolder(), u"healthy"_s,
                                                 testmedia::Format::Wav16, 44100, 2, 44100 * 4);
    auto gate = std::make_shared<Gate>();
    const DecoderFactory wav = wavDecoderFactory();
    AudioLibOptions options;
    options.backend = makeOfflineBackend();
    options.openDecoder = [&](const QString& path, engine::DecoderRoute route, QString* error) {
        std::unique_ptr<engine::Decoder> d = wav(path, route, error);
        if (d && path == hanging)
            d = std::make_unique<HangingDecoder>(std::move(d), gate);
        return d;
    };
    AudioLib lib(options);
    ASSERT_TRUE(lib.init(1, 44100, 0, nullptr));
    ASSERT_NE(lib.streamCreateFile(hanging, 0), 0u);
    ASSERT_TRUE(kalvor::test::waitFor([&] { return gate->isWaiting(); }, 10000));

    const Handle other = lib.streamCreateFile(healthy, 0);
    ASSERT_NE(other, 0u);
    // The first read ahead is the opener's; the rest is the disk side's.
    const bool readAhead =
        kalvor::test::waitFor([&] { return lib.channelBufferedFrames(other) >= 3 * 4096; }, 10000);
    const bool stillHanging = gate->isWaiting();
    gate->release();
    EXPECT_TRUE(readAhead);
    EXPECT_TRUE(stillHanging) << "the other sound waited for the hanging file";
    EXPECT_FALSE(gate->gaveUp);
}

} // namespace
} // namespace kalvor::audio::test
