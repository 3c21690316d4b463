// The whole way a show travels: backed up where it was made, restored into another
// folder after the original is gone, relinked, loaded and played through the engine.
#include "ArchiveRig.h"
#include "show/playlist/PlaylistDocument.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"
#include "tools/archive/Backup.h"
#include "tools/archive/Restore.h"

#include <QFile>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

using namespace archive;

TEST(ShowTravels, RestoredElsewhereRelinkedLoadedAndItsPresetPlays) {
    ShowRig rig;
    const QString tone = rig.tone(QStringLiteral("cue"), 1.0);
    const QString ramp = rig.ramp(QStringLiteral("other"), 1.0);
    playlist::PlaylistDocument doc;
    Preset p;
    p.setName(QStringLiteral("Scene 1"));
    p.channels[0].volume = 100;
    p.channels[0].selectedSound = 0;
    doc.presets.push_back(p);
    doc.soundPaths[0] = QStringList{tone, ramp};
    const QString show = rig.folder + QStringLiteral("/Travel.kal");
    writeFile(show, playlist::writePlaylist(doc));

    QString error;
    const auto files = backupListOfPlaylistFile(show, &error);
    ASSERT_TRUE(files) << error.toStdString();
    EXPECT_EQ(*files, (QStringList{show, tone, ramp}));
    const QString kfa = freshFolder(QStringLiteral("travel-archive")) + QStringLiteral("/t.kfa");
    Recorder rec;
    JobControl control;
    ASSERT_TRUE(runBackup(*files, kfa, rec, control).ok);
    for (const QString& f : *files)
        QFile::remove(f);

    const QString target = freshFolder(QStringLiteral("travel-venue"));
    const ArchiveListing listing = listArchive(kfa, rec);
    QStringList refused;
    const auto items = planRestore(listing, Destination::Folder, target, &refused);
    ASSERT_EQ(runRestore(kfa, listing, items, rec, control).count, 3);
    QStringList targets;
    for (const auto& it : items)
        targets << it.target;
    ASSERT_TRUE(RelinkPlaylist(target, targets, listing.sourcePaths, rec).relinked);

    rig.show->LoadPlaylist(target + QStringLiteral("/Travel.kal"));
    ASSERT_EQ(rig.store.soundList(0).size(), 2);
    EXPECT_EQ(rig.store.soundList(0).at(0).path, target + QStringLiteral("/cue.wav"));
    EXPECT_FALSE(rig.store.soundList(0).at(0).isMissing());
    rig.show->playback().PressPlay(0);
    const Block heard = rig.renderMs(200);
    EXPECT_GT(heard.peak(0), 0.1) << "the recalled preset plays the restored sound";
}

} // namespace
} // namespace kalvor::test
