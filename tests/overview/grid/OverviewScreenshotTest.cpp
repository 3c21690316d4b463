// Pictures of the overview with 32 channels, some playing, at the booth's screen size in
// both languages. Runs only when KALVOR_SHOTS_DIR names a folder.
#include "core/ShowStore.h"
#include "core/UiLanguage.h"
#include "engine/kae/Kae.h"
#include "overview/ui/OverviewModel.h"
#include "overview/ui/OverviewWindow.h"
#include "support/ShowRig.h"
#include "support/media/TestMedia.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

TEST(OverviewScreenshots, ThirtyTwoChannelsAtBoothSize) {
    const QString dir = qEnvironmentVariable("KALVOR_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KALVOR_SHOTS_DIR to write the pictures";
    QDir().mkpath(dir);
    const char* const names[] = {"Overture",   "Thunder Roll", "Rain Loop", "Door Knock",
                                 "Phone Ring", "Crowd Murmur", "Wind Howl", "Clock Tower"};
    for (const Language language : {Language::English, Language::German}) {
        UiLanguage::instance().set(language);
        ShowRig rig;
        QStringList files;
        int i = 0;
        for (const char* n : names)
            files << testmedia::makeSilence(rig.folder, QString::fromLatin1(n),
                                            testmedia::Format::Wav16, 8000, 1, 40.0 + 23.0 * i++);
        ShowStore& s = rig.store;
        for (int ch = 0; ch < 32; ++ch) {
            rig.loadChannel(ch, {files[ch % files.size()]});
            s.channel(ch).volume = 100 - (ch * 7) % 30;
            s.controls(ch).loopMode = ch % 5 == 2;
            s.controls(ch).pauseMode = ch % 4 == 1;
            s.controls(ch).playGroup = ch % 6 == 0 ? QStringLiteral("2") : QStringLiteral("---");
            if (ch % 3 == 0)
                s.setChannelInfo(ch, QStringLiteral("Cue %1").arg(ch + 1), 0);
            s.announceChannel(ch);
        }
        OverviewWindow w(*rig.show, *rig.settings);
        w.setGeometry(0, 0, 1920, 1080);
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        for (int ch : {0, 3, 4, 9, 12, 17, 22, 30}) {
            rig.show->playback().PressPlay(ch);
            KAE__Channel_SetPositionInSec(ch, 5 + ch);
        }
        rig.show->playback().PauseChannel(9);
        rig.show->playback().PauseChannel(22);
        for (int ch = 0; ch < 32; ++ch)
            w.model().OverviewFillRow(ch);
        QTest::qWait(20);
        const QString name = language == Language::English ? QStringLiteral("overview-en.png")
                                                           : QStringLiteral("overview-de.png");
        EXPECT_TRUE(w.grab().save(dir + QLatin1Char('/') + name));
    }
    UiLanguage::instance().set(Language::English);
}

} // namespace
} // namespace kalvor::test
