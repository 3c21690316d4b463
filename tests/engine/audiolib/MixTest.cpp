// Volume, pan, their curves, slides, levels, speaker routing and effects, measured on the
// samples the offline device renders.
#include "TestMedia.h"
#include "engine/dsp/EffectParams.h"
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

// A constant signal makes every output sample an exact gain reading.
QString constant(const QString& name, int channels, std::int64_t frames, float left, float right) {
    std::vector<float> s;
    for (std::int64_t f = 0; f < frames; ++f) {
        s.push_back(left);
        if (channels == 2)
            s.push_back(right);
    }
    return testmedia::makeSound(mediaFolder(), name, testmedia::Format::WavFloat, 44100, channels,
                                s);
}

TEST(AudioLibMix, VolumeAndPanFollowTheirCurves) {
    const double lin50 = toDb(0.5);
    // what, file channels, volume, pan, logarithmic curves, expected gains left and right in
    // dB (-200: silent)
    using Row = std::tuple<const char*, int, int, int, bool, double, double>;
    const Row cases[] = {
        {"full volume is 0 dB", 2, 100, 0, true, 0, 0},
        {"94 is -6 dB", 2, 94, 0, true, -6, -6},
        {"one step is one dB", 2, 57, 0, true, -43, -43},
        {"0 is silence", 2, 0, 0, true, -200, -200},
        {"pan hard left silences the right", 2, 100, -100, true, 0, -200},
        {"pan hard right silences the left", 2, 100, 100, true, -200, 0},
        {"pan -20 takes 20 dB off the right", 2, 100, -20, true, 0, -20},
        {"pan 30 takes 30 dB off the left", 2, 94, 30, true, -36, -6},
        {"mono goes to both sides", 1, 94, 0, true, -6, -6},
        {"mono is panned as a balance", 1, 100, 40, true, -40, 0},
        {"linear volume is v/100", 2, 50, 0, false, lin50, lin50},
        {"linear 94", 2, 94, 0, false, toDb(0.94), toDb(0.94)},
        {"linear pan scales the far side", 2, 100, -50, false, 0, lin50},
        {"linear pan 100 silences", 2, 100, 100, false, -200, 0},
    };
    for (const auto& [what, channels, volume, pan, logCurves, leftDb, rightDb] : cases) {
        SCOPED_TRACE(what);
        // Set while the sound plays: the mixer keeps the gains it worked out until one of
        // them changes, so each change (of a curve too) must reach the samples.
        Offline off;
        const Handle h = off.lib->streamCreateFile(
            constant(u"const%1"_s.arg(channels), channels, 8192, 0.5f, 0.5f), flags::Float);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(off.lib->channelSetAttributes(h, -1, 60, 60));
        ASSERT_TRUE(off.lib->channelPlay(h, true));
        off.render(1024);
        off.lib->setConfig(ConfigOption::VolumeCurve, logCurves ? 1 : 0);
        off.lib->setConfig(ConfigOption::PanCurve, logCurves ? 1 : 0);
        ASSERT_TRUE(off.lib->channelSetAttributes(h, -1, volume, pan));
        const Render r = off.render(4096); // past the glide of the change
        for (int ch = 0; ch < 2; ++ch) {
            const double expected = ch == 0 ? leftDb : rightDb;
            const float sample = r.at(4000, ch);
            if (expected <= -200)
                EXPECT_EQ(sample, 0.0f) << "channel " << ch;
            else
                EXPECT_NEAR(toDb(sample / 0.5), expected, 0.05) << "channel " << ch;
        }
    }
}

