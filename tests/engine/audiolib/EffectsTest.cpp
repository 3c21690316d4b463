// Effects on streams, heard on the samples the offline device renders: they work at the
// stream's own rate and channel count, before vari-speed, in priority and attach order.
// (What each effect does: tests/engine/dsp; changes while playing: tests/engine/kae.)
#include "TestMedia.h"
#include "support/OfflineHarness.h"

#include "engine/dsp/EffectParams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

namespace dsp = kalvor::engine::dsp;

QString tone(int rate, int channels, double hz) {
    return testmedia::makeTone(mediaFolder(), u"tone_%1_%2_%3"_s.arg(rate).arg(channels).arg(hz),
                               testmedia::Format::WavFloat, rate, channels, 1.0, hz, -20.0);
}

// Plays `path` with an EQ band (when `band` is set) and returns the level of each output
// channel in the steady part, after the filter has settled.
std::vector<double> eqLevels(int deviceChannels, const QString& path, int freq,
                             const dsp::DsfxParamEq* band) {
    Offline off(44100, deviceChannels);
    const Handle h = off.lib->streamCreateFile(path, flags::Float);
    EXPECT_NE(h, 0u);
    if (band != nullptr) {
        const Handle fx = off.lib->channelSetFx(h, FxType::ParamEq, 0);
        EXPECT_TRUE(off.lib->fxSetParameters(fx, band));
    }
    off.lib->channelSetAttributes(h, freq, -1, -101);
    off.lib->channelPlay(h, true);
    const Render r = off.render(13000);
    std::vector<double> levels;
    for (int ch = 0; ch < deviceChannels; ++ch)
        levels.push_back(r.rms(ch, 4410, 13000));
    return levels;
}

TEST(AudioLibEffects, EqBandLiftsItsCentreAndLeavesTwoOctavesAwayAlone) {
    // hz: the tone in the file; freq: playback frequency, 0 = the file's rate
    using Row = std::tuple<const char*, int, int, int, double, int, double, double>;
    const Row cases[] = {
        // The band's shape is the effect's own business (tests/engine/dsp); here it must
        // work on the stream's rate and channels, before conversion and vari-speed.
        {"mono 48 kHz file, converted", 48000, 1, 2, 1000, 0, 12.0, 0.5},
        {"six channels", 44100, 6, 6, 1000, 0, 12.0, 0.5},
        // At double speed the tone comes out at 2 kHz, but the band works on the file.
        {"before vari-speed", 22050, 2, 2, 1000, 44100, 12.0, 0.5},
        {"vari-speed, two octaves off", 22050, 2, 2, 4000, 44100, 0.0, 1.0},
    };
    const dsp::DsfxParamEq band{1000.0f, 12.0f, 12.0f};
    for (const auto& [what, rate, channels, deviceChannels, hz, freq, gainDb, tolerance] : cases) {
        SCOPED_TRACE(what);
        const QString path = tone(rate, channels, hz);
        const auto dry = eqLevels(deviceChannels, path, freq, nullptr);
        const auto wet = eqLevels(deviceChannels, path, freq, &band);
        for (int ch = 0; ch < deviceChannels; ++ch)
            EXPECT_NEAR(toDb(wet[std::size_t(ch)] / dry[std::size_t(ch)]), gainDb, tolerance)
                << "output " << ch;
    }
}

