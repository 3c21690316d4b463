// How much of a converted stream's sound the mixer reads per period: a starting stream
// reads what its first period needs, not the converter's whole input buffer, because each
// frame read also goes through the stream's effects in that same period.
#include "TestMedia.h"
#include "engine/audiolib/RateConverter.h"
#include "engine/audiolib/Stream.h"
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

TEST(AudioLibConverterInput, AStartingStreamReadsOnlyWhatItsFirstPeriodNeeds) {
    constexpr int kRate = 48000, kPeriod = 128;
    constexpr std::int64_t kSoundFrames = 3000; // decoded whole into its feed before the play
    const QString tone =
        testmedia::makeTone(mediaFolder(), u"input.wav"_s, testmedia::Format::Wav16, 44100, 2,
                            double(kSoundFrames) / 44100, 440, -6);
    // 128 output frames stand for 118 input frames at 44.1 -> 48 kHz.
    const auto needed = static_cast<std::int64_t>(std::ceil(kPeriod * 44100.0 / kRate));
    // libsoxr is left out: it gives nothing for a starting stream's first period whatever
    // it is fed (an underrun, then the sound late by that much), so it is fed all there is.
    using Row = std::tuple<const char*, RateConverter::Kind>;
    const Row cases[] = {
        {"polyphase", RateConverter::Kind::Polyphase},
        {"libsamplerate", RateConverter::Kind::Samplerate},
    };
    for (const auto& [what, kind] : cases) {
        SCOPED_TRACE(what);
        Offline off(kRate);
        off.lib.reset();
        off.lib = std::make_unique<AudioLib>(AudioLibOptions{
            .backend = off.backend, .openDecoder = wavDecoderFactory(), .converter = kind});
        off.window.lib = off.lib.get();
        ASSERT_TRUE(off.lib->init(1, kRate, flags::Latency, &off.window));
        const Handle h = off.lib->streamCreateFile(tone, 0);
        ASSERT_NE(h, 0u);
        ASSERT_EQ(off.lib->channelBufferedFrames(h), kSoundFrames);
        ASSERT_TRUE(off.lib->channelPlay(h, true));

        Render first = off.render(kPeriod, kPeriod);
        const std::int64_t taken = kSoundFrames - off.lib->channelBufferedFrames(h);
        EXPECT_GE(taken, needed);
        EXPECT_LE(taken, needed + kConverterReachFrames);
        // Reading less up front loses nothing: the whole sound plays, without a gap.
        Render rest = off.render(kRate / 4, kPeriod);
        EXPECT_EQ(off.lib->underruns(), 0);
        EXPECT_GT(first.peak(0, kPeriod / 2, kPeriod), 0.25f);
        const std::int64_t heard = kSoundFrames * kRate / 44100;
        EXPECT_GT(rest.peak(0, heard - 2 * kPeriod - 200, heard - kPeriod - 200), 0.25f);
        EXPECT_LT(rest.peak(0, heard, rest.frames()), 1e-3f);
    }
}

} // namespace
} // namespace kalvor::audio::test
