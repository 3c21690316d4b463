// The engine in the program's start-up and shut-down order, wired as the program wires
// it: a machine with only the emulated output starts (after the second scan, with its
// message) and runs on it, a machine with no output at all ends, and closing waits its
// 1000 ms once.
#include "core/Lifecycle.h"
#include "engine/kae/KaeMessageDispatcher.h"
#include "support/KaeRig.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

namespace {

// The program's hooks for the engine, on a rig that has not started it.
void wireEngine(Lifecycle& lifecycle) {
    StartupHooks& up = lifecycle.startupHooks();
    up.soundDevicePresent = &KAE__SoundDevicePresent;
    up.initAudioEngine = [] {
        return KAE__Init();
    };
    up.choosePreviewOutput = &ChoosePreviewOutput;
    lifecycle.shutdownHooks().freeAudioEngine = [] {
        KAE__Shutdown(false);
    };
}

ProgramContext contextFor(KaeRig& rig) {
    ProgramContext ctx;
    ctx.store = &rig.store;
    ctx.settings = rig.settings.get();
    ctx.runtimeFolder = freshFolder(u"lifecycle_run"_s);
    ctx.version = u"0.1.0"_s;
    return ctx;
}

} // namespace

TEST(KaeLifecycle, OnlyTheEmulatedOutputStillStartsTheProgram) {
    KaeRig rig({{scriptedDevice(u"Null output (emulated)"_s)}, {}, false});
    Lifecycle lifecycle(contextFor(rig));
    wireEngine(lifecycle);
    ASSERT_EQ(lifecycle.Main({}), StartResult::Running);
    ASSERT_EQ(rig.dialogs.messages().size(), 1);
    const RecordedBox box = rig.dialogs.messages().at(0);
    EXPECT_EQ(std::tuple(box.title, box.icon), std::tuple(u"Error"_s, MessageIcon::Critical));
    EXPECT_EQ(box.text, u"There are no ALSA/JACK compatible\r\nsound devices "
                        "installed on this computer!\r\nKalvor will now try to "
                        "detect 'emulated' devices!"_s);
    EXPECT_TRUE(rig.takeAudioLines().contains(
        u"KAE: Sound system version is: 9 (should be: 8 or higher)"_s));
    EXPECT_EQ(rig.settings->integer(u"NoEmulatedDevices"), 0);
    EXPECT_EQ(rig.store.channel(0).outputName, u"Null output (emulated)"_s);
    EXPECT_EQ(rig.store.channel(32).outputName, u"Null output (emulated)"_s);
    EXPECT_TRUE(rig.kae->dispatcher().subscribed());
    // ...and it plays there.
    ASSERT_TRUE(KAE__Channel_Load_Sound(0, rampFile(3000)));
    EXPECT_TRUE(KAE__Channel_Play(0, true, false));

    const qsizetype waitsBefore = rig.waits.waits().size();
    lifecycle.setForcedQuit(true);
    ASSERT_TRUE(lifecycle.requestClose());
    EXPECT_EQ(rig.waits.waits().mid(waitsBefore), QList<int>{1000})
        << "the engine does not wait a second time";
    EXPECT_FALSE(rig.kae->dispatcher().subscribed());
}

TEST(KaeLifecycle, NoOutputAtAllEndsStartUp) {
    KaeRig rig({{}, {}, false});
    rig.backend->setDevices({});
    rig.lib->rescanDevices();
    Lifecycle lifecycle(contextFor(rig));
    wireEngine(lifecycle);
    EXPECT_EQ(lifecycle.Main({}), StartResult::NoSoundDevice);
    EXPECT_EQ(rig.dialogs.messages().size(), 1);
    EXPECT_FALSE(KAE__Init()) << "nor does the engine start when asked";
    ASSERT_EQ(rig.dialogs.messages().size(), 3);
    EXPECT_EQ(rig.dialogs.messages().at(2).title, u"Error"_s);
    EXPECT_EQ(rig.dialogs.messages().at(2).text,
              u"No sound device found on this computer,\r\nKalvor can not run!"_s);
    EXPECT_FALSE(rig.kae->dispatcher().subscribed());
}
