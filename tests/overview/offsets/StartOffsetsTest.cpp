// Start offsets as the operator sets them, on real sounds on the offline device.
#include "overview/StartOffsetRules.h"
#include "support/ShowRig.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kalvor;
using namespace kalvor::test;

namespace {

QString silence(ShowRig& rig, const QString& name, double seconds, int rate = kRate) {
    return testmedia::makeSilence(rig.folder, name, testmedia::Format::Wav16, rate, 2, seconds);
}

} // namespace

TEST(StartOffsets, ValuesAreClampedToFiveSecondsBeforeTheEnd) {
    ShowRig rig;
    rig.loadChannel(0, {silence(rig, QStringLiteral("sixty"), 60.0)});
    rig.loadChannel(1, {silence(rig, QStringLiteral("four"), 4.0)});
    rig.loadChannel(2, {silence(rig, QStringLiteral("five and a bit"), 5.4)});
    struct Case {
        const char* what;
        int ch;
        std::int64_t value;
        bool stored;
        std::int32_t offset;
    };
    const Case cases[] = {
        {"inside the sound", 0, 10 * kRate, true, 10 * kRate},
        {"just at the limit", 0, 55 * kRate, true, 55 * kRate},
        {"past five seconds before the end", 0, 58 * kRate, true, 55 * kRate},
        {"beyond the length", 0, 3'000'000'000LL, true, 55 * kRate},
        {"negative", 0, -1, true, 0},
        {"a 4-second sound takes no offset", 1, kRate, true, 0},
        {"not longer than 5 whole seconds", 2, kRate, true, 0},
        {"a channel without a sound is refused", 3, kRate, false, 0},
    };
    for (const Case& c : cases) {
        rig.store.assignments(c.ch).startOffset = 0;
        EXPECT_EQ(rig.show->offsets().SetStartOffset(c.ch, c.value), c.stored) << c.what;
        EXPECT_EQ(rig.store.assignments(c.ch).startOffset, c.offset) << c.what;
    }
}

TEST(StartOffsets, CopyPasteAndRemove) {
    ShowRig rig;
    rig.loadChannel(0, {silence(rig, QStringLiteral("long"), 20.0)});
    rig.loadChannel(1, {silence(rig, QStringLiteral("short"), 8.0)});
    StartOffsets& o = rig.show->offsets();
    EXPECT_FALSE(o.PasteStartOffset(1)) << "nothing copied";
    EXPECT_FALSE(o.RemoveStartOffset(0)) << "no offset to remove";
    ASSERT_TRUE(o.SetStartOffset(0, 12 * kRate));
    o.CopyStartOffset(0);
    EXPECT_TRUE(o.PasteStartOffset(1));
    EXPECT_EQ(rig.store.assignments(1).startOffset, 3 * kRate) << "checked against its own sound";
    EXPECT_TRUE(o.RemoveStartOffset(0));
    EXPECT_EQ(rig.store.assignments(0).startOffset, 0);
}

TEST(StartOffsetRules, TimeTextsAndSpinnerSteps) {
    EXPECT_EQ(offsetTimeText(65 * kRate + kRate / 4, kRate), QStringLiteral("00 : 01 : 05 : 250"));
    EXPECT_EQ(offsetTimeText(0, kRate), QStringLiteral("00 : 00 : 00 : 000"));
    EXPECT_EQ(offsetTimeText(3725LL * 48000 + 47999, 48000, QStringLiteral(":")),
              QStringLiteral("01:02:05:999"));
    struct Case {
        OffsetDigit digit;
        int rate;
        std::int64_t step;
    };
    const Case cases[] = {
        {OffsetDigit::Milliseconds, 44100, 44},   {OffsetDigit::Milliseconds, 48000, 48},
        {OffsetDigit::Milliseconds, 22050, 22},   {OffsetDigit::Seconds, 44100, 44100},
        {OffsetDigit::Hours, 48000, 172'800'000}, {OffsetDigit::Samples, 44100, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(offsetDigitStep(c.digit, c.rate), c.step) << c.rate;
    EXPECT_EQ(offsetPercent(30 * kRate, 60 * kRate), 50);
    EXPECT_EQ(offsetFromPercent(25, 60 * kRate), 15 * kRate);
}

TEST(StartOffsetRules, AutoCueStopsWhereTheSoundFirstReachesTheCueLevel) {
    struct Case {
        const char* what;
        bool fromStart;
        std::int32_t offsetBefore;
        int cueLevel;
        double silenceSeconds;
        bool fires;
        bool jumpMode = false; // the cue's stop must not step the list on to the next sound
    };
    const Case cases[] = {
        {"left button: from the head of the file", true, 4 * kRate, -20, 1.0, true},
        {"right button: from the offset kept", false, kRate / 2, -20, 1.5, true},
        {"a tone at -12 dB never reaches -6 dB", true, 0, -6, 1.0, false},
        {"a channel in jump mode keeps the sound cued", true, 0, -20, 1.0, true, true},
    };
    for (const Case& c : cases) {
        ShowRig rig;
        // Silence, then a tone at -12 dBFS to the end.
        const auto silent = static_cast<std::int64_t>(c.silenceSeconds * kRate);
        const std::int64_t total = silent + 8 * kRate;
        std::vector<float> pcm(static_cast<std::size_t>(total * 2), 0.0f);
        for (std::int64_t f = silent; f < total; ++f)
            pcm[static_cast<std::size_t>(2 * f)] = pcm[static_cast<std::size_t>(2 * f + 1)] =
                0.25f * static_cast<float>(std::sin(f * 2 * 3.14159265 * 440.0 / kRate));
        rig.loadChannel(0, {testmedia::makeSound(rig.folder, QStringLiteral("lead-in"),
                                                 testmedia::Format::Wav16, kRate, 2, pcm),
                            silence(rig, QStringLiteral("next"), 6.0)});
        rig.store.controls(0).jumpMode = c.jumpMode ? 1 : 0;
        rig.store.assignments(0).startOffset = c.offsetBefore;
        AutoCue cue(rig.show->offsets(), rig.show->playback());
        ASSERT_TRUE(cue.arm(0, c.fromStart)) << c.what;
        bool fired = false;
        for (int tick = 0; tick < 300 && !fired; ++tick) {
            rig.renderMs(10);
            fired = cue.tick(c.cueLevel);
        }
        EXPECT_EQ(fired, c.fires) << c.what;
        const std::int32_t offset = rig.store.assignments(0).startOffset;
        if (!c.fires) {
            EXPECT_TRUE(cue.armed()) << c.what;
            EXPECT_EQ(offset, 0) << c.what;
            continue;
        }
        EXPECT_FALSE(cue.armed()) << c.what;
        EXPECT_FALSE(KAE__Channel_IsPlaying(0)) << c.what;
        EXPECT_EQ(rig.store.controls(0).selectedSound, 0) << c.what;
        // Caught within one 10 ms tick (and one device period) of the tone's first frame.
        EXPECT_GE(offset, silent) << c.what;
        EXPECT_LE(offset, silent + kRate / 50) << c.what;
    }
}

TEST(StartOffsetRules, PresetsLiveInTheSettingsStore) {
    ShowRig rig;
    OffsetPresets presets(*rig.settings);
    const OffsetPreset empty = presets.read(7);
    EXPECT_EQ(empty.entry, QStringLiteral("7. ---"));
    EXPECT_EQ(empty.samples, 0);
    presets.save(7, QStringLiteral("Thunder"), QStringLiteral("after the door"),
                 65 * kRate + kRate / 4, kRate);
    Settings reread(rig.settings->filePath());
    const OffsetPreset saved = OffsetPresets(reread).read(7);
    EXPECT_EQ(saved.entry, QStringLiteral("7. Thunder"));
    EXPECT_EQ(saved.info, QStringLiteral("after the door"));
    EXPECT_EQ(saved.samples, 65 * kRate + kRate / 4);
    EXPECT_EQ(saved.time, QStringLiteral("00:01:05:250"));
    EXPECT_EQ(OffsetPresets(reread).read(20).entry, QStringLiteral("20. ---"));
}
