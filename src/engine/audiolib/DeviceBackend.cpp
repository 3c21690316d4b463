// The scripted and offline backends, the null output, and the system backend that puts
// PortAudio's devices and the null output in one list. UI thread, except where a
// function says it runs on the null output's clock thread or its WAV writer thread.
#include "engine/audiolib/DeviceBackend.h"

#include "engine/audiolib/JackOutput.h"
#include "engine/audiolib/LockFree.h"
#include "engine/audiolib/PortAudioBackend.h"
#include "engine/audiolib/WavFileWriter.h"

#include <QByteArray>

#include <algorithm>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

namespace kalvor::audio {

// ---- Scripted devices -------------------------------------------------------------------

namespace {

int chooseRate(const BackendDevice& d, int requested) {
    if (d.fixedRate > 0)
        return d.fixedRate;
    if (requested >= d.minRate && requested <= d.maxRate)
        return requested;
    return d.defaultRate;
}

class ScriptedStream final : public OutputStream {
public:
    ScriptedStream(OutputConfig config, RenderTarget& target,
                   std::shared_ptr<std::atomic<bool>> unplugged)
        : config_(config), target_(target), unplugged_(std::move(unplugged)) {}
    const OutputConfig& config() const override { return config_; }
    bool start(QString*) override {
        running_ = true;
        return true;
    }
    void stop() override { running_ = false; }
    bool running() const override { return running_; }
    bool failed() const override { return unplugged_->load(); }
    std::int64_t framesRendered() const override { return frames_; }
    bool callerDriven() const override { return true; }
    bool pull(float* out, int frames) override {
        if (frames <= 0)
            frames = config_.periodFrames;
        if (!running_ || failed()) {
            std::memset(out, 0,
                        sizeof(float) * static_cast<std::size_t>(frames * config_.channels));
            return false;
        }
        target_.render(out, frames, config_.channels);
        frames_ += frames;
        return true;
    }

private:
    OutputConfig config_;
    RenderTarget& target_;
    std::shared_ptr<std::atomic<bool>> unplugged_;
    bool running_ = false;
    std::int64_t frames_ = 0;
};

} // namespace

struct ScriptedBackend::Shared {
    std::vector<ScriptedDevice> devices;
    std::vector<std::pair<QString, std::weak_ptr<std::atomic<bool>>>> opened;
    std::vector<QString> unplugged; // drivers that neither list nor open until plugged back
    bool present(const ScriptedDevice& d) const {
        return d.opens &&
               std::find(unplugged.begin(), unplugged.end(), d.device.driver) == unplugged.end();
    }
};

ScriptedBackend::ScriptedBackend(std::vector<ScriptedDevice> devices)
    : shared_(std::make_shared<Shared>()) {
    shared_->devices = std::move(devices);
}

void ScriptedBackend::setDevices(std::vector<ScriptedDevice> devices) {
    shared_->devices = std::move(devices);
}

std::vector<BackendDevice> ScriptedBackend::enumerate() {
    // Like the real scan: a device that does not open is not listed.
    std::vector<BackendDevice> out;
    for (const auto& d : shared_->devices)
        if (shared_->present(d))
            out.push_back(d.device);
    return out;
}

std::unique_ptr<OutputStream> ScriptedBackend::open(const BackendDevice& device, int requestedRate,
                                                    RenderTarget& target, QString* error) {
    for (const auto& d : shared_->devices) {
        if (d.device.driver != device.driver)
            continue;
        if (!shared_->present(d))
            break;
        OutputConfig c;
        c.sampleRate = chooseRate(d.device, requestedRate);
        c.channels = d.device.outputChannels;
        c.periodFrames = d.periodFrames;
        auto flag = std::make_shared<std::atomic<bool>>(false);
        shared_->opened.emplace_back(d.device.driver, flag);
        return std::make_unique<ScriptedStream>(c, target, flag);
    }
    if (error != nullptr)
        *error = QStringLiteral("device cannot be opened");
    return nullptr;
}

void ScriptedBackend::unplug(const QString& driver) {
    for (auto& [name, weak] : shared_->opened)
        if (name == driver)
            if (auto flag = weak.lock())
                flag->store(true);
    shared_->unplugged.push_back(driver);
}

void ScriptedBackend::plugBackIn(const QString& driver) {
    std::erase(shared_->unplugged, driver);
}

std::shared_ptr<ScriptedBackend> makeOfflineBackend(int sampleRate, int channels) {
    ScriptedDevice d;
    d.device.name = QStringLiteral("Offline");
    d.device.driver = QStringLiteral("offline");
    d.device.outputChannels = channels;
    d.device.defaultRate = sampleRate;
    d.device.fixedRate = sampleRate;
    d.device.minRate = sampleRate;
    d.device.maxRate = sampleRate;
    d.device.emulated = true;
    d.periodFrames = 1024;
    return std::make_shared<ScriptedBackend>(std::vector<ScriptedDevice>{d});
}

// ---- Null output ------------------------------------------------------------------------

namespace {

class NullOutput final : public OutputStream {
public:
    NullOutput(int rate, int channels, int period, QString wavPath, RenderTarget& target)
        : target_(target), wavPath_(std::move(wavPath)),
          buffer_(static_cast<std::size_t>(period * channels)),
          ring_(static_cast<std::size_t>(rate) * 2, channels) {
        config_.sampleRate = rate;
        config_.channels = channels;
        config_.periodFrames = period;
        config_.latencyFrames = period;
    }
    ~NullOutput() override { stop(); }
    const OutputConfig& config() const override { return config_; }
    bool start(QString*) override {
        if (running_)
            return true;
        quit_ = false;
        writerQuit_ = false;
        running_ = true;
        if (!wavPath_.isEmpty())
            writer_ = std::thread([this] { writeLoop(); });
        clock_ = std::thread([this] { clockLoop(); });
        return true;
    }
    void stop() override {
        if (!running_)
            return;
        quit_ = true;
        clock_.join();
        writerQuit_ = true; // after the last period is in the ring
        if (writer_.joinable())
            writer_.join();
        running_ = false;
    }
    bool running() const override { return running_; }
    std::int64_t framesRendered() const override { return frames_.load(); }

private:
    // The clock thread: one period every period time, on absolute deadlines so the pace
    // does not drift with the time render() takes.
    void clockLoop() {
        timespec next{};
        clock_gettime(CLOCK_MONOTONIC, &next);
        const long periodNs =
            static_cast<long>(1'000'000'000LL * config_.periodFrames / config_.sampleRate);
        while (!quit_.load(std::memory_order_relaxed)) {
            target_.render(buffer_.data(), config_.periodFrames, config_.channels);
            frames_.fetch_add(config_.periodFrames, std::memory_order_relaxed);
            if (!wavPath_.isEmpty())
                ring_.write(buffer_.data(), static_cast<std::size_t>(config_.periodFrames));
            next.tv_nsec += periodNs;
            while (next.tv_nsec >= 1'000'000'000L) {
                next.tv_nsec -= 1'000'000'000L;
                ++next.tv_sec;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        }
    }
    // The writer thread: the only one touching the file.
    void writeLoop() {
        WavFileWriter wav(wavPath_, config_.sampleRate, config_.channels, WavSamples::Float32,
                          WavCommit::InPlace);
        QString error;
        if (!wav.open(&error))
            qWarning("The null output cannot record to %s: %s", qUtf8Printable(wavPath_),
                     qUtf8Printable(error));
        std::vector<float> chunk(static_cast<std::size_t>(4096 * config_.channels));
        for (;;) {
            const bool last = writerQuit_.load();
            std::size_t n = 0;
            while ((n = ring_.read(chunk.data(), 4096)) > 0)
                wav.write(chunk.data(), static_cast<std::int64_t>(n));
            if (last)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    OutputConfig config_;
    RenderTarget& target_;
    QString wavPath_;
    std::vector<float> buffer_;
    FrameRing ring_; // producer: clock thread; consumer: writer thread
    std::atomic<bool> quit_{false};
    std::atomic<bool> writerQuit_{false};
    std::atomic<std::int64_t> frames_{0};
    bool running_ = false;
    std::thread clock_;
    std::thread writer_;
};

} // namespace

BackendDevice nullOutputDevice() {
    BackendDevice d;
    d.name = QString::fromLatin1(kNullOutputName);
    d.driver = QStringLiteral("null");
    d.emulated = true;
    d.outputChannels = 2;
    d.defaultRate = 48000;
    d.minRate = 8000;
    d.maxRate = 192000;
    d.latencyMs = 10;
    return d;
}

std::unique_ptr<OutputStream> openNullOutput(int sampleRate, int channels, int periodFrames,
                                             const QString& wavPath, RenderTarget& target) {
    return std::make_unique<NullOutput>(sampleRate, channels, periodFrames, wavPath, target);
}

// ---- The system's devices ---------------------------------------------------------------

namespace {

class SystemBackend final : public DeviceBackend {
public:
    std::vector<BackendDevice> enumerate() override {
        std::vector<BackendDevice> list = portAudio_.enumerate();
        if (auto jack = probeJackDevice())
            list.push_back(*jack);
        list.push_back(nullOutputDevice());
        return list;
    }
    std::unique_ptr<OutputStream> open(const BackendDevice& device, int requestedRate,
                                       RenderTarget& target, QString* error) override {
        if (device.driver == QLatin1String("null")) {
            const int rate = chooseRate(device, requestedRate);
            return openNullOutput(rate, device.outputChannels, rate / 100, // 10 ms periods
                                  qEnvironmentVariable(kNullOutputWavVariable), target);
        }
        if (device.driver == QLatin1String("jack"))
            return openJackOutput(device, target, error);
        return portAudio_.open(device, requestedRate, target, error);
    }

private:
    PortAudioBackend portAudio_;
};

} // namespace

std::shared_ptr<DeviceBackend> makeSystemBackend() {
    return std::make_shared<SystemBackend>();
}

} // namespace kalvor::audio
