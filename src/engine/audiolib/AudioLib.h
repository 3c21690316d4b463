// The audio library layer: devices, streams with 32-bit handles, transport, byte
// positions, attributes, slides, syncs, levels, CPU load and effects, with the calls and
// semantics the KAE operations are written against. Every public call is made on the UI
// thread. The real-time side (one callback per open device) lives behind it and talks to
// this side only through lock-free queues and atomics.
//
// Semantics fixed for the whole program:
// - Byte positions and lengths are source-rate frames x stream channels x 2 (16-bit
//   streams) or x 4 (float streams), whatever the file's bit depth, vari-speed or device
//   rate. The position is the frame actually mixed.
// - Volume 0..100 on the logarithmic curve: gain = 10^((v - 100) / 20), 0 = silence.
//   Pan -100..100 is a balance: the far side is attenuated by |p| dB, +-100 silences it.
//   setCurves(false) makes both linear (v / 100; far side x (1 - |p| / 100)).
//   A slide moves the 0..100 value linearly in time.
// - Levels are the peak of the stream's own data (before volume and pan) over the last
//   device period, 0..32768 per side, left in the low 16 bits, right in the high.
// - Effects run on the stream's data at its own rate in chain order, before vari-speed
//   and rate conversion; volume and pan are applied in the mix.
// - A stop, pause, seek or restart of a sound being heard, and a volume set while it plays,
//   ramp over 3 ms instead of cutting (a seek crossfades); positions, states and end
//   frames stay exact, and a start is never ramped.
// - Files with more than two channels (WAV/FLAC order) reach the device's speakers in
//   ALSA order, folded down where the device has fewer (see ChannelMap.h).
#pragma once

#include "engine/audiolib/RateConverter.h"
#include "engine/audiolib/RenderTimes.h"
#include "engine/decode/Decoder.h"

#include <QEvent>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kalvor::audio {

using Handle = std::uint32_t; // 0 = none

inline constexpr std::uint32_t kApiVersion = 0x02030000; // high 16 bits: the 2.3 API level
inline constexpr int kSoundSystemVersion = 9;            // reported as the sound-system version

// Stream and channel flags.
namespace flags {
inline constexpr std::uint32_t Loop = 4;
inline constexpr std::uint32_t Float = 256;   // float samples (BitResolution 32)
inline constexpr std::uint32_t Latency = 256; // init flag: measure latency
inline constexpr std::uint32_t SpeakerFront = 0x1000000;
inline constexpr std::uint32_t SpeakerRear = 0x2000000;
inline constexpr std::uint32_t SpeakerCenLfe = 0x3000000;
inline constexpr std::uint32_t SpeakerRear2 = 0x4000000;
inline constexpr std::uint32_t SpeakerLeft = 0x10000000;
inline constexpr std::uint32_t SpeakerRight = 0x20000000;
inline constexpr std::uint32_t SpeakerMask = 0x3f000000;
} // namespace flags

// Sync types: end of stream, and the end of the running volume slide (one-shot).
namespace sync {
inline constexpr std::uint32_t End = 0x20000002;
inline constexpr std::uint32_t SlideOnce = 0xA0000005;
} // namespace sync

// Last error codes.
enum class Error : int {
    Ok = 0,
    FileOpen = 2, // the file could not be opened
    Handle = 5,   // not a valid handle
    Format = 6,   // unsupported sample format
    Position = 7, // invalid position
    Init = 8,     // device not initialised
    Start = 9,    // device could not start
    Already = 14, // already initialised
    IllegalParam = 20,
    Device = 23, // illegal device number
    NotAvailable = 37,
    Decode = 38,
    FileForm = 41, // unsupported file format
    Speaker = 42,  // the device has no such speakers
    Unknown = -1,
};

enum class ActiveState : int { Stopped = 0, Playing = 1, Paused = 3 };

enum class ConfigOption : int {
    BufferMs = 0,    // returns the length accepted
    MaxVolume = 3,   // always 100
    VolumeCurve = 7, // 1 logarithmic, 0 linear
    PanCurve = 8,
};

struct DeviceDescription {
    QString name;   // what the operator sees ("HDA Intel PCH", "default", "JACK", "Null output
                    // (emulated)")
    QString driver; // backend id, e.g. "alsa:hw:0,0", "jack", "null", "offline"
    int outputChannels = 2;
};

struct DeviceInfo {
    int minBufferMs = 0;
    int latencyMs = 0;
    int minRate = 0;
    int maxRate = 0;
    int speakers = 2; // output channels, capped at 8
    int soundSystemVersion = kSoundSystemVersion;
    int sampleRate = 0; // the rate the device actually runs at
};

struct StreamInfo {
    int freq = 0; // the stream's own rate
    int channels = 0;
    std::uint32_t flags = 0;
    int resolution = 0; // file bits
    int fileBits = 0;
};

enum class FxType : int { ParamEq = 7, WavesReverb = 8, Echo = 3, Chorus = 0, Flanger = 4 };
inline constexpr int kMaxStreamFx = 16; // effects on one stream (a channel uses up to seven)

