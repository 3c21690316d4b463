// The questions that destroy something when answered Yes: a stray Enter must answer No.
#include "support/ShowRig.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <functional>

using namespace kalvor;
using namespace kalvor::test;

TEST(Questions, EveryDestructiveQuestionDefaultsToNo) {
    const struct {
        const char* text;
        std::function<void(ShowRig&)> ask;
    } cases[] = {
        {"Delete this Preset from the list",
         [](ShowRig& r) {
             r.show->presets().DeletePreset(true);
         }},
        {"Delete all Presets from list",
         [](ShowRig& r) {
             r.show->presets().RemoveAllPresets();
         }},
        {"File exists! Overwrite?",
         [](ShowRig& r) {
             r.show->playlists().SavePlaylist(r.folder + QStringLiteral("/show.kal"), true);
         }},
    };
    for (const auto& c : cases) {
        ShowRig rig;
        rig.show->presets().NewPreset();
        writeFile(rig.folder + QStringLiteral("/show.kal"), "old");
        rig.dialogs.clear();
        c.ask(rig);
        ASSERT_EQ(rig.dialogs.messages().size(), 1) << c.text;
        const RecordedBox box = rig.dialogs.messages().at(0);
        EXPECT_EQ(box.text, QString::fromLatin1(c.text));
        EXPECT_EQ(box.buttons, MessageButtons::YesNo) << c.text;
        EXPECT_EQ(box.defaultButton, MessageResult::No) << c.text;
    }
}
