// Preset list work as the operator does it from the list menu: new, store, delete,
// rename, the clipboard and insert, with the slot arithmetic that keeps list position and
// slot equal.
#include "show/presets/PresetEditor.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "show/presets/PresetCopy.h"
#include "support/PlaylistFixtures.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <vector>

using namespace kalvor;
using namespace Qt::StringLiterals;

namespace {

struct Show {
    ShowStore store;
    Settings settings{test::freshFolder(u"presets"_s) + u"/Kalvor.ini"_s};
    PresetEditor editor{store, settings};
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;

    // Presets "P0".."P(n-1)", channel 0's volume telling them apart.
    void fill(int n) {
        for (int i = 0; i < n; ++i) {
            store.channel(0).volume = i;
            ASSERT_TRUE(editor.NewPreset());
            store.presets().rename(i, u"P%1"_s.arg(i));
        }
    }
    QStringList names() const { return store.presets().names(); }
    // Every listed slot carries the name its list entry shows, and nothing beyond is used.
    void expectSlotsMatchList() const {
        const PresetMemory& m = store.presets();
        for (int i = 0; i < m.count(); ++i)
            EXPECT_EQ(m.slot(i).name, m.names().at(i)) << i;
        for (int i = m.count(); i < kPresetSlots; ++i)
            EXPECT_TRUE(m.slot(i).isFree()) << i;
    }
};

} // namespace

TEST(PresetEditor, NewPresetHoldsTheChannelsAndIsRefusedWhenFull) {
    Show s;
    s.store.channel(3).volume = 77;
    ASSERT_TRUE(s.editor.NewPreset());
    const Preset& p = s.store.presets().slot(0);
    EXPECT_EQ(std::tuple(p.textReaderPosition, p.remoteTextPosition, p.channels[3].volume),
              std::tuple(-1, -1, 77));
    EXPECT_EQ(s.store.presets().selected(), 0);

    s.fill(99);
    EXPECT_EQ(s.store.presets().count(), 100);
    EXPECT_FALSE(s.editor.NewPreset());
    EXPECT_FALSE(s.editor.InsertNewPreset(true));
    EXPECT_EQ(s.dialogs.messages().size(), 2);
}

// The automatic store's setting is the recall's test (Recall); the store button's the panel's.
TEST(PresetEditor, StoreKeepsNameAndTextPositions) {
    Show s;
    s.fill(2);
    Preset& slot = s.store.presets().slot(1);
    slot.textReaderPosition = 1234;
    slot.remoteTextPosition = 7;
    s.store.channel(31).pan = -40;
    s.editor.StorePreset(1, true);
    EXPECT_EQ(std::tuple(slot.name, slot.textReaderPosition, slot.remoteTextPosition,
                         slot.channels[31].pan),
              std::tuple(u"P1"_s, 1234, 7, -40));
    s.editor.StorePreset(5, true); // beyond the list: nothing
    EXPECT_TRUE(s.store.presets().slot(5).isFree());
}

// With no preset recalled yet (start-up, "new playlist", "remove all") the store button
// stores the selected preset, which then holds the channels.
TEST(PresetEditor, TheStoreButtonWithNoPresetRecalledStoresTheSelectedOne) {
    Show s;
    s.fill(2);
    s.store.presets().setSelected(0);
    ASSERT_EQ(s.store.presets().current(), -1);
    s.store.channel(0).volume = 61;
    s.editor.SaveCurrentPreset();
    EXPECT_EQ(std::tuple(s.store.presets().slot(0).channels[0].volume,
                         s.store.presets().slot(1).channels[0].volume, s.store.presets().current()),
              std::tuple(61, 1, 0));
}

