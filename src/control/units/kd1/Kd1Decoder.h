// The KD-1 as the software peer sees it: its escape commands turned into a character
// screen. The unit sends nothing back (the keypads drive it), so it has no keys.
//
// What the peer makes of the commands: 1F 24 x y cursor (1-based), 1F 45 n blinking (05
// on), 1F 72 n reverse (01 on), 0C and the page-start command 1F 28 44 04 00 03 62 00 02
// both begin a fresh page; other bytes from 20 hex up are text at the cursor. An unknown
// 1F command is skipped, so random input can only ever change characters.
#pragma once

#include "control/units/UnitDecoder.h"

namespace kalvor {

class Kd1Decoder : public UnitDecoder {
public:
    UnitSurface surface() const override;
    void feed(const QByteArray& bytes, UnitScreen& screen) override;
    QByteArray keyBytes(int) const override { return {}; }

    int pageStarts() const { return pageStarts_; }
    int clears() const { return clears_; }

private:
    enum class State { Text, Unit, CursorX, CursorY, Blink, Reverse, PageStart };
    void byte(unsigned char b, UnitScreen& screen);

    State state_ = State::Text;
    int x_ = 0;
    int y_ = 0;
    int pending_ = 0; // bytes of the page-start command still to come
    UnitTextAttrs attrs_;
    int pageStarts_ = 0;
    int clears_ = 0;
};

} // namespace kalvor
