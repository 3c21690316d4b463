#include "mainwindow/LogFiles.h"

#include "core/TextLines.h"
#include "core/UiLanguage.h"
#include "mainwindow/LogTexts.h"

#include <QFileInfo>

namespace kalvor {

/* The ".klg" form, one CR LF line each, UTF-8:

     file    = magic font header *row end
     magic   = "KalvorLog" TAB "1"
     font    = "Font" TAB name TAB size TAB flag TAB flag      ; bold, italic
     header  = "H" 7(TAB cell)                                 ; the header row
     row     = "R" 7(TAB cell)                                 ; number column first
     end     = "End" TAB count                                 ; rows written
     cell    = format ":" text
     format  = ["B"] ["I"] ["#" 6HEXDIG]                       ; bold, italic, colour
     text    = *( char / "\\" / "\t" / "\n" / "\r" )           ; backslash escapes
     flag    = "-1" / "0"

   The end line carries the row count, so a file cut short is refused instead of showing a
   shorter list that looks complete. Lines after the end line are ignored. */

namespace {

const QString kMagic = QStringLiteral("KalvorLog\t1");

QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        switch (ch.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += ch;
        }
    }
    return out;
}

std::optional<QString> unescaped(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('\\')) {
            out += text[i];
            continue;
        }
        if (++i >= text.size())
            return std::nullopt;
        switch (text[i].unicode()) {
        case '\\':
            out += QLatin1Char('\\');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

QString cellText(const LogCell& c) {
    QString f;
    if (c.format.bold)
        f += QLatin1Char('B');
    if (c.format.italic)
        f += QLatin1Char('I');
    if (c.format.colour.isValid())
        f += c.format.colour.name(QColor::HexRgb);
    return f + QLatin1Char(':') + escaped(c.text);
}

std::optional<LogCell> parseCell(QStringView s) {
    const qsizetype colon = s.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return std::nullopt;
    LogCell c;
    QStringView f = s.left(colon);
    if (f.startsWith(QLatin1Char('B'))) {
        c.format.bold = true;
        f = f.mid(1);
    }
    if (f.startsWith(QLatin1Char('I'))) {
        c.format.italic = true;
        f = f.mid(1);
    }
    if (!f.isEmpty()) {
        if (f.size() != 7 || !QColor::isValidColorName(f))
            return std::nullopt;
        c.format.colour = QColor::fromString(f);
    }
    auto text = unescaped(s.mid(colon + 1));
    if (!text)
        return std::nullopt;
    c.text = *text;
    return c;
}

QString rowLine(QChar kind, const LogRowCells& cells) {
    QString line = kind;
    for (const LogCell& c : cells)
        line += QLatin1Char('\t') + cellText(c);
    return line;
}

std::optional<LogRowCells> parseRow(const QStringList& fields) {
    if (fields.size() != kLogColumns + 1)
        return std::nullopt;
    LogRowCells cells;
    for (int c = 0; c < kLogColumns; ++c) {
        auto cell = parseCell(fields[c + 1]);
        if (!cell)
            return std::nullopt;
        cells[static_cast<std::size_t>(c)] = *cell;
    }
    return cells;
}

QString flag(bool on) {
    return on ? QStringLiteral("-1") : QStringLiteral("0");
}

std::optional<LogDocument> fail(LogReadError* error, const QString& why) {
    if (error)
        error->text = why;
    return std::nullopt;
}

QString lineError(int line, const char* en, const char* de) {
    return QStringLiteral("%1 %2").arg(txt(UiText{"Line", "Zeile"})).arg(line + 1) +
           QStringLiteral(": ") + txt(UiText{en, de});
}

} // namespace

QStringList klgLines(const LogDocument& doc) {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(doc.rows.size()) + 4);
    lines << kMagic;
    lines << QStringLiteral("Font\t%1\t%2\t%3\t%4")
                 .arg(escaped(doc.fontName), QString::number(doc.fontSize), flag(doc.fontBold),
                      flag(doc.fontItalic));
    lines << rowLine(QLatin1Char('H'), doc.header);
    for (const auto& row : doc.rows)
        lines << rowLine(QLatin1Char('R'), row);
    lines << QStringLiteral("End\t%1").arg(doc.rows.size());
    return lines;
}

