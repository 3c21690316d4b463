// Edits of a list in extended selection mode and the FTP browser's hand-over: the marks
// stay on the entries the operator marked, whatever is inserted or removed around them,
// and an edit that takes nothing away leaves the current entry (and the loaded sound).
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "show/soundlists/SoundListEditor.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

using namespace kalvor;
using namespace Qt::StringLiterals;

namespace {

struct Channel0 {
    ShowStore store;
    Settings settings{test::freshFolder(u"list-edits"_s) + u"/Kalvor.ini"_s};
    SoundListEditor editor{store, settings};
    test::ScriptedDialogs dialogs;
    QStringList loads;

    explicit Channel0(int current) {
        QList<SoundEntry> list;
        for (const char* f : {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"})
            list << makeSoundEntry(u"/snd/"_s + QLatin1String(f));
        store.soundList(0) = list;
        store.controls(0).selectedSound = static_cast<std::int16_t>(current);
        editor.hooks().currentChanged = [this](int ch) {
            loads << store.soundList(ch).at(store.controls(ch).selectedSound).displayName;
        };
    }
    // The names of the marked entries, in list order.
    QStringList markedNames() const {
        QStringList out;
        for (int i = 0; i < store.soundList(0).size(); ++i)
            if (editor.marked(0).contains(i))
                out << store.soundList(0).at(i).displayName;
        return out;
    }
};

} // namespace

TEST(SoundListEdits, MarksStayOnTheirEntriesWhenOthersAreInsertedOrRemoved) {
    using Edit = std::function<void(Channel0&)>;
    // The marks (on c and e) afterwards, by name.
    using Row = std::tuple<const char*, int, Edit, QStringList>;
    const Row cases[] = {
        {"paste before the current entry",
         0,
         [](Channel0& c) { c.editor.InsertClipboard(0, false); },
         {"c", "e"}},
        {"paste after it", 1, [](Channel0& c) { c.editor.InsertClipboard(0, true); }, {"c", "e"}},
        {"one file from the dialog, before",
         1,
         [](Channel0& c) {
             c.dialogs.answerFiles({{u"/x/new.wav"_s}});
             c.editor.SoundLoadDialog(0, AddMode::InsertBefore);
         },
         {"c", "e"}},
        {"a drop",
         0,
         [](Channel0& c) {
             c.editor.DropFiles(0, {u"/x/n1.wav"_s, u"/x/n2.wav"_s});
         },
         {"c", "e"}},
        {"removing the current entry", 0, [](Channel0& c) { c.editor.Remove(0); }, {"c", "e"}},
        // A load or a new show empties the list without the editor.
        {"the list emptied and filled again",
         0,
         [](Channel0& c) {
             c.store.soundList(0).clear();
             c.store.announceSoundList(0);
             c.store.setSoundList(
                 0, {makeSoundEntry(u"/next/a.wav"_s), makeSoundEntry(u"/next/b.wav"_s),
                     makeSoundEntry(u"/next/c.wav"_s), makeSoundEntry(u"/next/d.wav"_s),
                     makeSoundEntry(u"/next/e.wav"_s)});
         },
         {}},
    };
    for (const auto& [label, current, edit, marked] : cases) {
        Channel0 c(current);
        c.editor.setMultiSelect(0, true);
        c.editor.setMarked(0, {2, 4});
        c.editor.setMultiSelect(1, false);
        // The clipboard holds one sound from another channel.
        c.store.soundList(1) = {makeSoundEntry(u"/snd/x.wav"_s)};
        c.store.controls(1).selectedSound = 0;
        c.editor.Copy(1);
        edit(c);
        EXPECT_EQ(c.markedNames(), marked) << label;
    }
}

TEST(SoundListEdits, ACutWithNothingMarkedKeepsTheCurrentEntryLoaded) {
    Channel0 c(3);
    c.editor.setMultiSelect(0, true);
    c.editor.setMarked(0, {});
    c.editor.Cut(0);
    EXPECT_EQ(c.store.soundList(0).size(), 5);
    EXPECT_EQ(c.store.controls(0).selectedSound, 3);
    EXPECT_TRUE(c.loads.isEmpty()) << "no other sound is loaded";
}

// The browser's files are named as any single file is: only the known extensions, in
// lower case, are dropped.
TEST(SoundListEdits, FilesFromTheFtpBrowserAreNamedLikeSingleFiles) {
    Channel0 c(1);
    c.editor.addBrowserFiles(0, {u"/dl/Song.WAV"_s, u"/dl/take 2.flac"_s, u"/dl/rain.mp3"_s});
    QStringList names;
    for (const SoundEntry& e : c.store.soundList(0))
        names << e.displayName;
    EXPECT_EQ(names, (QStringList{"a", "b", "c", "d", "e", "Song.WAV", "take 2.flac", "rain"}));
    EXPECT_EQ(c.store.soundList(0).constLast().path, u"/dl/rain.mp3"_s);
    EXPECT_EQ(c.loads, QStringList{"rain"}) << "the last one becomes current and is loaded";
}

// A sound found missing stays marked where it is pasted: only the last pasted entry is
// loaded (and checked) at once.
TEST(SoundListEdits, PastedEntriesKeepTheirNamesAndMissingMarks) {
    Channel0 c(0);
    c.store.soundList(0)[1].displayName = u"Thunder (long)"_s;
    c.store.soundList(0)[2].colour = kMissingSoundColour;
    c.editor.setMultiSelect(0, true);
    c.editor.setMarked(0, {1, 2, 3});
    c.editor.Copy(0);
    c.store.soundList(7) = {makeSoundEntry(u"/snd/x.wav"_s)};
    c.store.controls(7).selectedSound = 0;
    ASSERT_TRUE(c.editor.InsertClipboard(7, true));
    QStringList got;
    for (const SoundEntry& e : c.store.soundList(7))
        got << e.displayName + (e.isMissing() ? u" (red)"_s : QString());
    EXPECT_EQ(got, (QStringList{"x", "Thunder (long)", "c (red)", "d"}));
}
