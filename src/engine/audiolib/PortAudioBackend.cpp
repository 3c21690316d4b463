// PortAudio device list and output streams. UI thread, except paCallback (PortAudio's
// callback thread), which only hands the buffer to the mixer.
#include "engine/audiolib/PortAudioBackend.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <pa_jack.h>
#include <portaudio.h>

#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <string>

namespace kalvor::audio {

namespace {

// ALSA prints a line for every configured device it cannot open while PortAudio probes
// them all (on a machine without a card, dozens at every scan). A device that does not
// open is simply not listed, so those lines tell the operator nothing.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

// ALSA names that are views of the same hardware (or have no clock at all): listing them
// would offer the operator the same card many times over, or a device that runs at 100 %
// CPU as fast as it can.
bool isAlsaAlias(const QString& name) {
    static const QStringList aliases{
        QStringLiteral("sysdefault"), QStringLiteral("front"),      QStringLiteral("rear"),
        QStringLiteral("center_lfe"), QStringLiteral("side"),       QStringLiteral("surround21"),
        QStringLiteral("surround40"), QStringLiteral("surround41"), QStringLiteral("surround50"),
        QStringLiteral("surround51"), QStringLiteral("surround71"), QStringLiteral("iec958"),
        QStringLiteral("spdif"),      QStringLiteral("hdmi"),       QStringLiteral("modem"),
        QStringLiteral("phoneline"),  QStringLiteral("dmix"),       QStringLiteral("dsnoop"),
        QStringLiteral("null"),       QStringLiteral("file"),       QStringLiteral("samplerate"),
        QStringLiteral("speexrate"),  QStringLiteral("upmix"),      QStringLiteral("vdownmix"),
        QStringLiteral("lavrate"),    QStringLiteral("jack"),       QStringLiteral("oss"),
        QStringLiteral("usbstream"),  QStringLiteral("plughw"),     QStringLiteral("hw"),
        QStringLiteral("shm"),        QStringLiteral("asym"),       QStringLiteral("plug")};
    const QString base = name.section(QLatin1Char(':'), 0, 0);
    return aliases.contains(base, Qt::CaseInsensitive);
}

int configuredChannels(snd_config_t* pcm, int depth);

// The channels a PCM named in the ALSA configuration ends in, following references.
int configuredChannels(const char* name, int depth) {
    snd_config_t* definition = nullptr;
    if (depth > 8 || snd_config_search_definition(snd_config, "pcm", name, &definition) < 0)
        return 0;
    const int channels = configuredChannels(definition, depth + 1);
    snd_config_delete(definition);
    return channels;
}

// A plug-in PCM accepts any channel count and converts; what it really feeds is decided
// where the chain of slaves ends. We know that end for a JACK PCM: one channel per
// playback port. Anything else: 0 (unknown).
int configuredChannels(snd_config_t* pcm, int depth) {
    const char* text = nullptr;
    if (snd_config_get_string(pcm, &text) >= 0)
        return configuredChannels(text, depth);
    snd_config_t* node = nullptr;
    if (snd_config_search(pcm, "type", &node) < 0 || snd_config_get_string(node, &text) < 0)
        return 0;
    if (std::strcmp(text, "jack") == 0) {
        if (snd_config_search(pcm, "playback_ports", &node) < 0)
            return 0;
        int ports = 0;
        snd_config_iterator_t i, next;
        snd_config_for_each(i, next, node) {
            ++ports;
        }
        return ports;
    }
    if (snd_config_search(pcm, "slave.pcm", &node) >= 0 ||
        snd_config_search(pcm, "slave", &node) >= 0)
        return configuredChannels(node, depth + 1);
    return 0;
}

// The speakers of a user-defined device: what its configuration ends in when that is
// known, else what it claims, where a claim beyond a real card's 8 means stereo.
int userDeviceSpeakers(const char* name, int claimed) {
    if (snd_config_update() >= 0) {
        const int configured = configuredChannels(name, 0);
        if (configured > 0)
            return std::min({configured, claimed, kMaxSpeakers});
    }
    return claimed > kMaxSpeakers ? 2 : claimed;
}

bool opens(PaDeviceIndex index, int channels, double rate) {
    PaStreamParameters p{};
    p.device = index;
    p.channelCount = channels;
    p.sampleFormat = paFloat32;
    p.suggestedLatency = Pa_GetDeviceInfo(index)->defaultLowOutputLatency;
    return Pa_IsFormatSupported(nullptr, &p, rate) == paFormatIsSupported;
}

class PaOutput final : public OutputStream {
public:
    PaOutput(OutputConfig config, RenderTarget& target, std::shared_ptr<int> keepAlive,
             std::shared_ptr<std::atomic<bool>> abandoned)
        : config_(config), target_(target), keepAlive_(std::move(keepAlive)),
          abandoned_(std::move(abandoned)) {}
    ~PaOutput() override {
        stop();
        if (stream_ != nullptr && !gone_)
            Pa_CloseStream(stream_);
    }
    // PortAudio gets this object as its callback's user data, so it exists first.
    PaError openStream(const PaStreamParameters& p, unsigned long period) {
        const PaError e = Pa_OpenStream(&stream_, nullptr, &p, config_.sampleRate, period, paNoFlag,
                                        &PaOutput::paCallback, this);
        if (e != paNoError) {
            stream_ = nullptr;
            return e;
        }
        // Some plug-in PCMs (ALSA's JACK plug-in) report no usable latency: taken as none.
        const PaStreamInfo* si = Pa_GetStreamInfo(stream_);
        if (si != nullptr && std::isfinite(si->outputLatency) && si->outputLatency > 0.0 &&
            si->outputLatency < 10.0)
            config_.latencyFrames = static_cast<int>(si->outputLatency * config_.sampleRate + 0.5);
        return e;
    }
    const OutputConfig& config() const override { return config_; }
    bool start(QString* error) override {
        const PaError e = Pa_StartStream(stream_);
        if (e != paNoError) {
            if (error != nullptr)
                *error = QString::fromUtf8(Pa_GetErrorText(e));
            return false;
        }
        running_ = true;
        return true;
    }
    void stop() override {
        if (!running_)
            return;
        running_ = false;
        if (Pa_IsStreamActive(stream_) != 1) {
            // The device or server went away under us. Aborting or closing such a stream
            // waits for a callback that never comes (PortAudio's JACK API on a dead
            // server), so the stream is left as it is and PortAudio is not restarted or
            // terminated any more: a small leak instead of a hung operator console.
            gone_ = true;
            abandoned_->store(true);
            return;
        }
        // Abort, not stop: there is nothing worth draining at a stop.
        Pa_AbortStream(stream_);
    }
    bool running() const override { return running_; }
    bool failed() const override { return running_ && Pa_IsStreamActive(stream_) != 1; }
    std::int64_t framesRendered() const override { return frames_.load(std::memory_order_relaxed); }

