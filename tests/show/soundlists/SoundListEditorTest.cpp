// Sound lists as the operator fills them: one file or several from the dialog, drops,
// the sound clipboard with its start offset, removal and the wave editor messages. In
// extended selection mode the marks stay on the entries the operator marked, whatever is
// inserted or removed around them, and an edit that takes nothing away leaves the current
// entry (and the loaded sound).
#include "show/soundlists/SoundListEditor.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "support/ScriptedDialogs.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <tuple>

#include <algorithm>
#include <functional>

using namespace kalvor;
using namespace Qt::StringLiterals;

namespace {

struct Lists {
    ShowStore store;
    Settings settings{test::freshFolder(u"lists"_s) + u"/Kalvor.ini"_s};
    SoundListEditor editor{store, settings};
    test::ScriptedDialogs dialogs;
    QStringList events; // what the playback layer was asked to do
    QSet<int> sounding; // channels playing or paused

    Lists() {
        auto& h = editor.hooks();
        h.currentChanged = [this](int ch) {
            events << u"load %1:%2"_s.arg(ch).arg(store.controls(ch).selectedSound);
        };
        h.stopIfPlaying = [this](int ch) {
            events << u"stop %1"_s.arg(ch);
        };
        h.clearChannel = [this](int ch) {
            events << u"clear %1"_s.arg(ch);
        };
        h.setStartOffset = [this](int ch, int f) {
            events << u"offset %1:%2"_s.arg(ch).arg(f);
        };
        h.isSounding = [this](int ch) {
            return sounding.contains(ch);
        };
    }
    QStringList names(int ch) const {
        QStringList out;
        for (const auto& e : store.soundList(ch))
            out << e.displayName;
        return out;
    }
    int current(int ch) const { return store.controls(ch).selectedSound; }
    void seed(int ch, const QStringList& files, int current) {
        QList<SoundEntry> list;
        for (const auto& f : files)
            list << makeSoundEntry(u"/snd/"_s + f);
        store.soundList(ch) = list;
        store.controls(ch).selectedSound = static_cast<std::int16_t>(current);
    }
    // The names of the marked entries, in list order.
    QStringList markedNames(int ch) const {
        QStringList out;
        for (int i = 0; i < store.soundList(ch).size(); ++i)
            if (editor.marked(ch).contains(i))
                out << store.soundList(ch).at(i).displayName;
        return out;
    }
};

const QStringList kFive{"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"};

} // namespace

TEST(SoundLists, DialogPlacesOneFileByModeAndSeveralAtTheEnd) {
    using Row = std::tuple<const char*, QStringList, AddMode, QStringList, int>;
    const Row cases[] = {
        {"append one", {"/x/Song.WAV"}, AddMode::Append, {"a", "b", "c", "Song.WAV"}, 3},
        {"insert one before", {"/x/new.wav"}, AddMode::InsertBefore, {"a", "new", "b", "c"}, 1},
        {"insert one after", {"/x/new.mp3"}, AddMode::InsertAfter, {"a", "b", "new", "c"}, 2},
        {"several still append",
         {"/x/Song.WAV", "/x/take2.flac"},
         AddMode::InsertBefore,
         {"a", "b", "c", "Song", "take2."},
         4},
    };
    for (const auto& [label, picked, mode, names, current] : cases) {
        Lists l;
        l.seed(5, {"a.wav", "b.wav", "c.wav"}, 1);
        l.dialogs.answerFiles({picked});
        l.editor.SoundLoadDialog(5, mode);
        EXPECT_EQ(l.names(5), names) << label;
        EXPECT_EQ(l.current(5), current) << label;
        EXPECT_EQ(l.events, QStringList{u"load 5:%1"_s.arg(current)}) << "the new sound is loaded";
    }
    Lists cancelled;
    cancelled.seed(0, {"a.wav"}, 0);
    cancelled.editor.SoundLoadDialog(0, AddMode::Append);
    EXPECT_EQ(cancelled.names(0), QStringList{"a"});
    EXPECT_TRUE(cancelled.events.isEmpty());
}

