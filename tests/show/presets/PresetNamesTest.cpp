// Names the operator types for a preset: whatever is kept must survive saving the show,
// so the one word that marks a free slot is refused with a box instead of taken.
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "show/presets/PresetEditor.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace Qt::StringLiterals;

TEST(PresetNames, RenameKeepsAnyTextButTheFreeSlotMark) {
    struct Row {
        QString answer;
        QString nameAfter;
        bool box;
    };
    const Row rows[] = {
        {u"Szene Ä – Überfahrt 🎭"_s, u"Szene Ä – Überfahrt 🎭"_s, false},
        {u"empty"_s, u"New Preset"_s, true},
        {u"  empty  "_s, u"New Preset"_s, true},
        {u"Empty"_s, u"Empty"_s, false},
        // Blanks typed ahead of the name do not use up its forty places.
        {QString(45, u' ') + u"Act 2"_s, u"Act 2"_s, false},
    };
    for (const Row& row : rows) {
        ShowStore store;
        Settings settings{test::freshFolder(u"presetnames"_s) + u"/Kalvor.ini"_s};
        PresetEditor editor{store, settings};
        test::ScriptedDialogs dialogs;
        ASSERT_TRUE(editor.NewPreset());
        dialogs.answerInputs({row.answer});
        editor.RenamePreset();
        const PresetMemory& m = store.presets();
        EXPECT_EQ(m.names().at(0), row.nameAfter) << row.answer.toStdString();
        EXPECT_EQ(m.slot(0).name, row.nameAfter) << row.answer.toStdString();
        EXPECT_FALSE(m.slot(0).isFree()) << row.answer.toStdString();
        EXPECT_EQ(dialogs.messages().size(), row.box ? 1 : 0) << row.answer.toStdString();
    }
}
