#include "show/playlist/LineCursor.h"

#include "core/TextLines.h"

namespace kalvor::playlist {

QString decodeText(QByteArrayView line) {
    for (const char c : line) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return decodeLine(line);
    }
    return QString::fromLatin1(line);
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
