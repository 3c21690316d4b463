// The real-time side of one device: applies the UI's commands at each period boundary,
// pulls every playing stream's data from its feed, converts its rate, applies volume and
// pan, routes it to the device's speakers and raises syncs. render() runs on the device's
// thread (or the offline puller's); everything else here on the UI thread.
//
// Why it is safe in a callback: it owns only fixed arrays sized at construction; streams
// and feeds are created and freed on the UI thread and travel through SPSC queues; the
// rate converter was created with the stream and does not allocate while processing; effects arrive
// allocated and prepared, take their parameters through a lock-free mailbox, and go back to the UI
// thread for deletion.
#pragma once

#include "engine/audiolib/DeviceBackend.h"
#include "engine/audiolib/LockFree.h"
#include "engine/audiolib/RenderTimes.h"
#include "engine/audiolib/Stream.h"

#include <atomic>
#include <cstdint>

namespace kalvor::audio {

// True on a thread while it is inside a mixer's render() (the allocation test hook
// checks it from a replaced operator new).
bool inRealtimeCallback();

struct Command {
    enum Type : std::uint8_t {
        Add,
        Remove,
        SetFeed,    // feed, serial; i != 0: the stream plays on, a play numbered i
        Play,       // serial: the play's number, carried by the end syncs it raises
        Halt,       // pause or stop: the mixer treats them alike
        SetVolume,  // x
        SetPan,     // x
        SetFreq,    // x
        Slide,      // x = target volume, i = frames, serial; drops queued slides
        QueueSlide, // x, i, serial: runs when the slides before it have ended
        DropSlides, // serial: the running slide ends as planned, nothing follows it
        AddSync,    // sync
        RemoveSync, // sync.handle
        AddFx,      // effect, i = priority
        RemoveFx    // effect: handed back through `retired`
    };
    Type type = Add;
    Stream* stream = nullptr;
    Feed* feed = nullptr;
    std::uint64_t serial = 0;
    std::int64_t i = 0;
    double x = 0;
    SyncSlot sync;
    engine::dsp::Effect* effect = nullptr;
};

struct SyncEvent {
    Handle stream = 0;
    Handle sync = 0;
    int message = 0;
    int slot = 0;
    bool oneShot = false;
    // The mixer took the sync out. A one-shot slide sync stays armed while queued slides
    // follow, so each of them raises it again.
    bool removed = false;
    std::int64_t deviceFrame = 0;
    // The last Play the stream had taken when the sync fired (see Voice::playSerial).
    std::uint64_t playSerial = 0;
};

struct Retired {
    Stream* stream = nullptr;              // a removed stream (its voice's feed is freed with it)
    Feed* feed = nullptr;                  // a feed replaced by a newer one
    engine::dsp::Effect* effect = nullptr; // an effect taken off its stream
};

class Mixer final : public RenderTarget {
public:
    static constexpr int kMaxVoices = 512;

    Mixer();
    // UI thread, before the device starts.
    void configure(int sampleRate, int channels);
    int sampleRate() const { return rate_; }
    int channels() const { return channels_; }

    void render(float* out, int frames, int channels) noexcept override;

    // Producer: UI thread. Consumer: render(). Batches stage and publish once.
    SpscQueue<Command> commands{8192};
    // Producer: render(). Consumer: UI thread.
    SpscQueue<SyncEvent> events{4096};
    SpscQueue<Retired> retired{4096};

    // render() -> UI, relaxed: independent figures read whole.
    std::atomic<std::int64_t> framesRendered{0};
    std::atomic<std::int64_t> underruns{0};
    std::atomic<float> cpuPercent{0};
    // Written by render() only; read anywhere. The time that passed in render(), and the
    // time the thread actually ran in it.
    RenderTimes renderTimes;
    RenderTimes renderCpuTimes;
    // UI -> render(), relaxed.
    std::atomic<bool> logVolume{true};
    std::atomic<bool> logPan{true};

    // UI thread, only while render() cannot run (device stopped or never started): apply
    // what is queued and hand every stream and feed back for freeing.
    void drainStopped();
    // UI thread, once the device went away under render() (its thread has ended): what is
    // queued is applied and every voice stops where it is, with no fade-out left to play,
    // so that nothing of the old sound is heard when the device is opened again.
    void haltAfterLoss();

private:
    void apply(const Command& c) noexcept;
    void removeVoice(Stream* s) noexcept;
    // Removes the freed voices whose fade-out is over (`all`: every freed voice).
    void sweepRemoved(bool all) noexcept;
    void renderBlock(float* out, int frames) noexcept;
    void renderVoice(Stream& s, float* out, int frames) noexcept;
    int pullDirect(Stream& s, int want, int offset, const float** data) noexcept;
    int pullResampled(Stream& s, int want, int offset) noexcept;
    void enterResampling(Stream& s) noexcept;
    // Keeps at least `frames` frames (at most kResampleInFrames) of converter input ready.
    void topUpInput(Stream& s, int frames) noexcept;
    static void remember(Stream& s, const float* data, int frames) noexcept;
    bool boundary(Stream& s, int offset, std::int64_t* target) noexcept;
    void fire(Stream& s, std::uint32_t kind, int offset, bool keepOneShots = false) noexcept;
    void startSlide(Stream& s, double to, std::int64_t frames, std::uint64_t serial) noexcept;
    // The volume gains of the slide's next `n` frames.
    static void slideGains(const Voice& v, bool logCurve, float* gains, int n) noexcept;
    void endVoice(Stream& s) noexcept;
    void retire(Retired r) noexcept;
    // `gains`: per frame from `offset` on; nullptr for the voice's block gain.
    void mixInto(Stream& s, float* out, const float* data, int frames, int offset,
                 const float* gains) noexcept;
    // measure() then mixInto(), in one pass where the layout allows.
    void measureAndMix(Stream& s, float* out, const float* data, int frames, int offset,
                       const float* gains) noexcept;
    void voicePan(Voice& v, float* left, float* right) const noexcept;
    // MixerDeclick.cpp
    void produceTail(Stream& s) noexcept;
    void keepFadingOut(Stream& s) noexcept;
    void declick(Stream& s, float* out, int frames) noexcept;
    int replayCarry(Stream& s, float* out, int want, int offset) noexcept;
    static std::int64_t carryPosition(const Voice& v) noexcept;
    void measure(Voice& v, int channels, const float* data, int frames) noexcept;
    void runEffects(Voice& v, float* data, int frames) noexcept;
    void dropEffect(Voice& v, int index) noexcept;

    int rate_ = 48000;
    int channels_ = 2;
    Stream* voices_[kMaxVoices] = {};
    int voiceCount_ = 0;
    Retired pendingRetire_[256] = {};
    int pendingRetireCount_ = 0;
    std::int64_t blockStart_ = 0; // device frame of the block being rendered
    // While produceTail pulls converted frames: a loop wrap they pass is noted here (the
    // frame, the loop start) instead of raising its message, which comes on a resume.
    bool takingTail_ = false;
    int tailWrapOut_ = -1;
    std::int64_t tailWrapTarget_ = 0;
    double cpuSmoothed_ = 0;
    int declickFrames_ = 144; // the ramp over a stop, pause, seek or volume set: 3 ms
};

float volumeGain(double volume, bool logCurve);
// Gains of the left and right side for a balance `pan`.
void panGains(double pan, bool logCurve, float* left, float* right);

} // namespace kalvor::audio
