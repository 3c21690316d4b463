// A show saved and loaded again is the same show: every value of every channel of every
// preset, the sound lists, the layout, the GPIO block and the text-reader link.
#include "support/PlaylistFixtures.h"

#include "core/ShowStore.h"
#include "show/playlist/PlaylistFiles.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::playlist;
using namespace Qt::StringLiterals;

namespace {

// Names the first field that differs, so a failure says which line went astray.
QString firstDifference(const Preset& a, const Preset& b) {
    if (a.name != b.name)
        return u"name '%1' vs '%2'"_s.arg(a.name, b.name);
    if (a.textReaderPosition != b.textReaderPosition ||
        a.remoteTextPosition != b.remoteTextPosition)
        return u"text positions"_s;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        for (const QString& field : test::format17LineNames()) {
            const QString x = test::fieldText(a.channels[static_cast<std::size_t>(ch)], field);
            const QString y = test::fieldText(b.channels[static_cast<std::size_t>(ch)], field);
            if (x != y)
                return u"channel %1 %2: '%3' vs '%4'"_s.arg(ch + 1).arg(field, x, y);
        }
    }
    return a == b ? QString() : u"a difference outside the 76 lines"_s;
}

struct Show {
    ShowStore store;
    PlaylistFiles files{store, nullptr, nullptr};
};

} // namespace

TEST(PlaylistRoundTrip, SaveAndLoadGiveBackAllValuesOfAHundredRandomPresets) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    std::mt19937 rng(20261205);
    Show saved;
    for (int i = 0; i < kPresetCapacity; ++i)
        ASSERT_TRUE(saved.store.presets().append(test::randomPreset(rng, i)));
    const QString dir = test::freshFolder(u"roundtrip"_s);
    for (int ch = 0; ch < kChannelCount; ch += 3) {
        QList<SoundEntry> list;
        for (int k = 0; k < 4; ++k)
            list.append(makeSoundEntry(dir + u"/ch%1/sound %2.wav"_s.arg(ch).arg(k)));
        saved.store.setSoundList(ch, list);
    }
    const QString path = dir + u"/show.kal"_s;
    ASSERT_EQ(saved.files.SavePlaylist(path, true), SaveOutcome::Saved);

    // The preset section holds exactly 2435 lines per preset.
    const QList<QByteArray> lines = test::readFile(path).split('\n');
    ASSERT_GT(lines.size(), 1 + 100 * 2435);
    EXPECT_EQ(lines[1 + 100 * 2435], QByteArray("~\r"));
    EXPECT_EQ(lines[1 + 99 * 2435], saved.store.presets().slot(99).name.toUtf8() + "\r");

    Show loaded;
    const LoadReport report = loaded.files.LoadPlaylist(path);
    EXPECT_EQ(report.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(report.format, 17);
    ASSERT_EQ(loaded.store.presets().count(), kPresetCapacity);
    EXPECT_EQ(loaded.store.presets().names(), saved.store.presets().names());
    for (int i = 0; i < kPresetCapacity; ++i) {
        const QString diff =
            firstDifference(saved.store.presets().slot(i), loaded.store.presets().slot(i));
        ASSERT_TRUE(diff.isEmpty()) << "preset " << i + 1 << ": " << qPrintable(diff);
    }
    EXPECT_EQ(loaded.files.currentDocument().soundPaths, saved.files.currentDocument().soundPaths);
    EXPECT_EQ(loaded.store.playlistPath(), path);
}

TEST(PlaylistRoundTrip, LayoutGpioAndLinkComeBackAndThePresetNamedEmptyIsDropped) {
    std::mt19937 rng(7);
    PlaylistDocument doc;
    for (int i = 0; i < 3; ++i)
        doc.presets.push_back(test::randomPreset(rng, i));
    doc.presets[1].name = u"  empty "_s;
    doc.presets[2].name = u"~"_s;
    // The layout block's own round trip is the overview layout file's (the same writer).
    OverviewLayout layout = defaultOverviewLayout();
    std::shuffle(layout.columnPositions.begin(), layout.columnPositions.end(), rng);
    layout.fontSize = 11.5f;
    doc.overviewLayout = layout;
    GpioBlock gpio = defaultGpioBlock();
    gpio.directions[1] = GpioDirection::Out;
    gpio.lines[23] = {u"PLAY/STOP Channel 3"_s, 3, 0, 250, 500};
    gpio.playlistConfiguration = true;
    doc.gpio = gpio;
    doc.textReaderLink = {u"/shows/scripts/"_s, u"Hamlet Akt 1.rtf"_s};
    doc.soundPaths[31] = QStringList{u"/s/a.wav"_s, u"/s/b.mp3"_s};
    const PlaylistReadResult back = readPlaylist(writePlaylist(doc), {.readGpioBlock = true});
    ASSERT_EQ(back.status, ReadStatus::Complete);
    ASSERT_EQ(back.document.presets.size(), 2u) << "the slot named \"empty\" is not written";
    EXPECT_TRUE(firstDifference(back.document.presets[0], doc.presets[0]).isEmpty());
    EXPECT_EQ(back.document.presets[1].name, u"~"_s) << "a preset named \"~\" stays a preset";
    EXPECT_EQ(back.document.overviewLayout, layout);
    EXPECT_EQ(back.document.gpio, gpio);
    EXPECT_EQ(back.document.textReaderLink, doc.textReaderLink);
    EXPECT_EQ(back.document.soundPaths[31], doc.soundPaths[31]);
    EXPECT_FALSE(back.layoutLengthUnexpected);
}

TEST(PlaylistRoundTrip, FilesAreWrittenAsUtf8WithCrLfAndOldEncodingsAndLineEndsStillRead) {
    Preset p;
    p.setName(u"Café – Szene 1"_s);
    p.channels[0].channelInfo = u"Gewitter\nim Park"_s; // a line break must not split the field
    PlaylistDocument doc;
    doc.presets.push_back(p);
    const QByteArray bytes = writePlaylist(doc);
    EXPECT_TRUE(bytes.startsWith("Fileformat 17\r\n"));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n")) << "no bare LF";
    EXPECT_TRUE(bytes.contains("Caf\xC3\xA9 \xE2\x80\x93 Szene 1\r\n"));
    const auto again = readPlaylist(bytes);
    ASSERT_EQ(again.status, ReadStatus::Complete);
    EXPECT_EQ(again.document.presets.at(0).channels[0].channelInfo, u"Gewitter im Park"_s);

    // The same file with LF only, and with the name in Windows-1252.
    QByteArray lfOnly = bytes;
    lfOnly.replace("\r\n", "\n");
    lfOnly.replace("Caf\xC3\xA9 \xE2\x80\x93", "Caf\xE9 \x96");
    // A byte-order mark inside the file is text: a sound called "\uFEFF~" is no section end.
    doc.soundPaths[2] = QStringList{QString(QChar(0xFEFF)) + QLatin1Char('~'), u"/s/after.wav"_s};
    const auto marked = readPlaylist(writePlaylist(doc));
    ASSERT_EQ(marked.status, ReadStatus::Complete);
    EXPECT_EQ(marked.document.soundPaths[2], doc.soundPaths[2]);

    const auto old = readPlaylist(lfOnly);
    ASSERT_EQ(old.status, ReadStatus::Complete);
    EXPECT_EQ(old.document.presets.at(0).name, u"Café – Szene 1"_s);
}
