#include "control/midi/MidiPorts.h"

#include "core/SystemMessages.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>

#include <RtMidi.h>
#include <jack/jack.h>

#include <array>
#include <atomic>
#include <string>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace kalvor::midi {

// Single producer (RtMidi's thread), single consumer (the UI thread). The producer writes
// the slot, then publishes it with a release store of `head`; the consumer reads `head`
// with acquire, so it never sees a slot before its bytes. Fixed size: the callback never
// allocates or locks, and a full ring drops (and counts) instead of waiting.
struct MidiPorts::Inbox {
    static constexpr std::uint32_t kSize = 4096;
    std::array<ShortMessage, kSize> ring{};
    std::atomic<std::uint32_t> head{0};
    std::atomic<std::uint32_t> tail{0};
    std::atomic<std::uint32_t> dropped{0};
    std::atomic<bool> mtcPass{false};
    RunningStatus running; // only the callback touches it
    int wake = -1;

    void push(const ShortMessage& m) {
        const std::uint32_t h = head.load(std::memory_order_relaxed);
        if (h - tail.load(std::memory_order_acquire) >= kSize) {
            dropped.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        ring[h % kSize] = m;
        head.store(h + 1, std::memory_order_release);
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake, &one, sizeof one);
    }
};

// libjack, the first time this process opens any client after a server died (the audio
// output's reopening does once a second), closes and deletes every client it still has of
// the dead server, RtMidi's among them. RtMidi's port objects would then unregister their
// port and close their client through freed pointers when they are closed or dropped. So a
// client of our own tells, from its shutdown callback, when the server goes; the RtMidi
// objects of that server are then never touched again, only kept (see abandon()).
struct MidiPorts::JackWatch {
    jack_client_t* client = nullptr;
    std::string name; // as the server named it, kept apart from the client's memory
    std::atomic<bool> gone{false};

    static void onShutdown(void* self) {
        static_cast<JackWatch*>(self)->gone.store(true, std::memory_order_release);
    }
};

namespace {

bool serverGone(const MidiPorts::JackWatch* watch) {
    return watch && watch->gone.load(std::memory_order_acquire);
}

// Something that belonged to a dead JACK client: held where leak checks still reach it, and
// never destroyed, as a destructor would close that client a second time.
template <typename T> void keep(T* object) {
    static auto* kept = new std::vector<T*>;
    kept->push_back(object);
}

template <typename Port> void abandon(std::unique_ptr<Port>& port) {
    keep<RtMidi>(port.release());
}

void onInput(double, std::vector<unsigned char>* bytes, void* user) {
    auto* inbox = static_cast<MidiPorts::Inbox*>(user);
    if (!bytes || !inbox)
        return;
    const auto m = decodeShortMessage(bytes->data(), bytes->size(), inbox->running);
    if (m && passesInputFilter(m->status, inbox->mtcPass.load(std::memory_order_relaxed)))
        inbox->push(*m);
}

template <typename Port> std::unique_ptr<Port> makePort(RtMidi::Api api, const char* client) {
    // Without the sequencer device the ALSA API can only fail, and loudly on stderr.
    if (api == RtMidi::LINUX_ALSA && !QFileInfo::exists(QStringLiteral("/dev/snd/seq")))
        return nullptr;
    try {
        return std::make_unique<Port>(api, client);
    } catch (const RtMidiError&) {
        return nullptr; // the API is not there on this machine (no /dev/snd/seq, no server)
    }
}

// RtMidi lists no ports alike for a server without MIDI ports and for no server at all.
bool jackServerRuns() {
    jack_client_t* client = jack_client_open("Kalvor probe", JackNoStartServer, nullptr);
    if (!client)
        return false;
    jack_client_close(client);
    return true;
}

template <typename Port> QStringList portNames(bool input) {
    QStringList names;
    const std::pair<RtMidi::Api, const char*> apis[] = {{RtMidi::LINUX_ALSA, kAlsaPrefix},
                                                        {RtMidi::UNIX_JACK, kJackPrefix}};
    for (const auto& [api, prefix] : apis) {
        auto port = makePort<Port>(api, "Kalvor list");
        if (!port)
            continue;
        try {
            const unsigned count = port->getPortCount();
            for (unsigned i = 0; i < count; ++i) {
                const QString name = QString::fromStdString(port->getPortName(i));
                // Our own ports are listed once, as the unconnected entry below; JACK
                // renames the second of our clients "Kalvor-01".
                static const QRegularExpression own(QStringLiteral("^Kalvor(-\\d+)?:"));
                if (api == RtMidi::UNIX_JACK && own.match(name).hasMatch())
                    continue;
                names << QLatin1String(prefix) + name;
            }
        } catch (const RtMidiError&) {
        }
        if (api == RtMidi::UNIX_JACK && jackServerRuns())
            names << ownJackPortEntry(input);
    }
    return names;
}

// Where a stored name points: the API and the port's number now (-1: our own port only).
struct Target {
    RtMidi::Api api = RtMidi::UNSPECIFIED;
    int index = -2; // -2: not found
};

template <typename Port> Target findPort(const QString& name, bool input) {
    Target t;
    QString rest;
    if (name.startsWith(QLatin1String(kAlsaPrefix))) {
        t.api = RtMidi::LINUX_ALSA;
        rest = name.mid(int(sizeof kAlsaPrefix) - 1);
    } else if (name.startsWith(QLatin1String(kJackPrefix))) {
        t.api = RtMidi::UNIX_JACK;
        rest = name.mid(int(sizeof kJackPrefix) - 1);
        if (name == ownJackPortEntry(input)) {
            t.index = -1;
            return t;
        }
    } else {
        return t;
    }
    auto port = makePort<Port>(t.api, "Kalvor list");
    if (!port)
        return t;
    try {
        const unsigned count = port->getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            if (QString::fromStdString(port->getPortName(i)) == rest) {
                t.index = static_cast<int>(i);
                break;
            }
        }
    } catch (const RtMidiError&) {
    }
    return t;
}