// A click through an echo that delays only the right side by a lot and a reverb that
// spreads whatever enters it over both sides: when the reverb comes first, the right
// output stays silent until the delayed click; when the echo comes first, the reverb of
// the early left click reaches the right side long before that.
TEST(AudioLibEffects, EffectsRunInPriorityThenAttachOrder) {
    // what, effects attached with their priorities, reverb heard first
    using Row = std::tuple<const char*, std::vector<std::pair<FxType, int>>, bool>;
    const Row cases[] = {
        {"attach order, reverb first", {{FxType::WavesReverb, 0}, {FxType::Echo, 0}}, true},
        {"attach order, echo first", {{FxType::Echo, 0}, {FxType::WavesReverb, 0}}, false},
        {"higher priority first", {{FxType::Echo, 1}, {FxType::WavesReverb, 5}}, true},
        {"lower priority later", {{FxType::WavesReverb, -1}, {FxType::Echo, 3}}, false},
    };
    constexpr std::int64_t click = 1000;
    constexpr std::int64_t rightDelay = 17640; // 400 ms
    const QString path = testmedia::makeClick(
        mediaFolder(), u"order_click"_s, testmedia::Format::WavFloat, 44100, 2, 25000, click, -6.0);
    for (const auto& [what, attach, reverbFirst] : cases) {
        SCOPED_TRACE(what);
        Offline off;
        const Handle h = off.lib->streamCreateFile(path, flags::Float);
        for (const auto& [type, priority] : attach) {
            const Handle fx = off.lib->channelSetFx(h, type, priority);
            ASSERT_NE(fx, 0u);
            if (type == FxType::Echo) {
                const dsp::DsfxEcho echo{100.0f, 0.0f, 50.0f, 400.0f, 0};
                ASSERT_TRUE(off.lib->fxSetParameters(fx, &echo));
            } else {
                const dsp::DsfxWavesReverb reverb{0.0f, -6.0f, 500.0f, 0.5f};
                ASSERT_TRUE(off.lib->fxSetParameters(fx, &reverb));
            }
        }
        off.lib->channelPlay(h, true);
        const Render r = off.render(25000);
        const std::int64_t onset = r.firstNonZero(1);
        if (reverbFirst)
            EXPECT_EQ(onset, click + rightDelay);
        else
            EXPECT_LT(onset, click + rightDelay - 10000);
    }
}

// A restart or a seek is a new piece of sound: the echo of what played before it is not
// heard after it (the right side sounds only at the repeat of the click played again).
TEST(AudioLibEffects, ARestartOrASeekLeavesNoEchoOfWhatWentBefore) {
    const QString path =
        testmedia::makeClick(mediaFolder(), u"restart_click"_s, testmedia::Format::WavFloat, 44100,
                             2, 25000, 1000, -6.0);
    for (const bool seek : {false, true}) {
        SCOPED_TRACE(seek ? "seek" : "restart");
        Offline off;
        const Handle h = off.lib->streamCreateFile(path, flags::Float);
        const dsp::DsfxEcho echo{100.0f, 0.0f, 50.0f, 400.0f, 0};
        ASSERT_TRUE(off.lib->fxSetParameters(off.lib->channelSetFx(h, FxType::Echo, 0), &echo));
        off.lib->channelPlay(h, true);
        Render r = off.render(5000); // the click is in the echo, due on the right at 18640
        ASSERT_TRUE(seek ? off.lib->channelSetPosition(h, 0) : off.lib->channelPlay(h, true));
        off.render(20000, r);
        EXPECT_EQ(r.firstNonZero(1), 5000 + 1000 + 17640);
    }
}

TEST(AudioLibEffects, EffectsGoWithTheirStream) {
    const QString path = tone(44100, 2, 1000);
    Offline off;
    const Handle h = off.lib->streamCreateFile(path, flags::Float);
    std::vector<Handle> fx;
    for (int i = 0; i < kMaxStreamFx; ++i)
        fx.push_back(off.lib->channelSetFx(h, FxType::Chorus, i));
    EXPECT_EQ(off.lib->channelSetFx(h, FxType::Echo, 0), 0u) << "a full stream refuses";
    EXPECT_EQ(off.lib->errorGetCode(), Error::NotAvailable);
    EXPECT_EQ(off.lib->channelSetFx(h, static_cast<FxType>(5), 0), 0u);
    EXPECT_EQ(off.lib->errorGetCode(), Error::IllegalParam);
    // A refused block leaves the previous one in place.
    dsp::DsfxChorus back;
    EXPECT_FALSE(off.lib->fxSetParameters(fx[0], nullptr));
    EXPECT_EQ(off.lib->errorGetCode(), Error::IllegalParam);
    ASSERT_TRUE(off.lib->fxGetParameters(fx[0], &back));
    const Handle other = off.lib->streamCreateFile(path, flags::Float);
    EXPECT_FALSE(off.lib->channelRemoveFx(other, fx[0])) << "not that stream's effect";
    off.lib->channelPlay(h, true);
    off.render(2048);
    // Freed with its stream (the leak checker of the sanitizer build sees the rest).
    ASSERT_TRUE(off.lib->streamFree(h));
    off.render(512);
    EXPECT_FALSE(off.lib->fxGetParameters(fx[3], &back));
}

} // namespace
} // namespace kalvor::audio::test
