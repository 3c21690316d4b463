// A file that stops giving frames in the middle of its sound (a disk unplugged, a file cut
// short while it plays): the sound ends there with its end message, so the show goes on
// from it, instead of playing silence for the rest of its length. A looping one loops what
// could be read.
#include "TestMedia.h"
#include "support/OfflineHarness.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

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

} // namespace
} // namespace kalvor::audio::test
