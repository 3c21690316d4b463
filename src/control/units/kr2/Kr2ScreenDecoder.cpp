#include "control/units/kr2/Kr2ScreenDecoder.h"

#include "control/units/kr2/Cp437.h"
#include "control/units/kr2/Kr2Commands.h"

namespace kalvor::units {

Kr2ScreenDecoder::Kr2ScreenDecoder() : screen_(kKr2Columns, kKr2Rows) {}

void Kr2ScreenDecoder::feed(const QByteArray& bytes) {
    for (const char c : bytes)
        byte(static_cast<unsigned char>(c));
}

void Kr2ScreenDecoder::byte(unsigned char b) {
    // ESC and the clear byte end whatever came before, even a half-read position: a unit
    // that lost a byte recovers at the next command.
    if (b == 0x1b) {
        state_ = State::Escape;
        return;
    }
    if (b == 0x0c) {
        screen_.clear();
        state_ = State::Idle;
        return;
    }
    switch (state_) {
    case State::Idle:
        return;
    case State::Escape:
        switch (b) {
        case 'O':
            number_ = 0;
            state_ = State::Column;
            return;
        case 'N':
            inverse_ = blink_ = false;
            break;
        case 'I':
            inverse_ = true;
            break;
        case 'B':
            state_ = State::BlinkArgument;
            return;
        case 'C':
            ++setups_;
            inverse_ = blink_ = false;
            state_ = State::SkipOne;
            return;
        case 'M':
            state_ = State::SkipOne;
            return;
        default:
            break;
        }
        state_ = State::Idle;
        return;
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
        // Rows are 1..8: one digit, and the text follows at once.
        if (b >= '1' && b <= '8') {
            row_ = b - '1';
            state_ = State::Text;
        } else {
            state_ = State::Idle;
        }
        return;
    case State::Text:
        if (b >= 0x20) {
            screen_.put(column_, row_, fromCp437(b), inverse_, blink_);
            ++column_;
        }
        return;
    case State::BlinkArgument:
        if (b == 0x10)
            blink_ = true;
        state_ = State::Idle;
        return;
    case State::SkipOne:
        state_ = State::Idle;
        return;
    }
}

} // namespace kalvor::units
