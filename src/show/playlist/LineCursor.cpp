#include "show/playlist/LineCursor.h"

#include "core/TextLines.h"

#include <QStringDecoder>

#include <algorithm>

namespace kalvor::playlist {

QString decodeText(QByteArrayView line) {
    const bool ascii = std::all_of(line.begin(), line.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        return QString::fromLatin1(line);
    // A byte-order mark inside the file is part of the line's text: dropping it would
    // turn a line of "\uFEFF~" into the end of a section when the show is saved again.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(line);
    if (!utf8.hasError())
        return text;
    return decodeLine(line); // Windows-1252
}

bool lineIs(QByteArrayView line, const char* text) {
    qsizetype b = 0, e = line.size();
    while (b < e && (line[b] == ' ' || line[b] == '\t'))
        ++b;
    while (e > b && (line[e - 1] == ' ' || line[e - 1] == '\t'))
        --e;
    return line.sliced(b, e - b) == QByteArrayView(text);
}

} // namespace kalvor::playlist
