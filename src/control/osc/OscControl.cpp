#include "control/osc/OscControl.h"

#include "core/Limits.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <QTimer>

namespace kalvor::osc {

namespace {

void note(const QString& text, bool show = false) {
    SystemMessages::instance().addDebugMessage(QStringLiteral("OSC: ") + text, show);
}

// In the sound's own time, as the windows show it: the file's rate, not the playback
// frequency that vari-speed changes.
double positionSeconds(int ch, int fileRate) {
    const std::int64_t frames = KAE__Channel_GetPositionInSamples(ch);
    return frames > 0 && fileRate > 0 ? static_cast<double>(frames) / fileRate : 0.0;
}

} // namespace

OscControl::OscControl(ShowLayer& show, Settings& settings, std::function<void()> escape,
                       QObject* parent)
    : QObject(parent), show_(show), settings_(settings), escape_(std::move(escape)) {
    server_.received = [this](const Inbound& in) {
        handle(in);
    };
    server_.refused = [this](const QString& host) {
        stranger(host);
    };
    ChannelPlayback& play = show_.playback();
    connect(&play, &ChannelPlayback::channelStarted, this,
            [this](int ch) { channelEvent(ch, "started"); });
    connect(&play, &ChannelPlayback::channelStopped, this,
            [this](int ch) { channelEvent(ch, "stopped"); });
    connect(&play, &ChannelPlayback::channelPaused, this,
            [this](int ch) { channelEvent(ch, "paused"); });
    connect(&show_.recall(), &PresetRecall::recallFinished, this, [this](int index) {
        const QStringList& names = show_.store().presets().names();
        const QString name = index >= 0 && index < names.size() ? names.at(index) : QString();
        broadcast(kPresetRecalled, {{'i', double(index + 1), {}}, {'s', 0, name.toStdString()}});
        // Messages that came in during the recall run now, in their order.
        QTimer::singleShot(0, this, [this] { drainPending(); });
    });
}

void OscControl::applySettings() {
    allow_ = AllowList::parse(settings_.text(u"OscAllow"));
    if (!allow_.rejected().isEmpty())
        note(QStringLiteral("allow-list entries that are no address or network, left out: %1")
                 .arg(allow_.rejected().join(QStringLiteral(", "))),
             true);
    subscribers_.removeIf([this](const Subscriber& s) { return !allow_.allows(s.host); });
    refusedHosts_.clear();
    server_.setAllowList(allow_);

    const bool enable = settings_.isOn(u"OscEnable");
    const int port = settings_.integer(u"OscPort");
    if (!enable) {
        if (server_.isRunning())
            note(QStringLiteral("stopped listening on port %1").arg(server_.port()));
        server_.stop();
        subscribers_.clear();
        return;
    }
    if (server_.isRunning() && (port == 0 || server_.port() == port))
        return;
    if (!server_.start(port)) {
        note(QStringLiteral("cannot listen on UDP port %1: %2").arg(port).arg(server_.error()),
             true);
        return;
    }
    note(QStringLiteral("listening on UDP port %1, for %2")
             .arg(server_.port())
             .arg(allow_.isEmpty() ? QStringLiteral("nobody (the allow-list is empty)")
                                   : settings_.text(u"OscAllow")));
}

void OscControl::stop() {
    server_.stop();
    subscribers_.clear();
    pending_.clear();
}

void OscControl::handle(const Inbound& in) {
    if (!allow_.allows(in.host)) {
        stranger(in.host);
        return;
    }
    // Held messages go first: one that comes once the recall is done (during its settling
    // wait, say) must not overtake those held while it ran.
    if (show_.recall().recallBusy() || !pending_.empty()) {
        if (pending_.size() < 256)
            pending_.push_back(in);
        else
            refuse(in, "busy recalling a preset; message dropped");
        if (!show_.recall().recallBusy())
            QTimer::singleShot(0, this, [this] { drainPending(); });
        return;
    }
    obey(in);
}

void OscControl::obey(const Inbound& in) {
    const Parsed p = parseMessage(in.address, in.args);
    if (!p.command) {
        if (!p.error.empty())
            refuse(in, p.error);
        return;
    }
    run(*p.command, in);
}

// Nothing goes back: a stranger learns nothing about the show.
void OscControl::stranger(const QString& host) {
    if (refusedHosts_.contains(host))
        return;
    refusedHosts_.insert(host);
    note(QStringLiteral("message from %1 refused: the address is not in the allow-list").arg(host));
}

void OscControl::drainPending() {
    while (!pending_.empty() && !show_.recall().recallBusy()) {
        const Inbound in = std::move(pending_.front());
        pending_.pop_front();
        if (allow_.allows(in.host))
            obey(in);
        else
            stranger(in.host);
    }
}

void OscControl::run(const Command& c, const Inbound& in) {
    ChannelPlayback& play = show_.playback();
    ChannelOperations& ops = show_.channelOps();
    switch (c.verb) {
    case Verb::Play:
        play.PlayButtonDown(c.channel);
        break;
    case Verb::Release:
        play.PlayButtonUp(c.channel);
        break;
    case Verb::Stop:
        play.StopChannel(c.channel);
        break;
    case Verb::Pause:
        play.PauseChannel(c.channel);
        break;
    case Verb::Volume:
        if (!ops.SetVolume(c.channel, c.value))
            refuse(in, "channel " + std::to_string(c.channel + 1) + ": volume not taken");
        break;
    case Verb::Pan:
        if (!ops.SetPan(c.channel, c.value))
            refuse(in, "channel " + std::to_string(c.channel + 1) + ": pan not taken");
        break;
    case Verb::RecallPreset: {
        const int count = show_.store().presets().count();
        if (c.value > count) {
            refuse(in, "no preset " + std::to_string(c.value) + ": the show has " +
                           std::to_string(count));
            break;
        }
        show_.recall().SelectPreset(c.value - 1);
        break;
    }
    case Verb::NextPreset:
        show_.recall().NextPreset();
        break;
    case Verb::PreviousPreset:
        show_.recall().PreviousPreset();
        break;
    case Verb::StopAll:
        if (escape_) {
            escape_();
        } else {
            for (int ch = 0; ch < kChannelCount; ++ch)
                play.StopAndRewind(ch);
        }
        break;
    case Verb::Subscribe: {
        const Subscriber s{in.host, c.value > 0 ? c.value : in.port};
        // UDP never tells that a client went away, and a restarted tablet app comes back
        // from a new port. A subscription renewed goes to the back of the list; when the
        // list is full, the one not renewed for the longest makes room.
        if (subscribers_.removeAll(s) == 0) {
            if (subscribers_.size() >= kMaxSubscribers) {
                const Subscriber gone = subscribers_.takeFirst();
                note(QStringLiteral("%1:%2 no longer gets feedback: %3 newer subscribers")
                         .arg(gone.host)
                         .arg(gone.port)
                         .arg(kMaxSubscribers));
            }
            note(QStringLiteral("%1:%2 subscribed").arg(s.host).arg(s.port));
        }
        subscribers_.append(s);
        OscServer::send(s.host, s.port, kSubscribed, {});
        break;
    }
    case Verb::Unsubscribe:
        subscribers_.removeIf([&](const Subscriber& s) { return s.host == in.host; });
        break;
    }
}

void OscControl::refuse(const Inbound& in, const std::string& why) {
    if (in.port > 0)
        OscServer::send(in.host, in.port, kError, {{'s', 0, why}});
}

void OscControl::broadcast(std::string_view address, const std::vector<OutArg>& args) {
    for (const Subscriber& s : subscribers_)
        OscServer::send(s.host, s.port, address, args);
}

void OscControl::channelEvent(int ch, std::string_view event) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    const bool stopped = event == "stopped";
    if (stopped && !sounding_.test(std::size_t(ch)))
        return;
    sounding_.set(std::size_t(ch), !stopped);
    if (subscribers_.isEmpty())
        return;
    const int rate = show_.store().channel(ch).sampleRate;
    broadcast(channelAddress(ch, event), {{'f', positionSeconds(ch, rate), {}}});
}

} // namespace kalvor::osc