// Every frame's gain against the value's straight line in time, through the curve; the
// message comes at the end of each slide, at its very frame.
TEST(AudioLibMix, SlideGainFollowsTheCurveAtEveryFrame) {
    // what, logarithmic curve, start volume, slides (volume, ms; those after the first queued)
    using Row = std::tuple<const char*, bool, int, std::vector<std::pair<int, int>>>;
    const Row cases[] = {
        {"fade out to silence", true, 100, {{0, 500}}},
        {"fade in from silence", true, 0, {{100, 100}}},
        {"short dip", true, 94, {{30, 10}}},
        {"long rise over many blocks", true, 20, {{90, 2000}}},
        {"queued slides take over mid-block", true, 100, {{60, 10}, {0, 20}, {75, 30}}},
        {"linear fade out", false, 100, {{0, 500}}},
        {"linear queued", false, 10, {{100, 10}, {40, 100}}},
    };
    for (const auto& [what, logCurve, start, slides] : cases) {
        SCOPED_TRACE(what);
        Offline off;
        off.lib->setConfig(ConfigOption::VolumeCurve, logCurve ? 1 : 0);
        const Handle h =
            off.lib->streamCreateFile(constant(u"slidecurve"_s, 1, 44100 * 3, 1.0f, 1.0f), 0);
        ASSERT_NE(h, 0u);
        off.lib->channelSetAttributes(h, -1, start, 0);
        ASSERT_TRUE(off.lib->channelPlay(h, true));
        ASSERT_NE(off.lib->channelSetSync(h, sync::SlideOnce, 0, 1027, 4), 0u);
        ASSERT_TRUE(
            off.lib->channelSlideAttributes(h, -1, slides[0].first, -101, slides[0].second));
        EXPECT_EQ(off.lib->channelIsSliding(h), 2u) << "sliding from the call on";
        for (std::size_t i = 1; i < slides.size(); ++i)
            ASSERT_TRUE(off.lib->channelQueueSlide(h, slides[i].first, slides[i].second));
        const Render r = off.render(44100 * 5 / 2, 300); // blocks that do not divide a slide
        std::int64_t frame = 0;
        std::vector<std::int64_t> ends, messages;
        double value = start;
        for (const auto& [to, ms] : slides) {
            const std::int64_t n = std::int64_t(ms) * 44100 / 1000;
            const double from = value;
            for (std::int64_t k = 1; k <= n; ++k, ++frame) {
                value = from + (to - from) * double(k) / double(n);
                const double expected =
                    logCurve ? (value <= 0 ? 0 : std::pow(10.0, (value - 100) / 20)) : value / 100;
                const float gain = r.at(frame, 0);
                if (expected == 0)
                    ASSERT_EQ(gain, 0.0f) << "frame " << frame;
                else
                    ASSERT_NEAR(toDb(gain / expected), 0.0, 0.01) << "frame " << frame;
            }
            ends.push_back(frame);
        }
        EXPECT_EQ(off.lib->channelIsSliding(h), 0u);
        for (const Message& m : off.window.messages)
            if (m.message == 1027 && m.slot == 4)
                messages.push_back(m.deviceFrame);
        EXPECT_EQ(messages, ends);
        EXPECT_NEAR(r.at(r.frames() - 1, 0),
                    logCurve && value > 0 ? std::pow(10.0, (value - 100) / 20) : value / 100, 1e-7);
    }
}

TEST(AudioLibMix, LevelIsThePeakBeforeVolumeLeftLowRightHigh) {
    Offline off;
    const Handle h =
        off.lib->streamCreateFile(constant(u"levels"_s, 2, 8192, 0.5f, -0.25f), flags::Float);
    off.lib->channelSetAttributes(h, -1, 40, 100);
    EXPECT_EQ(off.lib->channelGetLevel(h), 0) << "not playing";
    off.lib->channelPlay(h, true);
    off.render(1024);
    const std::int32_t level = off.lib->channelGetLevel(h);
    EXPECT_EQ(std::tuple(level & 0xffff, (level >> 16) & 0xffff), std::tuple(16384, 8192));
    EXPECT_EQ(off.lib->channelGetLevel(0), -1);
    EXPECT_EQ(off.lib->errorGetCode(), Error::Handle);
}

