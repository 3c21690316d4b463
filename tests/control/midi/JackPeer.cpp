#include "JackPeer.h"

#include <jack/midiport.h>

namespace kalvor::test {

JackPeer::JackPeer(const char* name) : name_(QString::fromLatin1(name)) {
    client_ = jack_client_open(
        name, static_cast<jack_options_t>(JackNoStartServer | JackUseExactName), nullptr);
    if (!client_)
        return;
    out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    in_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client_, &JackPeer::process, this);
    if (!out_ || !in_ || jack_activate(client_) != 0)
        close();
}

JackPeer::~JackPeer() {
    close();
}

void JackPeer::close() {
    if (client_) {
        jack_deactivate(client_);
        jack_client_close(client_);
        client_ = nullptr;
    }
}

QString JackPeer::outDevice() const {
    return QStringLiteral("JACK: ") + name_ + QStringLiteral(":out");
}

QString JackPeer::inDevice() const {
    return QStringLiteral("JACK: ") + name_ + QStringLiteral(":in");
}

void JackPeer::send(const Bytes& message) {
    std::lock_guard<std::mutex> hold(lock_);
    outgoing_.push_back(message);
}

std::vector<Bytes> JackPeer::received() {
    std::lock_guard<std::mutex> hold(lock_);
    return incoming_;
}

int JackPeer::process(jack_nframes_t frames, void* self) {
    auto* peer = static_cast<JackPeer*>(self);
    void* out = jack_port_get_buffer(peer->out_, frames);
    void* in = jack_port_get_buffer(peer->in_, frames);
    jack_midi_clear_buffer(out);
    std::unique_lock<std::mutex> hold(peer->lock_, std::try_to_lock);
    if (!hold.owns_lock())
        return 0;
    jack_nframes_t at = 0;
    for (const Bytes& m : peer->outgoing_)
        jack_midi_event_write(out, std::min(at++, frames - 1), m.data(), m.size());
    peer->outgoing_.clear();
    const jack_nframes_t count = jack_midi_get_event_count(in);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t e;
        if (jack_midi_event_get(&e, in, i) == 0)
            peer->incoming_.emplace_back(e.buffer, e.buffer + e.size);
    }
    return 0;
}

} // namespace kalvor::test
