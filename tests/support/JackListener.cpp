// See JackListener.h.
#include "support/JackListener.h"

#include "support/WaitFor.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kalvor::test {

bool JackListener::open() {
    client_ = jack_client_open("kalvor-listener", JackNoStartServer, nullptr);
    if (client_ == nullptr)
        return false;
    for (int i = 0; i < kPorts; ++i)
        in_[std::size_t(i)] = jack_port_register(client_, ("in_" + std::to_string(i + 1)).c_str(),
                                                 JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client_, &JackListener::process, this);
    return jack_activate(client_) == 0;
}

JackListener::~JackListener() {
    if (client_ != nullptr)
        jack_client_close(client_);
}

int JackListener::ports() const {
    const char** names = jack_get_ports(client_, "system:playback_", nullptr, JackPortIsInput);
    int n = 0;
    for (const char** p = names; p != nullptr && *p != nullptr; ++p)
        ++n;
    jack_free(names);
    return n;
}

bool JackListener::tap(std::initializer_list<int> ports) {
    bool all = true;
    for (int n : ports) {
        const std::string sink = "system:playback_" + std::to_string(n);
        const char** feeds =
            jack_port_get_all_connections(client_, jack_port_by_name(client_, sink.c_str()));
        if (feeds == nullptr) {
            all = false;
            continue;
        }
        const std::string mine =
            std::string(jack_get_client_name(client_)) + ":in_" + std::to_string(n);
        for (const char** f = feeds; *f != nullptr; ++f)
            jack_connect(client_, *f, mine.c_str());
        jack_free(feeds);
    }
    return all;
}

unsigned JackListener::sounding(std::int64_t frames) {
    const std::int64_t settle = frames_.load();
    waitFor([&] { return frames_.load() > settle + frames; }, 10000);
    for (auto& p : peak_)
        p.store(0.0f);
    const std::int64_t from = frames_.load();
    waitFor([&] { return frames_.load() > from + frames; }, 10000);
    unsigned mask = 0;
    for (int i = 0; i < kPorts; ++i)
        if (peak_[std::size_t(i)].load() > 0.01f)
            mask |= 1u << i;
    return mask;
}

int JackListener::process(jack_nframes_t frames, void* self) {
    auto* l = static_cast<JackListener*>(self);
    for (int i = 0; i < kPorts; ++i) {
        const auto* data =
            static_cast<const float*>(jack_port_get_buffer(l->in_[std::size_t(i)], frames));
        float p = l->peak_[std::size_t(i)].load(std::memory_order_relaxed);
        for (jack_nframes_t f = 0; f < frames; ++f)
            p = std::max(p, std::abs(data[f]));
        l->peak_[std::size_t(i)].store(p, std::memory_order_relaxed);
    }
    l->frames_.fetch_add(frames);
    return 0;
}

} // namespace kalvor::test