// Posted to the window given to init() for each sync that fired, in order. `stream` tells
// which stream raised it, so a message from a stream that has since been freed or
// reloaded can be dropped.
class EngineMessageEvent : public QEvent {
public:
    static QEvent::Type eventType();
    EngineMessageEvent(int message, int slot, Handle stream, std::int64_t deviceFrame = -1,
                       Handle sync = 0, std::uint64_t play = 0)
        : QEvent(eventType()), message_(message), slot_(slot), stream_(stream),
          deviceFrame_(deviceFrame), sync_(sync), play_(play) {}
    int message() const { return message_; }
    int slot() const { return slot_; }
    Handle stream() const { return stream_; }
    // The sync that fired (0: not known), so a message of a sync since removed is told
    // from one of the sync armed in its place.
    Handle sync() const { return sync_; }
    // The device frame (its clock, see AudioLib::deviceFrame) at which the sync fired.
    std::int64_t deviceFrame() const { return deviceFrame_; }
    // The stream's play (AudioLib::channelPlaySerial) the sync fired under; 0: not known.
    // The message waits in the event queue: a later play may have begun by the time it
    // is handled.
    std::uint64_t play() const { return play_; }

private:
    int message_;
    int slot_;
    Handle stream_;
    std::int64_t deviceFrame_;
    Handle sync_;
    std::uint64_t play_;
};

// Posted to a device's window once when the device has gone away under its streams
// (unplugged, its server ended). Its streams play no more; what they were is the UI's.
class DeviceLostEvent : public QEvent {
public:
    static QEvent::Type eventType();
    explicit DeviceLostEvent(int device) : QEvent(eventType()), device_(device) {}
    int device() const { return device_; }

private:
    int device_;
};

// Posted to a device's window when a device that went away has been opened again (the
// same device, rate and channels) and runs. Its streams are all there, stopped; nothing
// plays until it is told to.
class DeviceBackEvent : public QEvent {
public:
    static QEvent::Type eventType();
    explicit DeviceBackEvent(int device) : QEvent(eventType()), device_(device) {}
    int device() const { return device_; }

private:
    int device_;
};

// Where the device list comes from. The real one asks PortAudio and adds the null
// output; tests script one; the offline backend has one caller-driven device.
class DeviceBackend;

using DecoderFactory = std::function<std::unique_ptr<engine::Decoder>(
    const QString& path, engine::DecoderRoute route, QString* error)>;

// A sound a batch of loads is about to open (see prepareStreams).
struct PrepareRequest {
    QString path;
    engine::DecoderRoute route = engine::DecoderRoute::Main;
};

struct AudioLibOptions {
    // Empty: PortAudio devices, then "Null output (emulated)".
    std::shared_ptr<DeviceBackend> backend;
    // Empty: engine::openDecoder. Tests and benchmarks may bring their own.
    DecoderFactory openDecoder;
    // The rate converter of every stream (benchmarks and tests compare them).
    RateConverter::Kind converter = RateConverter::kDefault;
    // How often a device that went away is tried again. The UI thread waits for each try
    // (a device that is not there refuses at once), so not much more often than this.
    int reopenIntervalMs = 1000;
};

class AudioLib {
public:
    explicit AudioLib(AudioLibOptions options = {});
    ~AudioLib();
    AudioLib(const AudioLib&) = delete;
    AudioLib& operator=(const AudioLib&) = delete;

    std::uint32_t getVersion() const { return kApiVersion; }

    // Devices are numbered 1..count in a stable order; nullopt past the last.
    std::optional<DeviceDescription> getDeviceDescription(int device) const;
    // Scans the devices again (the second scan of start-up).
    void rescanDevices();

    bool init(int device, int sampleRate, std::uint32_t initFlags, QObject* window);
    // A device that is not there or not started is refused, and no device is current
    // until the next successful call: nothing opens on a device that was not asked for.
    bool setDevice(int device);
    int currentDevice() const;
    bool getInfo(DeviceInfo& info) const; // of the current device
    int setConfig(ConfigOption option, int value);
    bool stop(); // the current device's output
    bool free(); // releases the current device and its streams

    // Opens on the current device. The main path never opens ASF/WMA; wmaStreamCreateFile
    // takes only that path. 0 on failure, with the reason in errorGetCode().
    Handle streamCreateFile(const QString& path, std::uint32_t streamFlags);
    Handle wmaStreamCreateFile(const QString& path, std::uint32_t streamFlags);
    bool streamFree(Handle stream);
    // Opens the given sounds and decodes their first `preBufferMs` on worker threads, all
    // at once; the stream creations that follow take them over (same path and route)
    // instead of opening the files one after another. What is not taken over goes with
    // dropPrepared(). Changes nothing anyone can see but the time the creations take.
    void prepareStreams(const std::vector<PrepareRequest>& requests, int preBufferMs);
    void dropPrepared();
    // Frames decoded ahead and waiting in the stream's feed; -1 for an unknown handle.
    std::int64_t channelBufferedFrames(Handle stream) const;

