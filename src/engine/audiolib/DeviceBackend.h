// Where the audio library layer's devices come from, and how a device drives the mixer.
// A backend lists devices and opens one output stream per device; the stream calls the
// RenderTarget once per period on the device's own thread (the real-time side).
//
// Threads: enumerate(), open(), start() and stop() are called on the UI thread only.
// RenderTarget::render() is called on the device's thread (PortAudio's callback, the
// null output's clock thread) or, for a caller-driven device, on the thread that calls
// pull() (the UI thread in tests and kalvor-tool).
//
// Backends:
// - makeSystemBackend(): PortAudio's hardware outputs (ALSA hw devices named by card),
//   the system default/PulseAudio/PipeWire device, JACK while a server runs, then
//   "Null output (emulated)" last. Devices that cannot be opened are not listed. The JACK
//   device plays through a client of its own (JackOutput.h), so it can be opened again
//   after its server restarted without touching PortAudio's other outputs.
// - ScriptedBackend: a device set given by a test; every device is caller-driven, so
//   the test decides when periods happen. A device can be made to fail (unplugged) and
//   to come back.
// - makeOfflineBackend(): a ScriptedBackend with the one "Offline" device that
//   AudioLib::renderOffline() pulls.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace kalvor::audio {

inline constexpr int kMaxSpeakers = 8;
inline constexpr char kNullOutputName[] = "Null output (emulated)";
// Environment variable: when set to a path, the null output writes what it plays there (WAV).
inline constexpr char kNullOutputWavVariable[] = "KALVOR_NULL_OUTPUT_WAV";

struct BackendDevice {
    QString name;            // what the operator sees
    QString driver;          // "alsa:hw:0,0", "alsa:default", "jack", "null", "offline", ...
    int outputChannels = 2;  // speakers: real output channels, 1..kMaxSpeakers
    bool emulated = false;   // the null output and other devices without hardware behind them
    int defaultRate = 48000; // the rate the device runs at when it refuses the one asked for
    int fixedRate = 0;       // non-zero: the only rate it accepts (a JACK server's rate)
    int minRate = 8000;
    int maxRate = 192000;
    int latencyMs = 0; // the device's own output latency
    int minBufferMs = 0;
    int backendIndex = -1; // the backend's own number for the device (PortAudio index, ...)
};

// The mixer side a device drives. render() must obey the real-time rules: no locks, no
// allocation, no freeing, no logging, no files. `out` holds frames * channels floats,
// interleaved in ALSA speaker order (FL FR RL RR C LFE SL SR).
class RenderTarget {
public:
    virtual void render(float* out, int frames, int channels) noexcept = 0;

protected:
    ~RenderTarget() = default;
};

struct OutputConfig {
    int sampleRate = 0;    // the rate the device actually runs at
    int channels = 2;      // interleaved channels delivered to render()
    int periodFrames = 0;  // frames per render() call (caller-driven: the caller's block)
    int latencyFrames = 0; // output latency after render() (what the device adds)
};

class OutputStream {
public:
    virtual ~OutputStream() = default;
    virtual const OutputConfig& config() const = 0;
    // Starts calling render(). False when the device cannot start.
    virtual bool start(QString* error) = 0;
    // Stops; after it returns render() is not called again.
    virtual void stop() = 0;
    virtual bool running() const = 0;
    // True once the device has gone away under us (unplugged, server stopped). Playback
    // on it stops; nothing else is affected.
    virtual bool failed() const { return false; }
    // Frames the device has taken from render() so far (its clock).
    virtual std::int64_t framesRendered() const = 0;
    // A caller-driven stream runs render() only inside pull(), on the caller's thread.
    virtual bool callerDriven() const { return false; }
    virtual bool pull(float* /*out*/, int /*frames*/) { return false; }
};

class DeviceBackend {
public:
    virtual ~DeviceBackend() = default;
    // The devices in their stable order. May be called again (the second scan).
    virtual std::vector<BackendDevice> enumerate() = 0;
    // Opens `device` at `requestedRate` when it accepts it, else at its own rate (see
    // OutputConfig::sampleRate). nullptr and `error` set when it cannot be opened.
    virtual std::unique_ptr<OutputStream> open(const BackendDevice& device, int requestedRate,
                                               RenderTarget& target, QString* error) = 0;
};

// PortAudio's devices, then the null output.
std::shared_ptr<DeviceBackend> makeSystemBackend();

// The null output alone, paced by its own clock; writes a WAV file when `wavPath` is set.
std::unique_ptr<OutputStream> openNullOutput(int sampleRate, int channels, int periodFrames,
                                             const QString& wavPath, RenderTarget& target);
BackendDevice nullOutputDevice();

// A device set scripted by a test. Every opened device is caller-driven: pull() runs
// one period on the calling thread.
struct ScriptedDevice {
    BackendDevice device;
    bool opens = true;      // false: open() fails (and a real scan would not list it)
    int periodFrames = 256; // default block when pull() is called with 0 frames
};

class ScriptedBackend : public DeviceBackend {
public:
    explicit ScriptedBackend(std::vector<ScriptedDevice> devices);
    // Replaces the device set; the next enumerate() (a rescan) sees it.
    void setDevices(std::vector<ScriptedDevice> devices);
    std::vector<BackendDevice> enumerate() override;
    std::unique_ptr<OutputStream> open(const BackendDevice& device, int requestedRate,
                                       RenderTarget& target, QString* error) override;
    // Makes every open stream of the device with this driver id fail, as if unplugged;
    // the device neither lists nor opens until it is plugged back in.
    void unplug(const QString& driver);
    void plugBackIn(const QString& driver);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

// One caller-driven device "Offline" (driver "offline") running at `sampleRate` with
// `channels` output channels.
std::shared_ptr<ScriptedBackend> makeOfflineBackend(int sampleRate = 44100, int channels = 2);

} // namespace kalvor::audio
