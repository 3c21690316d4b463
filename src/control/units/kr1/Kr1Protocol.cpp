#include "control/units/kr1/Kr1Protocol.h"

#include <QRegularExpression>

#include <array>
#include <utility>

namespace kalvor::kr1 {
namespace {

constexpr std::array<std::pair<char16_t, unsigned char>, 22> kMap{{
    {u'Ä', 0x8E}, {u'Ö', 0x99}, {u'Ü', 0x9A}, {u'ä', 0x84}, {u'ö', 0x94}, {u'ü', 0x81},
    {u'ß', 0xE1}, {u'é', 0x82}, {u'â', 0x83}, {u'à', 0x85}, {u'ç', 0x87}, {u'ê', 0x88},
    {u'è', 0x8A}, {u'ô', 0x93}, {u'ò', 0x95}, {u'û', 0x96}, {u'ù', 0x97}, {u'á', 0xA0},
    {u'ó', 0xA2}, {u'ú', 0xA3}, {u'§', '$'},  {u'´', '\''},
}};

} // namespace

QByteArray encodeText(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        char b = '?';
        bool mapped = false;
        for (const auto& [from, to] : kMap) {
            if (c.unicode() == from) {
                b = static_cast<char>(to);
                mapped = true;
                break;
            }
        }
        // CR would end the command early.
        if (!mapped && c.unicode() < 256 && c != QLatin1Char('\r'))
            b = static_cast<char>(c.unicode());
        out += b;
    }
    return out;
}

QString decodeText(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        QChar c = QChar(b);
        // "$" and "'" stay themselves: the mapping is one way for those two.
        for (const auto& [from, to] : kMap) {
            if (to == b && to >= 0x80) {
                c = QChar(from);
                break;
            }
        }
        out += c;
    }
    return out;
}

bool needsEscEsc(const QString& command) {
    static const QRegularExpression font(QStringLiteral("^F\\d+,\\d+$"));
    static const QRegularExpression y(QStringLiteral("^Y\\d*$"));
    return command == QLatin1String("E") || command == QLatin1String("G") ||
           font.match(command).hasMatch() || y.match(command).hasMatch();
}

QByteArray frame(const QString& command) {
    QByteArray out;
    if (needsEscEsc(command))
        out += QByteArray(2, kEsc);
    out += encodeText(command);
    out += kCr;
    return out;
}

QByteArray frameContrast(int value) {
    return QByteArray(2, kEsc) + "M" + QByteArray::number(value) + kCr;
}

QString keyLabel(int code) {
    static const std::array<const char*, 32> labels{
        "[ CH 1 ]",     "[ CH 2 ]",     "[ CH 3 ]",     "[ CH 4 ]",    "[ CH 5 ]",
        "[ CH 6 ]",     "[ CH 7 ]",     "[ CH 8 ]",     "[ CH 1 UP ]", "[ CH 2 UP ]",
        "[ CH 3 UP ]",  "[ CH 4 UP ]",  "[ CH 5 UP ]",  "[ CH 6 UP ]", "[ CH 7 UP ]",
        "[ CH 8 UP ]",  "[ PRESET - ]", "[ PAUSE ]",    "[ RLB ]",     "[ REPEAT ]",
        "[ MENU ]",     "[ - ]",        "[ <-- ]",      "[ UP ]",      "[ PRESET + ]",
        "[ CONTINUE ]", "[ RLF ]",      "[ STOP ALL ]", "[ ENTER ]",   "[ + ]",
        "[ --> ]",      "[ DOWN ]"};
    if (code < 1 || code > 32)
        return QStringLiteral("            ");
    return QString::fromLatin1(labels[static_cast<size_t>(code - 1)]);
}

} // namespace kalvor::kr1