// Whether the port `name` points at is listed by the API `port` works on; our own
// unconnected port counts as always there.
bool devicePresent(RtMidi& port, const QString& name, bool input) {
    QString rest;
    if (name.startsWith(QLatin1String(kAlsaPrefix)))
        rest = name.mid(int(sizeof kAlsaPrefix) - 1);
    else if (name.startsWith(QLatin1String(kJackPrefix)) && name != ownJackPortEntry(input))
        rest = name.mid(int(sizeof kJackPrefix) - 1);
    else
        return true;
    try {
        const unsigned count = port.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            if (QString::fromStdString(port.getPortName(i)) == rest)
                return true;
        }
    } catch (const RtMidiError&) {
        return true; // no answer is no news
    }
    return false;
}

} // namespace

QString ownJackPortEntry(bool input) {
    return QLatin1String(kJackPrefix) + QLatin1String(kJackClientName) +
           (input ? QStringLiteral(" MIDI In (unconnected)")
                  : QStringLiteral(" MIDI Out (unconnected)"));
}

QStringList midiInputNames() {
    return portNames<RtMidiIn>(true);
}

QStringList midiOutputNames() {
    return portNames<RtMidiOut>(false);
}

MidiPorts::JackWatch* MidiPorts::watchJack() {
    if (jack_ && !jack_->gone.load(std::memory_order_acquire))
        return jack_;
    // The watch of a gone server is kept, not closed, for the reason above.
    if (jack_)
        keep(jack_);
    jack_ = new JackWatch;
    jack_->client = jack_client_open("Kalvor watch", JackNoStartServer, nullptr);
    if (!jack_->client)
        jack_->gone.store(true);
    else {
        jack_->name = jack_get_client_name(jack_->client);
        jack_on_shutdown(jack_->client, &JackWatch::onShutdown, jack_);
    }
    return jack_;
}

// The shutdown call alone can miss a server's end: the first client of the process whose
// thread sees the server gone marks it so, and the next client the process opens makes
// libjack delete every client of the old server, ours among them, whether its shutdown
// call has run or not. So the server that answers now is asked whether it still knows
// the watch by name; a server that does not is not the one the ports were opened on.
void MidiPorts::checkWatchedServer() {
    if (!jack_ || jack_->gone.load(std::memory_order_acquire))
        return;
    serverAsked_.start();
    bool known = false;
    if (jack_client_t* probe = jack_client_open("Kalvor probe", JackNoStartServer, nullptr)) {
        if (char* uuid = jack_get_uuid_for_client_name(probe, jack_->name.c_str())) {
            known = true;
            jack_free(uuid);
        }
        jack_client_close(probe);
    }
    if (!known)
        jack_->gone.store(true, std::memory_order_release);
}

