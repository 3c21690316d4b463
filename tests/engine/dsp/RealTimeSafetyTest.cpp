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

#include <atomic>
#include <thread>

namespace kalvor::engine::dsp {
namespace {

// One non-default block per effect, so that setting it makes the callback recompute.
void setSomething(Effect& effect, int variant) {
    const float v = static_cast<float>(variant);
    switch (effect.type()) {
    case EffectType::ParamEq: {
        DsfxParamEq p{500.0f + 100.0f * v, 6.0f, 9.0f - v};
        effect.setParameters(&p);
        break;
    }
    case EffectType::WavesReverb: {
        DsfxWavesReverb p{-3.0f, -6.0f, 800.0f + 100.0f * v, 0.3f};
        effect.setParameters(&p);
        break;
    }
    case EffectType::Echo: {
        DsfxEcho p{40.0f, 60.0f, 20.0f + v, 35.0f, variant % 2};
        effect.setParameters(&p);
        break;
    }
    case EffectType::Chorus: {
        DsfxChorus p;
        p.depth = 30.0f + v;
        p.waveform = variant % 2;
        effect.setParameters(&p);
        break;
    }
    case EffectType::Flanger: {
        DsfxFlanger p;
        p.delay = 1.0f + 0.1f * v;
        p.phase = variant % 5;
        effect.setParameters(&p);
        break;
    }
    }
}

constexpr EffectType kAllTypes[] = {EffectType::ParamEq, EffectType::WavesReverb, EffectType::Echo,
                                    EffectType::Chorus, EffectType::Flanger};

// A restart resets every effect of its stream inside the callback. With 32 channels
// restarting in one period that must cost next to nothing, whatever the lines hold, and the
// sound after it must be exactly that of a fresh effect, even when a longer delay is set
// later and reaches further back into the line than anything played since.
TEST(RealTime, ResetAfterLongPlayIsCheapAndForgetsEverything) {
    struct Case {
        EffectType type;
        int rate;
        int channels;
    };
    const Case cases[] = {
        {EffectType::Echo, 96000, 2},        {EffectType::Echo, 48000, 8},
        {EffectType::WavesReverb, 96000, 2}, {EffectType::Chorus, 96000, 2},
        {EffectType::Flanger, 48000, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "type " << int(c.type) << ", " << c.rate << " Hz, " << c.channels << " ch");
        std::unique_ptr<Effect> played = createEffect(c.type);
        std::unique_ptr<Effect> fresh = createEffect(c.type);
        setSomething(*played, 0);
        setSomething(*fresh, 0);
        ASSERT_TRUE(played->prepare(c.rate, c.channels));
        ASSERT_TRUE(fresh->prepare(c.rate, c.channels));
        std::vector<float> history = test::noise(c.rate, c.channels, 3.0, 0.5f);
        test::runBlocks(*played, history, c.channels, 256);

        played->reset();
        // The all-pass memories of the reverb are the most any effect may still clear.
        EXPECT_LE(played->lastResetSamples(), std::size_t(c.rate) * 4 / 100);
        played->reset();
        EXPECT_EQ(played->lastResetSamples(), 0u) << "nothing played since the last reset";

        std::vector<float> a = test::noise(c.rate, c.channels, 2.5, 0.3f);
        std::vector<float> b = a;
        const std::size_t half = a.size() / 2 / std::size_t(c.channels) * std::size_t(c.channels);
        std::vector<float> a1(a.begin(), a.begin() + std::ptrdiff_t(half));
        std::vector<float> b1 = a1;
        test::runBlocks(*played, a1, c.channels, 256);
        test::runBlocks(*fresh, b1, c.channels, 256);
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
            if (c.type == EffectType::Echo)
                e->setParameters(&longEcho);
            else if (c.type == EffectType::Chorus)
                e->setParameters(&deepChorus);
            else if (c.type == EffectType::Flanger)
                e->setParameters(&deepFlanger);
        }
        std::vector<float> a2(a.begin() + std::ptrdiff_t(half), a.end());
        std::vector<float> b2 = a2;
        test::runBlocks(*played, a2, c.channels, 256);
        test::runBlocks(*fresh, b2, c.channels, 256);
        EXPECT_EQ(a2, b2);
    }
}

TEST(RealTime, SoundDoesNotDependOnThePeriodSize) {
    // A device's period size (or the offline renderer's block) must not change what is
    // heard: the state carried from one call to the next has to be complete.
    for (EffectType type : kAllTypes) {
        for (int channels : {1, 2, 6}) {
            SCOPED_TRACE(testing::Message() << "type " << int(type) << ", " << channels << " ch");
            std::vector<float> reference;
            for (int period : {512, 1, 7, 16, 257, 4096}) {
                std::unique_ptr<Effect> effect = createEffect(type);
                setSomething(*effect, 1);
                ASSERT_TRUE(effect->prepare(44100, channels));
                std::vector<float> sound = test::noise(44100, channels, 0.3);
                test::runBlocks(*effect, sound, channels, period);
                if (reference.empty())
                    reference = sound;
                else
                    EXPECT_EQ(sound, reference) << "period " << period;
            }
        }
    }
}

TEST(RealTime, TailsFadeToZeroWithoutDenormals) {
    for (EffectType type : kAllTypes) {
        SCOPED_TRACE(testing::Message() << "type " << int(type));
        std::unique_ptr<Effect> effect = createEffect(type);
        // Settings with long-ringing feedback or narrow filters, so a tail lasts.
        switch (type) {
        case EffectType::ParamEq: {
            DsfxParamEq p{80.0f, 6.0f, 15.0f};
            effect->setParameters(&p);
            break;
        }
        case EffectType::WavesReverb: {
            DsfxWavesReverb p{0.0f, 0.0f, 60.0f, 0.5f};
            effect->setParameters(&p);
            break;
        }
        case EffectType::Echo: {
            DsfxEcho p{50.0f, 80.0f, 1.0f, 1.0f, 0};
            effect->setParameters(&p);
            break;
        }
        default:
            break; // chorus and flanger defaults have feedback already
        }
        ASSERT_TRUE(effect->prepare(44100, 2));
        std::vector<float> sound = test::noise(44100, 2, 0.1);
        sound.resize(std::size_t(44100) * 2 * 4, 0.0f); // then 3.9 s of silence
        test::runBlocks(*effect, sound, 2);
        int denormals = 0;
        for (float v : sound)
            if (std::fpclassify(v) == FP_SUBNORMAL)
                ++denormals;
        EXPECT_EQ(denormals, 0);
        // By the end the tail has died out completely.
        EXPECT_EQ(sound[sound.size() - 1], 0.0f);
        EXPECT_EQ(sound[sound.size() - 2], 0.0f);
    }
}

TEST(RealTime, MailboxHandsOverTheNewestBlockOnce) {
    ParameterMailbox<DsfxEcho> mailbox;
    DsfxEcho out;
    EXPECT_FALSE(mailbox.take(out));
    mailbox.publish(DsfxEcho{10.0f, 0.0f, 1.0f, 1.0f, 0});
    mailbox.publish(DsfxEcho{20.0f, 0.0f, 2.0f, 2.0f, 1});
    ASSERT_TRUE(mailbox.take(out));
    EXPECT_EQ(out.wetDryMix, 20.0f);
    EXPECT_EQ(out.panDelay, 1);
    EXPECT_FALSE(mailbox.take(out));
    mailbox.publish(DsfxEcho{30.0f, 0.0f, 3.0f, 3.0f, 0});
    ASSERT_TRUE(mailbox.take(out));
    EXPECT_EQ(out.wetDryMix, 30.0f);
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
