// The questions that destroy something when answered Yes: a stray Enter must answer No.
#include "ShowRig.h"

#include "support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

#include <functional>

using namespace kalvor;
using namespace kalvor::test;

TEST(Questions, EveryDestructiveQuestionDefaultsToNo) {
    struct Case {
        const char* text;
        std::function<void(ShowRig&)> ask;
        std::function<bool(ShowRig&)> untouched;
    };
    const QString existing = QStringLiteral("/show.kal");
    const Case cases[] = {
        {"Delete this Preset from the list",
         [](ShowRig& r) { r.show->presets().DeletePreset(true); },
         [](ShowRig& r) {
             return r.store.presets().count() == 2;
         }},
        {"Delete all Presets from list", [](ShowRig& r) { r.show->presets().RemoveAllPresets(); },
         [](ShowRig& r) {
             return r.store.presets().count() == 2;
         }},
        {"File exists! Overwrite?",
         [&](ShowRig& r) { r.show->playlists().SavePlaylist(r.folder + existing, true); },
         [&](ShowRig& r) {
             QFile f(r.folder + existing);
             return f.open(QIODevice::ReadOnly) && f.readAll() == "old";
         }},
    };
    for (const auto& c : cases) {
        ShowRig rig;
        rig.show->presets().NewPreset();
        rig.show->presets().NewPreset();
        rig.store.presets().setSelected(0);
        writeFile(rig.folder + existing, "old");
        rig.dialogs.clear();
        c.ask(rig);
        const auto boxes = rig.dialogs.messages();
        ASSERT_EQ(boxes.size(), 1) << c.text;
        EXPECT_EQ(boxes.at(0).text, QString::fromLatin1(c.text));
        EXPECT_EQ(boxes.at(0).buttons, MessageButtons::YesNo) << c.text;
        EXPECT_EQ(boxes.at(0).defaultButton, MessageResult::No) << c.text;
        EXPECT_TRUE(c.untouched(rig)) << c.text;
    }
}
