// The KR-2 as the software peer sees it: the command stream turned into the 40 x 8
// character screen, and its keys as bytes (the table is in Kr2Keys.h).
//
// What the peer makes of the commands: ESC "O" column "," row then text up to the next
// ESC or clear byte (rows are one digit, 1..8, so the text may start with digits);
// ESC "I" inverse and ESC "B" 10 hex blinking for the following texts, ESC "N" both off;
// 0C hex clears; ESC "C0" and ESC "M" n are set-up commands without a picture. Anything
// else is skipped, so random input can only ever change characters on the screen.
#pragma once

#include "control/units/UnitDecoder.h"

namespace kalvor {

class Kr2Decoder : public UnitDecoder {
public:
    // The pseudo key code that sends the unit's reset message (F0 "R" F7).
    static constexpr int kResetCode = 0xF0;

    UnitSurface surface() const override;
    int baud() const override { return 9600; }
    void feed(const QByteArray& bytes, UnitScreen& screen) override;
    QByteArray keyBytes(int code) const override;
    std::optional<int> keyCode(const QString& name) const override;
    QStringList keyNames() const override;

    // How often the set-up sequence (ESC "C0") arrived: each is a fresh start.
    int setups() const { return setups_; }

private:
    enum class State { Idle, Escape, Column, Row, Text, BlinkArgument, SkipOne };
    void byte(unsigned char b, UnitScreen& screen);

    State state_ = State::Idle;
    int column_ = 0;
    int row_ = 0;
    int number_ = 0;
    UnitTextAttrs attrs_;
    int setups_ = 0;
};

} // namespace kalvor
