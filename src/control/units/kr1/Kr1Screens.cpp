#include "control/units/kr1/Kr1Screens.h"

#include "control/units/kr1/Kr1Protocol.h"

#include <algorithm>
#include <cmath>

namespace kalvor::kr1 {
namespace {

constexpr int kTop = 320;
constexpr int kListTop = 247;
constexpr int kListStep = 12;
constexpr int kListLines = 12;

QString cut(const QString& s, int chars) {
    return s.size() <= chars ? s : s.left(chars - 1) + QLatin1Char('~');
}

// The header bar of a full screen: dark, the title light on it.
void header(Painter& p, const QString& title) {
    p.fill(290, 0, 319, 239);
    p.font(14);
    p.text(298, 8, title);
}

// A box's title on its top edge: the line is cleared behind it.
void boxTitle(Painter& p, int x, int y, const QString& title) {
    p.clearArea(x - 1, y, x + 8, y + 5 * static_cast<int>(title.size()));
    p.text(x, y, title);
}

// The first line of the page that holds `cursor`, for lists of `perPage` lines.
int firstShown(int cursor, int perPage) {
    return cursor < 0 ? 0 : cursor / perPage * perPage;
}

} // namespace

void Painter::cmd(const QString& command, int pauseMs) {
    commands_.push_back({kr1::frame(command), pauseMs});
}

void Painter::contrast(int value) {
    commands_.push_back({frameContrast(value), 0});
}

void Painter::text(int x, int y, const QString& text) {
    cmd(QStringLiteral("Z%1,%2,%3").arg(x).arg(y).arg(text));
}

void Painter::line(int x1, int y1, int x2, int y2) {
    cmd(QStringLiteral("G%1,%2,%3,%4").arg(x1).arg(y1).arg(x2).arg(y2));
}

void Painter::fill(int x1, int y1, int x2, int y2) {
    cmd(QStringLiteral("B%1,%2,%3,%4").arg(x1).arg(y1).arg(x2).arg(y2));
}

void Painter::clearArea(int x1, int y1, int x2, int y2) {
    cmd(QStringLiteral("L%1,%2,%3,%4").arg(x1).arg(y1).arg(x2).arg(y2));
}

void Painter::frame(int x1, int y1, int x2, int y2, int style) {
    cmd(QStringLiteral("N%1,%2,%3,%4,%5").arg(x1).arg(y1).arg(x2).arg(y2).arg(style));
}

void Painter::invert(int x1, int y1, int x2, int y2) {
    cmd(QStringLiteral("V3"));
    cmd(QStringLiteral("K%1,%2,%3,%4").arg(x1).arg(y1).arg(x2).arg(y2));
    cmd(QStringLiteral("V1"));
}

Layout layout(int number) {
    switch (number) {
    case 2:
        return {2, 8, 35, true};
    case 3:
        return {3, 16, 20, false};
    case 4:
        return {4, 16, 20, false};
    default:
        return {1, 8, 40, false};
    }
}

QString modeLine(bool restart, bool loop, bool pause, bool hold, bool jump, bool rollback,
                 bool autostart) {
    const auto part = [](bool on, const char* word) {
        const QString w = QString::fromLatin1(word);
        return on ? w : QString(w.size(), QLatin1Char(' '));
    };
    return part(restart, "RESTART ") + part(loop, "LOOP ") + part(pause, "PAUSE ") +
           part(hold, "PWH ") + part(jump, "JTN ") + part(rollback, "RLB/F ") +
           part(autostart, "AUTO");
}

QString groupLine(int playGroup, int stopGroup) {
    const auto n = [](int g) {
        return g > 0 ? QString::number(g) : QStringLiteral("-");
    };
    return n(playGroup) + QStringLiteral("P:") + n(stopGroup) + QStringLiteral("S");
}

void startScreen(Painter& p, const QString& initializing, int contrast) {
    p.cmd(QStringLiteral("G"));
    p.cmd(QStringLiteral("M4"));
    p.cmd(QStringLiteral("DL"));
    p.cmd(QStringLiteral("F65535"));
    p.frame(310, 10, 10, 230, 3);
    p.font(4);
    p.text(210, 30, QStringLiteral("K A L V O R"));
    p.cmd(QStringLiteral("Y14"));
    p.font(1);
    p.text(160, 30, initializing);
    p.cmd(QStringLiteral("Y11"));
    p.font(2);
    p.cmd(QStringLiteral("Y12"));
    // Fourteen marks from 244 down to 9, a progress bar while the channel page follows.
    p.cmd(QStringLiteral("V3"));
    for (int k = 0; k < 14; ++k) {
        const int x1 = 244 - static_cast<int>(std::lround(k * 235.0 / 13.0));
        p.cmd(QStringLiteral("K%1,30,%2,217").arg(x1).arg(x1 + 12), 20);
    }
    p.cmd(QStringLiteral("V1"));
    if (contrast >= 0)
        p.contrast(contrast);
}

void channelPage(Painter& p, const Layout& l, const std::vector<ChannelView>& shown,
                 const QString& preset) {
    p.cmd(QStringLiteral("DL"));
    p.cmd(QStringLiteral("F65535"));
    for (int i = 0; i < static_cast<int>(shown.size()) && i < l.channels; ++i)
        channelBand(p, l, i, shown[static_cast<size_t>(i)]);
    if (l.presetLine)
        presetLine(p, l, preset);
}

void channelBand(Painter& p, const Layout& l, int i, const ChannelView& v) {
    const int base = kTop - l.band * (i + 1);
    const int top = base + l.band - 1;
    p.clearArea(base, 0, top, 239);
    p.line(base, 0, base, 239);
    p.line(base, 18, top, 18);
    p.font(12);
    const int numberX = l.band >= 35 ? base + l.band / 2 - 4 : base + 6;
    p.text(numberX, 3, QString::number(v.number));
    p.font(11);
    const QString name = v.loadError ? QStringLiteral("*FILE LOAD ERROR*") : v.sound;
    const QString groups = v.groups;
    switch (l.number) {
    case 1:
    case 2: {
        const int step = l.band == 40 ? 12 : 11;
        const int first = base + (l.band == 40 ? 28 : 24);
        p.text(first, 22, cut(name, 50));
        p.text(first - step, 22, v.state);
        p.text(first - step, 70, v.time);
        p.text(first - step, 190, groups);
        p.text(first - 2 * step, 22, v.modes);
        break;
    }
    case 3:
        p.text(base + 11, 21, cut(name, 50));
        p.text(base + 2, 21, v.state);
        p.text(base + 2, 70, v.time);
        p.text(base + 2, 190, groups);
        break;
    default:
        p.text(base + 11, 21, v.state);
        p.text(base + 11, 70, v.time);
        p.text(base + 11, 190, groups);
        p.text(base + 2, 21, v.modes);
        break;
    }
    if (v.lit)
        p.invert(base + 1, 19, top, 239);
}

void channelTime(Painter& p, const Layout& l, int i, const ChannelView& v) {
    const int base = kTop - l.band * (i + 1);
    p.font(11);
    if (l.number <= 2)
        p.text(base + (l.band == 40 ? 16 : 13), 70, v.time);
    else if (l.number == 3)
        p.text(base + 2, 70, v.time);
    else
        p.text(base + 11, 70, v.time);
}

void presetLine(Painter& p, const Layout& l, const QString& text) {
    const int top = kTop - l.band * l.channels - 1;
    if (top < 10)
        return;
    p.clearArea(0, 0, top, 239);
    p.font(12);
    p.text(top / 2 - 4, 4, cut(text, 40));
}

void mainMenu(Painter& p, const QStringList& entries, int cursor) {
    p.cmd(QStringLiteral("DL"));
    p.cmd(QStringLiteral("F65535"));
    header(p, QStringLiteral("Main Menu"));
    p.font(12);
    for (int k = 0; k < entries.size(); ++k) {
        const int x = 285 - 30 * k;
        p.frame(x, 10, x - 22, 230, 2);
        p.text(x - 16, 20, entries.at(k));
        if (k == cursor)
            p.invert(x - 21, 11, x - 1, 229);
    }
}

void listScreen(Painter& p, const QString& title, const QStringList& lines, int cursor) {
    p.cmd(QStringLiteral("DL"));
    p.cmd(QStringLiteral("F65535"));
    header(p, title);
    p.font(11);
    const int first = firstShown(cursor, kListLines);
    for (int j = 0; j < kListLines && first + j < lines.size(); ++j) {
        const int x = kListTop - kListStep * j;
        if (first + j == cursor)
            p.text(x, 4, QStringLiteral(">"));
        p.text(x, 14, cut(lines.at(first + j), 50));
    }
    if (lines.size() > kListLines) {
        const int pages = (static_cast<int>(lines.size()) + kListLines - 1) / kListLines;
        p.text(100, 200, QStringLiteral("%1/%2").arg(first / kListLines + 1).arg(pages));
    }
    p.text(12, 4, QStringLiteral("UP/DOWN: select  ENTER: ok  MENU: menu"));
}

void playlists(Painter& p, const QStringList& files, const QStringList& presets, int cursor,
               const QString& folder) {
    p.cmd(QStringLiteral("DL"));
    p.cmd(QStringLiteral("F65535"));
    header(p, QStringLiteral("Load Playlist"));
    p.frame(280, 2, 20, 118, 2);
    p.frame(280, 122, 20, 237, 2);
    p.font(11);
    boxTitle(p, 277, 6, QStringLiteral(" Playlists "));
    boxTitle(p, 277, 126, QStringLiteral(" Preset Memory "));
    if (files.isEmpty()) {
        p.text(262, 5, QStringLiteral("[No playlist files found!]"));
    } else {
        const int first = firstShown(cursor, 19);
        for (int j = 0; j < 19 && first + j < files.size(); ++j) {
            const int x = 262 - kListStep * j;
            if (first + j == cursor)
                p.text(x, 4, QStringLiteral(">"));
            p.text(x, 10, cut(files.at(first + j), 25));
        }
    }
    for (int j = 0; j < 19 && j < presets.size(); ++j)
        p.text(262 - kListStep * j, 126, cut(presets.at(j), 26));
    p.text(8, 4, cut(folder, 54));
}

void fileBrowser(Painter& p, const QStringList& drives, const QStringList& folders,
                 const QStringList& files, int field, const int cursors[3], const QString& folder) {
    p.cmd(QStringLiteral("DL"));
    p.cmd(QStringLiteral("F65535"));
    struct Box {
        const char* title;
        const QStringList* lines;
        int top;
        int bottom;
    };
    const Box boxes[3] = {{" Drives ", &drives, 316, 262},
                          {" Folders ", &folders, 258, 136},
                          {" Files ", &files, 132, 12}};
    p.font(11);
    for (int b = 0; b < 3; ++b) {
        const Box& box = boxes[b];
        p.frame(box.top, 2, box.bottom, 237, b == field ? 3 : 2);
        boxTitle(p, box.top - 3, 8, QString::fromLatin1(box.title));
        const int perBox = (box.top - box.bottom - 12) / kListStep;
        const int first = firstShown(cursors[b], perBox);
        for (int j = 0; j < perBox && first + j < box.lines->size(); ++j) {
            const int x = box.top - 16 - kListStep * j;
            if (first + j == cursors[b]) {
                p.text(x, 5, QStringLiteral(">"));
                if (b == field)
                    p.invert(x - 1, 4, x + 9, 235);
            }
            p.text(x, 12, cut(box.lines->at(first + j), 52));
        }
    }
    p.text(1, 4, cut(folder, 54));
}

void channelOptions(Painter& p, int number, const QStringList& sounds, int selectedSound,
                    const std::vector<OptionRow>& rows, const QString& output, int cursor) {
    p.cmd(QStringLiteral("DL"));
    p.cmd(QStringLiteral("F65535"));
    header(p, QStringLiteral("Channel %1").arg(number));
    p.frame(285, 2, 215, 237, 2);
    p.frame(210, 2, 10, 237, 2);
    p.font(11);
    boxTitle(p, 282, 8, QStringLiteral(" Sound List "));
    boxTitle(p, 207, 8, QStringLiteral(" Options "));
    const int first = firstShown(selectedSound, 5);
    for (int j = 0; j < 5 && first + j < sounds.size(); ++j) {
        const int x = 268 - kListStep * j;
        if (first + j == selectedSound) {
            p.text(x, 5, QStringLiteral(">"));
            if (cursor == 0)
                p.invert(x - 1, 4, x + 9, 235);
        }
        p.text(x, 12, cut(sounds.at(first + j), 52));
    }
    if (sounds.isEmpty())
        p.text(268, 12, QStringLiteral("---"));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const int x = 192 - kListStep * r;
        p.text(x, 6, rows[static_cast<size_t>(r)].label);
        p.text(x, 150, rows[static_cast<size_t>(r)].value);
        if (cursor == r + 1)
            p.invert(x - 1, 4, x + 9, 235);
    }
    p.text(192 - kListStep * static_cast<int>(rows.size()), 6,
           QStringLiteral("Output: ") + cut(output, 40));
}

