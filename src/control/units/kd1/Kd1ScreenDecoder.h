// The software peer's reading of the KD-1 command stream into a character screen. Clear
// and the page-start command both begin a fresh page; unknown commands are skipped, so
// random input can only change characters. Pure.
#pragma once

#include "control/units/kr2/CharacterScreen.h"

#include <QByteArray>

namespace kalvor::units {

class Kd1ScreenDecoder {
public:
    Kd1ScreenDecoder();

    void feed(const QByteArray& bytes);
    const CharacterScreen& screen() const { return screen_; }
    int pageStarts() const { return pageStarts_; }
    int clears() const { return clears_; }

private:
    enum class State { Text, Unit, CursorX, CursorY, Blink, Reverse, PageStart };
    void byte(unsigned char b);

    CharacterScreen screen_;
    State state_ = State::Text;
    int x_ = 0;
    int y_ = 0;
    int pending_ = 0; // bytes of the page-start command still to come
    bool blink_ = false;
    bool reverse_ = false;
    int pageStarts_ = 0;
    int clears_ = 0;
};

} // namespace kalvor::units
