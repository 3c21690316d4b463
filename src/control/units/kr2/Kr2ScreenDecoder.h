// The software peer's reading of the KR-2 command stream: bytes in, in any chunking, the
// 40 x 8 character screen out. Unknown commands and stray bytes are skipped, so random
// input can only ever change characters on the screen. Pure.
#pragma once

#include "control/units/kr2/CharacterScreen.h"

#include <QByteArray>

namespace kalvor::units {

class Kr2ScreenDecoder {
public:
    Kr2ScreenDecoder();

    void feed(const QByteArray& bytes);
    const CharacterScreen& screen() const { return screen_; }
    // How often the set-up sequence (ESC "C0") arrived: a new start of the unit.
    int setups() const { return setups_; }

private:
    enum class State { Idle, Escape, Column, Row, Text, BlinkArgument, SkipOne };
    void byte(unsigned char b);

    CharacterScreen screen_;
    State state_ = State::Idle;
    int column_ = 0;
    int row_ = 0;
    int number_ = 0;
    bool inverse_ = false;
    bool blink_ = false;
    int setups_ = 0;
};

} // namespace kalvor::units
