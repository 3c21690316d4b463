// The per-device mixer. render() is the device callback's whole work; see Mixer.h for
// why it may run there. Nothing in this file locks, allocates, frees, logs or opens files
// on the render() path.
#include "engine/audiolib/Mixer.h"

#include "engine/dsp/Effect.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>

#include <sched.h>

#if defined(__x86_64__) || defined(__SSE__)
#include <xmmintrin.h>
#define KALVOR_HAVE_MXCSR 1
#endif

namespace kalvor::audio {

namespace {

thread_local bool tlInRender = false;

// Marks the thread as inside render() for the allocation hook.
struct RenderScope {
    bool previous;
    RenderScope() : previous(tlInRender) { tlInRender = true; }
    ~RenderScope() { tlInRender = previous; }
};

// Denormals-are-zero and flush-to-zero while mixing: decaying resampler and effect tails
// would otherwise crawl through denormal arithmetic. Restored afterwards because the
// offline device renders on the UI thread.
struct DenormalGuard {
#ifdef KALVOR_HAVE_MXCSR
    unsigned int saved = _mm_getcsr();
    DenormalGuard() {
        _mm_setcsr(saved | 0x8040u);
    }
    ~DenormalGuard() {
        _mm_setcsr(saved);
    }
#endif
};

constexpr std::uint32_t kSyncKindEnd = 2;
constexpr std::uint32_t kSyncKindSlide = 5;
constexpr std::uint32_t kSyncOneShot = 0x80000000u;

// Time this thread ran, as against the time that passed: a period that took long while
// using little of it was kept from the core (a busy machine, a lower priority).
double threadCpuSeconds() noexcept {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

float peakToLevel(float peak) {
    return std::min(32768.0f, std::round(std::min(peak, 1.0f) * 32768.0f));
}

} // namespace

bool inRealtimeCallback() {
    return tlInRender;
}

float volumeGain(double volume, bool logCurve) {
    if (volume <= 0)
        return 0.0f;
    if (volume >= 100)
        return 1.0f;
    if (!logCurve)
        return static_cast<float>(volume / 100.0);
    return static_cast<float>(std::pow(10.0, (volume - 100.0) / 20.0));
}

void panGains(double pan, bool logCurve, float* left, float* right) {
    const double magnitude = std::min(100.0, std::fabs(pan));
    float far = 1.0f;
    if (magnitude >= 100)
        far = 0.0f;
    else if (magnitude > 0)
        far = logCurve ? static_cast<float>(std::pow(10.0, -magnitude / 20.0))
                       : static_cast<float>(1.0 - magnitude / 100.0);
    *left = pan > 0 ? far : 1.0f;
    *right = pan < 0 ? far : 1.0f;
}

Mixer::Mixer() = default;

void Mixer::configure(int sampleRate, int channels) {
    rate_ = sampleRate;
    channels_ = channels;
    declickFrames_ = std::clamp(static_cast<int>(std::lround(sampleRate * 0.003)), 1, kTailFrames);
}

void Mixer::retire(Retired r) noexcept {
    // Try the queue first, keep it in a fixed side list while the UI is behind.
    for (int i = 0; i < pendingRetireCount_;) {
        if (!retired.push(pendingRetire_[i]))
            break;
        pendingRetire_[i] = pendingRetire_[--pendingRetireCount_];
    }
    if (r.stream == nullptr && r.feed == nullptr && r.effect == nullptr)
        return;
    if (!retired.push(r) && pendingRetireCount_ < 256)
        pendingRetire_[pendingRetireCount_++] = r;
}

void Mixer::fire(Stream& s, std::uint32_t kind, int offset, bool keepOneShots) noexcept {
    Voice& v = s.voice;
    for (int i = 0; i < v.syncCount;) {
        const SyncSlot& sync = v.syncs[i];
        if ((sync.type & 0xffffu) != kind) {
            ++i;
            continue;
        }
        SyncEvent e;
        e.stream = s.handle;
        e.sync = sync.handle;
        e.message = sync.message;
        e.slot = sync.slot;
        e.oneShot = (sync.type & kSyncOneShot) != 0;
        e.removed = e.oneShot && !keepOneShots;
        e.deviceFrame = blockStart_ + offset;
        e.playSerial = v.playSerial;
        events.push(e); // full only if the UI stopped draining; the message is lost then
        if (e.removed) {
            std::copy(v.syncs + i + 1, v.syncs + v.syncCount, v.syncs + i);
            --v.syncCount;
        } else {
            ++i;
        }
    }
}

void Mixer::startSlide(Stream& s, double to, std::int64_t frames, std::uint64_t serial) noexcept {
    Voice& v = s.voice;
    v.slideSerial = serial;
    v.sliding = true;
    v.slideFrom = v.volume;
    v.slideTo = to;
    v.slideTotal = std::max<std::int64_t>(frames, 1);
    v.slideDone = 0;
}

void Mixer::slideGains(const Voice& v, bool logCurve, float* gains, int n) noexcept {
    // The value moves by the same step every frame, so on the linear curve the gain does
    // too, and on the logarithmic one it changes by the same factor: one multiply (or add)
    // per frame instead of a power. Anchored exactly at the first frame of each run and
    // carried in double, so the drift over a block stays far below a thousandth of a dB;
    // the slide's last frame is exact.
    const double step = (v.slideTo - v.slideFrom) / static_cast<double>(v.slideTotal);
    const double first = v.slideFrom + step * static_cast<double>(v.slideDone + 1);
    const bool reachesEnd = v.slideDone + n >= v.slideTotal;
    const int run = reachesEnd ? n - 1 : n;
    if (!logCurve) {
        double g = first / 100.0;
        const double dg = step / 100.0;
        for (int j = 0; j < run; ++j, g += dg)
            gains[j] = static_cast<float>(std::clamp(g, 0.0, 1.0));
    } else if (first <= 0) {
        // Silence at the anchor: no factor leads anywhere from zero, so these frames are
        // taken on the curve one by one.
        for (int j = 0; j < run; ++j)
            gains[j] = volumeGain(first + step * j, true);
    } else {
        double g = std::pow(10.0, (first - 100.0) / 20.0);
        const double ratio = std::pow(10.0, step / 20.0);
        for (int j = 0; j < run; ++j, g *= ratio)
            gains[j] = static_cast<float>(std::min(g, 1.0));
    }
    if (reachesEnd && n > 0)
        gains[n - 1] = volumeGain(v.slideTo, logCurve);
}

// Before the end's sync fires: the UI thread that takes the message must find the stream
// ended (the event queue's release orders this store before it).
void Mixer::endVoice(Stream& s) noexcept {
    Voice& v = s.voice;
    v.playing = false;
    s.position.store(s.length, std::memory_order_relaxed);
    s.endedFeedSerial.store(v.feedSerial, std::memory_order_release);
}

void Mixer::removeVoice(Stream* s) noexcept {
    for (int i = 0; i < voiceCount_; ++i) {
        if (voices_[i] == s) {
            std::copy(voices_ + i + 1, voices_ + voiceCount_, voices_ + i);
            --voiceCount_;
            break;
        }
    }
    retire(Retired{s, nullptr, nullptr});
}

void Mixer::apply(const Command& c) noexcept {
    Stream* s = c.stream;
    if (s == nullptr)
        return;
    Voice& v = s->voice;
    switch (c.type) {
    case Command::Add:
        if (voiceCount_ < kMaxVoices)
            voices_[voiceCount_++] = s;
        break;
    case Command::Remove:
        // Taken off while heard: the next milliseconds fade out, as after a stop, and the
        // voice goes once they are out (sweepRemoved). Nothing of it reaches the UI again.
        if (v.playing && v.heard && v.feed != nullptr)
            produceTail(*s);
        v.playing = false;
        v.carry = false;
        v.sliding = false;
        v.slideQueued = 0;
        v.syncCount = 0;
        v.fadeInLeft = 0;
        v.removing = true;
        if (!v.fadingOut())
            removeVoice(s);
        break;
    case Command::SetFeed: {
        // A seek or restart of a sound being heard crossfades from the old place to the new.
        // (Seeking again before the new place was heard keeps the fade-in under way.)
        if (v.playing && v.heard && v.feed != nullptr) {
            produceTail(*s);
            v.fadeInLeft = v.tailCount > 0 ? declickFrames_ : 0;
        } else if (!v.playing) {
            v.fadeInLeft = 0;
        }
        v.carry = false;
        v.heard = false;
        Feed* old = v.feed;
        v.feed = c.feed;
        v.feedSerial = c.serial;
        v.pos = c.feed->startFrame;
        v.resampling = false;
        v.inStart = 0;
        v.inCount = 0;
        v.wrapCount = 0;
        v.inputEnded = false;
        v.historyCount = 0;
        // The converter is reset when the voice enters it again (renderVoice); resetting it
        // here as well would wipe its buffer twice per restart, in the callback.
        // A seek or restart is a new piece of sound: no echo or reverb of the old one.
        for (int i = 0; i < v.fxCount; ++i)
            v.fx[i].effect->reset();
        // A seek of a sound the UI side takes to be playing: when it ended before this feed
        // came, it starts again from the new place.
        if (c.i != 0) {
            v.playSerial = static_cast<std::uint64_t>(c.i);
            if (!v.playing) {
                v.playing = true;
                v.startedFeedSerial = c.serial;
            }
        }
        s->position.store(v.pos, std::memory_order_relaxed);
        s->appliedFeedSerial.store(c.serial, std::memory_order_release);
        if (old != nullptr)
            retire(Retired{nullptr, old, nullptr});
        break;
    }
    case Command::Play:
        v.playSerial = c.serial;
        // A restart while playing (a new feed, then Play) is a new start too.
        if (v.feed != nullptr && (!v.playing || v.startedFeedSerial != v.feedSerial)) {
            if (v.carry) {
                // A resume plays the tail again from the paused frame. A paused sound is
                // mid-waveform: it comes back in under the ramp (while what is left of the
                // pause's fade-out still fades), unless none of the fade-out was heard yet,
                // then it goes on exactly (a fade-in under way when it paused goes on too).
                v.fadeInLeft = v.tailFaded == 0 ? v.tailFadeInLeft : declickFrames_;
                v.tailFading = v.tailFading && v.tailFaded > 0;
            } else if (c.i == 1 && !v.playing) {
                v.fadeInLeft = declickFrames_; // going on from another stream's place
            } else if (v.tailFromHalt && v.tailFaded == 0)
                v.tailFading = false; // stopped and started anew at once: the start is exact
            v.playing = true;
            v.startedFeedSerial = v.feedSerial;
            s->startDeviceFrame.store(blockStart_, std::memory_order_relaxed);
        }
        break;
    case Command::Halt:
        if (v.playing && v.heard && v.feed != nullptr) {
            produceTail(*s);
            v.tailFromHalt = true;
        }
        v.playing = false;
        v.fadeInLeft = 0;
        break;
    case Command::SetVolume:
        if (v.playing && v.heard) { // heard at once, but glides there instead of stepping
            v.stepFrom = v.lastGain;
            v.stepLeft = declickFrames_;
        }
        // A set ends a running slide without its sync.
        v.volume = c.x;
        v.sliding = false;
        v.slideQueued = 0;
        v.slideSerial = c.serial;
        s->slideDoneSerial.store(c.serial, std::memory_order_release);
        break;
    case Command::SetPan:
        // A fade-out still heard (after a stop or pause) glides too: it is mixed at the pan.
        if (((v.playing && v.heard) || v.fadingOut()) && c.x != v.pan) {
            v.panFromL = v.lastPanL;
            v.panFromR = v.lastPanR;
            v.panStepLeft = declickFrames_;
        }
        v.pan = c.x;
        break;
    case Command::SetFreq:
        v.freq = c.x;
        if (v.src != nullptr && v.resampling)
            v.src->setRatio(rate_ / v.freq);
        break;
    case Command::Slide:
        v.slideQueued = 0;
        // A slide of no length still runs (for one frame) in the block: the slides queued
        // behind it come with the same batch of commands, and its one-shot sync must stay
        // armed for them instead of being spent here with none queued yet.
        startSlide(*s, c.x, c.i, c.serial);
        break;
    case Command::QueueSlide:
        if (!v.sliding)
            startSlide(*s, c.x, c.i, c.serial);
        else if (v.slideQueued < kMaxQueuedSlides)
            v.slideQueue[v.slideQueued++] = Voice::QueuedSlide{c.x, c.i, c.serial};
        break;
    case Command::DropSlides:
        v.slideQueued = 0;
        // The running slide reports the newest serial when it ends, so the UI side sees
        // the sliding end there.
        if (v.sliding)
            v.slideSerial = c.serial;
        else
            s->slideDoneSerial.store(c.serial, std::memory_order_release);
        break;
    case Command::AddSync:
        if (v.syncCount < kMaxSyncs)
            v.syncs[v.syncCount++] = c.sync;
        break;
    case Command::RemoveSync:
        for (int i = 0; i < v.syncCount; ++i) {
            if (v.syncs[i].handle == c.sync.handle) {
                std::copy(v.syncs + i + 1, v.syncs + v.syncCount, v.syncs + i);
                --v.syncCount;
                break;
            }
        }
        break;
    case Command::AddFx: {
        if (c.effect == nullptr)
            break;
        // Effects still gliding out make room at once.
        for (int i = v.fxCount - 1; i >= 0 && v.fxCount == kMaxStreamFx; --i)
            if (v.fx[i].leaving)
                dropEffect(v, i);
        if (v.fxCount == kMaxStreamFx) {
            retire(Retired{nullptr, nullptr, c.effect}); // the UI side counts; never here
            break;
        }
        int at = 0;
        while (at < v.fxCount && v.fx[at].priority >= c.i)
            ++at;
        std::copy_backward(v.fx + at, v.fx + v.fxCount, v.fx + v.fxCount + 1);
        v.fx[at] = FxSlot{c.effect, static_cast<int>(c.i)};
        ++v.fxCount;
        // Switched on while the sound plays: glide in, or the switch is heard as a click.
        if (v.playing)
            c.effect->fadeIn();
        break;
    }
    case Command::RemoveFx:
        for (int i = 0; i < v.fxCount; ++i) {
            if (v.fx[i].effect != c.effect)
                continue;
            // Switched off while the sound plays: it glides out first (runEffects).
            if (v.playing) {
                v.fx[i].leaving = true;
                c.effect->fadeOut();
            } else {
                dropEffect(v, i);
            }
            return;
        }
        retire(Retired{nullptr, nullptr, c.effect});
        break;
    }
}

void Mixer::dropEffect(Voice& v, int index) noexcept {
    engine::dsp::Effect* gone = v.fx[index].effect;
    std::copy(v.fx + index + 1, v.fx + v.fxCount, v.fx + index);
    --v.fxCount;
    retire(Retired{nullptr, nullptr, gone});
}

void Mixer::runEffects(Voice& v, float* data, int frames) noexcept {
    for (int i = 0; i < v.fxCount; ++i)
        v.fx[i].effect->process(data, frames);
    for (int i = v.fxCount - 1; i >= 0; --i)
        if (v.fx[i].leaving && v.fx[i].effect->bypassed())
            dropEffect(v, i);
}

void Mixer::render(float* out, int frames, int channels) noexcept {
    RenderScope scope;
    DenormalGuard denormals;
    const auto started = std::chrono::steady_clock::now();
    const double cpuStarted = threadCpuSeconds();

    blockStart_ = framesRendered.load(std::memory_order_relaxed);
    Command c;
    while (commands.pop(c))
        apply(c);
    retire(Retired{}); // retry what the UI could not take last time

    std::memset(out, 0,
                sizeof(float) * static_cast<std::size_t>(frames) *
                    static_cast<std::size_t>(channels));
    if (channels != channels_) {
        // The device gave another layout than it was opened with: stay silent, count it.
        underruns.fetch_add(1, std::memory_order_relaxed);
        framesRendered.fetch_add(frames, std::memory_order_relaxed);
        return;
    }
    for (int i = 0; i < voiceCount_; ++i) {
        voices_[i]->voice.peakL = 0;
        voices_[i]->voice.peakR = 0;
    }
    const std::int64_t first = blockStart_;
    for (int done = 0; done < frames;) {
        const int n = std::min(kBlockFrames, frames - done);
        blockStart_ = first + done;
        renderBlock(out + static_cast<std::ptrdiff_t>(done) * channels, n);
        done += n;
    }
    const int cpu = sched_getcpu(); // no system call: the kernel shares it with the thread
    for (int i = 0; i < voiceCount_; ++i) {
        Stream& s = *voices_[i];
        const Voice& v = s.voice;
        if (v.playing) {
            const std::int64_t pos =
                v.carry ? carryPosition(v)
                : v.resampling
                    ? std::min<std::int64_t>(s.end(), static_cast<std::int64_t>(v.mixPos))
                    : v.pos;
            s.position.store(pos, std::memory_order_relaxed);
        }
        const auto l = static_cast<std::uint32_t>(peakToLevel(v.peakL));
        const auto r = static_cast<std::uint32_t>(peakToLevel(v.peakR));
        s.level.store(l | (r << 16), std::memory_order_relaxed);
        s.mixCpu.store(cpu, std::memory_order_relaxed);
        s.volumeNow.store(static_cast<float>(v.volume), std::memory_order_relaxed);
    }
    framesRendered.store(first + frames, std::memory_order_relaxed);

    const double spent =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double period = static_cast<double>(frames) / rate_;
    const double load = period > 0 ? 100.0 * spent / period : 0.0;
    cpuSmoothed_ = cpuSmoothed_ == 0 ? load : cpuSmoothed_ * 0.9 + load * 0.1;
    cpuPercent.store(static_cast<float>(cpuSmoothed_), std::memory_order_relaxed);
    renderTimes.record(spent, period);
    renderCpuTimes.record(threadCpuSeconds() - cpuStarted, period);
}

void Mixer::renderBlock(float* out, int frames) noexcept {
    for (int i = 0; i < voiceCount_; ++i)
        renderVoice(*voices_[i], out, frames);
    sweepRemoved(false);
}

void Mixer::sweepRemoved(bool all) noexcept {
    for (int i = voiceCount_ - 1; i >= 0; --i) {
        const Voice& v = voices_[i]->voice;
        if (v.removing && (all || !v.fadingOut()))
            removeVoice(voices_[i]);
    }
}

void Mixer::renderVoice(Stream& s, float* out, int frames) noexcept {
    Voice& v = s.voice;
    const bool logCurve = logVolume.load(std::memory_order_relaxed);

    // The volume over this block: slides run on the device clock, playing or not, so a
    // fade's end message comes even for a paused stream.
    v.rampThisBlock = v.sliding;
    if (v.sliding) {
        float* g = v.gains.get();
        for (int j = 0; j < frames;) {
            if (!v.sliding) {
                std::fill(g + j, g + frames, volumeGain(v.volume, logCurve));
                break;
            }
            const int n =
                static_cast<int>(std::min<std::int64_t>(frames - j, v.slideTotal - v.slideDone));
            slideGains(v, logCurve, g + j, n);
            v.slideDone += n;
            j += n;
            if (v.slideDone < v.slideTotal) {
                v.volume = v.slideFrom + (v.slideTo - v.slideFrom) *
                                             static_cast<double>(v.slideDone) /
                                             static_cast<double>(v.slideTotal);
                continue;
            }
            v.volume = v.slideTo;
            v.sliding = false;
            // A queued slide takes over at the next frame; the sync stays armed for its end.
            const bool more = v.slideQueued > 0;
            fire(s, kSyncKindSlide, j, more);
            s.slideDoneSerial.store(v.slideSerial, std::memory_order_release);
            if (more) {
                const Voice::QueuedSlide next = v.slideQueue[0];
                std::copy(v.slideQueue + 1, v.slideQueue + v.slideQueued, v.slideQueue);
                --v.slideQueued;
                startSlide(s, next.to, next.frames, next.serial);
            }
        }
    } else if (v.blockGainFor != v.volume || v.blockGainLog != logCurve) {
        v.blockGain = volumeGain(v.volume, logCurve);
        v.blockGainFor = v.volume;
        v.blockGainLog = logCurve;
    }
    declick(s, out, frames);

    v.heard = false;
    if (!v.playing || v.feed == nullptr)
        return;
    int produced = 0;
    while (produced < frames && v.playing) {
        if (v.carry) {
            produced += replayCarry(s, out, frames - produced, produced);
            continue;
        }
        if (!v.resampling && v.freq != rate_)
            enterResampling(s);
        // The direct path hands out the feed's own memory; it is given back after mixing.
        const float* data = v.work.get();
        const int got = v.resampling ? pullResampled(s, frames - produced, produced)
                                     : pullDirect(s, frames - produced, produced, &data);
        if (got <= 0) {
            if (v.playing)
                underruns.fetch_add(1, std::memory_order_relaxed);
            break;
        }
        measureAndMix(s, out, data, got, produced,
                      v.rampThisBlock ? v.gains.get() + produced : nullptr);
        if (!v.resampling) {
            remember(s, data, got);
            v.feed->ring.commitRead(static_cast<std::size_t>(got));
        }
        produced += got;
    }
    v.heard = produced > 0;
}

bool Mixer::boundary(Stream& s, int offset, std::int64_t* target) noexcept {
    Voice& v = s.voice;
    if (s.loop.load(std::memory_order_relaxed)) {
        // The disk thread writes the wrap when it gets there with the loop flag on; until
        // then the stream waits (an underrun), it never ends while looping.
        std::int64_t t = 0;
        if (!v.feed->wraps.pop(t))
            return false;
        fire(s, kSyncKindEnd, offset);
        *target = t;
        return true;
    }
    endVoice(s);
    fire(s, kSyncKindEnd, offset);
    return false;
}

int Mixer::pullDirect(Stream& s, int want, int offset, const float** data) noexcept {
    Voice& v = s.voice;
    for (;;) {
        const std::int64_t toEnd = s.end() - v.pos;
        if (toEnd <= 0) {
            std::int64_t target = 0;
            if (!boundary(s, offset, &target))
                return 0;
            v.pos = target;
            continue;
        }
        std::size_t k = std::min({static_cast<std::size_t>(want), static_cast<std::size_t>(toEnd),
                                  static_cast<std::size_t>(kBlockFrames)});
        // 16-bit frames become floats in the voice's block buffer, a float ring hands out
        // its own memory.
        FrameRing& ring = v.feed->ring;
        float* span = ring.pcm16() ? v.work.get() : ring.readSpan(&k);
        if (ring.pcm16())
            k = ring.peek(span, k);
        if (k == 0)
            return 0;
        // The effects run in place on the ring's frames (or the copy): the span is the
        // callback's until renderVoice commits it, and nobody reads those frames after that.
        runEffects(v, span, static_cast<int>(k));
        *data = span;
        v.pos += static_cast<std::int64_t>(k);
        return static_cast<int>(k);
    }
}

void Mixer::remember(Stream& s, const float* data, int frames) noexcept {
    Voice& v = s.voice;
    const int ch = s.channels;
    const int keep = std::min(frames, kHistoryFrames);
    const int old = std::min(v.historyCount, kHistoryFrames - keep);
    float* h = v.history.get();
    std::memmove(h, h + static_cast<std::ptrdiff_t>(v.historyCount - old) * ch,
                 sizeof(float) * static_cast<std::size_t>(old * ch));
    std::memcpy(h + static_cast<std::ptrdiff_t>(old) * ch,
                data + static_cast<std::ptrdiff_t>(frames - keep) * ch,
                sizeof(float) * static_cast<std::size_t>(keep * ch));
    v.historyCount = old + keep;
}

namespace {
void useInput(Voice& v, int used) noexcept {
    v.inStart += used;
    v.inCount -= used;
    if (v.inCount == 0)
        v.inStart = 0;
}
} // namespace

void Mixer::enterResampling(Stream& s) noexcept {
    Voice& v = s.voice;
    const int ch = s.channels;
    const double ratio = rate_ / v.freq;
    v.resampling = true;
    v.inPos = v.pos;
    v.wrapCount = 0;
    v.inputEnded = false;
    v.src->reset();
    v.src->setRatio(ratio);
    // A fresh converter starts from silence: mid-sound that is a step, heard as a click.
    // It is fed the frames just played first, and the output that stands for them is
    // dropped, so the converted sound takes over where the direct one left off.
    // The converter's output frames fall on a grid that starts at the first frame fed; of
    // the history lengths that still cover its filter, the one whose grid comes closest
    // to the next frame due keeps the sound from jumping in time by part of a frame.
    int hist = v.historyCount;
    double late = std::ceil(hist * ratio - 1e-9) - hist * ratio;
    for (int n = v.historyCount - 1; n >= v.historyCount / 2; --n) {
        const double l = std::ceil(n * ratio - 1e-9) - n * ratio;
        if (l < late) {
            late = l;
            hist = n;
        }
    }
    std::memcpy(v.in.get(),
                v.history.get() + static_cast<std::ptrdiff_t>(v.historyCount - hist) * ch,
                sizeof(float) * static_cast<std::size_t>(hist * ch));
    v.inStart = 0;
    v.inCount = hist;
    v.mixPos = static_cast<double>(v.pos - hist);
    // Converter output still to drop: it stands for frames already heard.
    int discard = static_cast<int>(std::ceil(hist * ratio - 1e-9));
    while (discard > 0) {
        // Only the input these frames need, as in pullResampled: a vari-speed move mid-sound
        // would otherwise run the effects over the converter's whole input (sixteen
        // 128-frame periods' worth) in one period.
        const int n = std::min(discard, kBlockFrames);
        topUpInput(s, v.src->inputFor(n));
        auto drop = [&] {
            return v.src->process(v.in.get() + static_cast<std::ptrdiff_t>(v.inStart) * ch,
                                  v.inCount, v.work.get(), n, v.inputEnded);
        };
        RateConverter::Result d = drop();
        if (d.ok && d.made == 0 && !v.inputEnded && v.inCount < kResampleInFrames) {
            topUpInput(s, kResampleInFrames); // a converter that holds input back
            d = drop();
        }
        if (!d.ok || d.made == 0)
            break;
        useInput(v, d.used);
        discard -= d.made;
        v.mixPos += static_cast<double>(d.made) / ratio;
    }
}

void Mixer::topUpInput(Stream& s, int frames) noexcept {
    Voice& v = s.voice;
    Feed& f = *v.feed;
    const int ch = s.channels;
    // Keep the converter's input topped up. The input side passes loop ends before the
    // output does; it notes each wrap so the output side fires the sync at its own frame.
    if (v.inStart + kResampleInFrames > kResampleInCapacity) {
        std::memmove(v.in.get(), v.in.get() + static_cast<std::ptrdiff_t>(v.inStart) * ch,
                     sizeof(float) * static_cast<std::size_t>(v.inCount * ch));
        v.inStart = 0;
    }
    const int target = std::min(frames, kResampleInFrames);
    while (!v.inputEnded && v.inCount < target) {
        const std::int64_t toEnd = s.end() - v.inPos;
        if (toEnd <= 0) {
            if (v.wrapCount >= 8)
                break;
            if (s.loop.load(std::memory_order_relaxed)) {
                std::int64_t t = 0;
                if (!f.wraps.pop(t))
                    break;
                v.wrapTargets[v.wrapCount++] = t;
                v.inPos = t;
                continue;
            }
            v.wrapTargets[v.wrapCount++] = kEndMarker;
            v.inputEnded = true;
            break;
        }
        const std::size_t k = std::min({static_cast<std::size_t>(target - v.inCount),
                                        static_cast<std::size_t>(toEnd), f.ring.readable()});
        if (k == 0)
            break;
        float* fresh = v.in.get() + static_cast<std::ptrdiff_t>(v.inStart + v.inCount) * ch;
        f.ring.read(fresh, k);
        // At the stream's own rate, before the rate conversion.
        runEffects(v, fresh, static_cast<int>(k));
        v.inCount += static_cast<int>(k);
        v.inPos += static_cast<std::int64_t>(k);
    }
}

int Mixer::pullResampled(Stream& s, int want, int offset) noexcept {
    Voice& v = s.voice;
    const int ch = s.channels;
    const double ratio = rate_ / v.freq;
    want = std::min(want, kBlockFrames);
    // Only the input this period's output needs (the converter says how much, its filter's
    // reach included) is read and run through the effects. Filling the converter's whole
    // input at once would run a starting stream's effects over sixteen 128-frame periods'
    // worth of sound in its first period, and a recall that starts 32 streams would
    // overrun that period; even a fixed margin of a few hundred frames made a start cost
    // three periods' worth of effects.
    topUpInput(s, v.src->inputFor(want));
    auto convert = [&] {
        return v.src->process(v.in.get() + static_cast<std::ptrdiff_t>(v.inStart) * ch, v.inCount,
                              v.work.get(), want, v.inputEnded);
    };
    RateConverter::Result d = convert();
    if (d.ok && d.made == 0 && !v.inputEnded && v.inCount < kResampleInFrames) {
        // A converter that holds back more than the reach before it gives anything.
        topUpInput(s, kResampleInFrames);
        d = convert();
    }
    if (!d.ok) {
        endVoice(s);
        fire(s, kSyncKindEnd, offset);
        return 0;
    }
    useInput(v, d.used);
    const int gen = d.made;
    if (gen == 0) {
        if (v.inputEnded && v.inCount == 0) {
            // The converter is drained before the position reached the end (rounding).
            endVoice(s);
            fire(s, kSyncKindEnd, offset);
        }
        return 0;
    }
    // Each output frame advances the source position by 1 / ratio; the sync of an end or
    // wrap fires at the output frame where the position reaches the length.
    int at = 0;
    for (;;) {
        const double end = static_cast<double>(s.end());
        const double toBoundary = (end - v.mixPos) * ratio;
        auto jb = static_cast<std::int64_t>(std::ceil(toBoundary - 1e-9));
        jb = std::max<std::int64_t>(jb, 0);
        if (at + jb >= gen) {
            v.mixPos += (gen - at) / ratio;
            break;
        }
        // The input side has not decided yet (it waits for a wrap), or a fade-out reached the
        // end or a second wrap, which are decided when they are heard: hold here.
        if (v.wrapCount == 0 ||
            (takingTail_ && (tailWrapOut_ >= 0 || v.wrapTargets[0] == kEndMarker))) {
            v.mixPos = end;
            return static_cast<int>(at + jb);
        }
        at += static_cast<int>(jb);
        v.mixPos += static_cast<double>(jb) / ratio;
        const std::int64_t t = v.wrapTargets[0];
        std::copy(v.wrapTargets + 1, v.wrapTargets + v.wrapCount, v.wrapTargets);
        --v.wrapCount;
        if (t == kEndMarker)
            endVoice(s);
        if (takingTail_) {
            tailWrapOut_ = at;
            tailWrapTarget_ = t;
        } else {
            fire(s, kSyncKindEnd, offset + at);
        }
        if (t == kEndMarker)
            return at;
        v.mixPos = static_cast<double>(t) + (v.mixPos - end);
    }
    return gen;
}

void Mixer::measure(Voice& v, int channels, const float* data, int frames) noexcept {
    // Peaks on the bit patterns: with the sign bit cleared, IEEE floats order like
    // integers, and an integer max the compiler vectorises (a float one it may not). Signed,
    // because the baseline x86-64 instruction set has a vector compare only for signed
    // 32-bit integers; an unsigned max stayed a scalar loop and cost a fifth of a mix.
    std::int32_t pl = 0, pr = 0;
    std::memcpy(&pl, &v.peakL, 4);
    std::memcpy(&pr, &v.peakR, 4);
    const auto bits = [data](int i) {
        std::int32_t b;
        std::memcpy(&b, data + i, 4);
        return b & 0x7fffffff;
    };
    if (channels == 1) {
        for (int j = 0; j < frames; ++j) {
            const std::int32_t a = bits(j);
            pl = a > pl ? a : pl;
        }
        pr = pl;
    } else if (channels == 2) {
        // Eight running maxima over the interleaved samples, the even ones left and the odd
        // ones right: one plain max per lane, which the compiler turns into vector maxima
        // (two maxima over a stride of two stayed a scalar loop, a quarter of a mix).
        constexpr int kLanes = 8;
        std::int32_t m[kLanes] = {pl, pr, pl, pr, pl, pr, pl, pr};
        const int n = 2 * frames;
        int i = 0;
        for (; i + kLanes <= n; i += kLanes)
            for (int j = 0; j < kLanes; ++j) {
                const std::int32_t a = bits(i + j);
                m[j] = a > m[j] ? a : m[j];
            }
        for (; i < n; i += 2) {
            m[0] = std::max(m[0], bits(i));
            m[1] = std::max(m[1], bits(i + 1));
        }
        pl = std::max({m[0], m[2], m[4], m[6]});
        pr = std::max({m[1], m[3], m[5], m[7]});
    } else {
        for (int j = 0; j < frames; ++j) {
            const std::int32_t a = bits(j * channels);
            const std::int32_t b = bits(j * channels + 1);
            pl = a > pl ? a : pl;
            pr = b > pr ? b : pr;
        }
    }
    std::memcpy(&v.peakL, &pl, 4);
    std::memcpy(&v.peakR, &pr, 4);
}

void Mixer::voicePan(Voice& v, float* left, float* right) const noexcept {
    const bool logCurve = logPan.load(std::memory_order_relaxed);
    if (v.panGainsFor != v.pan || v.panGainsLog != logCurve) {
        panGains(v.pan, logCurve, &v.panGainL, &v.panGainR);
        v.panGainsFor = v.pan;
        v.panGainsLog = logCurve;
    }
    *left = v.panGainL;
    *right = v.panGainR;
}

void Mixer::measureAndMix(Stream& s, float* out, const float* data, int frames, int offset,
                          const float* gains) noexcept {
    Voice& v = s.voice;
    if (s.channels != 2 || gains != nullptr || channels_ != 2 || s.outL != 0 || s.outR != 1 ||
        v.panRampThisBlock) {
        measure(v, s.channels, data, frames);
        mixInto(s, out, data, frames, offset, gains);
        return;
    }
    // The common case in one pass, each sample measured and mixed while it is in a
    // register: the mixer's reads of the feed come from memory, and reading it twice cost.
    // The same per-sample arithmetic as measure() and mixInto(), so the same results.
    float pl = 1, pr = 1;
    voicePan(v, &pl, &pr);
    constexpr int kLanes = 8; // even lanes left, odd right
    const float gl = v.blockGain * pl, gr = v.blockGain * pr;
    const float g[kLanes] = {gl, gr, gl, gr, gl, gr, gl, gr};
    std::int32_t m[kLanes];
    std::int32_t pl0 = 0, pr0 = 0;
    std::memcpy(&pl0, &v.peakL, 4);
    std::memcpy(&pr0, &v.peakR, 4);
    for (int j = 0; j < kLanes; j += 2) {
        m[j] = pl0;
        m[j + 1] = pr0;
    }
    float* o = out + static_cast<std::ptrdiff_t>(offset) * 2;
    const int n = 2 * frames;
    int i = 0;
    for (; i + kLanes <= n; i += kLanes)
        for (int j = 0; j < kLanes; ++j) {
            const float x = data[i + j];
            std::int32_t b;
            std::memcpy(&b, &x, 4);
            b &= 0x7fffffff;
            m[j] = b > m[j] ? b : m[j];
            o[i + j] += x * g[j];
        }
    for (; i < n; ++i) {
        const float x = data[i];
        std::int32_t b;
        std::memcpy(&b, &x, 4);
        b &= 0x7fffffff;
        m[i & 1] = std::max(m[i & 1], b);
        o[i] += x * g[i & 1];
    }
    pl0 = std::max({m[0], m[2], m[4], m[6]});
    pr0 = std::max({m[1], m[3], m[5], m[7]});
    std::memcpy(&v.peakL, &pl0, 4);
    std::memcpy(&v.peakR, &pr0, 4);
}

void Mixer::mixInto(Stream& s, float* out, const float* data, int frames, int offset,
                    const float* gains) noexcept {
    Voice& v = s.voice;
    const int devCh = channels_;
    float pl = 1, pr = 1;
    voicePan(v, &pl, &pr);
    const float g = v.blockGain;
    float* o = out + static_cast<std::ptrdiff_t>(offset) * devCh;
    const int outL = s.outL < devCh ? s.outL : -1;
    const int outR = s.outR < devCh ? s.outR : -1;
    // On a one-output device both sides are the same output, the centre: no balance there.
    // A mono sound is heard once; a stereo one sums at half level a side, so that (as in
    // the multichannel fold-down) a full-scale file cannot go past full scale.
    const bool oneOutput = outL >= 0 && outL == outR;
    if (oneOutput)
        pl = pr = s.channels == 1 ? 1.0f : 0.5f;
    // The pan gains per frame while a pan set glides (from `offset` on, left and right).
    const float* ramp = v.panRampThisBlock && !s.singleSpeaker && !oneOutput
                            ? v.panRamp.get() + 2 * static_cast<std::ptrdiff_t>(offset)
                            : nullptr;
    if (s.channels == 1) {
        const bool once = s.singleSpeaker || oneOutput;
        if (once) {
            pl = 1;
            pr = 0;
        }
        for (int j = 0; j < frames; ++j) {
            const float x = data[j] * (gains ? gains[j] : g);
            if (ramp) {
                pl = ramp[2 * j];
                pr = ramp[2 * j + 1];
            }
            if (outL >= 0)
                o[j * devCh + outL] += x * pl;
            if (outR >= 0 && !once)
                o[j * devCh + outR] += x * pr;
        }
    } else if (s.channels == 2 && gains == nullptr && ramp == nullptr && devCh == 2 && outL == 0 &&
               outR == 1) {
        // The common case, kept simple enough to vectorise.
        const float gl = g * pl, gr = g * pr;
        for (int j = 0; j < frames; ++j) {
            o[2 * j] += data[2 * j] * gl;
            o[2 * j + 1] += data[2 * j + 1] * gr;
        }
    } else if (s.channels == 2) {
        for (int j = 0; j < frames; ++j) {
            const float gj = gains ? gains[j] : g;
            if (ramp) {
                pl = ramp[2 * j];
                pr = ramp[2 * j + 1];
            }
            if (outL >= 0)
                o[j * devCh + outL] += data[2 * j] * gj * pl;
            if (outR >= 0)
                o[j * devCh + outR] += data[2 * j + 1] * gj * pr;
        }
    } else {
        // The stream's map, with the balance on the outputs of each side.
        const int ch = s.channels;
        const int outs = std::min(devCh, ChannelMap::kMax);
        float m[ChannelMap::kMax][ChannelMap::kMax];
        const auto balance = [&](float l, float r) {
            for (int c = 0; c < ch; ++c)
                for (int k = 0; k < outs; ++k) {
                    const int side = outputSide(k, outs);
                    m[c][k] = s.map.gain[c][k] * (side < 0 ? l : side > 0 ? r : 1.0f);
                }
        };
        balance(pl, pr);
        for (int j = 0; j < frames; ++j) {
            if (ramp)
                balance(ramp[2 * j], ramp[2 * j + 1]);
            const float gj = gains ? gains[j] : g;
            const float* in = data + static_cast<std::ptrdiff_t>(j) * ch;
            float* frame = o + static_cast<std::ptrdiff_t>(j) * devCh;
            for (int c = 0; c < ch; ++c) {
                const float x = in[c] * gj;
                for (int k = 0; k < outs; ++k)
                    frame[k] += x * m[c][k];
            }
        }
    }
}

void Mixer::haltAfterLoss() {
    Command c;
    while (commands.pop(c))
        apply(c);
    for (int i = 0; i < voiceCount_; ++i) {
        Voice& v = voices_[i]->voice;
        v.playing = false;
        v.heard = false;
        v.carry = false;
        v.tailFading = false;
        v.fadeOutDone = v.fadeOutCount;
        v.fadeInLeft = 0;
        v.stepLeft = 0;
        v.panStepLeft = 0;
    }
    sweepRemoved(true);
    retire(Retired{});
}

void Mixer::drainStopped() {
    Command c;
    while (commands.pop(c))
        apply(c);
    sweepRemoved(true); // no period comes to fade them out
    retire(Retired{});
}

} // namespace kalvor::audio
