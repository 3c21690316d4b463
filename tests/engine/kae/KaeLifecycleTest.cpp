// The engine in the program's start-up and shut-down order, wired as the program wires
// it: a machine with only the emulated output starts and runs on it, a machine with no
// output at all ends, and closing waits its 1000 ms once.
#include "core/Lifecycle.h"
#include "core/SystemMessages.h"
#include "engine/kae/KaeMessageDispatcher.h"
#include "support/KaeRig.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

// The program's hooks for the engine, on a rig that has not started it.
void wireEngine(Lifecycle& lifecycle) {
    StartupHooks& up = lifecycle.startupHooks();
    up.soundDevicePresent = [] {
        return KAE__SoundDevicePresent();
    };
    up.initAudioEngine = [] {
        return KAE__Init();
    };
    up.choosePreviewOutput = [] {
        ChoosePreviewOutput();
    };
    lifecycle.shutdownHooks().freeAudioEngine = [] {
        KAE__Shutdown(false);
    };
}

ProgramContext contextFor(KaeRig& rig) {
    ProgramContext ctx;
    ctx.store = &rig.store;
    ctx.settings = rig.settings.get();
    ctx.runtimeFolder = freshFolder(QStringLiteral("lifecycle_run"));
    ctx.version = QStringLiteral("0.1.0");
    return ctx;
}

} // namespace

TEST(KaeLifecycle, OnlyTheEmulatedOutputStillStartsTheProgram) {
    KaeRig rig({{scriptedDevice(QStringLiteral("Null output (emulated)"))}, {}, false});
    Lifecycle lifecycle(contextFor(rig));
    wireEngine(lifecycle);
    ASSERT_EQ(lifecycle.Main({}), StartResult::Running);
    const auto boxes = rig.dialogs.messages();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes.at(0).text.startsWith(QStringLiteral("There are no ALSA/JACK compatible")));
    EXPECT_EQ(rig.store.channel(0).outputName, QStringLiteral("Null output (emulated)"));
    EXPECT_EQ(rig.store.channel(32).outputName, QStringLiteral("Null output (emulated)"));
    EXPECT_TRUE(rig.kae->dispatcher().subscribed());

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
    EXPECT_EQ(rig.dialogs.messages().size(), 1) << "its text: KaeDevices";
}
