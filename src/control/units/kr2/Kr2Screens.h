// The KR-2's screens as command lists, built from plain descriptions of what to show, so
// the screens can be checked byte by byte and through the peer without a show. Rows and
// columns as the unit counts them (1-based). Pure.
#pragma once

#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <array>

namespace kalvor::units {

// One row of the channel page.
struct Kr2ChannelLine {
    int channel = 1; // 1..32
    bool playing = false;
    bool cursor = false;  // the row the sound list and +/- act on
    bool missing = false; // the selected sound could not be loaded
    // Restart, Loop, Pause, Play while hold, Jump to next, Roll back, Autostart.
    std::array<bool, 7> modes{};
    int playGroup = 0; // 0 none, 1..8
    int stopGroup = 0;
    bool operator==(const Kr2ChannelLine&) const = default;
};

// A list in a window of `rows` lines that keeps the cursor visible.
struct Kr2List {
    QStringList lines;
    int cursor = 0; // index into lines, -1 for none
    int first = 0;  // first line shown
};

enum class Kr2Warning { NewFormat, Unloadable };

QByteArrayList kr2StartScreen();
QByteArrayList kr2ChannelPage(const std::array<Kr2ChannelLine, 8>& lines);
// One row (1..8) of the channel page, drawn over what is there.
QByteArrayList kr2ChannelRow(int row, const Kr2ChannelLine& line);
// `working` is the line shown while an entry runs ("Saving Playlist..."), or empty.
QByteArrayList kr2FunctionMenu(int cursor, const QString& working);
QByteArrayList kr2PresetList(const Kr2List& presets, const QString& current);
QByteArrayList kr2SoundList(int channel, const Kr2List& sounds, bool quickSelect);
// `filesFocus`: the cursor is in the file frame; `notice` replaces the bottom line.
QByteArrayList kr2FileBrowser(const Kr2List& folders, const Kr2List& files, bool filesFocus,
                              const QString& notice);
QByteArrayList kr2PlaylistWarning(Kr2Warning warning, bool german);
// The screen left when the program closes, so nobody takes the unit for live.
QByteArrayList kr2ClosedScreen();

// Where the first shown line must be for the cursor to be visible in `rows` lines.
int kr2ScrollFirst(int cursor, int first, int rows, int count);

// The texts the screens and the remote share.
inline constexpr const char* kKr2FunctionEntries[] = {
    "Keep Preset and Save Playlist", "Keep Preset", "Save Playlist", "Load Playlist"};
inline constexpr const char* kKr2FunctionWorking[] = {
    "Keeping Preset and Saving Playlist...", "Keeping Preset...", "Saving Playlist...", ""};
inline constexpr const char* kKr2FiletypeNotice = "           Filetype not .kal !";
inline constexpr int kKr2PresetRows = 6;
inline constexpr int kKr2SoundRows = 7;
inline constexpr int kKr2BrowserRows = 6;

} // namespace kalvor::units
