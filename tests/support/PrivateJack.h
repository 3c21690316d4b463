// A JACK server on the dummy driver under a name of its own, for the tests that make a
// server go away or need ports of their own, so the shared test server is never touched.
#pragma once

#include <QProcess>
#include <QString>

namespace kalvor::test {

// True when jackd can be started on this machine at all.
bool jackdInstalled();
// Starts `jackd --no-realtime -n NAME -d dummy -r 48000 -p 256 -P PORTS` in `server` and
// points this process's JACK clients at it (JACK_DEFAULT_SERVER). The server dies with the
// test program, so a crashed test leaves no server behind. False when it did not start.
bool startPrivateJack(QProcess& server, const QString& name, int playbackPorts = 2);

} // namespace kalvor::test
