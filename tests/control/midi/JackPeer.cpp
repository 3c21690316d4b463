#include "JackPeer.h"

#include <jack/midiport.h>

#include <algorithm>

namespace kalvor::test {

namespace {

constexpr std::size_t kRingBytes = 1 << 16;

// A whole message or nothing, so the reader never finds half of one.
bool put(jack_ringbuffer_t* ring, const std::uint8_t* bytes, std::size_t size) {
    if (size == 0 || size > 255 || jack_ringbuffer_write_space(ring) < size + 1)
        return false;
    const auto length = static_cast<char>(size);
    jack_ringbuffer_write(ring, &length, 1);
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(bytes), size);
    return true;
}

// The next message into `into` (at most 255 bytes); 0 when the ring is empty.
std::size_t take(jack_ringbuffer_t* ring, std::uint8_t* into) {
    unsigned char length = 0;
    if (jack_ringbuffer_peek(ring, reinterpret_cast<char*>(&length), 1) != 1 ||
        jack_ringbuffer_read_space(ring) < std::size_t{length} + 1u)
        return 0;
    jack_ringbuffer_read_advance(ring, 1);
    jack_ringbuffer_read(ring, reinterpret_cast<char*>(into), length);
    return length;
}

} // namespace

JackPeer::JackPeer(const char* name) : name_(QString::fromLatin1(name)) {
    toJack_ = jack_ringbuffer_create(kRingBytes);
    fromJack_ = jack_ringbuffer_create(kRingBytes);
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
    jack_ringbuffer_free(toJack_);
    jack_ringbuffer_free(fromJack_);
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
    std::lock_guard<std::mutex> hold(testSide_); // one writer at a time
    put(toJack_, message.data(), message.size());
}

std::vector<Bytes> JackPeer::received() {
    std::lock_guard<std::mutex> hold(testSide_);
    std::uint8_t bytes[255];
    while (const std::size_t n = take(fromJack_, bytes))
        incoming_.emplace_back(bytes, bytes + n);
    return incoming_;
}

int JackPeer::process(jack_nframes_t frames, void* self) {
    auto* peer = static_cast<JackPeer*>(self);
    void* out = jack_port_get_buffer(peer->out_, frames);
    void* in = jack_port_get_buffer(peer->in_, frames);
    jack_midi_clear_buffer(out);
    std::uint8_t bytes[255];
    jack_nframes_t at = 0;
    while (const std::size_t n = take(peer->toJack_, bytes))
        jack_midi_event_write(out, std::min(at++, frames - 1), bytes, n);
    const jack_nframes_t count = jack_midi_get_event_count(in);
    for (jack_nframes_t i = 0; i < count; ++i) {
        jack_midi_event_t e;
        if (jack_midi_event_get(&e, in, i) == 0)
            put(peer->fromJack_, e.buffer, e.size);
    }
    return 0;
}

} // namespace kalvor::test
