// What the operator hears from a channel, measured in the samples of the offline device:
// level and balance, the four-segment fades, a start offset changed while looping,
// positions in the operator's units, and the loads that fail; the library's notifications
// and which of them reach a channel. (Pause and resume, seeks in every format: the
// library's tests.)
#include "TestMedia.h"
#include "engine/kae/KaeMessageDispatcher.h"
#include "support/KaeRig.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;
using testmedia::Format;
using testmedia::rampValue;

namespace {

constexpr int kRate = 44100;
constexpr int kRampFrames = 132; // a stop, pause or seek of a sound being heard: 3 ms

// The gain the library's logarithmic curve gives a volume: 100 = 0 dB, one step = 1 dB.
double gainOf(int volume) {
    return volume <= 0 ? 0.0 : std::pow(10.0, (volume - 100) / 20.0);
}

} // namespace

TEST(KaeSound, FadesRunAsFourSegmentsToTheCurveLevels) {
    // The segments follow each other on the device clock, also while the UI thread is busy
    // (`busy`: no message is handled until the fade is over). The messages and the step
    // counters still come one per segment end.
    using Row = std::tuple<bool, int, std::array<int, 4>, bool>;
    const Row cases[] = {
        {true, 2, {38, 56, 75, 94}, false},
        {false, 2, {75, 56, 38, 0}, false},
        {true, 1, {66, 75, 85, 94}, true},
        {false, 3, {85, 75, 66, 0}, true},
    };
    constexpr int kSegment = kRate / 4; // 250 ms
    for (const auto& [in, curve, levels, busy] : cases) {
        SCOPED_TRACE(std::string(in ? "fade-in" : "fade-out") + (busy ? ", busy UI" : ""));
        KaeRig rig;
        Channel& ch = rig.store.channel(3);
        ch.volume = 94;
        FadeSettings& fade = in ? ch.fadeIn : ch.fadeOut;
        fade = FadeSettings{1000, true, curve};
        ASSERT_TRUE(loadAndApply(3, levelFile(2.0)));
        QSignalSpy finished(&rig.kae->dispatcher(),
                            in ? &engine::KaeMessageDispatcher::fadeInFinished
                               : &engine::KaeMessageDispatcher::fadeOutFinished);
        ASSERT_TRUE(KAE__Channel_Play(3, true, false));
        ASSERT_TRUE(in ? KAE__Channel_StartFadeIn(3) : KAE__Channel_StartFadeOut(3));
        rig.log.hold = busy;
        const Rendered out = rig.render(kRate + kRate / 4, 64);

        // Each segment reaches its level at its own 250 ms mark, on both sides.
        for (int k = 1; k <= 4; ++k)
            for (int side : {0, 1})
                EXPECT_NEAR(out.at(k * kSegment - 1, side), 0.5 * gainOf(levels[k - 1]), 1e-4)
                    << "segment " << k;
        EXPECT_NEAR(out.at(out.frames() - 1, 0), 0.5 * gainOf(levels[3]), 1e-4) << "and stays";
        if (in) {
            EXPECT_LT(std::fabs(out.at(0, 0)), 0.5 * gainOf(5)) << "a fade-in starts from silence";
        }
        rig.log.release(rig.kae->dispatcher());
        EXPECT_EQ(rig.log.entries.size(), 4u) << "one message per segment";
        ASSERT_EQ(finished.count(), 1);
        const engine::KaeSlot& slot = rig.kae->slot(3);
        EXPECT_EQ(std::tuple(in ? slot.fadeInStep : slot.fadeOutStep,
                             in ? slot.fadeInSync : slot.fadeOutSync,
                             KAE__Channel_IsVolumeSliding(3)),
                  std::tuple(5, 0u, false));
    }
}

