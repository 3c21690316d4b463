#include "app/RemoteUnitsWiring.h"

#include "control/serial/SerialLine.h"
#include "control/units/SerialUnitPort.h"
#include "control/units/kr1/Kr1Remote.h"
#include "core/Lifecycle.h"
#include "core/Settings.h"
#include "show/playback/ShowLayer.h"

#include <QObject>

namespace kalvor {

struct RemoteUnits {
    RemoteUnits(ShowLayer& show, Settings& settings, SerialLine& line)
        : settings(settings), line(line), port(line), kr1(show, settings, port) {}

    // The KR-1 runs while its mode is chosen and the port is open.
    bool kr1Wanted() const {
        return line.isOpen() && settings.text(u"ComMode") == QLatin1String("KR-1");
    }
    void followLine() {
        if (!started)
            return;
        if (kr1Wanted() && !kr1.active())
            kr1.initialise();
        else if (!kr1Wanted() && kr1.active())
            kr1.deactivate();
    }

    Settings& settings;
    SerialLine& line;
    SerialUnitPort port;
    Kr1Remote kr1;
    bool started = false; // start-up step 23 has run
};

void RemoteUnitsDeleter::operator()(RemoteUnits* units) const {
    delete units;
}

RemoteUnitsPtr wireRemoteUnits(ShowLayer& show, Settings& settings, SerialLine& line,
                               Lifecycle& lifecycle) {
    RemoteUnitsPtr units(new RemoteUnits(show, settings, line));
    RemoteUnits* u = units.get();
    line.setReceiver(QStringLiteral("KR-1"),
                     [u](const QByteArray& bytes) { u->kr1.received(bytes); });
    // A mode or port changed in the options takes effect at once.
    QObject::connect(&line, &SerialLine::lineChanged, &u->kr1, [u] { u->followLine(); });

    StartupHooks& up = lifecycle.startupHooks();
    up.initRemoteUnits = [u] {
        u->started = true;
        u->followLine();
    };
    up.drawRemotePresetScreen = [u] {
        u->kr1.drawPresetScreen();
    };
    show.playlists().hooks().showRemotePresetScreen = [u] {
        u->kr1.drawPresetScreen();
    };
    lifecycle.shutdownHooks().closeRemoteUnit = [u] {
        u->kr1.close();
        u->line.drain(1000);
    };
    return units;
}

} // namespace kalvor
