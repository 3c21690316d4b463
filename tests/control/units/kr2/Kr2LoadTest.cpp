// A playlist chosen on the KR-2 that does not load: the unit says so in its browser
// instead of going back to the channel page as if the show had been loaded.
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"

#include "control/units/kr2/Kr2Keys.h"
#include "control/units/kr2/Kr2Remote.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using namespace kalvor::units;

TEST(Kr2Load, PlaylistThatDoesNotLoadIsReportedOnTheUnit) {
    ShowRig rig;
    const QString shows = rig.folder + QStringLiteral("/shows");
    ASSERT_TRUE(QDir().mkpath(shows));
    // The header of the newest format, then nothing: read errors follow.
    writeFile(shows + QStringLiteral("/Cut short.kal"), "Fileformat 17\r\n");
    QByteArray sent;
    Kr2Remote remote(*rig.show, *rig.settings,
                     [&](const QByteArray& command, int) { sent += command; });
    remote.setBrowserFolder(shows);
    remote.start();
    auto press = [&](std::initializer_list<Kr2Key> keys) {
        for (Kr2Key k : keys)
            remote.received(Kr2KeyDecoder::code(k));
    };
    // MENU, down to "Load Playlist", ENTER: the browser; --> to the files.
    press({Kr2Key::Menu, Kr2Key::Down, Kr2Key::Down, Kr2Key::Down, Kr2Key::Enter, Kr2Key::Right});
    ASSERT_TRUE(sent.contains("Cut short.kal"));
    sent.clear();
    press({Kr2Key::Enter});
    EXPECT_TRUE(sent.contains("FILE ERROR!")) << sent.toStdString();
}
