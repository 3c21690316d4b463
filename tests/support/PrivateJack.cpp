#include "support/PrivateJack.h"

#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>

namespace kalvor::test {

bool jackdInstalled() {
    return !QStandardPaths::findExecutable(QStringLiteral("jackd")).isEmpty();
}

bool startPrivateJack(QProcess& server, const QString& name, int playbackPorts) {
    server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    server.start(QStringLiteral("jackd"),
                 {QStringLiteral("--no-realtime"), QStringLiteral("-n"), name, QStringLiteral("-d"),
                  QStringLiteral("dummy"), QStringLiteral("-r"), QStringLiteral("48000"),
                  QStringLiteral("-p"), QStringLiteral("256"), QStringLiteral("-P"),
                  QString::number(playbackPorts)});
    if (!server.waitForStarted())
        return false;
    qputenv("JACK_DEFAULT_SERVER", name.toUtf8());
    return true;
}

} // namespace kalvor::test
