// The KR-1's screens as command lists, without I/O and without the show: the unit class
// gathers what a screen shows and these functions turn it into the unit's commands. The
// display is 320 x 240 dots on its side: x runs up the unit, y across it, and text lines
// are written at decreasing x. One command is one queue slot.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace kalvor::kr1 {

struct Command {
    QByteArray bytes;
    int pauseMs = 0;
};

// Collects framed commands.
class Painter {
public:
    void cmd(const QString& command, int pauseMs = 0);
    void contrast(int value);
    void font(int font) { cmd(QStringLiteral("F%1,3").arg(font)); }
    void text(int x, int y, const QString& text);
    void line(int x1, int y1, int x2, int y2);
    void fill(int x1, int y1, int x2, int y2);
    void clearArea(int x1, int y1, int x2, int y2);
    void frame(int x1, int y1, int x2, int y2, int style);
    // Light on dark over the area (the cursor bar, a playing channel).
    void invert(int x1, int y1, int x2, int y2);

    std::vector<Command>& commands() { return commands_; }

private:
    std::vector<Command> commands_;
};

// Channel page layouts: 1 eight channels of 40 dots; 2 eight of 35 dots and the preset
// line; 3 sixteen of 20 dots with the sound names; 4 sixteen of 20 dots with the modes.
struct Layout {
    int number = 1;
    int channels = 8;
    int band = 40;
    bool presetLine = false;
};
Layout layout(int number);

struct ChannelView {
    int number = 1; // 1..32
    QString sound;  // the selected sound's name, "---" when none
    bool loadError = false;
    QString state;    // "STOP", "PLAY", "PAUSE"
    QString time;     // "mm:ss", "--:--" after a load error
    QString modes;    // "RESTART LOOP PAUSE PWH JTN RLB/F AUTO", blanks for modes off
    QString groups;   // "1P:2S"
    bool lit = false; // the PLAY colour: drawn light on dark
    // Equal but for the time, which the clock redraws on its own.
    bool sameBand(const ChannelView& o) const {
        return number == o.number && sound == o.sound && loadError == o.loadError &&
               state == o.state && modes == o.modes && groups == o.groups && lit == o.lit;
    }
};

// The mode line: each mode's abbreviation when on, as many blanks when off.
QString modeLine(bool restart, bool loop, bool pause, bool hold, bool jump, bool rollback,
                 bool autostart);
// "1P:2S", "-" for no group.
QString groupLine(int playGroup, int stopGroup);

void startScreen(Painter& p, const QString& initializing, int contrast);
void channelPage(Painter& p, const Layout& l, const std::vector<ChannelView>& shown,
                 const QString& presetLine);
void channelBand(Painter& p, const Layout& l, int index, const ChannelView& v);
void channelTime(Painter& p, const Layout& l, int index, const ChannelView& v);
void presetLine(Painter& p, const Layout& l, const QString& text);

void mainMenu(Painter& p, const QStringList& entries, int cursor);
// A list with a header and a ">" cursor; twelve lines a page.
void listScreen(Painter& p, const QString& header, const QStringList& lines, int cursor);
void playlists(Painter& p, const QStringList& files, const QStringList& presets, int cursor,
               const QString& folder);
void fileBrowser(Painter& p, const QStringList& drives, const QStringList& folders,
                 const QStringList& files, int field, const int cursors[3], const QString& folder);
struct OptionRow {
    QString label;
    QString value;
};
void channelOptions(Painter& p, int number, const QStringList& sounds, int selectedSound,
                    const std::vector<OptionRow>& rows, const QString& output, int cursor);
void textReader(Painter& p, const QStringList& lines);
void lines(Painter& p, const QStringList& lines, bool frame);
void keyTest(Painter& p, const QString& label, int code);
void notice(Painter& p, const QString& text);
void fileError(Painter& p);

} // namespace kalvor::kr1
