// Sound lists as the operator fills them: one file or several from the dialog, drops,
// the sound clipboard with its start offset, removal and the wave editor messages.
#include "show/soundlists/SoundListEditor.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <tuple>

#include <algorithm>

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
};

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
