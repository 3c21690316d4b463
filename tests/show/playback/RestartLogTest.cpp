// A restart is a restart for the log whichever way the channel gets back to its start:
// with the option on, each one asks for one new entry.
#include "support/ShowRig.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <tuple>

using namespace kalvor;
using namespace kalvor::test;
using namespace Qt::StringLiterals;

TEST(RestartLog, EveryKindOfRestartAsksForANewEntry) {
    using Row = std::tuple<const char*, bool, bool>;
    const Row cases[] = {
        {"without fades", false, false},
        {"with its fade-in", true, false},
        {"after its fade-out", false, true},
    };
    for (const auto& [label, fadeIn, fadeOut] : cases) {
        ShowRig rig;
        rig.settings->setOn(u"LogRestartCreate", true);
        rig.loadChannel(0, {rig.tone(u"a"_s, 5.0)});
        rig.store.channel(0).fadeIn = {200, fadeIn, 1};
        rig.store.channel(0).fadeOut = {200, fadeOut, 2};
        rig.store.controls(0).restartMode = 1;
        auto& play = rig.show->playback();
        QSignalSpy log(&play, &ChannelPlayback::logEntry);
        play.PressPlay(0);
        rig.renderMs(300);
        play.PressPlay(0);
        for (int i = 0; i < 10; ++i)
            rig.renderMs(50);
        EXPECT_TRUE(KAE__Channel_IsPlaying(0)) << label;
        int restarts = 0;
        for (const QList<QVariant>& entry : log)
            restarts += entry.at(1).value<LogReason>() == LogReason::Restart ? 1 : 0;
        EXPECT_EQ(restarts, 1) << label;
    }
}
