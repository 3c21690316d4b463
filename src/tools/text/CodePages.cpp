#include "tools/text/CodePages.h"

#include "core/TextLines.h"

#include <QStringDecoder>

#include <array>

namespace kalvor::text {

namespace {

// A single byte above 0x7F is never valid UTF-8, so the core's line decoder reads it as
// Windows-1252: one table for the whole program.
QChar cp1252Char(unsigned char b) {
    if (b < 0x80)
        return QChar(b);
    const char c = static_cast<char>(b);
    return decodeLine(QByteArrayView(&c, 1)).at(0);
}

const std::array<QChar, 256>& cp1252Table() {
    static const std::array<QChar, 256> table = [] {
        std::array<QChar, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[static_cast<std::size_t>(b)] = cp1252Char(static_cast<unsigned char>(b));
        return t;
    }();
    return table;
}

QString decodeCp1252(QByteArrayView bytes) {
    const auto& table = cp1252Table();
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes)
        out += table[static_cast<unsigned char>(c)];
    return out;
}

} // namespace

QString decodeCodePage(QByteArrayView bytes, int codePage) {
    if (codePage == kDefaultCodePage || bytes.isEmpty())
        return decodeCp1252(bytes);
    QByteArray name;
    if (codePage >= 1250 && codePage <= 1258)
        name = "windows-" + QByteArray::number(codePage);
    else if (codePage >= 10000 && codePage < 10100)
        name =
            codePage == 10000 ? QByteArray("macintosh") : "x-mac-" + QByteArray::number(codePage);
    else
        name = "cp" + QByteArray::number(codePage);
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        return decodeCp1252(bytes);
    const QString text = decoder.decode(bytes);
    return decoder.hasError() ? decodeCp1252(bytes) : text;
}

std::optional<int> codePageOfCharset(int charset) {
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return std::nullopt;
    }
}

std::optional<unsigned char> encodeCp1252(QChar c) {
    if (c.unicode() < 0x80)
        return static_cast<unsigned char>(c.unicode());
    const auto& table = cp1252Table();
    for (int b = 0x80; b < 256; ++b) {
        if (table[static_cast<std::size_t>(b)] == c)
            return static_cast<unsigned char>(b);
    }
    return std::nullopt;
}

QString decodeTextFile(QByteArrayView contents) {
    if (contents.startsWith("\xEF\xBB\xBF"))
        contents = contents.sliced(3);
    // Notepad's "Unicode" is UTF-16 with its byte order mark; read byte by byte, every
    // second byte would be a NUL in the text.
    const bool littleEndian = contents.startsWith("\xFF\xFE");
    if (littleEndian || contents.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        QString text = decoder.decode(contents.sliced(2));
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        // As for the 8-bit files: the end of the last line starts no further line.
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        return text;
    }
    return splitTextLines(contents).join(QLatin1Char('\n'));
}

} // namespace kalvor::text
