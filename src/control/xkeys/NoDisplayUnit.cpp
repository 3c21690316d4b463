#include "control/xkeys/NoDisplayUnit.h"

#include "core/SystemMessages.h"

namespace kalvor {

void NoDisplayUnit::functionKey(int key, bool pressed, bool) {
    // One line per press; the release belongs to the same key stroke.
    if (pressed) {
        AddDebugMessage(
            QStringLiteral("X-Keys: function key %1 drives the KD-1 display unit, which is "
                           "not connected")
                .arg(key));
    }
}

} // namespace kalvor
