#include "control/units/kd1/Kd1ScreenDecoder.h"

#include "control/units/kd1/Kd1Commands.h"
#include "control/units/kr2/Cp437.h"

namespace kalvor::units {

Kd1ScreenDecoder::Kd1ScreenDecoder() : screen_(kKd1Columns, kKd1Rows) {}

void Kd1ScreenDecoder::feed(const QByteArray& bytes) {
    for (const char c : bytes)
        byte(static_cast<unsigned char>(c));
}

void Kd1ScreenDecoder::byte(unsigned char b) {
    switch (state_) {
    case State::Text:
        if (b == 0x1f) {
            state_ = State::Unit;
        } else if (b == 0x0c) {
            screen_.clear();
            ++clears_;
        } else if (b >= 0x20) {
            screen_.put(x_, y_, fromCp437(b), reverse_, blink_);
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
            // 28 44 04 00 03 62 00 02: seven bytes after 28; the page is fresh.
            pending_ = 7;
            state_ = State::PageStart;
            screen_.clear();
            ++pageStarts_;
            return;
        default:
            // An unknown command: its argument, if any, reads as text at worst.
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
        blink_ = b == 0x05;
        state_ = State::Text;
        return;
    case State::Reverse:
        reverse_ = b == 0x01;
        state_ = State::Text;
        return;
    case State::PageStart:
        if (--pending_ <= 0)
            state_ = State::Text;
        return;
    }
}

} // namespace kalvor::units
