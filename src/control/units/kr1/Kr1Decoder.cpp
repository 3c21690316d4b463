#include "control/units/kr1/Kr1Decoder.h"

#include "control/units/kr1/Kr1Protocol.h"

#include <QList>

#include <array>

namespace kalvor {
namespace {

constexpr qsizetype kMaxCommand = 4096;

// Up to `count` numbers separated by commas; the rest of the text after them (for Z).
bool numbers(const QByteArray& args, int count, std::array<int, 6>& out, QByteArray* rest) {
    qsizetype pos = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype comma = args.indexOf(',', pos);
        const bool last = i == count - 1 && !rest;
        const QByteArray field = last ? args.mid(pos) : args.mid(pos, comma < 0 ? -1 : comma - pos);
        if (!last && comma < 0)
            return false;
        bool ok = false;
        const int v = field.trimmed().toInt(&ok);
        if (!ok || v < -100000 || v > 100000)
            return false;
        out[static_cast<size_t>(i)] = v;
        pos = last ? args.size() : comma + 1;
    }
    if (rest)
        *rest = args.mid(pos);
    return true;
}

int glyphHeight(int font) {
    switch (font) {
    case 11:
        return 7;
    case 12:
        return 9;
    case 14:
        return 14;
    case 1:
        return 10;
    case 2:
        return 8;
    case 4:
        return 20;
    default:
        return 9;
    }
}

struct KeyName {
    const char* name;
    int code;
};
constexpr std::array<KeyName, 16> kKeys{{{"preset-", 17},
                                         {"pause", 18},
                                         {"rlb", 19},
                                         {"repeat", 20},
                                         {"menu", 21},
                                         {"-", 22},
                                         {"left", 23},
                                         {"up", 24},
                                         {"preset+", 25},
                                         {"continue", 26},
                                         {"rlf", 27},
                                         {"stopall", 28},
                                         {"enter", 29},
                                         {"+", 30},
                                         {"right", 31},
                                         {"down", 32}}};

} // namespace

UnitSurface Kr1Decoder::surface() const {
    UnitSurface s;
    s.grid = UnitSurface::Grid::Dots;
    s.width = 320;
    s.height = 240;
    s.portrait = true;
    s.anchorBottom = true;
    s.scale = 2;
    return s;
}

void Kr1Decoder::feed(const QByteArray& bytes, UnitScreen& screen) {
    for (const char b : bytes) {
        if (b == kr1::kCr) {
            command(std::exchange(pending_, {}), screen);
            continue;
        }
        if (pending_.size() >= kMaxCommand)
            continue;
        pending_ += b;
    }
    if (pending_.size() >= kMaxCommand)
        pending_.clear();
}

void Kr1Decoder::command(const QByteArray& raw, UnitScreen& screen) {
    QByteArray line = raw;
    const bool escEsc = line.startsWith("\x1b\x1b");
    if (escEsc)
        line.remove(0, 2);
    if (line.isEmpty())
        return;
    ++commands_;
    std::array<int, 6> n{};
    const char op = line.at(0);
    const QByteArray args = line.mid(1);
    if (line == "DL") {
        screen.clear();
        return;
    }
    switch (op) {
    case 'Z': {
        QByteArray text;
        if (numbers(args, 2, n, &text)) {
            UnitTextAttrs a = attrs_;
            screen.text(n[0], n[1], kr1::decodeText(text), a);
        }
        break;
    }
    case 'F':
        if (numbers(args, 2, n, nullptr)) {
            attrs_.font = n[0];
            attrs_.size = glyphHeight(n[0]);
        } else if (args == "65535") {
            attrs_ = UnitTextAttrs{};
        }
        break;
    case 'G':
        if (numbers(args, 4, n, nullptr))
            screen.line(n[0], n[1], n[2], n[3]);
        break;
    case 'B':
        if (numbers(args, 4, n, nullptr))
            screen.fill(n[0], n[1], n[2], n[3], UnitFill::Solid);
        break;
    case 'K':
    case 'I':
        if (numbers(args, 4, n, nullptr)) {
            const UnitFill how = drawMode_ == 1   ? UnitFill::Solid
                                 : drawMode_ == 2 ? UnitFill::Clear
                                                  : UnitFill::Invert;
            screen.fill(n[0], n[1], n[2], n[3], how);
        }
        break;
    case 'L':
        if (numbers(args, 4, n, nullptr) && (n[0] != n[2] || n[1] != n[3]))
            screen.fill(n[0], n[1], n[2], n[3], UnitFill::Clear);
        break;
    case 'N':
        if (numbers(args, 5, n, nullptr))
            screen.frame(n[0], n[1], n[2], n[3], n[4]);
        break;
    case 'C':
        if (numbers(args, 6, n, nullptr)) {
            // Move the area's texts, then redraw the model from what is left.
            const int x1 = std::min(n[0], n[2]), x2 = std::max(n[0], n[2]);
            const int y1 = std::min(n[1], n[3]), y2 = std::max(n[1], n[3]);
            const int dx = n[4] - x1, dy = n[5] - y1;
            std::vector<UnitItem> moved;
            for (const UnitItem& it : screen.texts()) {
                if (it.x1 >= x1 && it.x1 <= x2 && it.y1 >= y1 && it.y1 <= y2)
                    moved.push_back(it);
            }
            screen.fill(x1, y1, x2, y2, UnitFill::Clear);
            for (const UnitItem& it : moved) {
                const int x = it.x1 + dx, y = it.y1 + dy;
                if (x >= 0 && x < 320 && y >= 0 && y < 240)
                    screen.text(x, y, it.text, it.attrs);
            }
        }
        break;
    case 'V':
        if (numbers(args, 1, n, nullptr))
            drawMode_ = n[0];
        break;
    case 'M':
        if (numbers(args, 1, n, nullptr)) {
            if (escEsc)
                contrast_ = n[0];
            else
                displayMode_ = n[0];
        }
        break;
    default:
        // Y, Q, J, R, E and anything the peer does not draw.
        break;
    }
}

QByteArray Kr1Decoder::keyBytes(int code) const {
    if (code < 1 || code > 255)
        return {};
    return QByteArray(1, static_cast<char>(code));
}

std::optional<int> Kr1Decoder::keyCode(const QString& name) const {
    const QString n = name.trimmed().toLower();
    for (const KeyName& k : kKeys) {
        if (n == QLatin1String(k.name))
            return k.code;
    }
    // "ch3" presses channel key 3, "ch3up" releases it.
    if (n.startsWith(QLatin1String("ch"))) {
        const bool up = n.endsWith(QLatin1String("up"));
        bool ok = false;
        const int key = n.mid(2, n.size() - 2 - (up ? 2 : 0)).toInt(&ok);
        if (ok && key >= 1 && key <= 8)
            return up ? key + 8 : key;
    }
    bool ok = false;
    const int code = n.toInt(&ok);
    if (ok && code >= 1 && code <= 255)
        return code;
    return std::nullopt;
}

QStringList Kr1Decoder::keyNames() const {
    QStringList out{QStringLiteral("ch1..ch8"), QStringLiteral("ch1up..ch8up")};
    for (const KeyName& k : kKeys)
        out << QString::fromLatin1(k.name);
    return out;
}

} // namespace kalvor
