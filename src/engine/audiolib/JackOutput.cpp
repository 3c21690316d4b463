// The JACK device's own client; see JackOutput.h. UI thread, except process() and
// onShutdown(), which JACK calls on its threads.
#include "engine/audiolib/JackOutput.h"

#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

namespace kalvor::audio {

namespace {

// libjack prints a line for every client that finds no server. While a lost server is
// being waited for that is one a second; the audio messages already say it is gone.
void quietJack(const char*) {}

// Frames render() is given at most at once; a server period above it is rendered in parts.
constexpr int kBlockFrames = 4096;

class JackOutput final : public OutputStream {
public:
    explicit JackOutput(RenderTarget& target) : target_(target) {}
    ~JackOutput() override {
        stop();
        // A client whose server went away is never touched again: the next client this
        // process opens makes libjack close and delete every client of the old server
        // (and that may have happened already, through another part of the program).
        if (client_ != nullptr && !gone_.load())
            jack_client_close(client_);
    }

    bool open(const BackendDevice& device, QString* error) {
        jack_set_error_function(&quietJack);
        jack_status_t status{};
        client_ = jack_client_open("Kalvor", JackNoStartServer, &status);
        if (client_ == nullptr) {
            if (error != nullptr)
                *error = QStringLiteral("no JACK server answers");
            return false;
        }
        config_.sampleRate = static_cast<int>(jack_get_sample_rate(client_));
        config_.channels = std::clamp(device.outputChannels, 1, kMaxSpeakers);
        config_.periodFrames = static_cast<int>(jack_get_buffer_size(client_));
        buffer_.assign(static_cast<std::size_t>(kBlockFrames * config_.channels), 0.0f);
        for (int c = 0; c < config_.channels; ++c) {
            const std::string name = "out_" + std::to_string(c + 1);
            ports_[c] = jack_port_register(client_, name.c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                           JackPortIsOutput, 0);
            if (ports_[c] == nullptr) {
                if (error != nullptr)
                    *error = QStringLiteral("JACK refused an output port");
                return false;
            }
        }
        jack_on_shutdown(client_, &JackOutput::onShutdown, this);
        jack_set_process_callback(client_, &JackOutput::process, this);
        return true;
    }

    const OutputConfig& config() const override { return config_; }

    bool start(QString* error) override {
        if (running_)
            return true;
        if (gone_.load() || jack_activate(client_) != 0) {
            if (error != nullptr)
                *error = QStringLiteral("the JACK server did not start the client");
            return false;
        }
        running_ = true;
        connectToPlayback();
        return true;
    }

    void stop() override {
        if (!running_)
            return;
        running_ = false;
        if (!gone_.load())
            jack_deactivate(client_);
    }

    bool running() const override { return running_; }
    bool failed() const override { return running_ && gone_.load(); }
    std::int64_t framesRendered() const override { return frames_.load(std::memory_order_relaxed); }

private:
    // Our ports in order onto the server's playback ports, as PortAudio connected its own.
    void connectToPlayback() {
        const char** playback = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                               JackPortIsPhysical | JackPortIsInput);
        if (playback == nullptr)
            return;
        for (int c = 0; c < config_.channels && playback[c] != nullptr; ++c)
            jack_connect(client_, jack_port_name(ports_[c]), playback[c]);
        jack_nframes_t latency = 0;
        if (playback[0] != nullptr) {
            jack_latency_range_t range{};
            if (jack_port_t* port = jack_port_by_name(client_, playback[0])) {
                jack_port_get_latency_range(port, JackPlaybackLatency, &range);
                latency = range.min;
            }
        }
        config_.latencyFrames = static_cast<int>(latency);
        jack_free(playback);
    }

    static int process(jack_nframes_t frames, void* user) {
        auto* self = static_cast<JackOutput*>(user);
        const int channels = self->config_.channels;
        float* ports[kMaxSpeakers] = {};
        for (int c = 0; c < channels; ++c)
            ports[c] = static_cast<float*>(jack_port_get_buffer(self->ports_[c], frames));
        float* mix = self->buffer_.data();
        for (jack_nframes_t done = 0; done < frames;) {
            const int n = static_cast<int>(std::min<jack_nframes_t>(frames - done, kBlockFrames));
            self->target_.render(mix, n, channels);
            for (int f = 0; f < n; ++f)
                for (int c = 0; c < channels; ++c)
                    ports[c][done + static_cast<jack_nframes_t>(f)] = mix[f * channels + c];
            done += static_cast<jack_nframes_t>(n);
        }
        self->frames_.fetch_add(frames, std::memory_order_relaxed);
        return 0;
    }

    static void onShutdown(void* user) {
        static_cast<JackOutput*>(user)->gone_.store(true);
    }

    RenderTarget& target_;
    OutputConfig config_;
    jack_client_t* client_ = nullptr;
    jack_port_t* ports_[kMaxSpeakers] = {};
    std::vector<float> buffer_; // interleaved, kBlockFrames; the process callback's alone
    bool running_ = false;
    std::atomic<bool> gone_{false};       // set by JACK when the server goes away
    std::atomic<std::int64_t> frames_{0}; // written by process(), read by the UI
};

} // namespace

std::optional<BackendDevice> probeJackDevice() {
    jack_set_error_function(&quietJack);
    jack_client_t* client = jack_client_open("Kalvor probe", JackNoStartServer, nullptr);
    if (client == nullptr)
        return std::nullopt;
    int ports = 0;
    if (const char** playback = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                               JackPortIsPhysical | JackPortIsInput)) {
        while (playback[ports] != nullptr)
            ++ports;
        jack_free(playback);
    }
    const int rate = static_cast<int>(jack_get_sample_rate(client));
    const int period = static_cast<int>(jack_get_buffer_size(client));
    jack_client_close(client);
    if (ports == 0 || rate <= 0)
        return std::nullopt;
    BackendDevice d;
    d.name = QStringLiteral("JACK");
    d.driver = QStringLiteral("jack");
    d.outputChannels = std::clamp(ports, 1, kMaxSpeakers);
    // A JACK server runs at one rate; its ports are its real channels.
    d.defaultRate = d.fixedRate = d.minRate = d.maxRate = rate;
    d.latencyMs = (period * 1000 + rate / 2) / rate;
    d.minBufferMs = d.latencyMs;
    return d;
}

std::unique_ptr<OutputStream> openJackOutput(const BackendDevice& device, RenderTarget& target,
                                             QString* error) {
    auto output = std::make_unique<JackOutput>(target);
    if (!output->open(device, error))
        return nullptr;
    return output;
}

} // namespace kalvor::audio
