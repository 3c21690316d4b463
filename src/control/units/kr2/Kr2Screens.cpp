#include "control/units/kr2/Kr2Screens.h"

#include "control/units/kr2/Kr2Commands.h"

#include <algorithm>

namespace kalvor::units {

namespace {

using namespace cp437;

QByteArray repeat(char byte, int n) {
    return QByteArray(std::max(0, n), byte);
}

// A text cut or padded to `width`, so a redraw leaves nothing of a longer old text.
QString fit(const QString& text, int width) {
    return text.left(width).leftJustified(width, QLatin1Char(' '));
}

QString groupField(char prefix, int group) {
    return group > 0 ? QString(QLatin1Char(prefix)) + QString::number(group)
                     : QStringLiteral("---");
}

// A single frame from column `left` to `right`, rows `top` to `bottom`: the top edge, the
// sides, the bottom edge.
void frame(QByteArrayList& out, int left, int right, int top, int bottom) {
    const int inner = right - left - 1;
    out << kr2WriteBytes(left, top, kTL + repeat(kH, inner) + kTR);
    for (int r = top + 1; r < bottom; ++r) {
        out << kr2WriteBytes(left, r, QByteArray(1, kV));
        out << kr2WriteBytes(right, r, QByteArray(1, kV));
    }
    out << kr2WriteBytes(left, bottom, kBL + repeat(kH, inner) + kBR);
}

// Lines of a list in a window; the cursor line inverse.
void listLines(QByteArrayList& out, const Kr2List& list, int column, int topRow, int rows,
               int width, bool showCursor) {
    for (int i = 0; i < rows; ++i) {
        const int index = list.first + i;
        const QString text = index < list.lines.size() ? list.lines.at(index) : QString();
        const bool selected = showCursor && index == list.cursor && index < list.lines.size();
        if (selected)
            out << kr2Inverse();
        out << kr2Write(column, topRow + i, fit(text, width));
        if (selected)
            out << kr2Normal();
    }
}

struct ModeColumn {
    const char* name;
    int column;
};
constexpr ModeColumn kModeColumns[7] = {{"RSTRT", 4}, {"LP", 10},  {"PSE", 13}, {"PWH", 17},
                                        {"JTN", 21},  {"RLB", 25}, {"AUTO", 29}};

} // namespace

int kr2ScrollFirst(int cursor, int first, int rows, int count) {
    if (cursor < 0 || count <= rows)
        return 0;
    if (cursor < first)
        return cursor;
    if (cursor >= first + rows)
        return cursor - rows + 1;
    return std::clamp(first, 0, count - rows);
}

QByteArrayList kr2StartScreen() {
    QByteArrayList out = kr2Setup();
    out << kr2WriteBytes(1, 1, kDTL + repeat(kDH, 38) + kDTR);
    for (int r = 2; r <= 7; ++r) {
        out << kr2WriteBytes(1, r, QByteArray(1, kDV));
        out << kr2WriteBytes(40, r, QByteArray(1, kDV));
    }
    out << kr2Write(2, 4, QStringLiteral("          KALVOR REMOTE KR-2          "));
    out << kr2WriteBytes(1, 8, kDBL + repeat(kDH, 38) + kDBR);
    return out;
}

QByteArrayList kr2ChannelRow(int row, const Kr2ChannelLine& line) {
    QByteArrayList out;
    // The channel number stands out while the channel plays; the cursor row blinks.
    if (line.playing)
        out << kr2Inverse();
    if (line.cursor)
        out << kr2Blink();
    out << kr2Write(1, row, fit(QString::number(line.channel) + QLatin1Char(':'), 3));
    if (line.playing || line.cursor)
        out << kr2Normal();
    // The rest of the row in one text, the gaps between the fields included: a row is
    // drawn over the old one, and a load error there would otherwise show through.
    constexpr int kFirst = 4;
    QString fields = fit(line.missing ? QStringLiteral("*FILE LOAD ERROR*  --:--") : QString(),
                         kKr2Columns - kFirst + 1);
    const auto put = [&fields](int column, const QString& text) {
        fields.replace(column - kFirst, text.size(), text);
    };
    if (!line.missing) {
        for (std::size_t m = 0; m < 7; ++m) {
            const QString name = QString::fromLatin1(kModeColumns[m].name);
            put(kModeColumns[m].column,
                fit(line.modes[m] ? name : QStringLiteral("-"), name.size()));
        }
        put(34, fit(groupField('P', line.playGroup), 3));
        put(38, fit(groupField('S', line.stopGroup), 3));
    }
    out << kr2Write(kFirst, row, fields);
    return out;
}

QByteArrayList kr2ChannelPage(const std::array<Kr2ChannelLine, 8>& lines) {
    QByteArrayList out{kr2ClearCommand()};
    for (int r = 0; r < 8; ++r)
        out << kr2ChannelRow(r + 1, lines[static_cast<std::size_t>(r)]);
    return out;
}

QByteArrayList kr2FunctionMenu(int cursor, const QString& working) {
    QByteArrayList out{kr2ClearCommand()};
    frame(out, 1, 40, 1, 7);
    out << kr2Write(13, 1, QStringLiteral("Function Menu 1"));
    for (int i = 0; i < 4; ++i) {
        const bool selected = i == cursor;
        if (selected)
            out << kr2Inverse();
        out << kr2Write(3, 2 + i, fit(QString::fromLatin1(kKr2FunctionEntries[i]), 36));
        if (selected)
            out << kr2Normal();
    }
    if (!working.isEmpty())
        out << kr2Write(3, 6, fit(working, 37));
    out << kr2Write(1, 8, QStringLiteral("(Select=up/down|Enter=execute|Menu=exit)"));
    return out;
}

QByteArrayList kr2PresetList(const Kr2List& presets, const QString& current) {
    QByteArrayList out{kr2ClearCommand()};
    // The title is wider than the 27..40 frame would hold; the frame starts one column
    // earlier so the whole title fits.
    out << kr2WriteBytes(26, 1, kTL + QByteArray(" Preset List ") + kTR);
    for (int r = 2; r <= 7; ++r) {
        out << kr2WriteBytes(26, r, QByteArray(1, kV));
        out << kr2WriteBytes(40, r, QByteArray(1, kV));
    }
    out << kr2WriteBytes(26, 8, kBL + repeat(kH, 13) + kBR);
    listLines(out, presets, 27, 2, kKr2PresetRows, 13, true);
    out << kr2Write(1, 1, QStringLiteral("Current preset:"));
    out << kr2Write(1, 2, fit(current, 24));
    out << kr2Write(1, 5, QStringLiteral("Up/Down = select"));
    out << kr2Write(1, 6, QStringLiteral("Enter   = recall"));
    out << kr2Write(1, 7, QStringLiteral("Menu    = exit"));
    return out;
}

QByteArrayList kr2SoundList(int channel, const Kr2List& sounds, bool quickSelect) {
    QByteArrayList out{kr2ClearCommand()};
    out << kr2WriteBytes(
        1, 1, " " + QByteArray(1, kTL) + repeat(kH, 5) + " Sound List " + repeat(kH, 6) + kTR);
    for (int i = 0; i < kKr2SoundRows; ++i) {
        const int index = sounds.first + i;
        if (index >= sounds.lines.size())
            break;
        out << kr2Write(2, 2 + i, QString::number(index + 1));
    }
    listLines(out, sounds, 5, 2, kKr2SoundRows, 22, true);
    if (sounds.lines.isEmpty())
        out << kr2Write(5, 2, QStringLiteral("(no sounds)"));
    out << kr2Write(29, 2, QStringLiteral("Channel ") + QString::number(channel));
    out << kr2Write(29, 3,
                    QStringLiteral("Sound ") + QString::number(sounds.cursor + 1) +
                        QLatin1Char('/') + QString::number(sounds.lines.size()));
    out << kr2Write(29, 5,
                    quickSelect ? QStringLiteral("Quick select") : QStringLiteral("Enter=load"));
    out << kr2Write(29, 7, QStringLiteral("Menu=exit"));
    return out;
}

QByteArrayList kr2FileBrowser(const Kr2List& folders, const Kr2List& files, bool filesFocus,
                              const QString& notice) {
    QByteArrayList out{kr2ClearCommand()};
    // The files title as given would end one column past the display; its line is one
    // shorter so the corner stays on the display.
    out << kr2WriteBytes(1, 1,
                         kTL + QByteArray(" Drive/Folder ") + kTR + kTL + QByteArray(" Files ") +
                             repeat(kH, 15) + kTR);
    for (int r = 2; r <= 7; ++r) {
        for (const int c : {1, 16, 17, 40})
            out << kr2WriteBytes(c, r, QByteArray(1, kV));
    }
    out << kr2WriteBytes(1, 8, kBL + repeat(kH, 14) + kBR + kBL + repeat(kH, 22) + kBR);
    listLines(out, folders, 2, 2, kKr2BrowserRows, 14, !filesFocus);
    if (files.lines.isEmpty()) {
        out << kr2Write(18, 3, QStringLiteral("     No playlist      "));
        out << kr2Write(18, 4, QStringLiteral("     files found!     "));
    } else {
        listLines(out, files, 18, 2, kKr2BrowserRows, 22, filesFocus);
    }
    if (!notice.isEmpty())
        out << kr2Write(1, 8, fit(notice, 40));
    return out;
}

QByteArrayList kr2PlaylistWarning(Kr2Warning warning, bool german) {
    QStringList lines;
    if (!german) {
        lines = {QStringLiteral("Warning!"), QStringLiteral("This KALVOR version uses a new file"),
                 QStringLiteral("format for the playlist!")};
        if (warning == Kr2Warning::NewFormat)
            lines << QStringLiteral("Some of the parameters could not be")
                  << QStringLiteral("set correctly.")
                  << QStringLiteral("Please check and save this playlist")
                  << QStringLiteral("again after loading.");
        else
            lines << QStringLiteral("Previous playlist files can not be")
                  << QStringLiteral("loaded with this version!") << QString() << QString();
        lines << QStringLiteral("      (Hit 'Enter' to continue)");
    } else {
        lines = {QStringLiteral("Achtung!"),
                 QStringLiteral("Diese KALVOR Version benutzt ein neues"),
                 QStringLiteral("Playlist Dateiformat!")};
        if (warning == Kr2Warning::NewFormat)
            lines << QStringLiteral("Einige Playlist Parameter konnten nicht")
                  << QStringLiteral("geladen werden.") << QString() << QString();
        else
            lines << QStringLiteral("Alte Playlists können nicht mehr")
                  << QStringLiteral("geladen werden!") << QString() << QString();
        lines << QStringLiteral("      (Weiter mit 'Enter' Taste)");
    }
    QByteArrayList out{kr2ClearCommand()};
    for (int i = 0; i < lines.size(); ++i) {
        if (!lines.at(i).isEmpty())
            out << kr2Write(1, i + 1, lines.at(i));
    }
    return out;
}

QByteArrayList kr2ClosedScreen() {
    QByteArrayList out{kr2ClearCommand()};
    out << kr2WriteBytes(1, 3, kDTL + repeat(kDH, 38) + kDTR);
    out << kr2Write(1, 4, QStringLiteral("             Kalvor closed"));
    out << kr2Write(1, 5, QStringLiteral("       The remote is not live."));
    out << kr2WriteBytes(1, 6, kDBL + repeat(kDH, 38) + kDBR);
    return out;
}

} // namespace kalvor::units
