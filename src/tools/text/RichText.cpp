#include "tools/text/RichText.h"

namespace kalvor::text {

QString Paragraph::text() const {
    QString out;
    for (const TextRun& r : runs)
        out += r.text;
    return out;
}

QString RichDocument::plainText() const {
    QString out;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            out += QLatin1Char('\n');
        out += paragraphs[i].text();
    }
    return out;
}

void appendRun(Paragraph& paragraph, const QString& text, const CharFormat& format) {
    if (text.isEmpty())
        return;
    if (!paragraph.runs.empty() && paragraph.runs.back().format == format)
        paragraph.runs.back().text += text;
    else
        paragraph.runs.push_back({text, format});
}

} // namespace kalvor::text
