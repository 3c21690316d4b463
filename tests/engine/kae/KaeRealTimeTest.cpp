// The engine on a device with a clock of its own (the emulated null output): the end of a
// sound and the fade segments reach the dispatcher as posted events through the UI
// thread's event loop, not only when a test pulls blocks.
#include "TestMedia.h"
#include "engine/kae/KaeMessageDispatcher.h"
#include "support/KaeRig.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

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
