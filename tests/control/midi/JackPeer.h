// A JACK client of the test's own on the running server, standing in for a sequencer: it
// sends MIDI from its "out" port and records what reaches its "in" port. The process
// callback only try-locks, so a test thread holding the lock costs a period, not a hang.
#pragma once

#include <jack/jack.h>

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
    std::vector<Bytes> received();
    // The client leaves the server, as an unplugged interface would.
    void close();

private:
    static int process(jack_nframes_t frames, void* self);

    jack_client_t* client_ = nullptr;
    jack_port_t* out_ = nullptr;
    jack_port_t* in_ = nullptr;
    QString name_;
    std::mutex lock_;
    std::vector<Bytes> outgoing_;
    std::vector<Bytes> incoming_;
};

} // namespace kalvor::test