    bool channelGetInfo(Handle stream, StreamInfo& info) const;
    bool channelPlay(Handle stream, bool restart);
    // The number of the stream's last channelPlay, counting from 1 (0: none yet, or not a
    // stream). A sync message carries the number it fired under.
    std::uint64_t channelPlaySerial(Handle stream) const;
    // The stream's next start comes in under the 3 ms declick ramp instead of on its exact
    // first frame: for a sound that goes on from mid-waveform where another stream of it
    // fades out (a channel moved to another output).
    bool channelFadeInNextStart(Handle stream);
    bool channelStop(Handle stream);
    bool channelPause(Handle stream);
    bool channelSetFlags(Handle stream, std::uint32_t channelFlags); // Loop or 0
    ActiveState channelIsActive(Handle stream) const;
    // Loop start in frames (the channel's start offset): a looping stream wraps there.
    bool channelSetLoopStart(Handle stream, std::int64_t frame);

    std::int64_t channelGetPosition(Handle stream) const; // bytes, -1 on error
    std::int64_t channelGetLength(Handle stream) const;   // bytes, -1 on error
    bool channelSetPosition(Handle stream, std::int64_t bytes);
    double channelBytes2Seconds(Handle stream, std::int64_t bytes) const;   // < 0 on error
    std::int64_t channelSeconds2Bytes(Handle stream, double seconds) const; // -1 on error
    bool channelPreBuf(Handle stream, int ms);

    // -1, -1, -101 leave frequency, volume, pan unchanged.
    bool channelSetAttributes(Handle stream, int freq, int volume, int pan);
    bool channelGetAttributes(Handle stream, int* freq, int* volume, int* pan) const;
    // Only the volume slides (on the device clock, playing or not); a frequency or pan
    // given here is set at once.
    bool channelSlideAttributes(Handle stream, int freq, int volume, int pan, int ms);
    std::uint32_t channelIsSliding(Handle stream) const; // 2 while the volume slides
    // A volume slide that starts where the running one (and those queued before it) ends,
    // on the device clock: a fade's segments follow each other without waiting for the UI
    // thread. A one-shot slide sync stays armed until the last queued slide has ended and
    // fires at the end of each. A set or a new slide drops the queue. False when more
    // than kMaxQueuedSlides wait.
    bool channelQueueSlide(Handle stream, int volume, int ms);
    // The running slide ends as planned; the queued ones are dropped.
    bool channelDropQueuedSlides(Handle stream);

    Handle channelSetSync(Handle stream, std::uint32_t type, std::int64_t param, int message,
                          int slot);
    bool channelRemoveSync(Handle stream, Handle syncHandle);

    std::int32_t channelGetLevel(Handle stream) const; // -1 on error
    float getCpu() const;                              // percent of the period budget used
    // The callbacks' own time per period on every open device, since the last restart:
    // what a soak or a load display watches for the periods that came close to an xrun.
    // `threadCpu`: the time the callback's thread ran, leaving out what the machine gave
    // to others meanwhile.
    RenderTimeFigures getRenderTimes(bool threadCpu = false) const;
    void restartRenderTimes();
    // The current device's callback time for its last period, in microseconds (for an
    // offline puller that times each period; -1 without an open device).
    double lastRenderTimeUs(bool threadCpu = false) const;
    Error errorGetCode() const;

    // Effects: attach with a priority (higher runs first, equal priorities in attach
    // order), set and read parameters as the DirectX 8 effect structures (see engine/dsp;
    // values outside a range are clamped into it), remove. A change reaches a playing
    // stream at the next device period.
    Handle channelSetFx(Handle stream, FxType type, int priority);
    bool channelRemoveFx(Handle stream, Handle fx);
    bool fxSetParameters(Handle fx, const void* params);
    bool fxGetParameters(Handle fx, void* params) const;

    // Commands between begin and end reach the callbacks together and take effect at the
    // same period boundary (play groups, the autostarts of a recall). Nests.
    void beginBatch();
    void endBatch();

    // Offline device only: mixes `frames` frames into `out` (interleaved, device channels)
    // deterministically, then delivers the sync messages raised in that block before
    // returning. False when the current device is not an offline one. Any caller-driven
    // device (makeOfflineBackend, a ScriptedBackend) counts as offline; it runs in periods
    // of at most 1024 frames, and commands given between two calls take effect at the next.
    bool renderOffline(float* out, int frames);

    // Frames the current device has played so far (its own clock), and the device frame
    // at which `stream`'s current play began (-1 before it has). For latency figures and
    // for checking sync timing against the device clock.
    std::int64_t deviceFrame() const;
    std::int64_t channelStartFrame(Handle stream) const;
    // Underruns counted by the current device's mixer (a playing stream had no data).
    std::int64_t underruns() const;
    // Delivers the syncs raised so far as EngineMessageEvents (also done by a timer on
    // the UI thread; tests call it to be independent of timer timing).
    void deliverSyncs();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace kalvor::audio