// Files come in WAV/FLAC channel order (FL FR FC LFE BL BR, then SL SR for 7.1; 4 channels
// are FL FR BL BR, 3 are FL FR FC, 5 are FL FR FC BL BR, 7 are FL FR FC LFE BC SL SR); the
// device takes ALSA order (FL FR RL RR C LFE SL SR). What the device lacks is folded in
// at -3 dB (the LFE is left out), scaled so that full scale stays full scale.
TEST(AudioLibMix, MultichannelFilesReachTheirSpeakers) {
    constexpr float k = 0.70710678f;
    struct Case {
        const char* what;
        int outputs;
        std::vector<float> in; // per file channel
        std::vector<float> out;
        int pan = 0;
    };
    const float s1 = 1 / (1 + k), s2 = 1 / (1 + 2 * k), s3 = 1 / (1 + 3 * k);
    const Case cases[] = {
        {"5.1 on 5.1", 6, {.1f, .2f, .3f, .4f, .5f, .6f}, {.1f, .2f, .5f, .6f, .3f, .4f}},
        {"5.1 on 7.1", 8, {.1f, .2f, .3f, .4f, .5f, .6f}, {.1f, .2f, .5f, .6f, .3f, .4f, 0, 0}},
        {"7.1 on 7.1",
         8,
         {.1f, .2f, .3f, .4f, .5f, .6f, .7f, .8f},
         {.1f, .2f, .5f, .6f, .3f, .4f, .7f, .8f}},
        {"quad on 5.1", 6, {.1f, .2f, .3f, .4f}, {.1f, .2f, .3f, .4f, 0, 0}},
        {"5.1 on stereo",
         2,
         {.1f, .2f, .3f, .4f, .5f, .6f},
         {(.1f + k * .3f + k * .5f) * s2, (.2f + k * .3f + k * .6f) * s2}},
        {"5.1 at full scale on stereo", 2, {1, 1, 1, 1, 1, 1}, {1, 1}},
        {"5.1 on stereo, panned hard left", 2, {1, 1, 1, 1, 1, 1}, {1, 0}, -100},
        {"7.1 on 5.1: the sides join the rear pair",
         6,
         {.1f, .2f, .3f, .4f, .5f, .6f, .7f, .8f},
         {.1f * s1, .2f * s1, (.5f + k * .7f) * s1, (.6f + k * .8f) * s1, .3f * s1, .4f * s1}},
        {"7.1 on stereo",
         2,
         {.1f, .2f, .3f, .4f, .5f, .6f, .7f, .8f},
         {(.1f + k * (.3f + .5f + .7f)) * s3, (.2f + k * (.3f + .6f + .8f)) * s3}},
        {"quad on stereo", 2, {.1f, .2f, .3f, .4f}, {(.1f + k * .3f) * s1, (.2f + k * .4f) * s1}},
        {"left, right, centre on quad",
         4,
         {.1f, .2f, .3f},
         {(.1f + k * .3f) * s1, (.2f + k * .3f) * s1, 0, 0}},
        {"5.1 on quad",
         4,
         {.1f, .2f, .3f, .4f, .5f, .6f},
         {(.1f + k * .3f) * s1, (.2f + k * .3f) * s1, .5f * s1, .6f * s1}},
        {"6.1 on 7.1: the back centre shared by the rear pair",
         8,
         {.1f, .2f, .3f, .4f, .5f, .6f, .7f},
         {.1f, .2f, k * .5f, k * .5f, .3f, .4f, .6f, .7f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Offline off(44100, c.outputs);
        const int channels = int(c.in.size());
        std::vector<float> samples;
        for (int f = 0; f < 2048; ++f)
            samples.insert(samples.end(), c.in.begin(), c.in.end());
        const QString path = testmedia::makeSound(
            mediaFolder(), u"layout"_s, testmedia::Format::WavFloat, 44100, channels, samples);
        const Handle h = off.lib->streamCreateFile(path, flags::Float);
        ASSERT_NE(h, 0u);
        off.lib->channelSetAttributes(h, -1, 100, c.pan);
        off.lib->channelPlay(h, true);
        const Render r = off.render(1024);
        for (int out = 0; out < c.outputs; ++out)
            EXPECT_NEAR(r.at(500, out), c.out[std::size_t(out)], 1e-6) << "output " << out;
    }
}

// Effects on streams, heard on the samples the offline device renders: they work at the
// stream's own rate and channel count, before vari-speed, in priority and attach order.
// (What each effect does: tests/engine/dsp; changes while playing: tests/engine/kae.)
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
