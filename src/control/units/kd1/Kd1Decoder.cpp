#include "control/units/kd1/Kd1Decoder.h"

#include "control/units/kd1/Kd1Commands.h"
#include "control/units/kr2/Cp437.h"

namespace kalvor {

UnitSurface Kd1Decoder::surface() const {
    UnitSurface s;
    s.grid = UnitSurface::Grid::Cells;
    s.width = units::kKd1Columns;
    s.height = units::kKd1Rows;
    return s;
}

void Kd1Decoder::feed(const QByteArray& bytes, UnitScreen& screen) {
    for (const char c : bytes)
        byte(static_cast<unsigned char>(c), screen);
}

void Kd1Decoder::byte(unsigned char b, UnitScreen& screen) {
    switch (state_) {
    case State::Text:
        if (b == 0x1f) {
            state_ = State::Unit;
        } else if (b == 0x0c) {
            screen.clear();
            ++clears_;
        } else if (b >= 0x20) {
            screen.text(x_, y_, QString(units::fromCp437(b)), attrs_);
            ++x_;
        }
        return;
    case State::Unit:
        switch (b) {
        case 0x24:
            state_ = State::CursorX;
            return;
        case 0x45:
            state_ = State::Blink;
            return;
        case 0x72:
            state_ = State::Reverse;
            return;
        case 0x28:
            pending_ = 7; // 44 04 00 03 62 00 02
            state_ = State::PageStart;
            screen.clear();
            ++pageStarts_;
            return;
        default:
            state_ = State::Text;
            return;
        }
    case State::CursorX:
        x_ = b - 1;
        state_ = State::CursorY;
        return;
    case State::CursorY:
        y_ = b - 1;
        state_ = State::Text;
        return;
    case State::Blink:
        attrs_.blink = b == 0x05;
        state_ = State::Text;
        return;
    case State::Reverse:
        attrs_.inverse = b == 0x01;
        state_ = State::Text;
        return;
    case State::PageStart:
        if (--pending_ <= 0)
            state_ = State::Text;
        return;
    }
}

} // namespace kalvor
