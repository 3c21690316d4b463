// The demo show as a first-time user meets it: written by kalvor-tool, loaded through the
// show layer on the offline device, its presets recalled and played.
#include "cli/DemoCommand.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

cli::DemoShow writeDemo(const QString& folder) {
    cli::DemoShow show;
    QString error;
    EXPECT_TRUE(cli::writeDemoShow(folder, {}, &show, &error)) << error.toStdString();
    return show;
}

int presetNamed(const ShowStore& store, const QString& prefix) {
    const QStringList& names = store.presets().names();
    for (int i = 0; i < names.size(); ++i)
        if (names.at(i).startsWith(prefix))
            return i;
    return -1;
}

// Plays on for `ms`, letting the engine's end and fade messages arrive as they would.
Block playFor(ShowRig& rig, int ms) {
    Block last;
    for (int t = 0; t < ms; t += 100) {
        last = rig.renderMs(100);
        QCoreApplication::processEvents();
    }
    return last;
}

} // namespace

TEST(DemoShow, IsTheSameEveryTimeAndIsNotOverwrittenUnasked) {
    const cli::DemoShow a = writeDemo(freshFolder(QStringLiteral("demo-a")));
    const cli::DemoShow b = writeDemo(freshFolder(QStringLiteral("demo-b")));
    ASSERT_EQ(a.soundPaths.size(), b.soundPaths.size());
    for (qsizetype i = 0; i < a.soundPaths.size(); ++i)
        EXPECT_EQ(readFile(a.soundPaths.at(i)), readFile(b.soundPaths.at(i)))
            << a.soundPaths.at(i).toStdString();

    QString error;
    const QString folder = QFileInfo(a.showPath).absolutePath();
    EXPECT_FALSE(cli::writeDemoShow(folder, {}, nullptr, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("--force")));
    cli::DemoShowOptions force;
    force.overwrite = true;
    EXPECT_TRUE(cli::writeDemoShow(folder, force, nullptr, &error));
}

TEST(DemoShow, LoadsCompleteAndItsPresetsPlay) {
    ShowRig rig;
    const cli::DemoShow demo = writeDemo(rig.folder + QStringLiteral("/demo"));
    const playlist::LoadReport report = rig.show->LoadPlaylist(demo.showPath);
    EXPECT_EQ(std::tuple(report.outcome, report.presets, report.missingSounds),
              std::tuple(playlist::LoadOutcome::Loaded, demo.presets, 0));
    for (int ch = 0; ch < 10; ++ch)
        EXPECT_TRUE(rig.show->playback().soundReady(ch)) << "channel " << ch + 1;

    // The storm: the wind starts with the preset and fades in.
    const int storm = presetNamed(rig.store, QStringLiteral("Scene 2"));
    ASSERT_GE(storm, 0);
    rig.show->recall().SelectPreset(storm);
    EXPECT_TRUE(KAE__Channel_IsPlaying(5));
    playFor(rig, 5500);
    EXPECT_GT(playFor(rig, 500).peak(0), 0.05) << "the wind is heard, faded in";

    // Thunder brings the rain (play group); the overture ends the wind (stop group). How
    // groups, fades and lists play is the show layer's; here the demo's settings count.
    rig.show->playback().PlayButtonDown(6);
    EXPECT_TRUE(KAE__Channel_IsPlaying(7));
    rig.show->playback().PlayButtonDown(8);
    EXPECT_EQ(rig.show->playback().fadeOutState(5), 1) << "the wind fades out";
    EXPECT_GE(presetNamed(rig.store, QStringLiteral("Interval")), 0);
    EXPECT_GT(rig.store.soundList(9).size(), 1) << "the interval plays a list";
}
