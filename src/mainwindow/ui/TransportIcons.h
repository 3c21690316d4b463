// Transport and list symbols drawn by the program itself, so buttons look the same on
// every machine whatever symbol fonts it has. UI thread.
#pragma once

#include <QIcon>

namespace kalvor {

enum class TransportSymbol { Play, Pause, WindBack, WindForward, Repeat, Previous, Next };

// An icon of `size` pixels drawn in `colour`, with a dimmed form for disabled buttons.
QIcon transportIcon(TransportSymbol symbol, const QColor& colour, int size = 24);

} // namespace kalvor