    static int paCallback(const void*, void* output, unsigned long frames,
                          const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags, void* user) {
        auto* self = static_cast<PaOutput*>(user);
        self->target_.render(static_cast<float*>(output), static_cast<int>(frames),
                             self->config_.channels);
        self->frames_.fetch_add(static_cast<std::int64_t>(frames), std::memory_order_relaxed);
        return paContinue;
    }

private:
    PaStream* stream_ = nullptr;
    OutputConfig config_;
    RenderTarget& target_;
    std::shared_ptr<int> keepAlive_;
    std::shared_ptr<std::atomic<bool>> abandoned_;
    bool running_ = false;
    bool gone_ = false;
    std::atomic<std::int64_t> frames_{0}; // written by the callback, read by the UI
};

// PortAudio starts every host API it was built with, and its JACK one joins the server
// that answers and stays in its graph for good: one more client woken every period for
// nothing, which on a loaded machine costs xruns, and a client that dies with the server.
// The JACK device is ours (JackOutput.h). PortAudio takes a client name as long as JACK's
// limit counted with its final zero, which no server accepts, so its JACK side never
// joins; ALSA's own JACK plug-in devices open clients of their own and are listed as
// before.
bool initialiseWithoutJack() {
    static const std::string refused(static_cast<std::size_t>(jack_client_name_size()), 'K');
    jack_set_error_function([](const char*) {});
    PaJack_SetClientName(refused.c_str());
    return Pa_Initialize() == paNoError;
}

} // namespace

PortAudioBackend::PortAudioBackend()
    : openStreams_(std::make_shared<int>(0)),
      abandoned_(std::make_shared<std::atomic<bool>>(false)) {}

PortAudioBackend::~PortAudioBackend() {
    if (initialised_ && !abandoned_->load())
        Pa_Terminate();
}

std::vector<BackendDevice> PortAudioBackend::enumerate() {
    if (initialised_ && openStreams_.use_count() == 1 && !abandoned_->load()) {
        Pa_Terminate();
        initialised_ = false;
    }
    if (!initialised_) {
        snd_lib_error_set_handler(&quietAlsa);
        initialised_ = initialiseWithoutJack();
    }
    std::vector<BackendDevice> hw, system, user;
    if (!initialised_)
        return {};
    const int count = Pa_GetDeviceCount();
    for (int i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info == nullptr || info->maxOutputChannels <= 0)
            continue;
        const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
        if (api == nullptr)
            continue;
        BackendDevice d;
        d.name = QString::fromUtf8(info->name);
        d.backendIndex = i;
        d.defaultRate = static_cast<int>(info->defaultSampleRate);
        d.latencyMs = static_cast<int>(info->defaultLowOutputLatency * 1000.0 + 0.5);
        d.minBufferMs = d.latencyMs;
        if (api->type != paALSA)
            continue;
        const int hwAt = d.name.indexOf(QLatin1String("(hw:"));
        if (hwAt >= 0) {
            d.driver = QStringLiteral("alsa:") + d.name.mid(hwAt + 1).chopped(1);
            d.outputChannels = std::clamp(info->maxOutputChannels, 1, kMaxSpeakers);
            if (opens(i, d.outputChannels, d.defaultRate))
                hw.push_back(d);
            continue;
        }
        if (isAlsaAlias(d.name))
            continue;
        // Plug-in devices claim up to 128 channels whatever is behind them.
        d.outputChannels = userDeviceSpeakers(info->name, info->maxOutputChannels);
        d.driver = QStringLiteral("alsa:") + d.name;
        if (!opens(i, d.outputChannels, d.defaultRate))
            continue;
        const bool isSystem = d.name == QLatin1String("default") ||
                              d.name == QLatin1String("pulse") ||
                              d.name == QLatin1String("pipewire");
        (isSystem ? system : user).push_back(d);
    }
    // The system device once: "default" routes to PulseAudio or PipeWire when they run.
    const bool hasDefault = std::any_of(system.begin(), system.end(), [](const BackendDevice& d) {
        return d.name == QLatin1String("default");
    });
    if (hasDefault)
        std::erase_if(system,
                      [](const BackendDevice& d) { return d.name != QLatin1String("default"); });
    else if (system.size() > 1)
        system.resize(1);
    std::vector<BackendDevice> list = hw;
    list.insert(list.end(), system.begin(), system.end());
    list.insert(list.end(), user.begin(), user.end());
    return list;
}

