// Switching an effect of a channel on and off, and the chain that remembers the order
// they were switched on in: a re-applied channel attaches its effects in that order.
// The effects window and the strip's EQ box both switch through here. UI thread.
#pragma once

#include "engine/kae/Kae.h"

#include <QString>

#include <array>

namespace kalvor::engine {

using FxChain = std::array<QString, 5>;

// "EQ", "REVERB", "DELAY", "CHORUS", "FLANGER".
QString effectChainName(KaeEffect effect);

// Switched on: the name goes into the first empty place ("---"). A full chain, or one
// that lists the effect already, stays as it is. True when the chain changed.
bool chainSwitchOn(FxChain& chain, KaeEffect effect);
// Switched off: the names after it move one place forward and the fifth place becomes
// empty. A chain without the name stays as it is. True when the chain changed.
bool chainSwitchOff(FxChain& chain, KaeEffect effect);

// Switches the effect of the channel record `slot` on (attach, hand over its parameters,
// note it in the chain) or off (detach, take it out of the chain), and announces the
// change. A channel without a stream takes the switch into its record only.
void switchEffect(int slot, KaeEffect effect, bool on);

} // namespace kalvor::engine
