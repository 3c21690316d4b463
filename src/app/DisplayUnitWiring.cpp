#include "app/DisplayUnitWiring.h"

#include "control/serial/SerialLine.h"
#include "control/units/SerialUnitPort.h"
#include "control/units/UnitLink.h"
#include "control/units/kd1/Kd1Display.h"
#include "control/units/kr2/Kr2Remote.h"
#include "core/Lifecycle.h"
#include "core/Settings.h"

namespace kalvor {

namespace {

class Units final : public DisplayUnits {
public:
    Units(ShowLayer& show, Settings& settings, SerialLine& line)
        : settings_(settings), line_(line), port_(line),
          link_(port_, QStringLiteral("KR-2"),
                QStringLiteral("KR-2 is busy or offline (CTSHolding = FALSE)")),
          kr2_(show, settings, {}), kd1_(show, settings, std::make_unique<units::Kd1SerialLink>()) {
        kr2_.useQueue(link_.queue());
        line_.setReceiver(QStringLiteral("KR-2"),
                          [this](const QByteArray& bytes) { kr2_.received(bytes); });
        // A mode or port changed in the options takes effect at once.
        QObject::connect(&line_, &SerialLine::lineChanged, &kr2_, [this] { followLine(); });
        // The display never shares the RS-232 port while that is open.
        kd1_.setSerialPortInUse(
            [this] { return line_.isOpen() ? settings_.text(u"ComPort").trimmed().toInt() : 0; });
    }

    Kd1Operations& displayUnit() override { return kd1_; }

    void applySettings() override {
        const int port = settings_.text(u"DO500ComPort").trimmed().toInt();
        if (kd1_.enabled() && (!kd1_.enabledInSettings() || port != kd1_.port()))
            kd1_.close();
        if (kd1_.enabledInSettings() && !kd1_.enabled() && kd1_.open())
            kd1_.showPlaylist();
    }

    // Start-up step 23: from here on the KR-2 follows the serial mode and the port.
    void initRemote() {
        started_ = true;
        followLine();
    }

    void followLine() {
        const bool wanted =
            started_ && settings_.text(u"ComMode") == QLatin1String("KR-2") && line_.isOpen();
        if (wanted && !kr2_.active()) {
            link_.queue().clear();
            link_.start();
            kr2_.start();
        } else if (!wanted && kr2_.active()) {
            // The port speaks another mode now: the goodbye screen cannot reach the unit.
            kr2_.close();
            link_.stop();
            link_.queue().clear();
        }
    }

    void closeRemote() {
        if (!kr2_.active())
            return;
        kr2_.close();
        link_.flush();
        link_.stop();
        // The queue hands its commands to the port's buffer; they must leave before the
        // port closes, or the unit never shows that it is no longer live.
        line_.drain(1000);
    }

    units::Kd1Display& kd1() { return kd1_; }

private:
    Settings& settings_;
    SerialLine& line_;
    SerialUnitPort port_;
    UnitLink link_;
    units::Kr2Remote kr2_;
    units::Kd1Display kd1_;
    bool started_ = false;
};

// Runs what was wired before, then `next`.
std::function<void()> after(std::function<void()> before, std::function<void()> next) {
    return [before = std::move(before), next = std::move(next)] {
        if (before)
            before();
        next();
    };
}

} // namespace

std::unique_ptr<DisplayUnits> wireDisplayUnits(Lifecycle& lifecycle, ShowLayer& show,
                                               Settings& settings, SerialLine& serialLine) {
    auto units = std::make_unique<Units>(show, settings, serialLine);
    Units* u = units.get();
    StartupHooks& up = lifecycle.startupHooks();
    up.openDisplayUnit = after(up.openDisplayUnit, [u] { u->kd1().open(); });
    up.showPlaylistOnDisplayUnit =
        after(up.showPlaylistOnDisplayUnit, [u] { u->kd1().showPlaylist(); });
    up.initRemoteUnits = after(up.initRemoteUnits, [u] { u->initRemote(); });
    ShutdownHooks& down = lifecycle.shutdownHooks();
    down.closeRemoteUnit = after(down.closeRemoteUnit, [u] { u->closeRemote(); });
    down.closeDisplayUnit = after(down.closeDisplayUnit, [u] { u->kd1().close(); });
    return units;
}

} // namespace kalvor
