// What the keypads ask of the KD-1 display unit. The large keypads' function block drives
// the display's menus; the keypad code only translates its model's key numbers and hands
// them over here, so the display unit owns every page, every confirmation and every text.
// UI thread.
#pragma once

#include <QString>

namespace kalvor {

class Kd1Operations {
public:
    virtual ~Kd1Operations() = default;

    // True when the display unit is enabled and its port is open.
    virtual bool enabled() const = 0;

    // A key of the large keypad's function block that acts on the display, numbered as on
    // the 64-key model (the 58-key model's key n arrives as n + 8). Pressed and released
    // both arrive; `shift` is the keypad's shift state at that moment.
    virtual void functionKey(int key, bool pressed, bool shift) = 0;

    // A channel key changed a channel's state: the page that shows it redraws.
    virtual void channelChanged(int channel) = 0;

    // The channel shown on the display's channel option pages (0-based), or -1.
    virtual int shownChannel() const = 0;

    // A short notice on the display ("Logging = OFF"), in the operator's language.
    virtual void showNotice(const QString& text) = 0;
};

} // namespace kalvor
