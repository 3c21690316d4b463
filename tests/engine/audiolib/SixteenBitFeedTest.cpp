// 16-bit PCM files reach the mixer through a feed of 16-bit samples. What is heard must not
// depend on it: a 16-bit file and a float file holding the same values render to the same
// samples, bit for bit, whatever the mixer does with them (conversion, vari-speed, loops,
// the crossfade of a seek, effects). And only the files whose samples are 16-bit as stored
// get such a feed.
#include "TestMedia.h"
#include "engine/audiolib/StreamPrepare.h"
#include "engine/decode/Decoder.h"
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

using testmedia::Format;

// What a test does to the stream, at the frame it names (0: before the play).
struct Step {
    std::int64_t frame;
    std::function<void(AudioLib&, Handle)> act;
};

// Renders `frames` of `path` through the real decoders on an offline device at `rate`.
std::vector<float> renderWith(const QString& path, int rate, std::int64_t frames,
                              const std::vector<Step>& steps) {
    AudioLibOptions options;
    options.backend = makeOfflineBackend(rate, 2);
    AudioLib lib(options);
    EXPECT_TRUE(lib.init(1, rate, 0, nullptr));
    const Handle h = lib.streamCreateFile(path, 0);
    EXPECT_NE(h, 0u) << path.toStdString();
    std::vector<float> out(static_cast<std::size_t>(frames) * 2);
    std::int64_t done = 0;
    std::size_t next = 0;
    while (next < steps.size() && steps[next].frame == 0)
        steps[next++].act(lib, h);
    lib.channelPlay(h, true);
    while (done < frames) {
        std::int64_t until = std::min<std::int64_t>(frames, done + 700);
        if (next < steps.size())
            until = std::min(until, steps[next].frame);
        lib.renderOffline(out.data() + done * 2, static_cast<int>(until - done));
        done = until;
        while (next < steps.size() && steps[next].frame <= done)
            steps[next++].act(lib, h);
    }
    return out;
}

TEST(SixteenBitFeed, RendersTheSameSamplesAsTheFloatsOfTheSameFile) {
    // what, file rate, channels, device rate, frames rendered, steps
    using Row = std::tuple<const char*, int, int, int, std::int64_t, std::vector<Step>>;
    const auto attributes = [](int freq, int volume, int pan) {
        return [=](AudioLib& lib, Handle h) {
            lib.channelSetAttributes(h, freq, volume, pan);
        };
    };
    const Row cases[] = {
        {"stereo at the device rate, volume and pan",
         44100,
         2,
         44100,
         30000,
         {{0, attributes(-1, 83, -37)}}},
        {"mono", 44100, 1, 44100, 30000, {{0, attributes(-1, 90, 20)}}},
        {"converted to the device rate", 44100, 2, 48000, 30000, {}},
        {"vari-speed switched on while playing",
         44100,
         2,
         44100,
         30000,
         {{9000, attributes(52000, -1, -101)}}},
        {"looping from a loop start",
         44100,
         2,
         44100,
         60000,
         {{0,
           [](AudioLib& lib, Handle h) {
               lib.channelSetFlags(h, flags::Loop);
               lib.channelSetLoopStart(h, 1234);
           }}}},
        {"a seek while heard, then a stop",
         44100,
         2,
         44100,
         30000,
         {{7000,
           [](AudioLib& lib, Handle h) {
               lib.channelSetPosition(h, 4 * 15000);
           }},
          {20000,
           [](AudioLib& lib, Handle h) {
               lib.channelStop(h);
           }}}},
        {"a volume slide",
         44100,
         2,
         44100,
         30000,
         {{3000,
           [](AudioLib& lib, Handle h) {
               lib.channelSlideAttributes(h, -1, 40, 50, 200);
           }}}},
        {"an echo on the stream",
         44100,
         2,
         44100,
         30000,
         {{0,
           [](AudioLib& lib, Handle h) {
               lib.channelSetFx(h, FxType::Echo, 0);
           }}}},
    };
    for (const auto& [what, rate, channels, deviceRate, frames, steps] : cases) {
        SCOPED_TRACE(what);
        const QString name = u"sixteen_%1_%2"_s.arg(rate).arg(channels);
        // The ramp's values are 16-bit, so the float file holds exactly what the 16-bit one does.
        const QString pcm16 =
            testmedia::makeRamp(mediaFolder(), name, Format::Wav16, rate, channels, 40000);
        const QString floats = testmedia::makeRamp(mediaFolder(), name + u"_float"_s,
                                                   Format::WavFloat, rate, channels, 40000);
        const std::vector<float> a = renderWith(pcm16, deviceRate, frames, steps);
        const std::vector<float> b = renderWith(floats, deviceRate, frames, steps);
        ASSERT_EQ(a.size(), b.size());
        std::size_t differ = 0, first = a.size();
        for (std::size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i] && differ++ == 0)
                first = i;
        EXPECT_EQ(differ, 0u) << "first at sample " << first;
        float peak = 0;
        for (float x : a)
            peak = std::max(peak, std::abs(x));
        EXPECT_GT(peak, 0.1f) << "nothing was heard";
    }
}

TEST(SixteenBitFeed, OnlySamplesStoredAs16BitsGetA16BitFeed) {
    using Row = std::tuple<Format, bool>;
    const Row cases[] = {
        {Format::Wav16, true},  {Format::Aiff, true},  {Format::WavFloat, false},
        {Format::Wav24, false}, {Format::Flac, false}, {Format::Mp3, false},
    };
    const DecoderFactory open = [](const QString& path, engine::DecoderRoute route,
                                   QString* error) {
        return engine::openDecoder(path, route, error);
    };
    for (const auto& [format, sixteen] : cases) {
        const QString path = testmedia::makeRamp(
            mediaFolder(), u"feedkind%1"_s.arg(static_cast<int>(format)), format, 44100, 2, 8000);
        const auto prepared = prepareStreams({{path, engine::DecoderRoute::Main}}, open, 500, 100);
        ASSERT_TRUE(prepared.at(0).feed) << path.toStdString();
        FrameRing& ring = prepared[0].feed->ring;
        EXPECT_EQ(ring.pcm16(), sixteen) << path.toStdString();
        // Whatever the ring holds, its reader gets what the decoder's floats are.
        std::vector<float> ahead(ring.readable() * 2);
        ring.read(ahead.data(), ring.readable());
        std::vector<float> direct(ahead.size());
        auto alone = engine::openDecoder(path, engine::DecoderRoute::Main);
        ASSERT_TRUE(alone);
        alone->read(direct.data(), static_cast<std::int64_t>(direct.size() / 2));
        EXPECT_EQ(ahead, direct) << path.toStdString();
    }
}

} // namespace
} // namespace kalvor::audio::test
