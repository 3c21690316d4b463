// OSC remote control on top of the show layer: each message from an allowed sender ends
// in the same operations the strips, keys and the serial line call; subscribed clients
// get the channels' starts and stops (with position) and each recalled preset. Settings
// section "Osc": OscEnable, OscPort, OscAllow. UI thread.
#pragma once

#include "control/osc/OscAllowList.h"
#include "control/osc/OscServer.h"
#include "core/Limits.h"

#include <QObject>
#include <QSet>

#include <bitset>
#include <deque>
#include <functional>

namespace kalvor {

class Settings;
class ShowLayer;

namespace osc {

inline constexpr int kDefaultPort = 8470;
inline constexpr int kMaxSubscribers = 16;

struct Subscriber {
    QString host;
    int port = 0;
    friend bool operator==(const Subscriber&, const Subscriber&) = default;
};

class OscControl : public QObject {
    Q_OBJECT
public:
    // `escape` is the main window's Escape key, so /kalvor/stopall obeys the page it shows
    // as the keyboard does; without it every channel is stopped and rewound.
    OscControl(ShowLayer& show, Settings& settings, std::function<void()> escape = {},
               QObject* parent = nullptr);

    // Takes up the stored settings: starts, moves or stops the server, reads the
    // allow-list and drops subscribers it no longer allows.
    void applySettings();
    // The closing sequence: nothing more is taken from the network.
    void stop();

    bool isListening() const { return server_.isRunning(); }
    int port() const { return server_.port(); }
    const QList<Subscriber>& subscribers() const { return subscribers_; }
    // Messages that reached the port so far, refused ones included.
    int received() const { return server_.packets(); }

    // One message as if it had arrived from the network (the server's own path).
    void handle(const Inbound& in);

private:
    void obey(const Inbound& in);
    void run(const Command& c, const Inbound& in);
    void refuse(const Inbound& in, const std::string& why);
    void stranger(const QString& host);
    void broadcast(std::string_view address, const std::vector<OutArg>& args);
    void channelEvent(int ch, std::string_view event);
    void drainPending();

    ShowLayer& show_;
    Settings& settings_;
    std::function<void()> escape_;
    OscServer server_;
    AllowList allow_;
    QList<Subscriber> subscribers_;
    QSet<QString> refusedHosts_;          // named once each in the system messages
    std::deque<Inbound> pending_;         // held while a recall runs
    std::bitset<kChannelCount> sounding_; // started or paused: a recall's stop of every channel
                                          // reports only these
};

} // namespace osc
} // namespace kalvor