MidiPorts::MidiPorts(QObject* parent) : QObject(parent), inbox_(std::make_unique<Inbox>()) {
    inbox_->wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (inbox_->wake >= 0) {
        notifier_ = new QSocketNotifier(inbox_->wake, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &MidiPorts::drain);
    }
    auto* watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, &MidiPorts::watchDevices);
    watch->start(1000);
}

void MidiPorts::watchDevices() {
    if (inJack_ == jack_ || outJack_ == jack_)
        checkWatchedServer();
    follow(true);
    follow(false);
}

void MidiPorts::follow(bool input) {
    RtMidi* port = input ? static_cast<RtMidi*>(in_.get()) : out_.get();
    if (!port)
        return;
    const JackWatch* jack = input ? inJack_ : outJack_;
    const QString current = input ? inName_ : outName_;
    bool& lost = input ? inLost_ : outLost_;
    const QString direction = input ? QStringLiteral("input") : QStringLiteral("output");
    bool present = false;
    if (!serverGone(jack)) {
        present = devicePresent(*port, current, input);
    } else {
        // The port's own client is dead: ask a fresh one whether the device is back, once a
        // server answers (RtMidi's JACK output leaks its buffers when it finds none).
        present = jackServerRuns() &&
                  (input ? findPort<RtMidiIn>(current, true) : findPort<RtMidiOut>(current, false))
                          .index != -2;
    }
    if (!present && !lost) {
        lost = true;
        SystemMessages::instance().addDebugMessage(
            QStringLiteral("MIDI %1 device gone: %2").arg(direction, current));
    } else if (present && (lost || serverGone(jack))) {
        // A server back within a tick was never told lost, but the port died with it.
        const QString name = current;
        input ? closeInput() : closeOutput();
        if (input ? openInput(name) : openOutput(name))
            SystemMessages::instance().addDebugMessage(
                QStringLiteral("MIDI %1 device back, reopened: %2").arg(direction, name));
    }
}

MidiPorts::~MidiPorts() {
    closeInput();
    closeOutput();
    if (jack_ && !jack_->gone.load(std::memory_order_acquire)) {
        jack_client_close(jack_->client);
        delete jack_;
    } else if (jack_) {
        keep(jack_);
    }
    if (inbox_->wake >= 0)
        ::close(inbox_->wake);
}

bool MidiPorts::openInput(const QString& name) {
    if (in_)
        return true;
    SystemMessages& messages = SystemMessages::instance();
    const Target t = findPort<RtMidiIn>(name, true);
    if (t.index == -2) {
        messages.addDebugMessage(
            QStringLiteral("MIDI input device not found: %1 (MIDI input stays closed)").arg(name));
        return false;
    }
    JackWatch* jack = t.api == RtMidi::UNIX_JACK ? watchJack() : nullptr;
    try {
        auto port = std::make_unique<RtMidiIn>(t.api, kJackClientName);
        // SysEx never reaches the show; clock and sensing are filtered with the quarter
        // frames in the callback, so a time-code switch needs no reopening.
        port->ignoreTypes(true, false, true);
        inbox_->running = {};
        inbox_->tail.store(inbox_->head.load());
        port->setCallback(&onInput, inbox_.get());
        if (t.index < 0)
            port->openVirtualPort("MIDI In");
        else
            port->openPort(static_cast<unsigned>(t.index), "MIDI In");
        in_ = std::move(port);
        inJack_ = jack;
        inName_ = name;
        return true;
    } catch (const RtMidiError& e) {
        messages.addDebugMessage(QStringLiteral("Midi In Error: %1 / %2: %3")
                                     .arg(static_cast<int>(e.getType()))
                                     .arg(name, QString::fromStdString(e.getMessage())));
        return false;
    }
}

