// A seek of a playing sound given in its last moments: the device's callback lets the sound
// end after the seek was decided and before the mixer takes it. The sound goes on from the
// new place, and the end it raised meanwhile is told apart from the play that goes on.
#include "TestMedia.h"
#include "support/OfflineHarness.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

// A live device whose periods the test runs by hand, whenever it likes: also while the UI
// side is in the middle of a call.
struct HandStream final : OutputStream {
    explicit HandStream(RenderTarget& t) : target(t) { cfg.sampleRate = 44100; }
    const OutputConfig& config() const override { return cfg; }
    bool start(QString*) override { return on = true; }
    void stop() override { on = false; }
    bool running() const override { return on; }
    std::int64_t framesRendered() const override { return frames; }
    void period() {
        float out[256 * 2];
        target.render(out, 256, 2);
        frames += 256;
    }
    RenderTarget& target;
    OutputConfig cfg;
    bool on = false;
    std::int64_t frames = 0;
};

struct HandBackend final : DeviceBackend {
    std::vector<BackendDevice> enumerate() override {
        BackendDevice d;
        d.name = u"Hand"_s;
        d.driver = u"hand"_s;
        return {d};
    }
    std::unique_ptr<OutputStream> open(const BackendDevice&, int, RenderTarget& target,
                                       QString*) override {
        auto s = std::make_unique<HandStream>(target);
        stream = s.get();
        return s;
    }
    HandStream* stream = nullptr;
};

// Runs `onSeek` inside the next seek, once.
struct HookedDecoder final : engine::Decoder {
    HookedDecoder(std::unique_ptr<engine::Decoder> d, std::function<void()>* hook)
        : inner(std::move(d)), onSeek(hook) {}
    const engine::AudioFormat& format() const override { return inner->format(); }
    std::int64_t read(float* out, std::int64_t frames) override { return inner->read(out, frames); }
    bool seek(std::int64_t frame) override {
        if (*onSeek)
            std::exchange(*onSeek, {})();
        return inner->seek(frame);
    }
    std::unique_ptr<engine::Decoder> inner;
    std::function<void()>* onSeek;
};

struct PlayLog : QObject {
    std::vector<std::uint64_t> plays;
    bool event(QEvent* e) override {
        if (e->type() != EngineMessageEvent::eventType())
            return QObject::event(e);
        plays.push_back(static_cast<EngineMessageEvent*>(e)->play());
        return true;
    }
};

TEST(SeekAtEnd, ASeekTheSoundEndedUnderGoesOnFromTheNewPlace) {
    constexpr std::int64_t kFrames = 4000;
    const QString path = testmedia::makeNoise(mediaFolder(), u"seek_at_end"_s,
                                              testmedia::Format::Wav16, 44100, 2, kFrames);
    std::function<void()> hook;
    const DecoderFactory wav = wavDecoderFactory();
    auto backend = std::make_shared<HandBackend>();
    AudioLibOptions options;
    options.backend = backend;
    options.openDecoder = [&](const QString& p, engine::DecoderRoute r, QString* error) {
        return std::make_unique<HookedDecoder>(wav(p, r, error), &hook);
    };
    AudioLib lib(options);
    PlayLog log;
    ASSERT_TRUE(lib.init(1, 44100, 0, &log));
    const Handle h = lib.streamCreateFile(path, 0);
    ASSERT_NE(h, 0u);
    ASSERT_NE(lib.channelSetSync(h, sync::End, 0, 1025, 0), 0u);
    ASSERT_TRUE(lib.channelPreBuf(h, 500)); // the whole sound
    ASSERT_TRUE(lib.channelPlay(h, false));
    for (std::int64_t done = 0; done + 256 < kFrames; done += 256)
        backend->stream->period();
    ASSERT_EQ(lib.channelIsActive(h), ActiveState::Playing) << "160 frames to go";

    hook = [&] {
        backend->stream->period();
    }; // the sound ends while the seek is under way
    ASSERT_TRUE(lib.channelSetPosition(h, 1000 * 4));
    backend->stream->period();
    lib.deliverSyncs();
    QCoreApplication::sendPostedEvents(&log);

    EXPECT_EQ(lib.channelIsActive(h), ActiveState::Playing);
    EXPECT_EQ(lib.channelGetPosition(h) / 4, 1000 + 256) << "it plays on from the new place";
    ASSERT_EQ(log.plays.size(), 1u);
    EXPECT_NE(log.plays[0], lib.channelPlaySerial(h)) << "the end is of the play before the seek";
}

} // namespace
} // namespace kalvor::audio::test