void textReader(Painter& p, const QStringList& text) {
    p.cmd(QStringLiteral("DL"));
    p.cmd(QStringLiteral("F65535"));
    header(p, QStringLiteral("Text Reader"));
    p.font(12);
    for (int j = 0; j < text.size() && j < 20; ++j)
        p.text(260 - 14 * j, 10, cut(text.at(j), 44));
}

void lines(Painter& p, const QStringList& text, bool withFrame) {
    p.cmd(QStringLiteral("DL"));
    p.cmd(QStringLiteral("F65535"));
    if (withFrame)
        p.frame(310, 10, 10, 230, 3);
    p.font(12);
    for (int j = 0; j < text.size(); ++j)
        p.text(285 - 22 * j, 20, text.at(j));
}

void keyTest(Painter& p, const QString& label, int code) {
    p.cmd(QStringLiteral("DL"));
    p.cmd(QStringLiteral("F65535"));
    header(p, QStringLiteral("Key Test"));
    p.font(12);
    p.text(240, 20, QStringLiteral("Last key:"));
    p.font(14);
    p.text(205, 20, label);
    p.font(12);
    p.text(170, 20,
           code > 0 ? QStringLiteral("Code: %1").arg(code, 3) : QStringLiteral("        "));
    p.font(11);
    p.text(30, 20, QStringLiteral("(Hit 'Menu' twice to leave)"));
}

void notice(Painter& p, const QString& text) {
    p.cmd(QStringLiteral("DL"));
    p.cmd(QStringLiteral("F65535"));
    p.frame(200, 20, 120, 220, 3);
    p.font(14);
    p.text(153, 40, text);
}

void fileError(Painter& p) {
    p.cmd(QStringLiteral("J1"));
    p.cmd(QStringLiteral("R1"));
    notice(p, QStringLiteral("FILE ERROR!"));
    p.cmd(QStringLiteral("J0"), 1500);
}

} // namespace kalvor::kr1
