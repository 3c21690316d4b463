// A JACK client of the test's own on the running server, standing in for a sequencer: it
// sends MIDI from its "out" port and records what reaches its "in" port. The process
// callback and the test meet only in two lock-free rings: an event of a period exists in
// that period alone, so a callback that waited for, or gave up on, a lock the test holds
// would lose what the program sent.
#pragma once

#include <jack/jack.h>
#include <jack/ringbuffer.h>

#include <QString>

#include <cstdint>
#include <mutex>
#include <vector>

namespace kalvor::test {

using Bytes = std::vector<std::uint8_t>;

class JackPeer {
public:
    explicit JackPeer(const char* name);
    ~JackPeer();
    JackPeer(const JackPeer&) = delete;
    JackPeer& operator=(const JackPeer&) = delete;

    bool ok() const { return client_ != nullptr; }
    // "JACK: name:out" / "JACK: name:in", as the program's device lists name them.
    QString outDevice() const;
    QString inDevice() const;

    // Each message becomes one JACK MIDI event of the next period.
    void send(const Bytes& message);
    // Everything that reached "in" so far, oldest first.
    std::vector<Bytes> received();
    // The client leaves the server, as an unplugged interface would.
    void close();

private:
    static int process(jack_nframes_t frames, void* self);

    jack_client_t* client_ = nullptr;
    jack_port_t* out_ = nullptr;
    jack_port_t* in_ = nullptr;
    QString name_;
    // Each ring holds messages as a length byte and the bytes.
    jack_ringbuffer_t* toJack_ = nullptr;
    jack_ringbuffer_t* fromJack_ = nullptr;
    std::mutex testSide_; // between test threads only; the callback never takes it
    std::vector<Bytes> incoming_;
};

} // namespace kalvor::test