TEST(KaeSound, AFadeEndedByAVolumeSetOrCancelGoesNoFurtherAndTheNextRunsItsLength) {
    // The level slider sets the volume while a fade runs, or the fade is cancelled (back at
    // the channel's volume); the operator then fades out.
    using Row = std::tuple<bool, int, bool>;
    const Row cases[] = {
        {false, 100, false}, {false, 600, false}, {true, 400, false}, {true, 125, true}};
    for (const auto& [in, stopAfterMs, cancel] : cases) {
        SCOPED_TRACE(std::string(in ? "fade-in" : "fade-out") + (cancel ? " cancelled" : "") +
                     " after " + std::to_string(stopAfterMs) + " ms");
        KaeRig rig;
        Channel& ch = rig.store.channel(0);
        ch.volume = 94;
        ch.fadeIn = FadeSettings{1000, true, 2};
        ch.fadeOut = FadeSettings{1000, true, 2};
        ASSERT_TRUE(loadAndApply(0, levelFile(4.0)));
        QSignalSpy finished(&rig.kae->dispatcher(), &engine::KaeMessageDispatcher::fadeOutFinished);
        ASSERT_TRUE(KAE__Channel_Play(0, true, false));
        ASSERT_TRUE(in ? KAE__Channel_StartFadeIn(0) : KAE__Channel_StartFadeOut(0));
        rig.render(kRate * stopAfterMs / 1000, 64);
        EXPECT_TRUE(KAE__Channel_IsVolumeSliding(0));
        if (cancel) {
            KAE__Channel_CancelFade(0);
        } else {
            ch.volume = 80;
            ASSERT_TRUE(KAE__Channel_SetVolume(0));
        }
        // The fade is over: the level holds (within 10 ms).
        const Rendered after = rig.render(kRate, 64);
        for (std::int64_t f : {std::int64_t(1000), after.frames() - 1})
            EXPECT_NEAR(after.at(f, 0), 0.5 * gainOf(ch.volume), 1e-4);
        EXPECT_EQ(std::tuple(KAE__Channel_IsVolumeSliding(0), finished.count(),
                             rig.kae->slot(0).fadeInSync),
                  std::tuple(false, 0, 0u));

        const std::size_t before = rig.log.entries.size();
        ASSERT_TRUE(KAE__Channel_StartFadeOut(0));
        Rendered fade;
        while (finished.isEmpty() && fade.frames() < 2 * kRate)
            rig.render(64, fade, 64);
        const double ms = 1000.0 * double(fade.frames()) / kRate;
        EXPECT_TRUE(ms >= 1000.0 && ms < 1000.0 + 1000.0 * 64 / kRate)
            << "the next 1000 ms fade-out took " << ms << " ms";
        EXPECT_EQ(rig.log.entries.size() - before, 4u) << "one message per segment";
    }
}

TEST(KaeSound, StartOffsetChangedWhileLoopingTakesEffectAtTheEnd) {
    constexpr std::int64_t kLength = 8000;
    KaeRig rig;
    rig.store.channel(0).volume = 100;
    rig.store.controls(0).loopMode = 1;
    ASSERT_TRUE(loadAndApply(0, rampFile(kLength)));
    ASSERT_TRUE(KAE__Channel_Play(0, true, true));
    Rendered out = rig.render(1000);
    rig.store.assignments(0).startOffset = 3000;
    const auto ends = [&rig] {
        std::vector<std::int64_t> frames;
        for (const auto& e : rig.log.entries)
            if (e.message == 1025)
                frames.push_back(e.deviceFrame);
        return frames;
    };
    while (ends().empty())
        rig.render(256, out, 256);
    // The wrap went to the old start; the end handling has moved the stream to the new one.
    EXPECT_EQ(KAE__Channel_GetPositionInSamples(0), 3000);
    const std::int64_t moved = out.frames();
    while (ends().size() < 2)
        rig.render(256, out, 256);
    // ...and the next wrap lands there by itself.
    EXPECT_EQ(ends().at(1), moved + kLength - 3000);
    // (The move is a seek of a playing sound: it crossfades over its first 3 ms.)
    EXPECT_EQ(out.at(moved + kRampFrames, 0), rampValue(3000 + kRampFrames, 0));
    EXPECT_EQ(out.at(ends().at(1), 0), rampValue(3000, 0));
    EXPECT_EQ(rig.kae->slot(0).loopStart, 3000);
}

// Seeking in every format is the decoders' and the library's (tests/engine/decode,
// FormatsTest); here the units the operator's positions come in.
TEST(KaeSound, PositionsComeInFramesBytesSecondsAndText) {
    constexpr std::int64_t kFrames = 3 * kRate + 1234;
    KaeRig rig;
    rig.store.channel(0).volume = 100;
    ASSERT_TRUE(loadAndApply(0, rampFile(kFrames)));
    EXPECT_EQ(std::tuple(rig.store.channel(0).sampleRate, KAE__Channel_GetLengthInSamples(0),
                         KAE__Channel_GetLength(0), KAE__Channel_GetLengthInSec(0),
                         KAE__Channel_GetLengthStringHMS(0)),
              std::tuple(kRate, kFrames, kFrames * 4, 3, u"00:00:03"_s));
    ASSERT_TRUE(KAE__Channel_SetPositionInSamples(0, 12345));
    ASSERT_TRUE(KAE__Channel_Play(0, false, false));
    EXPECT_EQ(rig.render(100).at(0, 0), rampValue(12345, 0));
    ASSERT_TRUE(KAE__Channel_SetPositionInSec(0, 2));
    EXPECT_EQ(std::tuple(KAE__Channel_GetPositionInSamples(0), KAE__Channel_GetPositionInSec(0)),
              std::tuple(2 * kRate, 2));
    ASSERT_TRUE(KAE__Channel_SetPosition(0, 4 * 1000));
    EXPECT_EQ(KAE__Channel_GetPositionInSamples(0), 1000);
}

