// Parameter blocks as show files deliver them (cleared presets, wild values, settings
// that leave the sound alone) and streams an effect cannot serve.
#include "support/Signals.h"

#include "engine/dsp/Chorus.h"
#include "engine/dsp/Echo.h"
#include "engine/dsp/Flanger.h"
#include "engine/dsp/ParamEq.h"
#include "engine/dsp/WavesReverb.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace kalvor::engine::dsp {
namespace {

constexpr float kHuge = 1e30f;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// The bytes of a parameter block filled with one value in every float and one in every
// integer (they sit where DirectX has LONG: pan delay, wave form, phase).
template <typename Block> std::vector<unsigned char> filled(float f, std::int32_t n) {
    std::vector<unsigned char> bytes(sizeof(Block));
    for (std::size_t off = 0; off < sizeof(Block); off += 4) {
        const bool isInt =
            (std::is_same_v<Block, DsfxEcho> && off == 16) ||
            (!std::is_same_v<Block, DsfxEcho> && sizeof(Block) == 28 && (off == 16 || off == 24));
        std::memcpy(bytes.data() + off, isInt ? static_cast<const void*>(&n) : &f, 4);
    }
    return bytes;
}

template <typename Block> std::vector<unsigned char> bytesOf(const Block& b) {
    std::vector<unsigned char> out(sizeof(Block));
    std::memcpy(out.data(), &b, sizeof(Block));
    return out;
}

// A chorus or flanger block (they share their knobs).
template <typename Block>
Block knobs(float mix, float dep, float fb, float hz, int w, float ms, int ph) {
    Block b;
    static_cast<DsfxModulation&>(b) = {mix, dep, fb, hz, w, ms, ph};
    return b;
}

TEST(Parameters, OutOfRangeAndClearedValuesAreClampedAndNeverBlowUp) {
    // raw: what the show delivers; expected: what the effect runs on
    using Row =
        std::tuple<const char*, EffectType, std::vector<unsigned char>, std::vector<unsigned char>>;
    const Row cases[] = {
        {"EQ zeros", EffectType::ParamEq, filled<DsfxParamEq>(0.0f, 0),
         bytesOf(DsfxParamEq{80.0f, 1.0f, 0.0f})},
        {"EQ huge", EffectType::ParamEq, filled<DsfxParamEq>(kHuge, 0),
         bytesOf(DsfxParamEq{16000.0f, 36.0f, 15.0f})},
        {"EQ negative", EffectType::ParamEq, filled<DsfxParamEq>(-kHuge, 0),
         bytesOf(DsfxParamEq{80.0f, 1.0f, -15.0f})},
        {"EQ NaN: the defaults", EffectType::ParamEq, filled<DsfxParamEq>(kNaN, 0),
         bytesOf(DsfxParamEq{8000.0f, 12.0f, 0.0f})},
        {"reverb zeros", EffectType::WavesReverb, filled<DsfxWavesReverb>(0.0f, 0),
         bytesOf(DsfxWavesReverb{0.0f, 0.0f, 0.001f, 0.001f})},
        {"reverb huge", EffectType::WavesReverb, filled<DsfxWavesReverb>(kHuge, 0),
         bytesOf(DsfxWavesReverb{0.0f, 0.0f, 3000.0f, 0.999f})},
        {"reverb negative", EffectType::WavesReverb, filled<DsfxWavesReverb>(-kHuge, 0),
         bytesOf(DsfxWavesReverb{-96.0f, -96.0f, 0.001f, 0.001f})},
        {"echo zeros", EffectType::Echo, filled<DsfxEcho>(0.0f, 0),
         bytesOf(DsfxEcho{0.0f, 0.0f, 1.0f, 1.0f, 0})},
        {"echo huge, pan delay stored as true (-1)", EffectType::Echo, filled<DsfxEcho>(kHuge, -1),
         bytesOf(DsfxEcho{100.0f, 100.0f, 2000.0f, 2000.0f, 1})},
        {"echo NaN", EffectType::Echo, filled<DsfxEcho>(kNaN, 7),
         bytesOf(DsfxEcho{50.0f, 50.0f, 500.0f, 500.0f, 1})},
        {"reverb NaN: never a silenced input", EffectType::WavesReverb,
         filled<DsfxWavesReverb>(kNaN, 0), bytesOf(DsfxWavesReverb{0.0f, 0.0f, 1000.0f, 0.001f})},
        {"chorus zeros", EffectType::Chorus, filled<DsfxChorus>(0.0f, 0),
         bytesOf(knobs<DsfxChorus>(0.0f, 0.0f, 0.0f, 0.0f, 0, 0.0f, 0))},
        {"chorus huge", EffectType::Chorus, filled<DsfxChorus>(kHuge, 99),
         bytesOf(knobs<DsfxChorus>(100.0f, 100.0f, 99.0f, 10.0f, 1, 20.0f, 4))},
        {"chorus negative", EffectType::Chorus, filled<DsfxChorus>(-kHuge, -5),
         bytesOf(knobs<DsfxChorus>(0.0f, 0.0f, -99.0f, 0.0f, 0, 0.0f, 0))},
        {"flanger zeros", EffectType::Flanger, filled<DsfxFlanger>(0.0f, 0),
         bytesOf(knobs<DsfxFlanger>(0.0f, 0.0f, 0.0f, 0.0f, 0, 0.0f, 0))},
        {"flanger huge", EffectType::Flanger, filled<DsfxFlanger>(kHuge, 99),
         bytesOf(knobs<DsfxFlanger>(100.0f, 100.0f, 99.0f, 10.0f, 1, 4.0f, 4))},
        {"flanger NaN", EffectType::Flanger, filled<DsfxFlanger>(kNaN, 3),
         bytesOf(knobs<DsfxFlanger>(50.0f, 100.0f, -50.0f, 0.25f, 1, 2.0f, 3))},
    };
    for (const auto& [name, type, raw, expected] : cases) {
        SCOPED_TRACE(name);
        std::unique_ptr<Effect> effect = createEffect(type);
        ASSERT_EQ(effect->parameterSize(), raw.size());
        effect->setParameters(raw.data());
        std::vector<unsigned char> got(raw.size());
        effect->getParameters(got.data());
        EXPECT_EQ(got, expected);

        // And the effect runs on it: nothing but finite, bounded samples.
        ASSERT_TRUE(effect->prepare(44100, 2));
        std::vector<float> sound = test::noise(44100, 2, 2.0, 0.5f);
        test::runBlocks(*effect, sound, 2);
        float peak = 0.0f;
        bool finite = true;
        for (float v : sound) {
            finite = finite && std::isfinite(v);
            peak = std::max(peak, std::fabs(v));
        }
        EXPECT_TRUE(finite);
        EXPECT_LT(peak, 100.0f);
    }
}

TEST(Parameters, RefusesStreamsItCannotServe) {
    Echo echo;
    EXPECT_FALSE(echo.prepare(44100, 0));
    EXPECT_FALSE(echo.prepare(44100, 9));
    EXPECT_FALSE(echo.prepare(0, 2));
    // Unprepared, the sound passes through rather than crashing the callback.
    std::vector<float> sound = test::noise(44100, 2, 0.1);
    const std::vector<float> input = sound;
    test::runBlocks(echo, sound, 2);
    EXPECT_EQ(sound, input);
}

} // namespace
} // namespace kalvor::engine::dsp
