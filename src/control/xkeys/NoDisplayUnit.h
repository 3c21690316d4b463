// The display unit's stand-in while none is connected: the keys that would drive its
// menus say so in the system messages and do nothing else. UI thread.
#pragma once

#include "control/Kd1Operations.h"

namespace kalvor {

class NoDisplayUnit final : public Kd1Operations {
public:
    bool enabled() const override { return false; }
    void functionKey(int key, bool pressed, bool shift) override;
    void channelChanged(int) override {}
    int shownChannel() const override { return -1; }
    void showNotice(const QString&) override {}
};

} // namespace kalvor
