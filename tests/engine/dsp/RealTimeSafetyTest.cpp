// What the audio callback relies on: a reset forgets everything at little cost, a knob
// turned while the sound plays reaches the callback without a lock, and a tail fades to
// true zero instead of crawling through denormal numbers. (That process() and reset()
// never allocate is counted in the mixer's callback: RealtimeAllocTest.)
#include "support/Signals.h"

#include "engine/dsp/Chorus.h"
#include "engine/dsp/Echo.h"
#include "engine/dsp/Flanger.h"
#include "engine/dsp/ParamEq.h"
#include "engine/dsp/ParameterMailbox.h"
#include "engine/dsp/WavesReverb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace kalvor::engine::dsp {
namespace {

// Long-ringing settings (feedback, narrow filters), so that a tail lasts, a reset has
// something to forget, and setting them makes the callback recompute. The chorus and
// flanger defaults have feedback already.
void ring(Effect& effect) {
    const DsfxParamEq eq{80.0f, 6.0f, 15.0f};
    const DsfxWavesReverb reverb{0.0f, 0.0f, 60.0f, 0.5f};
    const DsfxEcho echo{50.0f, 80.0f, 1.0f, 1.0f, 0};
    if (effect.type() == EffectType::ParamEq)
        effect.setParameters(&eq);
    else if (effect.type() == EffectType::WavesReverb)
        effect.setParameters(&reverb);
    else if (effect.type() == EffectType::Echo)
        effect.setParameters(&echo);
}

constexpr EffectType kAllTypes[] = {EffectType::ParamEq, EffectType::WavesReverb, EffectType::Echo,
                                    EffectType::Chorus, EffectType::Flanger};

// A restart resets every effect of its stream inside the callback. With 32 channels
// restarting in one period that must cost next to nothing, whatever the lines hold, and the
// sound after it must be exactly that of a fresh effect, even when a longer delay is set
// later and reaches further back into the line than anything played since.
TEST(RealTime, ResetAfterLongPlayIsCheapAndForgetsEverything) {
    using Row = std::tuple<EffectType, int, int>;
    const Row cases[] = {
        {EffectType::Echo, 96000, 2},        {EffectType::Echo, 48000, 8},
        {EffectType::WavesReverb, 96000, 2}, {EffectType::Chorus, 96000, 2},
        {EffectType::Flanger, 48000, 6},
    };
    for (const auto& [type, rate, channels] : cases) {
        SCOPED_TRACE(testing::Message()
                     << "type " << int(type) << ", " << rate << " Hz, " << channels << " ch");
        std::unique_ptr<Effect> played = createEffect(type);
        std::unique_ptr<Effect> fresh = createEffect(type);
        ring(*played);
        ring(*fresh);
        ASSERT_TRUE(played->prepare(rate, channels));
        ASSERT_TRUE(fresh->prepare(rate, channels));
        std::vector<float> history = test::noise(rate, channels, 3.0, 0.5f);
        test::runBlocks(*played, history, channels, 256);

        played->reset();
        // The all-pass memories of the reverb are the most any effect may still clear.
        EXPECT_LE(played->lastResetSamples(), std::size_t(rate) * 4 / 100);
        played->reset();
        EXPECT_EQ(played->lastResetSamples(), 0u) << "nothing played since the last reset";

        std::vector<float> a = test::noise(rate, channels, 2.5, 0.3f);
        std::vector<float> b = a;
        const std::size_t half = a.size() / 2 / std::size_t(channels) * std::size_t(channels);
        std::vector<float> a1(a.begin(), a.begin() + std::ptrdiff_t(half));
        std::vector<float> b1 = a1;
        test::runBlocks(*played, a1, channels, 256);
        test::runBlocks(*fresh, b1, channels, 256);
        EXPECT_EQ(a1, b1);
        // The longest delays now reach back past the reset.
        DsfxEcho longEcho{50.0f, 50.0f, 2000.0f, 1999.0f, 0};
        DsfxChorus deepChorus;
        deepChorus.delay = 20.0f;
        deepChorus.depth = 100.0f;
        DsfxFlanger deepFlanger;
        deepFlanger.delay = 4.0f;
        deepFlanger.depth = 100.0f;
        for (Effect* e : {played.get(), fresh.get()}) {
            if (type == EffectType::Echo)
                e->setParameters(&longEcho);
            else if (type == EffectType::Chorus)
                e->setParameters(&deepChorus);
            else if (type == EffectType::Flanger)
                e->setParameters(&deepFlanger);
        }
        std::vector<float> a2(a.begin() + std::ptrdiff_t(half), a.end());
        std::vector<float> b2 = a2;
        test::runBlocks(*played, a2, channels, 256);
        test::runBlocks(*fresh, b2, channels, 256);
        EXPECT_EQ(a2, b2);
    }
}

TEST(RealTime, SoundDoesNotDependOnThePeriodSizeAndTailsFadeToTrueZero) {
    // A device's period size (or the offline renderer's block) must not change what is
    // heard: the state carried from one call to the next has to be complete.
    for (EffectType type : kAllTypes) {
        for (int channels : {1, 2, 6}) {
            SCOPED_TRACE(testing::Message() << "type " << int(type) << ", " << channels << " ch");
            std::vector<float> reference;
            for (int period : {512, 1, 7, 16, 257, 4096}) {
                std::unique_ptr<Effect> effect = createEffect(type);
                ring(*effect);
                ASSERT_TRUE(effect->prepare(44100, channels));
                std::vector<float> sound = test::noise(44100, channels, 0.3);
                test::runBlocks(*effect, sound, channels, period);
                if (reference.empty())
                    reference = sound;
                else
                    EXPECT_EQ(sound, reference) << "period " << period;
            }
        }
        // 0.1 s of noise, then 3.9 s of silence: the tail dies out without denormals.
        std::unique_ptr<Effect> effect = createEffect(type);
        ring(*effect);
        ASSERT_TRUE(effect->prepare(44100, 2));
        std::vector<float> sound = test::noise(44100, 2, 0.1);
        sound.resize(std::size_t(44100) * 2 * 4, 0.0f);
        test::runBlocks(*effect, sound, 2);
        EXPECT_EQ(std::count_if(sound.begin(), sound.end(),
                                [](float v) { return std::fpclassify(v) == FP_SUBNORMAL; }),
                  0);
        EXPECT_EQ(sound[sound.size() - 1], 0.0f);
        EXPECT_EQ(sound[sound.size() - 2], 0.0f);
    }
}

TEST(RealTime, KnobsTurnedDuringPlaybackNeverTearABlock) {
    // The UI thread turns the knob while the callback processes; every block the callback
    // takes must be one that was set, never half of one and half of another.
    ParameterMailbox<DsfxEcho> mailbox;
    std::atomic<bool> done{false};
    std::thread ui([&] {
        for (int i = 1; i <= 20000; ++i) {
            const float v = static_cast<float>(i);
            mailbox.publish(DsfxEcho{v, v, v, v, i});
        }
        done = true;
    });
    int torn = 0;
    int taken = 0;
    float last = 0.0f;
    int backwards = 0;
    DsfxEcho out;
    for (;;) {
        const bool finished = done.load();
        if (mailbox.take(out)) {
            ++taken;
            if (out.feedback != out.wetDryMix || out.leftDelay != out.wetDryMix ||
                out.rightDelay != out.wetDryMix || float(out.panDelay) != out.wetDryMix)
                ++torn;
            if (out.wetDryMix < last)
                ++backwards;
            last = out.wetDryMix;
            continue;
        }
        if (finished)
            break;
    }
    ui.join();
    EXPECT_GT(taken, 0);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(backwards, 0);
    EXPECT_EQ(last, 20000.0f); // the final setting always arrives
}

} // namespace
} // namespace kalvor::engine::dsp
