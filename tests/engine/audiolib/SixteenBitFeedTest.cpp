// A 16-bit PCM file reaches the mixer through a feed of 16-bit samples; what is heard must
// not depend on it: a 16-bit file and a float file holding the same values render to the
// same samples, bit for bit, through conversion, seeks and effects.
#include "TestMedia.h"
#include "support/OfflineHarness.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace kalvor::audio::test {
namespace {

using Act = std::function<void(AudioLib&, Handle)>;

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

} // namespace
} // namespace kalvor::audio::test
