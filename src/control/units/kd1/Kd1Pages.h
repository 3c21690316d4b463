// The KD-1's pages as command lists, built from plain descriptions of what to show, in
// the language given. Every option page, selection, dialog and the preview begins with
// the page-start command; notices and the main page with Clear. Pure.
#pragma once

#include "core/UiLanguage.h"

#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace kalvor::units {

struct Kd1ChannelOptions {
    int channel = 1; // 1..32
    // Restart, Loop, Pause, Play while hold, Jump to next, Roll B/F, Autostart.
    std::array<bool, 7> modes{};
    int playGroup = 0; // 0 none
    int stopGroup = 0;
    QString output;
    int volume = 100;
    int pan = 0;
};

struct Kd1PlayingLine {
    int channel = 1;
    QString name;
    QString time;     // position or time left, as the time format says
    int percent = -1; // -1: no progress bar
    bool paused = false;
};

struct Kd1MainPage {
    int presetNumber = 0; // 1-based, 0 for none
    int presetCount = 0;
    QString presetName;
    QString nextName;
    int style = 2; // 1: preset only; 2..6: preset and the channels that play
    std::vector<Kd1PlayingLine> playing;
};

struct Kd1SoundInfo {
    QString name;
    QString duration = QStringLiteral("--:--:--");
    QString sampleRate = QStringLiteral("?");
    QString bits = QStringLiteral("?");
    QString channels = QStringLiteral("?");
    QString volume = QStringLiteral("?");
};

enum class Kd1TextEntry { SavePlaylistAs, RenamePreset };
enum class Kd1Question { RemoveAll, RemovePreset, RemoveSound, Overwrite };

inline constexpr int kKd1ListRows = 9; // list lines under the title and the rule

QByteArrayList kd1StartScreen(Language lang);
QByteArrayList kd1MainPageCommands(const Kd1MainPage& page, Language lang);
QByteArrayList kd1OptionsPage(int page, const Kd1ChannelOptions& options, Language lang);
// `title`: the selection's title; lines numbered from `first`, the cursor line reversed.
QByteArrayList kd1ListPage(const QString& title, const QStringList& lines, int cursor, int first,
                           const QString& emptyText);
QByteArrayList kd1PreviewPage(const Kd1SoundInfo& info, Language lang);
QByteArrayList kd1TextEntryPage(Kd1TextEntry kind, const QString& text, int cursor, Language lang);
QByteArrayList kd1QuestionPage(Kd1Question question, Language lang);
QByteArrayList kd1NoticePage(const QString& text);

// "0dB", "-99dB", "-12dB"; "C", "L40", "R40".
QString kd1VolumeText(int volume);
QString kd1PanText(int pan);
// Seconds as "mm:ss" (format 1) or "hh:mm:ss" (any other format).
QString kd1Time(qint64 seconds, int format);
// A bar of ten cells for 0..100 percent.
QString kd1Bar(int percent);

// The characters text entry steps through.
QString kd1EntryCharacters();

} // namespace kalvor::units
