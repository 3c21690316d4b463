// A load hands on the sound files it found, in the order recalls will want them: each
// preset's sounds (preset by preset), then the rest of the lists; each file once, missing
// files left out.
#include "core/ShowStore.h"
#include "show/playlist/PlaylistDocument.h"
#include "show/playlist/PlaylistFiles.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::playlist;

TEST(PlaylistSoundsLoaded, presetsSoundsFirstThenTheListsEachOnceMissingLeftOut) {
    const QString dir = test::freshFolder(QStringLiteral("sounds-loaded"));
    const auto file = [&](const char* name) {
        const QString path = dir + QLatin1Char('/') + QLatin1String(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    };
    PlaylistDocument doc;
    doc.format = kNewestFormat;
    doc.soundPaths[0] = {file("a.wma"), file("b.wma"), file("c.wav")};
    doc.soundPaths[3] = {dir + "/gone.wma", file("d.wma")};
    doc.soundPaths[5] = {file("a2.wma")};
    Preset first, second;
    first.name = QStringLiteral("Overture");
    second.name = QStringLiteral("Storm");
    first.channels[0].selectedSound = 2;  // c.wav
    first.channels[3].selectedSound = 1;  // d.wma
    first.channels[5].selectedSound = 7;  // past the list: nothing
    second.channels[0].selectedSound = 2; // c.wav again
    second.channels[3].selectedSound = 0; // missing
    second.channels[5].selectedSound = 0; // a2.wma
    doc.presets = {first, second};
    const QString show = dir + "/show.kal";
    QFile out(show);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(writePlaylist(doc));
    out.close();

    test::ScriptedDialogs dialogs;
    ShowStore store;
    PlaylistFiles files(store, nullptr, nullptr);
    QStringList handed;
    int calls = 0;
    files.hooks().soundsLoaded = [&](const QStringList& sounds) {
        handed = sounds;
        ++calls;
    };
    ASSERT_EQ(files.LoadPlaylist(show).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(handed.join(QLatin1Char(' ')).remove(dir + QLatin1Char('/')).toStdString(),
              "c.wav d.wma a2.wma a.wma b.wma");
}