TEST(KaeSound, MultichannelStreamsHaveNoFramePositionsAndEmptySlotsDoNothing) {
    KaeRig rig;
    ASSERT_TRUE(loadAndApply(0, rampFile(20000, 6)));
    EXPECT_EQ(std::tuple(KAE__Channel_GetPositionInSamples(0), KAE__Channel_GetLengthInSamples(0)),
              std::tuple(0, 0));
    EXPECT_GT(KAE__Channel_GetLength(0), 0);
    rig.takeAudioLines();
    EXPECT_FALSE(KAE__Channel_SetPositionInSamples(0, 100));
    const QStringList lines = rig.takeAudioLines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.mid(0, 3),
              (QStringList{u"KAE Module: KAE__Channel_SetPositionInSamples"_s,
                           u"KAE: Error in audio channel 0"_s,
                           u"KAE: Error Message: Error while setting Position in Samples"_s}));
    EXPECT_TRUE(lines.at(3).startsWith(u"KAE: Error No.: "_s));

    // An empty slot: level changes do nothing.
    const Channel before = rig.store.channel(4);
    EXPECT_EQ(std::tuple(KAE__Channel_SetVolume(4), KAE__Channel_SetPan(4),
                         KAE__Channel_SetFrequency(4), KAE__Channel_SlideVolume(4, 50, 100),
                         KAE__Channel_IsVolumeSliding(4), KAE__Channel_IsStopped(4),
                         KAE__Channel_GetLevel(4)),
              std::tuple(false, false, false, false, false, true, 0));
    EXPECT_TRUE(rig.takeAudioLines().isEmpty());
    EXPECT_EQ(rig.store.channel(4).volume, before.volume);
    // Reading a position of nothing is an error the operator's support can see.
    EXPECT_EQ(KAE__Channel_GetPosition(4), -1);
    EXPECT_EQ(KAE__Channel_GetLengthStringHMS(4), u"--:--:--"_s);
    // Their wording is the same four lines as above.
    const QStringList empty = rig.takeAudioLines();
    ASSERT_EQ(empty.size(), 8);
    EXPECT_EQ(empty.at(4), u"KAE Module: KAE__Channel_GetLengthStringHMS"_s);
}

TEST(KaeSound, LoadsThatFailLeaveTheSlotEmpty) {
    const QString good = rampFile(5000);
    const QString folder = freshFolder(u"bad"_s);
    writeFile(folder + u"/text.wav"_s, QByteArray("this is not a sound\r\n"));
    const QString wma =
        testmedia::makeNoise(mediaFolder(), u"upper.WMA"_s, Format::Wma, kRate, 2, 20000);
    const QString lowerWma =
        testmedia::makeNoise(mediaFolder(), u"lower.wma"_s, Format::Wma, kRate, 2, 20000);
    using Row = std::tuple<QString, bool>;
    const Row cases[] = {
        // Which damaged files fail is the decoders' (DecoderBadInput); here what a failed
        // load leaves behind. An empty path keeps the sound that is open, silently.
        {QString(), false},
        {folder + u"/missing.wav"_s, false},
        {folder + u"/text.wav"_s, false},
        {wma, false}, // ".WMA" in capitals never takes the WMA path
        {lowerWma, true},
        {good, true},
    };
    for (const auto& [path, loads] : cases) {
        SCOPED_TRACE(path.toStdString());
        KaeRig rig;
        ASSERT_TRUE(KAE__Channel_Load_Sound(0, good));
        rig.takeAudioLines();
        const audio::Handle before = rig.kae->slot(0).stream;
        EXPECT_EQ(KAE__Channel_Load_Sound(0, path), loads);
        const QStringList lines = rig.takeAudioLines();
        if (path.isEmpty()) {
            EXPECT_EQ(std::tuple(lines, rig.kae->slot(0).stream, rig.store.channel(0).fileName),
                      std::tuple(QStringList(), before, good));
            EXPECT_TRUE(KAE__Channel_Play(0, true, false));
            continue;
        }
        EXPECT_TRUE(lines.contains(u"KAE Module: KAE__Channel_Load_Sound"_s));
        if (loads) {
            EXPECT_EQ(rig.store.channel(0).fileName, path);
            EXPECT_NE(rig.kae->slot(0).stream, 0u);
            EXPECT_TRUE(lines.contains(u"Attaching successful!"_s));
        } else {
            EXPECT_TRUE(rig.store.channel(0).fileName.isEmpty());
            EXPECT_EQ(rig.kae->slot(0).stream, 0u);
            EXPECT_TRUE(lines.contains(u"Attaching has failed, Handle is zero!"_s));
            EXPECT_FALSE(KAE__Channel_Play(0, true, false));
        }
    }
}

