// SIGTERM (a shutdown of the booth machine, a service manager), SIGINT and SIGHUP (the
// terminal Kalvor was started from) end the program through its closing order, so that
// the last playlist, the recent list and the log backup are written and every device is
// released, instead of the process simply vanishing.
#pragma once

#include <functional>

class QObject;

namespace kalvor {

// `quit` runs on the UI thread each time signals have arrived. The notifier lives as a child
// of `owner`. False when the signal pipe could not be set up (the signals then keep their
// default action).
bool quitOnTerminationSignals(QObject* owner, std::function<void()> quit);

} // namespace kalvor
