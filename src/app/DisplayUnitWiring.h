// The KR-2 remote unit and the KD-1 display unit in the start-up and closing order: the
// KD-1 opens at step 12 and shows the playlist at step 29; the KR-2 starts with the
// remote units (step 23) when the serial mode is "KR-2"; both close at closing step 6.
// Hooks that another unit's wiring set before are kept and run first. UI thread.
#pragma once

#include <memory>

namespace kalvor {

class Kd1Operations;
class Lifecycle;
class SerialLine;
class Settings;
class ShowLayer;

class DisplayUnits {
public:
    virtual ~DisplayUnits() = default;
    // The display unit the keypads drive (in place of their "no display" stand-in).
    virtual Kd1Operations& displayUnit() = 0;
    // After the options were saved: opens, closes or moves the KD-1. (The KR-2 follows the
    // serial line by itself.)
    virtual void applySettings() = 0;
};

std::unique_ptr<DisplayUnits> wireDisplayUnits(Lifecycle& lifecycle, ShowLayer& show,
                                               Settings& settings, SerialLine& serialLine);

} // namespace kalvor
