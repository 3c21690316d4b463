#include "control/units/kr2/Cp437.h"

#include <array>

namespace kalvor::units {

namespace {

struct Letter {
    char16_t letter;
    unsigned char byte;
};

// The letters the displays need in their own places; the rest of Latin-1 has no place in
// code page 437 that a show name would use.
constexpr std::array<Letter, 20> kLetters = {{
    {u'Ä', 0x8E}, {u'Ö', 0x99}, {u'Ü', 0x9A}, {u'ä', 0x84}, {u'ö', 0x94},
    {u'ü', 0x81}, {u'ß', 0xE1}, {u'é', 0x82}, {u'â', 0x83}, {u'à', 0x85},
    {u'ç', 0x87}, {u'ê', 0x88}, {u'è', 0x8A}, {u'ô', 0x93}, {u'ò', 0x95},
    {u'û', 0x96}, {u'ù', 0x97}, {u'á', 0xA0}, {u'ó', 0xA2}, {u'ú', 0xA3},
}};

// Code page 437, bytes 80..FF.
constexpr char16_t kUpper[128] = {
    u'Ç', u'ü', u'é', u'â', u'ä', u'à', u'å', u'ç', u'ê', u'ë', u'è', u'ï', u'î', u'ì', u'Ä', u'Å',
    u'É', u'æ', u'Æ', u'ô', u'ö', u'ò', u'û', u'ù', u'ÿ', u'Ö', u'Ü', u'¢', u'£', u'¥', u'₧', u'ƒ',
    u'á', u'í', u'ó', u'ú', u'ñ', u'Ñ', u'ª', u'º', u'¿', u'⌐', u'¬', u'½', u'¼', u'¡', u'«', u'»',
    u'░', u'▒', u'▓', u'│', u'┤', u'╡', u'╢', u'╖', u'╕', u'╣', u'║', u'╗', u'╝', u'╜', u'╛', u'┐',
    u'└', u'┴', u'┬', u'├', u'─', u'┼', u'╞', u'╟', u'╚', u'╔', u'╩', u'╦', u'╠', u'═', u'╬', u'╧',
    u'╨', u'╤', u'╥', u'╙', u'╘', u'╒', u'╓', u'╫', u'╪', u'┘', u'┌', u'█', u'▄', u'▌', u'▐', u'▀',
    u'α', u'ß', u'Γ', u'π', u'Σ', u'σ', u'µ', u'τ', u'Φ', u'Θ', u'Ω', u'δ', u'∞', u'φ', u'ε', u'∩',
    u'≡', u'±', u'≥', u'≤', u'⌠', u'⌡', u'÷', u'≈', u'°', u'∙', u'·', u'√', u'ⁿ', u'²', u'■', u' ',
};

} // namespace

QByteArray toCp437(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        unsigned char byte = '?';
        if (u >= 0x20 && u < 0x7F) {
            byte = static_cast<unsigned char>(u);
        } else {
            bool mapped = false;
            for (const Letter& l : kLetters) {
                if (l.letter == u) {
                    byte = l.byte;
                    mapped = true;
                    break;
                }
            }
            if (!mapped && u >= 0xA0 && u <= 0xFF)
                byte = static_cast<unsigned char>(u);
        }
        out.append(static_cast<char>(byte));
    }
    return out;
}

QChar fromCp437(unsigned char byte) {
    if (byte >= 0x80)
        return QChar(kUpper[byte - 0x80]);
    if (byte < 0x20 || byte == 0x7F)
        return QChar(u' ');
    return QChar(byte);
}

} // namespace kalvor::units