TEST(SoundLists, DropsAreJudgedByTheFirstFileAndKeepTheirOrder) {
    using Row = std::tuple<const char*, QStringList, bool, QStringList>;
    const Row cases[] = {
        {"first is text", {"/d/notes.txt", "/d/x.wav"}, false, {"a", "b"}},
        {"first is a sound",
         {"/d/x.WAV", "/d/notes.txt", "/d/y.mp3"},
         true,
         {"a", "x.WAV", "notes.txt", "y", "b"}},
        {"aif in capitals", {"/d/s.AIF"}, true, {"a", "s.AIF", "b"}},
        {"flac is not a drop sound", {"/d/s.flac"}, false, {"a", "b"}},
    };
    for (const auto& [label, dropped, accepted, names] : cases) {
        Lists l;
        l.seed(2, {"a.wav", "b.wav"}, 0);
        EXPECT_EQ(l.editor.DropFiles(2, dropped), accepted) << label;
        EXPECT_EQ(l.names(2), names) << label;
        EXPECT_EQ(l.events.size(), accepted ? 1 : 0)
            << "loaded once, for the last dropped file: " << label;
        if (accepted) {
            EXPECT_EQ(l.current(2), dropped.size());
        }
    }
}

TEST(SoundLists, ClipboardCarriesTheStartOffsetOnlyForOneSound) {
    for (const bool withOffsets : {true, false}) {
        Lists l;
        l.settings.setInteger(u"CopySoundsWithOffsets", withOffsets ? 1 : 0);
        l.seed(0, {"a.wav", "b.wav"}, 1);
        l.store.assignments(0).startOffset = 22050;
        l.editor.Copy(0);
        l.seed(1, {"x.wav"}, 0);
        ASSERT_TRUE(l.editor.InsertClipboard(1, true));
        EXPECT_EQ(l.names(1), (QStringList{"x", "b"}));
        EXPECT_EQ(l.store.assignments(1).startOffset, withOffsets ? 22050 : 0);
        EXPECT_EQ(l.events.contains(u"offset 1:22050"_s), withOffsets);
    }
    // Two sounds never carry an offset, and keep their list order.
    Lists l;
    EXPECT_FALSE(l.editor.InsertClipboard(0, true));
    EXPECT_EQ(l.dialogs.messages().size(), 1);
    l.seed(0, {"a.wav", "b.wav", "c.wav"}, 0);
    l.store.assignments(0).startOffset = 100;
    l.editor.setMultiSelect(0, true);
    l.editor.setMarked(0, {2, 0});
    l.editor.Copy(0);
    EXPECT_EQ(l.editor.clipboard().names, (QStringList{"a", "c"}));
    EXPECT_EQ(l.current(0), 0);
    l.seed(3, {"x.wav", "y.wav"}, 1);
    ASSERT_TRUE(l.editor.InsertClipboard(3, false));
    EXPECT_EQ(l.names(3), (QStringList{"x", "a", "c", "y"}));
    EXPECT_EQ(l.current(3), 2);
    EXPECT_EQ(l.store.assignments(3).startOffset, 0);
}

TEST(SoundLists, ExtendedCopyLoadsTheFirstCopiedEntryUnlessTheChannelSounds) {
    using Row = std::tuple<bool, int, QSet<int>, int, QStringList>;
    const Row cases[] = {
        {false, 0, {2, 1}, 1, {"load 0:1"}},
        {false, 1, {1}, 1, {"load 0:1"}}, // already loaded: the selection handling knows
        {true, 0, {2, 1}, 0, {}},         // the playing entry stays current and loaded
        {true, 3, {1}, 3, {}},
    };
    for (const auto& [sounding, current, marked, currentAfter, events] : cases) {
        Lists l;
        l.seed(0, {"a.wav", "b.wav", "c.wav", "d.wav"}, current);
        if (sounding)
            l.sounding.insert(0);
        l.editor.setMultiSelect(0, true);
        l.editor.setMarked(0, marked);
        l.editor.Copy(0);
        EXPECT_EQ(l.current(0), currentAfter) << sounding << current;
        EXPECT_EQ(l.events, events) << sounding << current;
        EXPECT_EQ(l.editor.marked(0), QSet<int>{*std::min_element(marked.begin(), marked.end())});
        EXPECT_EQ(l.editor.clipboard().paths.size(), marked.size());
    }
}

