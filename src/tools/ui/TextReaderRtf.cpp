#include "tools/ui/TextReaderRtf.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

namespace kalvor {

namespace {

Qt::Alignment qtAlignment(text::Alignment a) {
    switch (a) {
    case text::Alignment::Left:
        return Qt::AlignLeft | Qt::AlignAbsolute;
    case text::Alignment::Centre:
        return Qt::AlignHCenter;
    case text::Alignment::Right:
        return Qt::AlignRight | Qt::AlignAbsolute;
    case text::Alignment::Justify:
        return Qt::AlignJustify;
    }
    return Qt::AlignLeft;
}

text::Alignment alignmentOf(Qt::Alignment a) {
    if (a & Qt::AlignHCenter)
        return text::Alignment::Centre;
    if (a & Qt::AlignJustify)
        return text::Alignment::Justify;
    if (a & (Qt::AlignRight | Qt::AlignTrailing))
        return text::Alignment::Right;
    return text::Alignment::Left;
}

int colourValue(const QColor& c) {
    return c.red() + 256 * c.green() + 65536 * c.blue();
}

} // namespace

QTextCharFormat qtCharFormat(const text::CharFormat& f) {
    QTextCharFormat q;
    if (!f.font.isEmpty())
        q.setFontFamilies({f.font});
    q.setFontPointSize(f.size);
    q.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    q.setFontItalic(f.italic);
    q.setFontUnderline(f.underline);
    q.setForeground(QColor(f.colour & 0xFF, (f.colour >> 8) & 0xFF, (f.colour >> 16) & 0xFF));
    return q;
}

void fillTextDocument(QTextDocument& document, const text::RichDocument& rich) {
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    bool first = true;
    for (const text::Paragraph& p : rich.paragraphs) {
        if (!first)
            cursor.insertBlock();
        first = false;
        QTextBlockFormat block;
        block.setAlignment(qtAlignment(p.alignment));
        cursor.setBlockFormat(block);
        if (!p.runs.empty())
            cursor.setBlockCharFormat(qtCharFormat(p.runs.front().format));
        for (const text::TextRun& r : p.runs)
            cursor.insertText(r.text, qtCharFormat(r.format));
    }
    cursor.endEditBlock();
}

text::RichDocument richDocumentOf(const QTextDocument& document) {
    text::RichDocument rich;
    const QFont base = document.defaultFont();
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        text::Paragraph p;
        p.alignment = alignmentOf(b.blockFormat().alignment());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!frag.isValid())
                continue;
            const QTextCharFormat q = frag.charFormat();
            text::CharFormat f;
            const QStringList families = q.fontFamilies().toStringList();
            f.font = families.isEmpty() ? base.family() : families.front();
            const double points = q.fontPointSize() > 0 ? q.fontPointSize() : base.pointSizeF();
            f.size = std::round(points * 2) / 2; // the file keeps half points
            f.bold = q.fontWeight() >= QFont::DemiBold;
            f.italic = q.fontItalic();
            f.underline = q.fontUnderline();
            f.colour =
                q.foreground().style() == Qt::NoBrush ? 0 : colourValue(q.foreground().color());
            // Pictures and other objects are not part of a script file.
            QString t = frag.text();
            t.remove(QChar::ObjectReplacementCharacter);
            text::appendRun(p, t, f);
        }
        rich.paragraphs.push_back(std::move(p));
    }
    return rich;
}

} // namespace kalvor