std::optional<LogDocument> parseKlg(const QStringList& lines, LogReadError* error) {
    if (lines.isEmpty() || lines[0] != kMagic)
        return fail(error, txt(UiText{"This is not a log file of this program.",
                                      "Dies ist keine Log Datei dieses Programms."}));
    LogDocument doc;
    if (lines.size() < 3)
        return fail(error, txt(UiText{"The file ends too early.", "Die Datei endet zu früh."}));
    const QStringList font = lines[1].split(QLatin1Char('\t'));
    bool sizeOk = false;
    if (font.size() == 5 && font[0] == QLatin1String("Font")) {
        doc.fontSize =
            QString(font[2]).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&sizeOk);
        doc.fontBold = font[3] == QLatin1String("-1");
        doc.fontItalic = font[4] == QLatin1String("-1");
        if (auto name = unescaped(font[1]))
            doc.fontName = *name;
    }
    if (!sizeOk || doc.fontSize <= 0 || doc.fontSize > 200)
        return fail(error, lineError(1, "the font line is not readable.",
                                     "die Schriftzeile ist nicht lesbar."));
    const QStringList head = lines[2].split(QLatin1Char('\t'));
    auto header = head.value(0) == QLatin1String("H") ? parseRow(head) : std::nullopt;
    if (!header)
        return fail(error, lineError(2, "the header row is not readable.",
                                     "die Kopfzeile ist nicht lesbar."));
    doc.header = *header;
    for (int i = 3; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(QLatin1Char('\t'));
        if (fields.value(0) == QLatin1String("End")) {
            bool ok = false;
            const qsizetype count = fields.value(1).toLongLong(&ok);
            if (!ok || fields.size() != 2 || count != static_cast<qsizetype>(doc.rows.size()))
                return fail(error,
                            lineError(i, "the row count does not match: the file is incomplete.",
                                      "die Zeilenzahl stimmt nicht: die Datei ist unvollständig."));
            return doc;
        }
        auto row = fields.value(0) == QLatin1String("R") ? parseRow(fields) : std::nullopt;
        if (!row)
            return fail(error,
                        lineError(i, "the row is not readable.", "die Zeile ist nicht lesbar."));
        doc.rows.push_back(*row);
    }
    return fail(error, txt(UiText{"The file ends too early.", "Die Datei endet zu früh."}));
}

QStringList txtLines(const LogDocument& doc) {
    // A cell of a text line cannot hold a tab or a line break: they become blanks.
    const auto line = [](const LogRowCells& cells) {
        QStringList parts;
        for (const LogCell& c : cells) {
            QString t = c.text;
            for (QChar& ch : t) {
                if (ch == QLatin1Char('\t') || ch == QLatin1Char('\n') || ch == QLatin1Char('\r'))
                    ch = QLatin1Char(' ');
            }
            parts << t;
        }
        return parts.join(QLatin1Char('\t'));
    };
    QStringList lines;
    lines << line(doc.header);
    for (const auto& row : doc.rows)
        lines << line(row);
    return lines;
}

std::optional<LogDocument> parseTxt(const QStringList& lines, LogReadError* error) {
    QStringList body = lines;
    while (!body.isEmpty() && body.last().isEmpty())
        body.removeLast();
    if (body.isEmpty())
        return fail(error, txt(UiText{"The text file is empty.", "Die Textdatei ist leer."}));
    LogDocument doc;
    doc.hasFont = false;
    for (int i = 0; i < body.size(); ++i) {
        const QStringList cells = body[i].split(QLatin1Char('\t'));
        if (cells.size() != kLogColumns)
            return fail(error, txt(texts::LogColumnsWrong).arg(cells.size()).arg(i + 1));
        LogRowCells row;
        for (int c = 0; c < kLogColumns; ++c)
            row[static_cast<std::size_t>(c)].text = cells[c];
        if (i == 0) {
            for (auto& h : row)
                h.format.bold = true;
            doc.header = row;
        } else {
            doc.rows.push_back(row);
        }
    }
    return doc;
}

static bool isTxt(const QString& path) {
    return path.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
}

std::optional<LogDocument> readLogFile(const QString& path, LogReadError* error) {
    QString why;
    const auto lines = readTextLines(path, &why);
    if (!lines)
        return fail(error, why);
    return isTxt(path) ? parseTxt(*lines, error) : parseKlg(*lines, error);
}

bool writeLogFile(const QString& path, const LogDocument& doc, QString* error) {
    return writeTextLines(path, isTxt(path) ? txtLines(doc) : klgLines(doc), error);
}

QString withLogEnding(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    if (name.contains(QLatin1String(".txt"), Qt::CaseInsensitive) ||
        name.contains(QLatin1String(".klg"), Qt::CaseInsensitive))
        return path;
    return path + QStringLiteral(".klg");
}

QString logBackupFileName(const QDateTime& when) {
    return QStringLiteral("Log Backup (%1 %2).klg")
        .arg(when.date().toString(QStringLiteral("yyyy-MM-dd")),
             when.time().toString(QStringLiteral("HH-mm-ss")));
}

LogDocument logDocument(const PlayLog& log) {
    LogDocument doc;
    doc.header = log.header();
    doc.rows = log.allRows();
    const QFont f = log.font();
    doc.fontName = f.family();
    doc.fontSize = f.pointSizeF();
    doc.fontBold = f.bold();
    doc.fontItalic = f.italic();
    return doc;
}

void applyLogDocument(PlayLog& log, LogDocument doc) {
    if (doc.hasFont) {
        QFont f(doc.fontName);
        f.setPointSizeF(doc.fontSize);
        f.setBold(doc.fontBold);
        f.setItalic(doc.fontItalic);
        log.setFont(f);
    }
    log.replace(doc.header, std::move(doc.rows));
}

} // namespace kalvor
