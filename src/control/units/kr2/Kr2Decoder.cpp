#include "control/units/kr2/Kr2Decoder.h"

#include "control/units/kr2/Cp437.h"
#include "control/units/kr2/Kr2Commands.h"

#include <array>

namespace kalvor {

namespace {

struct KeyName {
    const char* name;
    int code;
};
// The KR-2's function keys sit on the same codes as the KR-1's, so they share names.
constexpr std::array<KeyName, 18> kKeys{{{"preset-", 0x11},
                                         {"pause", 0x12},
                                         {"rlb", 0x13},
                                         {"repeat", 0x14},
                                         {"menu", 0x15},
                                         {"-", 0x16},
                                         {"left", 0x17},
                                         {"up", 0x18},
                                         {"preset+", 0x19},
                                         {"continue", 0x1A},
                                         {"rlf", 0x1B},
                                         {"stopall", 0x1C},
                                         {"enter", 0x1D},
                                         {"+", 0x1E},
                                         {"right", 0x1F},
                                         {"down", 0x20},
                                         {"allup", 0xFF},
                                         {"reset", Kr2Decoder::kResetCode}}};

} // namespace

UnitSurface Kr2Decoder::surface() const {
    UnitSurface s;
    s.grid = UnitSurface::Grid::Cells;
    s.width = units::kKr2Columns;
    s.height = units::kKr2Rows;
    return s;
}

void Kr2Decoder::feed(const QByteArray& bytes, UnitScreen& screen) {
    for (const char c : bytes)
        byte(static_cast<unsigned char>(c), screen);
}

void Kr2Decoder::byte(unsigned char b, UnitScreen& screen) {
    // ESC and the clear byte end whatever came before, even a half-read position: a unit
    // that lost a byte recovers at the next command.
    if (b == 0x1b) {
        state_ = State::Escape;
        return;
    }
    if (b == 0x0c) {
        screen.clear();
        state_ = State::Idle;
        return;
    }
    switch (state_) {
    case State::Idle:
        return;
    case State::Escape:
        state_ = State::Idle;
        switch (b) {
        case 'O':
            number_ = 0;
            state_ = State::Column;
            return;
        case 'N':
            attrs_.inverse = attrs_.blink = false;
            return;
        case 'I':
            attrs_.inverse = true;
            return;
        case 'B':
            state_ = State::BlinkArgument;
            return;
        case 'C':
            ++setups_;
            attrs_ = {};
            state_ = State::SkipOne;
            return;
        case 'M':
            state_ = State::SkipOne;
            return;
        default:
            return;
        }
    case State::Column:
        if (b >= '0' && b <= '9' && number_ < 100) {
            number_ = number_ * 10 + (b - '0');
        } else if (b == ',') {
            column_ = number_ - 1;
            state_ = State::Row;
        } else {
            state_ = State::Idle;
        }
        return;
    case State::Row:
        if (b >= '1' && b <= '8') {
            row_ = b - '1';
            state_ = State::Text;
        } else {
            state_ = State::Idle;
        }
        return;
    case State::Text:
        if (b >= 0x20) {
            screen.text(column_, row_, QString(units::fromCp437(b)), attrs_);
            ++column_;
        }
        return;
    case State::BlinkArgument:
        if (b == 0x10)
            attrs_.blink = true;
        state_ = State::Idle;
        return;
    case State::SkipOne:
        state_ = State::Idle;
        return;
    }
}

QByteArray Kr2Decoder::keyBytes(int code) const {
    if (code == kResetCode)
        return QByteArray("\xF0R\xF7");
    const bool valid =
        (code >= 0x01 && code <= 0x3C) || (code >= 0x41 && code <= 0x78) || code == 0xFF;
    return valid ? QByteArray(1, static_cast<char>(code)) : QByteArray();
}

std::optional<int> Kr2Decoder::keyCode(const QString& name) const {
    const QString n = name.trimmed().toLower();
    for (const KeyName& k : kKeys) {
        if (n == QLatin1String(k.name))
            return k.code;
    }
    // "ch3" presses channel key 3, "ch3up" releases it; "play12" is the direct key of
    // channel 12.
    bool ok = false;
    if (n.startsWith(QLatin1String("ch"))) {
        const bool up = n.endsWith(QLatin1String("up"));
        const int key = n.mid(2, n.size() - 2 - (up ? 2 : 0)).toInt(&ok);
        if (ok && key >= 1 && key <= 8)
            return up ? key + 8 : key;
    }
    if (n.startsWith(QLatin1String("play"))) {
        const int ch = n.mid(4).toInt(&ok);
        if (ok && ch >= 1 && ch <= 32)
            return 0x40 + ch;
    }
    const int code = n.toInt(&ok);
    if (ok && !keyBytes(code).isEmpty())
        return code;
    return std::nullopt;
}

QStringList Kr2Decoder::keyNames() const {
    QStringList out{QStringLiteral("ch1..ch8"), QStringLiteral("ch1up..ch8up"),
                    QStringLiteral("play1..play32")};
    for (const KeyName& k : kKeys)
        out << QString::fromLatin1(k.name);
    return out;
}

} // namespace kalvor