TEST(SoundLists, CutAndRemoveStopTheChannelAndEmptyingClearsIt) {
    Lists l;
    l.seed(4, {"a.wav", "b.wav", "c.wav"}, 2);
    l.store.assignments(4).startOffset = 500;
    l.editor.Remove(4);
    EXPECT_EQ(l.names(4), (QStringList{"a", "b"}));
    EXPECT_EQ(l.current(4), 1) << "the last one becomes current";
    EXPECT_EQ(l.store.assignments(4).startOffset, 0);
    EXPECT_EQ(l.events, (QStringList{"stop 4", "load 4:1"}));

    l.events.clear();
    l.editor.Cut(4);
    EXPECT_EQ(l.names(4), QStringList{"a"});
    EXPECT_EQ(l.editor.clipboard().names, QStringList{"b"});
    l.events.clear();
    l.store.channel(4).fileName = u"/snd/a.wav"_s;
    l.editor.Remove(4);
    EXPECT_TRUE(l.names(4).isEmpty());
    EXPECT_EQ(l.current(4), -1);
    EXPECT_TRUE(l.store.channel(4).fileName.isEmpty());
    EXPECT_TRUE(l.events.contains(u"clear 4"_s));
}

TEST(SoundLists, RemovingAPageClearsExactlyItsEightChannels) {
    Lists l;
    for (int ch = 0; ch < 32; ++ch)
        l.seed(ch, {"a.wav"}, 0);
    l.editor.RemoveSoundsFromPage(2);
    for (int ch = 0; ch < 32; ++ch)
        EXPECT_EQ(l.store.soundList(ch).isEmpty(), ch >= 8 && ch < 16) << ch;
    l.editor.RemoveSoundsFromPage(5); // no such page
}

TEST(SoundLists, WaveEditorMessages) {
    Lists l;
    l.seed(0, {"a.wav"}, 0);
    l.editor.EditWave(0);
    l.settings.setText(u"DefaultWaveEditor", u"/nonexistent/editor"_s);
    l.editor.EditWave(0);
    const auto boxes = l.dialogs.messages();
    ASSERT_EQ(boxes.size(), 2) << "no editor, then one that is not there";
    EXPECT_NE(boxes.at(0).text, boxes.at(1).text);
}