TEST(KaeSound, VariSpeedPlaysTheFileFaster) {
    KaeRig rig;
    Channel& ch = rig.store.channel(0);
    ch.volume = 100;
    ch.variSpeed = 50;
    ASSERT_TRUE(loadAndApply(0, rampFile(40000)));
    EXPECT_EQ(ch.playbackFrequency, 66150);
    ASSERT_TRUE(KAE__Channel_Play(0, true, false));
    rig.render(10000);
    // 10000 device frames at 1.5 times the speed: 15000 frames of the file (give or take
    // what the rate converter holds back).
    EXPECT_NEAR(double(KAE__Channel_GetPositionInSamples(0)), 15000.0, 64.0);
}

// Fades at their edges: segments too short to last a millisecond, and a fade taken along
// at the very level one of its segments ends on. Every segment end must still reach the
// UI, or a fade-out never stops its channel.
TEST(KaeFadeEdges, SegmentsShorterThanAMillisecondStillPostEveryMessage) {
    // Fade times below 2 ms give segments of 0 ms; a damaged playlist may hold a negative
    // time, which must not leave a fade-in silent nor a fade-out without its end.
    using Row = std::tuple<bool, int>;
    const Row cases[] = {{true, 0},  {false, 0},    {true, 1},  {false, 1},
                         {false, 2}, {true, -1000}, {false, -4}};
    for (const auto& [in, timeMs] : cases) {
        SCOPED_TRACE(std::string(in ? "fade-in " : "fade-out ") + std::to_string(timeMs) + " ms");
        KaeRig rig;
        Channel& ch = rig.store.channel(2);
        ch.volume = 94;
        (in ? ch.fadeIn : ch.fadeOut) = FadeSettings{timeMs, true, 2};
        ASSERT_TRUE(loadAndApply(2, levelFile(1.0)));
        QSignalSpy finished(&rig.kae->dispatcher(),
                            in ? &engine::KaeMessageDispatcher::fadeInFinished
                               : &engine::KaeMessageDispatcher::fadeOutFinished);
        ASSERT_TRUE(KAE__Channel_Play(2, true, false));
        ASSERT_TRUE(in ? KAE__Channel_StartFadeIn(2) : KAE__Channel_StartFadeOut(2));
        const Rendered out = rig.render(kRate / 10, 64);
        EXPECT_EQ(rig.log.entries.size(), 4u) << "one message per segment";
        EXPECT_EQ(finished.count(), 1);
        EXPECT_EQ(in ? rig.kae->slot(2).fadeInStep : rig.kae->slot(2).fadeOutStep, 5);
        EXPECT_FALSE(KAE__Channel_IsVolumeSliding(2));
        EXPECT_NEAR(out.at(out.frames() - 1, 0), in ? 0.5 * std::pow(10.0, -6 / 20.0) : 0.0, 1e-4);
    }
}