TEST(PresetEditor, DeleteShiftsSlotsAndFreesTheLast) {
    using Row = std::tuple<int, int, bool, MessageResult, QStringList, int>;
    const Row cases[] = {
        {5, 2, true, MessageResult::Yes, {"P0", "P1", "P3", "P4"}, 2},
        {5, 2, true, MessageResult::No, {"P0", "P1", "P2", "P3", "P4"}, 2},
        {5, 4, false, MessageResult::Ok, {"P0", "P1", "P2", "P3"}, 3},
        {1, 0, false, MessageResult::Ok, {}, -1},
    };
    for (const auto& [count, selected, ask, answer, names, selectedAfter] : cases) {
        Show s;
        s.fill(count);
        s.store.presets().setSelected(selected);
        s.dialogs.answerMessages({answer});
        s.editor.DeletePreset(ask);
        EXPECT_EQ(s.names(), names) << count << "/" << selected;
        EXPECT_EQ(s.store.presets().selected(), selectedAfter);
        s.expectSlotsMatchList();
        // Asked when told to; a stray Enter must not destroy anything.
        EXPECT_EQ(s.dialogs.messages().size(), ask ? 1 : 0);
        EXPECT_EQ(s.dialogs.messages().value(0).defaultButton,
                  ask ? std::optional(MessageResult::No) : std::nullopt);
    }
}

TEST(PresetEditor, RemoveAllLeavesOneNewPresetAfterYes) {
    Show s;
    s.fill(4);
    s.dialogs.answerMessages({MessageResult::No});
    s.editor.RemoveAllPresets(); // a stray Enter says No
    EXPECT_EQ(std::tuple(s.store.presets().count(), s.dialogs.messages().at(0).defaultButton),
              std::tuple(4, MessageResult::No));
    s.dialogs.answerMessages({MessageResult::Yes});
    s.editor.RemoveAllPresets();
    EXPECT_EQ(s.names(), QStringList{u"New Preset"_s});
    EXPECT_EQ(s.store.presets().current(), -1);
    s.expectSlotsMatchList();
}

// Whatever name is kept must survive saving the show, so the one word that marks a free slot
// is refused with a box instead of taken.
TEST(PresetEditor, RenameKeepsAnyTextButTheFreeSlotMark) {
    const QString forty(40, QLatin1Char('A'));
    using Row = std::tuple<std::optional<QString>, QString, int>; // answer, name after, boxes
    const Row rows[] = {
        {u"Szene Ä – Überfahrt 🎭"_s, u"Szene Ä – Überfahrt 🎭"_s, 0},
        {QString(50, QLatin1Char('A')), forty, 0},
        {u"   "_s, u"P0"_s, 0},
        {std::nullopt, u"P0"_s, 0},
        {u"empty"_s, u"P0"_s, 1},
        {u"  empty  "_s, u"P0"_s, 1},
        {u"Empty"_s, u"Empty"_s, 0},
        // Blanks typed ahead of the name do not use up its forty places.
        {QString(45, u' ') + u"Act 2"_s, u"Act 2"_s, 0},
    };
    for (const auto& [answer, nameAfter, boxes] : rows) {
        SCOPED_TRACE(answer.value_or(u"<cancel>"_s).toStdString());
        Show s;
        s.fill(1);
        s.dialogs.answerInputs({answer});
        s.editor.RenamePreset();
        EXPECT_EQ(std::tuple(s.names().at(0), s.store.presets().slot(0).isFree(),
                             s.dialogs.messages().size()),
                  std::tuple(nameAfter, false, boxes));
        s.expectSlotsMatchList();
    }
}

TEST(PresetEditor, ClipboardCopyCutAndInsert) {
    Show s;
    EXPECT_FALSE(s.editor.InsertClipboard(true));

    s.fill(4);
    s.store.presets().setSelected(1);
    s.editor.CutPreset();
    EXPECT_EQ(s.names(), (QStringList{"P0", "P2", "P3"}));
    EXPECT_EQ(s.dialogs.messages().size(), 1) << "cut deletes without asking";

    s.store.presets().setSelected(2);
    ASSERT_TRUE(s.editor.InsertClipboard(true));
    EXPECT_EQ(s.names(), (QStringList{"P0", "P2", "P3", "P1"}));
    EXPECT_EQ(s.store.presets().slot(3).channels[0].volume, 1);

    s.store.presets().setSelected(0);
    s.editor.CopyPreset();
    ASSERT_TRUE(s.editor.InsertClipboard(false));
    EXPECT_EQ(s.names(), (QStringList{"P0", "P0", "P2", "P3", "P1"}));

    ASSERT_TRUE(s.editor.InsertNewPreset(true));
    EXPECT_EQ(s.names().at(1), u"New Preset"_s);
    s.expectSlotsMatchList();
}

