// Files the operator already has are never replaced behind their back by the tools window:
// a track ripped under the name the page makes up itself meets an older rip of that name.
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"
#include "tools/ui/ToolsCdPage.h"
#include "tools/ui/ToolsWindow.h"

#include <QFileInfo>
#include <QListWidget>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

struct Rig {
    ShowStore store;
    Settings settings;
    ScriptedDialogs dialogs;
    ToolsWindow window{store, settings};
    ToolsCdPage& cd = *window.cdPage();
};

QString discImage(const QString& dir) {
    writeFile(dir + QStringLiteral("/disc.bin"), QByteArray(2 * 150 * 2352, '\x22'));
    writeFile(dir + QStringLiteral("/disc.cue"),
              "FILE \"disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
              "  TRACK 02 AUDIO\r\n    INDEX 01 00:02:00\r\n");
    return dir + QStringLiteral("/disc.cue");
}

TEST(ToolsKeepFiles, RipUnderTheMadeUpNameAsksBeforeReplacingAnEarlierRip) {
    const struct {
        const char* what;
        MessageResult answer;
        bool replaced;
    } rows[] = {
        {"No keeps the earlier rip", MessageResult::No, false},
        {"Yes rips over it", MessageResult::Yes, true},
    };
    for (const auto& row : rows) {
        Rig rig;
        const QString dir = freshFolder(QStringLiteral("keep-rip"));
        rig.cd.addDiscImage(discImage(dir));
        ASSERT_EQ(rig.cd.CDTracks()->count(), 2) << row.what;
        const QString earlier = dir + QStringLiteral("/TRACK 2.WAV");
        writeFile(earlier, "last night's rip of another disc");
        rig.dialogs.answerFiles({{dir}});
        rig.cd.selectCDPath();
        rig.cd.CDTracks()->setCurrentRow(1);

        rig.dialogs.clear();
        rig.dialogs.answerMessages({row.answer});
        QSignalSpy done(&rig.cd, &ToolsCdPage::extractionFinished);
        rig.cd.Extract();
        if (row.replaced) {
            ASSERT_TRUE(done.wait(60000)) << row.what;
        }
        const auto boxes = rig.dialogs.messages();
        ASSERT_FALSE(boxes.isEmpty()) << row.what;
        EXPECT_EQ(boxes[0].text, QStringLiteral("File exists! Overwrite?")) << row.what;
        EXPECT_EQ(boxes[0].defaultButton, MessageResult::No) << row.what;
        EXPECT_EQ(QFileInfo(earlier).size() == 44 + 150 * 2352, row.replaced) << row.what;
        EXPECT_EQ(readFile(earlier) == "last night's rip of another disc", !row.replaced)
            << row.what;
    }
}

} // namespace
} // namespace kalvor::test
