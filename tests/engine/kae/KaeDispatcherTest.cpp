// The handling of the library's notifications: which reach the channel, which are
// dropped, and what the end of a sound does with and without loop; and on a device with a
// clock of its own (the emulated null output) they arrive as posted events through the UI
// thread's event loop, not only when a test pulls blocks.
#include "TestMedia.h"
#include "engine/kae/KaeMessageDispatcher.h"
#include "support/KaeRig.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

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
