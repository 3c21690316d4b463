// `kalvor-tool hardware`: the keypads and GPIO chips this machine offers, as the program
// would find them, and an LED check of the keypad in use.
#pragma once

#include <QStringList>

namespace kalvor::cli {

int runHardware(const QStringList& args);

} // namespace kalvor::cli