std::unique_ptr<OutputStream> PortAudioBackend::open(const BackendDevice& device, int requestedRate,
                                                     RenderTarget& target, QString* error) {
    if (!initialised_ || device.backendIndex < 0 || device.backendIndex >= Pa_GetDeviceCount()) {
        if (error != nullptr)
            *error = QStringLiteral("no such device");
        return nullptr;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device.backendIndex);
    int rate = requestedRate;
    if (device.fixedRate > 0 || !opens(device.backendIndex, device.outputChannels, rate))
        rate = device.fixedRate > 0 ? device.fixedRate : device.defaultRate;
    PaStreamParameters p{};
    p.device = device.backendIndex;
    p.channelCount = device.outputChannels;
    p.sampleFormat = paFloat32;
    p.suggestedLatency = std::max(info->defaultLowOutputLatency, device.fixedRate > 0 ? 0.0 : 0.02);
    const unsigned long period = 256;
    OutputConfig config;
    config.sampleRate = rate;
    config.channels = device.outputChannels;
    config.periodFrames = static_cast<int>(period);
    auto output = std::make_unique<PaOutput>(config, target, openStreams_, abandoned_);
    if (const PaError e = output->openStream(p, period); e != paNoError) {
        if (error != nullptr)
            *error = QString::fromUtf8(Pa_GetErrorText(e));
        return nullptr;
    }
    return output;
}

} // namespace kalvor::audio