// A sound that ends while the UI thread is busy: its end message waits in the event queue
// while the operator starts the channel again, seeks it or loads it anew. A start that
// came after the end must not be stopped by the old end, and the channel learns of each
// run's end once at most.
TEST(KaeEndRace, AnEndHeldBackTillAfterANewStartDoesNotStopIt) {
    enum class Then { Nothing, Play, Restart, Seek, Reload, PlayToItsEnd };
    // What the operator does after the end and before its message is handled; how many
    // end messages reach the channel; whether it plays afterwards.
    using Row = std::tuple<const char*, Then, int, bool>;
    const Row cases[] = {
        {"nothing", Then::Nothing, 1, false},
        {"play again", Then::Play, 0, true},
        {"restart", Then::Restart, 0, true},
        {"seek without playing", Then::Seek, 1, false},
        {"load anew and play", Then::Reload, 0, true},
        {"play again to its end", Then::PlayToItsEnd, 1, false},
    };
    constexpr int kFrames = 4000;
    for (const auto& [what, then, ends, playing] : cases) {
        SCOPED_TRACE(what);
        KaeRig rig;
        ASSERT_TRUE(loadAndApply(0, rampFile(kFrames)));
        QSignalSpy ended(&rig.kae->dispatcher(), &engine::KaeMessageDispatcher::endOfSound);
        ASSERT_TRUE(KAE__Channel_Play(0, true, false));
        rig.log.hold = true;
        rig.render(kFrames + 512);
        ASSERT_EQ(rig.log.held.size(), 1u) << "the end was raised and is waiting";
        switch (then) {
        case Then::Nothing:
            break;
        case Then::Play:
        case Then::PlayToItsEnd:
            ASSERT_TRUE(KAE__Channel_Play(0, false, false));
            break;
        case Then::Restart:
            ASSERT_TRUE(KAE__Channel_Play(0, true, false));
            break;
        case Then::Seek:
            ASSERT_TRUE(KAE__Channel_SetPositionInSamples(0, 1000));
            break;
        case Then::Reload:
            ASSERT_TRUE(loadAndApply(0, rampFile(kFrames)));
            ASSERT_TRUE(KAE__Channel_Play(0, true, false));
            break;
        }
        rig.render(256);
        if (then == Then::PlayToItsEnd)
            rig.render(kFrames + 512);
        rig.log.release(rig.kae->dispatcher());
        EXPECT_EQ(ended.count(), ends);
        EXPECT_EQ(KAE__Channel_IsPlaying(0), playing);
    }
}

// A looping channel with a start offset goes round to the same place a seek to that offset
// reaches, in either bit resolution: the offset is in the engine's sample frames, which
// the library's positions for float streams do not count alike.
TEST(KaeLoopOffset, TheWrapLandsWhereASeekToTheOffsetLands) {
    constexpr std::int64_t kFrames = 8000;
    constexpr int kAfterWrap = 500;
    for (const QString& bits : {u"16"_s, u"32"_s}) {
        for (const int channels : {1, 2}) {
            SCOPED_TRACE(("BitResolution " + bits + ", channels " + QString::number(channels))
                             .toStdString());
            KaeRig rig({{}, {{u"BitResolution"_s, bits}}});
            ASSERT_TRUE(loadAndApply(0, rampFile(kFrames, channels)));
            // Half way, in the engine's own frames (what the capture of a start offset reads).
            const std::int64_t offset = KAE__Channel_GetLengthInSamples(0) / 2;
            rig.store.assignments(0).startOffset = static_cast<std::int32_t>(offset);
            rig.store.controls(0).loopMode = 1;
            ASSERT_TRUE(KAE__Channel_SetPositionInSamples(0, offset));
            const std::int64_t seekLanded = KAE__Channel_GetPositionInSamples(0);
            ASSERT_TRUE(KAE__Channel_Play(0, false, true));
            // Through the end and kAfterWrap frames into the second time round.
            rig.render(kFrames - kFrames / 2 + kAfterWrap);
            const std::int64_t step = KAE__Channel_GetLengthInSamples(0) / kFrames;
            EXPECT_EQ(KAE__Channel_GetPositionInSamples(0), seekLanded + kAfterWrap * step);
        }
    }
}