void MidiPorts::closeInput() {
    if (!in_)
        return;
    // The callback is left in place until the port object goes: RtMidi's JACK thread reads
    // the callback flag and pointer without a lock, so cancelling it while messages arrive
    // could call a null pointer. A message that comes in meanwhile only lands in the inbox,
    // which is emptied below.
    if (serverGone(inJack_)) {
        abandon(in_); // its thread ended with the server: no callback runs after this
    } else {
        try {
            in_->closePort();
        } catch (const RtMidiError&) {
        }
        in_.reset(); // joins RtMidi's thread: no callback runs after this
    }
    inJack_ = nullptr;
    inName_.clear();
    inLost_ = false;
    inbox_->tail.store(inbox_->head.load());
}

bool MidiPorts::openOutput(const QString& name) {
    if (out_)
        return true;
    SystemMessages& messages = SystemMessages::instance();
    const Target t = findPort<RtMidiOut>(name, false);
    if (t.index == -2) {
        messages.addDebugMessage(
            QStringLiteral("MIDI output device not found: %1 (MIDI output stays closed)")
                .arg(name));
        return false;
    }
    JackWatch* jack = t.api == RtMidi::UNIX_JACK ? watchJack() : nullptr;
    try {
        auto port = std::make_unique<RtMidiOut>(t.api, kJackClientName);
        if (t.index < 0)
            port->openVirtualPort("MIDI Out");
        else
            port->openPort(static_cast<unsigned>(t.index), "MIDI Out");
        out_ = std::move(port);
        outJack_ = jack;
        outName_ = name;
        return true;
    } catch (const RtMidiError& e) {
        messages.addDebugMessage(QStringLiteral("Midi Out Error: %1 / %2: %3")
                                     .arg(static_cast<int>(e.getType()))
                                     .arg(name, QString::fromStdString(e.getMessage())));
        return false;
    }
}

void MidiPorts::closeOutput() {
    if (!out_)
        return;
    if (serverGone(outJack_)) {
        abandon(out_);
    } else {
        try {
            out_->closePort();
        } catch (const RtMidiError&) {
        }
        out_.reset();
    }
    outJack_ = nullptr;
    outName_.clear();
    outLost_ = false;
}

bool MidiPorts::send(const ShortMessage& m) {
    // A message sent between a server's return and the next tick would go into the port of
    // the old server and be lost: the server is asked first (once for a burst, as a GO may
    // start many channels), and the device served again at once when it is back.
    if (out_ && outJack_ && outJack_ == jack_ &&
        (!serverAsked_.isValid() || serverAsked_.hasExpired(100)))
        checkWatchedServer();
    if (out_ && serverGone(outJack_))
        follow(false);
    if (!out_ || serverGone(outJack_))
        return false;
    const unsigned char bytes[3] = {m.status, m.data1, m.data2};
    const std::size_t size = (m.status & 0xE0) == 0xC0 ? 2 : 3; // program change, pressure
    SystemMessages& messages = SystemMessages::instance();
    try {
        out_->sendMessage(bytes, size);
    } catch (const RtMidiError& e) {
        messages.addDebugMessage(QStringLiteral("Midi Out Error: %1 / %2")
                                     .arg(static_cast<int>(e.getType()))
                                     .arg(QString::fromStdString(e.getMessage())));
        return false;
    }
    messages.addDebugMessage(QStringLiteral("Midi Out message sent: %1").arg(packed(m)));
    return true;
}

void MidiPorts::setQuarterFramesPass(bool pass) {
    inbox_->mtcPass.store(pass, std::memory_order_relaxed);
}

void MidiPorts::drain() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(inbox_->wake, &count, sizeof count);
    const std::uint32_t lost = inbox_->dropped.exchange(0, std::memory_order_relaxed);
    if (lost > 0)
        SystemMessages::instance().addDebugMessage(
            QStringLiteral("Midi In Error: 1 / %1 messages arrived faster than they could be "
                           "handled and were dropped")
                .arg(lost));
    // Messages that arrive while one is handled are taken in the same round, in order.
    for (;;) {
        const std::uint32_t t = inbox_->tail.load(std::memory_order_relaxed);
        if (t == inbox_->head.load(std::memory_order_acquire) || !in_)
            break;
        const ShortMessage m = inbox_->ring[t % Inbox::kSize];
        inbox_->tail.store(t + 1, std::memory_order_release);
        Q_EMIT received(m);
    }
}

} // namespace kalvor::midi