TEST(PresetEditor, TheCurrentPresetFollowsItsPresetThroughListEdits) {
    enum class Op { Delete, Cut, PasteAfter };
    using Step = std::pair<Op, int>; // and the preset selected for it
    // The last column is the name of the current preset afterwards; nullptr: none.
    using Row = std::tuple<const char*, int, std::vector<Step>, const char*>;
    const Row cases[] = {
        {"delete the current one", 1, {{Op::Delete, 1}}, nullptr},
        {"delete the current last one", 4, {{Op::Delete, 4}}, nullptr},
        {"delete one before it", 2, {{Op::Delete, 0}}, "P2"},
        {"delete one after it", 2, {{Op::Delete, 3}}, "P2"},
        {"cut the current one", 1, {{Op::Cut, 1}}, nullptr},
        {"move the current one down", 1, {{Op::Cut, 1}, {Op::PasteAfter, 1}}, nullptr},
        {"move another one past it", 2, {{Op::Cut, 0}, {Op::PasteAfter, 2}}, "P2"},
        {"paste before it", 2, {{Op::Cut, 4}, {Op::PasteAfter, 0}}, "P2"},
    };
    for (const auto& [label, current, steps, currentAfter] : cases) {
        Show s;
        s.settings.setInteger(u"SavePresetsOnChange", 1);
        s.fill(5);
        PresetMemory& m = s.store.presets();
        m.setCurrent(current);
        s.store.channel(0).volume = current; // as recalled
        for (const auto& [op, selected] : steps) {
            m.setSelected(selected);
            if (op == Op::Delete)
                s.editor.DeletePreset(false);
            else if (op == Op::Cut)
                s.editor.CutPreset();
            else
                ASSERT_TRUE(s.editor.InsertClipboard(true)) << label;
        }
        if (currentAfter == nullptr) {
            EXPECT_EQ(m.current(), -1) << label;
        } else {
            ASSERT_GE(m.current(), 0) << label;
            EXPECT_EQ(s.names().value(m.current()), QString::fromLatin1(currentAfter)) << label;
        }
        // The next preset change stores the live channels into the current preset only.
        s.store.channel(0).volume = 99;
        s.editor.AutoStore();
        for (int i = 0; i < m.count(); ++i) {
            const int own = s.names().at(i).mid(1).toInt();
            EXPECT_EQ(m.slot(i).channels[0].volume, i == m.current() ? 99 : own)
                << label << ": " << s.names().at(i).toStdString();
        }
    }
}

// What a recall writes into the store, the next store takes back unchanged; only the
// selected sound and its length are the loaded sound's.
TEST(PresetCopy, RestoreThenCaptureGivesBackEveryStoredValue) {
    std::mt19937 rng(5);
    for (int i = 0; i < 20; ++i) {
        const int ch = i * 7 % kChannelCount;
        const PresetChannel stored = test::randomPreset(rng, i).channels[ch];
        ShowStore store;
        restoreChannelState(stored, store, ch);
        const PresetChannel back = captureChannel(store, ch);
        for (const QString& field : test::format17LineNames()) {
            QString expected = test::fieldText(stored, field);
            if (field == QLatin1String("SelectedSound") || field == QLatin1String("SoundLength"))
                continue;
            if (field.endsWith(QLatin1String("Group")) && expected.isEmpty())
                expected = u"---"_s;
            EXPECT_EQ(test::fieldText(back, field), expected) << qPrintable(field);
        }
    }
}