TEST(SoundLists, MarksStayOnTheirEntriesWhenOthersAreInsertedOrRemoved) {
    using Edit = std::function<void(Lists&)>;
    // The marks (on c and e) afterwards, by name.
    using Row = std::tuple<const char*, int, Edit, QStringList>;
    const Row cases[] = {
        {"paste before the current entry",
         0,
         [](Lists& c) { c.editor.InsertClipboard(0, false); },
         {"c", "e"}},
        {"paste after it", 1, [](Lists& c) { c.editor.InsertClipboard(0, true); }, {"c", "e"}},
        {"one file from the dialog, before",
         1,
         [](Lists& c) {
             c.dialogs.answerFiles({{u"/x/new.wav"_s}});
             c.editor.SoundLoadDialog(0, AddMode::InsertBefore);
         },
         {"c", "e"}},
        {"a drop",
         0,
         [](Lists& c) {
             c.editor.DropFiles(0, {u"/x/n1.wav"_s, u"/x/n2.wav"_s});
         },
         {"c", "e"}},
        {"removing the current entry", 0, [](Lists& c) { c.editor.Remove(0); }, {"c", "e"}},
        // A load or a new show empties the list without the editor.
        {"the list emptied and filled again",
         0,
         [](Lists& c) {
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
        Lists c;
        c.seed(0, kFive, current);
        c.editor.setMultiSelect(0, true);
        c.editor.setMarked(0, {2, 4});
        c.editor.setMultiSelect(1, false);
        // The clipboard holds one sound from another channel.
        c.seed(1, {"x.wav"}, 0);
        c.editor.Copy(1);
        edit(c);
        EXPECT_EQ(c.markedNames(0), marked) << label;
    }
}

TEST(SoundLists, ACutWithNothingMarkedKeepsTheCurrentEntryLoaded) {
    Lists c;
    c.seed(0, kFive, 3);
    c.editor.setMultiSelect(0, true);
    c.editor.setMarked(0, {});
    c.editor.Cut(0);
    EXPECT_EQ(c.store.soundList(0).size(), 5);
    EXPECT_EQ(c.current(0), 3);
    EXPECT_TRUE(c.events.filter(u"load"_s).isEmpty()) << "no other sound is loaded";
}

// The browser's files are named as any single file is: only the known extensions, in
// lower case, are dropped.
TEST(SoundLists, FilesFromTheFtpBrowserAreNamedLikeSingleFiles) {
    Lists c;
    c.seed(0, kFive, 1);
    c.editor.addBrowserFiles(0, {u"/dl/Song.WAV"_s, u"/dl/take 2.flac"_s, u"/dl/rain.mp3"_s});
    EXPECT_EQ(c.names(0),
              (QStringList{"a", "b", "c", "d", "e", "Song.WAV", "take 2.flac", "rain"}));
    EXPECT_EQ(c.store.soundList(0).constLast().path, u"/dl/rain.mp3"_s);
    EXPECT_EQ(c.events.filter(u"load"_s), QStringList{u"load 0:7"_s})
        << "the last one becomes current and is loaded";
}

// A sound found missing stays marked where it is pasted: only the last pasted entry is
// loaded (and checked) at once.
TEST(SoundLists, PastedEntriesKeepTheirNamesAndMissingMarks) {
    Lists c;
    c.seed(0, kFive, 0);
    c.store.soundList(0)[1].displayName = u"Thunder (long)"_s;
    c.store.soundList(0)[2].colour = kMissingSoundColour;
    c.editor.setMultiSelect(0, true);
    c.editor.setMarked(0, {1, 2, 3});
    c.editor.Copy(0);
    c.seed(7, {"x.wav"}, 0);
    ASSERT_TRUE(c.editor.InsertClipboard(7, true));
    QStringList got;
    for (const SoundEntry& e : c.store.soundList(7))
        got << e.displayName + (e.isMissing() ? u" (red)"_s : QString());
    EXPECT_EQ(got, (QStringList{"x", "Thunder (long)", "c (red)", "d"}));
}

// Sound list edits on a channel that is heard, with the real engine: after each edit the
// channel plays or holds exactly the sound of its current entry, from where it should.
TEST(SoundListPlayback, EditsOfAPlayingListLeaveTheChannelWithItsCurrentEntry) {
    using Edit = std::function<void(test::ShowRig&)>;
    // After the edit: still playing, the current entry's name, the position and the start
    // offset in seconds.
    using Row = std::tuple<const char*, Edit, bool, const char*, double, int>;
    const auto paste = [](int entry) {
        return [entry](test::ShowRig& rig) {
            rig.loadChannel(1, {rig.store.soundList(0).at(entry).path});
            rig.store.assignments(1).startOffset = 3 * test::kRate;
            rig.show->soundLists().Copy(1);
            rig.show->soundLists().InsertClipboard(0, true);
        };
    };
    const Row cases[] = {
        {"removing the playing entry", [](test::ShowRig& r) { r.show->soundLists().Remove(0); },
         false, "c", 0.0, 0},
        {"cutting it", [](test::ShowRig& r) { r.show->soundLists().Cut(0); }, false, "c", 0.0, 0},
        {"pasting another sound", paste(0), false, "a", 0.0, 3},
        // Without jumping to offsets a pasted start offset waits for the next start; the
        // same file is not loaded again, so it plays on from where it was.
        {"pasting the sound that plays", paste(1), true, "b", 1.0, 3},
    };
    for (const auto& [label, edit, playing, current, seconds, offset] : cases) {
        SCOPED_TRACE(label);
        test::ShowRig rig;
        rig.settings->setInteger(u"JumpToOffsets", 0);
        rig.settings->setInteger(u"CopySoundsWithOffsets", 1);
        const QStringList files{rig.ramp(u"a"_s, 10), rig.ramp(u"b"_s, 10), rig.ramp(u"c"_s, 10)};
        rig.loadChannel(0, files, 1);
        rig.show->playback().PressPlay(0);
        rig.renderMs(1000);
        edit(rig);
        const auto& list = rig.store.soundList(0);
        const int at = rig.store.controls(0).selectedSound;
        ASSERT_TRUE(at >= 0 && at < list.size());
        EXPECT_EQ(list.at(at).displayName, QLatin1String(current));
        EXPECT_EQ(rig.store.channel(0).fileName, list.at(at).path) << "the sound loaded";
        EXPECT_EQ(KAE__Channel_IsPlaying(0), playing);
        EXPECT_NEAR(KAE__Channel_GetPositionInSamples(0) / double(test::kRate), seconds, 0.05);
        EXPECT_EQ(rig.store.assignments(0).startOffset, offset * test::kRate);
    }
}