// The handling of the library's notifications: which reach the channel, which are
// dropped, and what the end of a sound does with and without loop; and on a device with a
// clock of its own (the emulated null output) they arrive as posted events through the UI
// thread's event loop, not only when a test pulls blocks.
TEST(KaeDispatcher, OnlyCurrentStreamsOfPlaybackChannelsAreHandled) {
    KaeRig rig;
    ASSERT_TRUE(KAE__Channel_Load_Sound(0, rampFile(4000)));
    ASSERT_TRUE(KAE__Channel_Load_Sound(32, rampFile(4000)));
    const audio::Handle stale = rig.kae->slot(0).stream;
    ASSERT_TRUE(KAE__Channel_Load_Sound(0, rampFile(4000))); // reloaded: a new stream
    const audio::Handle current = rig.kae->slot(0).stream;
    const audio::Handle preview = rig.kae->slot(32).stream;
    ASSERT_NE(stale, current);

    using Row = std::tuple<const char*, int, int, audio::Handle, bool, bool>;
    const Row cases[] = {
        {"current stream", 1025, 0, current, true, true},
        {"freed or reloaded stream", 1025, 0, stale, true, false},
        {"preview channel", 1025, 32, preview, true, false},
        {"no stream", 1025, 5, 0, true, false},
        {"slot outside the engine", 1025, 40, current, true, false},
        {"after shut-down", 1025, 0, current, false, false},
        {"unknown message", 1030, 0, current, true, false},
    };
    for (const auto& [what, message, slot, stream, subscribed, handled] : cases) {
        SCOPED_TRACE(what);
        rig.kae->dispatcher().setSubscribed(subscribed);
        QSignalSpy ended(&rig.kae->dispatcher(), &engine::KaeMessageDispatcher::endOfSound);
        QSignalSpy dropped(&rig.kae->dispatcher(), &engine::KaeMessageDispatcher::messageDropped);
        audio::EngineMessageEvent event(message, slot, stream);
        QCoreApplication::sendEvent(&rig.kae->dispatcher(), &event);
        EXPECT_EQ(ended.count(), handled ? 1 : 0);
        EXPECT_EQ(dropped.count(), handled ? 0 : 1);
    }
}

TEST(KaeDispatcher, EndOfSoundCancelsARunningFadeUnlessLooping) {
    for (const bool loop : {false, true}) {
        KaeRig rig;
        Channel& ch = rig.store.channel(0);
        ch.volume = 90;
        ch.fadeOut = FadeSettings{4000, true, 2};
        rig.store.controls(0).loopMode = loop ? 1 : 0;
        ASSERT_TRUE(loadAndApply(0, rampFile(4000)));
        QSignalSpy ended(&rig.kae->dispatcher(), &engine::KaeMessageDispatcher::endOfSound);
        ASSERT_TRUE(KAE__Channel_Play(0, true, loop));
        ASSERT_TRUE(KAE__Channel_StartFadeOut(0)); // 1000 ms segments: longer than the sound
        rig.render(4000 + 512);
        EXPECT_EQ(ended.count(), loop ? 0 : 1);
        EXPECT_EQ(rig.kae->slot(0).fadeOutSync == 0, !loop);
        EXPECT_EQ(KAE__Channel_IsPlaying(0), loop);
    }
}

namespace {

// The null output alone, at its own pace.
class NullBackend final : public audio::DeviceBackend {
public:
    std::vector<audio::BackendDevice> enumerate() override { return {audio::nullOutputDevice()}; }
    std::unique_ptr<audio::OutputStream> open(const audio::BackendDevice& device, int rate,
                                              audio::RenderTarget& target, QString*) override {
        return audio::openNullOutput(rate, device.outputChannels, rate / 100, QString(), target);
    }
};

} // namespace

TEST(KaeRealTime, EndAndFadeMessagesArriveThroughTheEventLoop) {
    KaeRig rig({{}, {{u"NoEmulatedDevices"_s, u"0"_s}}, true, std::make_shared<NullBackend>()});
    ASSERT_TRUE(rig.initResult);

    const QString tone = testmedia::makeTone(mediaFolder(), u"rt_tone"_s, testmedia::Format::Wav16,
                                             44100, 2, 0.3, 441.0, -6.0);
    Channel& ch = rig.store.channel(0);
    ch.fadeIn = FadeSettings{200, true, 2};
    ASSERT_TRUE(loadAndApply(0, tone));

    QEventLoop loop;
    bool fadeDone = false;
    bool ended = false;
    QObject::connect(&rig.kae->dispatcher(), &engine::KaeMessageDispatcher::fadeInFinished,
                     [&](int slot) { fadeDone = slot == 0; });
    QObject::connect(&rig.kae->dispatcher(), &engine::KaeMessageDispatcher::endOfSound,
                     [&](int slot) {
                         ended = slot == 0;
                         loop.quit();
                     });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit); // a guard, not a measurement
    ASSERT_TRUE(KAE__Channel_StartFadeIn(0));
    ASSERT_TRUE(KAE__Channel_Play(0, false, false));
    loop.exec();
    EXPECT_TRUE(fadeDone) << "all four fade-in segments ran";
    EXPECT_TRUE(ended);
    EXPECT_TRUE(KAE__Channel_IsStopped(0));
    KAE__Shutdown(false);
}
