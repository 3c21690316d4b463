#include "tools/text/RtfWriter.h"

#include "tools/text/CodePages.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kalvor::text {

namespace {

void appendEscaped(QByteArray& out, const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == QChar::LineSeparator) {
            out += "\\line ";
        } else if (u == 0x00A0) {
            out += "\\~";
        } else if (u < 0x20) {
            continue;
        } else if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (const auto b = encodeCp1252(c)) {
            out += "\\'";
            out += QByteArray::number(*b, 16).rightJustified(2, '0');
        } else {
            // Signed 16-bit units, as the format has them; "?" for readers without Unicode.
            out += "\\u" + QByteArray::number(static_cast<qint16>(u)) + '?';
        }
    }
}

const char* alignmentWord(Alignment a) {
    switch (a) {
    case Alignment::Left:
        return "\\ql";
    case Alignment::Centre:
        return "\\qc";
    case Alignment::Right:
        return "\\qr";
    case Alignment::Justify:
        return "\\qj";
    }
    return "\\ql";
}

template <typename T> int indexOf(const std::vector<T>& v, const T& x) {
    const auto it = std::find(v.begin(), v.end(), x);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

} // namespace

QByteArray writeRtf(const RichDocument& document) {
    std::vector<QString> fonts;
    std::vector<int> colours; // entry 0 of the table is "automatic"
    for (const Paragraph& p : document.paragraphs) {
        for (const TextRun& r : p.runs) {
            if (!r.format.font.isEmpty() && indexOf(fonts, r.format.font) < 0)
                fonts.push_back(r.format.font);
            if (r.format.colour != 0 && indexOf(colours, r.format.colour) < 0)
                colours.push_back(r.format.colour);
        }
    }

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0";
    if (!fonts.empty()) {
        out += "{\\fonttbl";
        for (std::size_t i = 0; i < fonts.size(); ++i) {
            out += "{\\f" + QByteArray::number(static_cast<int>(i)) + "\\fnil\\fcharset0 ";
            appendEscaped(out, QString(fonts[i]).replace(QLatin1Char(';'), QLatin1Char(' ')));
            out += ";}";
        }
        out += '}';
    }
    out += "\r\n";
    if (!colours.empty()) {
        out += "{\\colortbl ;";
        for (const int c : colours) {
            out += "\\red" + QByteArray::number(c & 0xFF) + "\\green" +
                   QByteArray::number((c >> 8) & 0xFF) + "\\blue" +
                   QByteArray::number((c >> 16) & 0xFF) + ';';
        }
        out += "}\r\n";
    }
    out += "{\\*\\generator Kalvor;}\\viewkind4\\uc1\r\n";

    for (const Paragraph& p : document.paragraphs) {
        out += "\\pard";
        out += alignmentWord(p.alignment);
        for (const TextRun& r : p.runs) {
            const CharFormat& f = r.format;
            out += "{\\f" + QByteArray::number(std::max(0, indexOf(fonts, f.font)));
            out += "\\fs" + QByteArray::number(static_cast<int>(std::lround(f.size * 2)));
            if (f.bold)
                out += "\\b";
            if (f.italic)
                out += "\\i";
            if (f.underline)
                out += "\\ul";
            if (f.colour != 0)
                out += "\\cf" + QByteArray::number(indexOf(colours, f.colour) + 1);
            out += ' ';
            appendEscaped(out, r.text);
            out += '}';
        }
        out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

} // namespace kalvor::text
