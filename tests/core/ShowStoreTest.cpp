// The show store: fixed widths, display names, the preset memory's limits and shifting,
// and the announcements windows rely on to mirror it.
#include "core/ShowStore.h"
#include "core/FixedText.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace kalvor;

TEST(FixedText, WidthsCountCharactersNotBytes) {
    struct Case {
        QString in;
        int width;
        QString fitted;
        QString padded;
    };
    const Case cases[] = {
        {QStringLiteral("Act 1"), 8, QStringLiteral("Act 1"), QStringLiteral("Act 1   ")},
        {QStringLiteral("Überblendung"), 5, QStringLiteral("Überb"), QStringLiteral("Überb")},
        {QStringLiteral("  padded  "), 40, QStringLiteral("padded"),
         QStringLiteral("  padded") + QString(32, QLatin1Char(' '))},
        {QStringLiteral("ab") + QString::fromUtf8("\xF0\x9F\x8E\xB5") + QStringLiteral("cd"), 3,
         QStringLiteral("ab") + QString::fromUtf8("\xF0\x9F\x8E\xB5"),
         QStringLiteral("ab") + QString::fromUtf8("\xF0\x9F\x8E\xB5")},
        {QStringLiteral("cut  "), 4, QStringLiteral("cut"), QStringLiteral("cut ")},
        {QString(), 3, QString(), QStringLiteral("   ")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fitToWidth(c.in, c.width), c.fitted) << qPrintable(c.in);
        EXPECT_EQ(padToWidth(c.in, c.width), c.padded) << qPrintable(c.in);
        EXPECT_EQ(characterCount(padToWidth(c.in, c.width)), c.width) << qPrintable(c.in);
    }
}

TEST(SoundEntry, DisplayNameDropsOnlyTheKnownLowerCaseExtensions) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\Sounds\\Act 1\\rain.mp3", "rain"},
        {"/shows/mixed\\folders/door.ogg", "door"},
        {"/shows/LOUD.WAV", "LOUD.WAV"},
        {"/shows/track.flac", "track.flac"},
        {"/shows/voice.wma", "voice"},
        {"/shows/scene.aiff", "scene.aiff"},
        {"/shows/old.mp1", "old"},
        {"noext", "noext"},
        {"/shows/trailing/", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(soundDisplayName(QString::fromUtf8(c.path)), QString::fromUtf8(c.name)) << c.path;
    EXPECT_EQ(makeSoundEntry(QStringLiteral("/a/b.wav")).listText(), QStringLiteral("/a/b.wav|b"));
}

TEST(ShowStore, TextsAreCutToTheirWidths) {
    ShowStore store;
    QSignalSpy spy(&store, &ShowStore::channelChanged);
    store.setChannelInfo(2, QString(60, QLatin1Char('i')), 255);
    EXPECT_EQ(store.controls(2).infoText.size(), 50);
    EXPECT_EQ(store.controls(2).infoColour, 255);
    EXPECT_EQ(spy.count(), 1);

    Preset p;
    p.setName(QString(45, QLatin1Char('n')));
    EXPECT_EQ(p.name.size(), 40);
    store.presets().append(p);
    store.presets().rename(0, QStringLiteral("  Opening  ") + QString(50, QLatin1Char('x')));
    EXPECT_EQ(store.presets().names().at(0), store.presets().slot(0).name);
    // Cut at 40 characters as written, then trimmed, as a fixed-width field reads back.
    EXPECT_EQ(store.presets().slot(0).name,
              QStringLiteral("Opening  ") + QString(29, QLatin1Char('x')));
}

TEST(PresetMemory, HundredPresetsFillItAndSlotsShiftWithTheList) {
    PresetMemory memory;
    for (int i = 0; i < kPresetCapacity; ++i) {
        Preset p;
        p.setName(QStringLiteral("Scene %1").arg(i));
        p.channels[0].volume = i;
        ASSERT_TRUE(memory.append(p)) << i;
    }
    EXPECT_TRUE(memory.isFull());
    EXPECT_FALSE(memory.append(Preset{}));
    EXPECT_FALSE(memory.insert(0, Preset{}));
    EXPECT_TRUE(memory.slot(100).isFree()) << "the 101st slot is never used by the list";

    memory.setCurrent(50);
    memory.remove(10);
    EXPECT_EQ(memory.count(), 99);
    EXPECT_EQ(memory.slot(10).channels[0].volume, 11);
    EXPECT_EQ(memory.names().at(10), QStringLiteral("Scene 11"));
    EXPECT_TRUE(memory.slot(99).isFree());
    EXPECT_EQ(memory.current(), 49) << "the current preset follows its slot";

    Preset inserted;
    inserted.setName(QStringLiteral("Interval"));
    ASSERT_TRUE(memory.insert(0, inserted));
    EXPECT_EQ(memory.names().at(0), QStringLiteral("Interval"));
    EXPECT_EQ(memory.slot(1).name, QStringLiteral("Scene 0"));
    EXPECT_EQ(memory.current(), 50);

    memory.clearAll();
    EXPECT_EQ(memory.count(), 0);
    EXPECT_EQ(memory.current(), -1);
    EXPECT_TRUE(memory.slot(0).isFree());
}

TEST(ShowStore, ResetClearsInfoTextsOffsetsAndCues) {
    ShowStore store;
    store.setChannelInfo(7, QStringLiteral("Thunder"), 0);
    store.assignments(7) = {60, 1, true, 61, 2, true, 1000, 2000, 3000, 4000};
    store.resetPlaybackChannels();
    EXPECT_TRUE(store.controls(7).infoText.isEmpty());
    const auto& a = store.assignments(7);
    EXPECT_EQ(a.startOffset, 0);
    EXPECT_EQ(a.soundLength, 0);
    EXPECT_EQ(a.mtcStart, 0);
    EXPECT_EQ(a.mtcStop, 0);
    EXPECT_EQ(a.midiInNote, 60) << "MIDI assignments belong to the show, not to the reset";
}
