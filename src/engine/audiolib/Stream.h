// One open stream as the three sides see it: the UI thread (commands, queries), the disk
// thread (decoding ahead into the stream's feed) and the device callback (mixing).
// Each field group says which threads touch it and how.
#pragma once

#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/ChannelMap.h"
#include "engine/audiolib/LockFree.h"
#include "engine/audiolib/RateConverter.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>

namespace kalvor::engine::dsp {
class Effect;
}

namespace kalvor::audio {

inline constexpr int kMaxStreamChannels = 8;
inline constexpr int kBlockFrames = 1024;      // the mixer works in blocks of at most this
inline constexpr int kResampleInFrames = 2048; // resampler input kept per stream
// Room for twice that, so the used input is dropped by moving what is left to the front
// once every few periods rather than in every call.
inline constexpr int kResampleInCapacity = 2 * kResampleInFrames;
// Converter input read beyond what a period's output needs, at most (RateConverter.h).
inline constexpr int kConverterReachFrames = RateConverter::kReachFrames;
inline constexpr int kHistoryFrames = 128;     // last frames played, to prime the resampler
inline constexpr int kTailFrames = 512;        // longest ramp over a stop, pause or seek
inline constexpr int kMaxSyncs = 16;           // per stream
inline constexpr int kMaxQueuedSlides = 8;     // per stream, after the running slide
inline constexpr std::int64_t kEndMarker = -1; // in the resampler's wrap list: the stream ends

// A run of decoded source frames starting at one position. Each seek or restart makes a
// new feed (on the UI thread, pre-buffered there), so the callback never has to discard
// stale data: it swaps feeds at a period boundary and hands the old one back for freeing.
struct Feed {
    Feed(std::size_t capacityFrames, int channels, std::int64_t start,
         RingSamples samples = RingSamples::Float32)
        : ring(capacityFrames, channels, samples), wraps(64), startFrame(start), decodePos(start) {}

    // Producer: whoever holds Stream::diskMutex (disk thread, UI thread pre-buffering,
    // the offline pull topping up). Consumer: the callback of the stream's device.
    FrameRing ring;
    // Loop wraps written into the ring, in order: the source frame that follows the last
    // frame of the sound. Pushed before the frames after the wrap, so the callback finds
    // it when it reaches the end. Same producer and consumer as `ring`.
    SpscQueue<std::int64_t> wraps;
    const std::int64_t startFrame;

    // Producer side only (under Stream::diskMutex).
    std::int64_t decodePos;  // source frame the next written frame is
    bool atEnd = false;      // reached the end with the loop flag off; nothing more follows
    bool decoderDry = false; // a loop's seek failed: silence pads the sound to its end
};

// One attached effect as the callback runs it. The effect was made and prepared for the
// stream's rate and channels on the UI thread; from the AddFx command on it belongs to the
// callback until it comes back through Retired (or with its stream).
struct FxSlot {
    engine::dsp::Effect* effect = nullptr;
    int priority = 0;
    bool leaving = false; // removed while sounding: gliding out, then handed back
};

struct SyncSlot {
    Handle handle = 0;
    std::uint32_t type = 0;
    int message = 0;
    int slot = 0;
};

// What the callback keeps per stream. Touched only by the callback of the stream's device
// (and by the UI thread before the stream is handed over or after it came back).
struct Voice {
    Feed* feed = nullptr;
    std::uint64_t feedSerial = 0;
    std::uint64_t startedFeedSerial = 0; // the feed the current play started on
    // The serial of the last Play taken, restart or not: an end raised before a later play
    // is told from one of that play.
    std::uint64_t playSerial = 0;
    bool playing = false;
    std::int64_t pos = 0; // next source frame mixed (direct path)

    // Rate conversion (entered when the frequency differs from the device rate; left at
    // the next feed swap).
    bool resampling = false;
    std::unique_ptr<RateConverter> src;
    double mixPos = 0;      // source frame of the next output frame
    std::int64_t inPos = 0; // source frame of the next frame handed to the resampler
    bool inputEnded = false;
    int inStart = 0;                  // first frame of `in` not yet used
    int inCount = 0;                  // frames of `in` from inStart on
    std::int64_t wrapTargets[8] = {}; // wraps the input side passed, not yet the output side
    int wrapCount = 0;

    // The last frames the direct path played (after the effects), oldest first: a converter
    // switched in mid-sound starts from them instead of from silence.
    std::unique_ptr<float[]> history; // kHistoryFrames * channels
    int historyCount = 0;

    std::unique_ptr<float[]> in;    // kResampleInCapacity * channels
    std::unique_ptr<float[]> work;  // kBlockFrames * channels: the stream's data for one block
    std::unique_ptr<float[]> gains; // kBlockFrames: volume gain per frame while sliding

    double volume = 100; // 0..100
    double pan = 0;      // -100..100
    double freq = 0;     // Hz

    bool sliding = false;
    double slideFrom = 0, slideTo = 0;
    std::int64_t slideTotal = 0, slideDone = 0;
    std::uint64_t slideSerial = 0;
    // Slides that follow the running one, each starting at the frame the one before ends
    // (the segments of a fade).
    struct QueuedSlide {
        double to = 0;
        std::int64_t frames = 0;
        std::uint64_t serial = 0;
    };
    QueuedSlide slideQueue[kMaxQueuedSlides];
    int slideQueued = 0;

    SyncSlot syncs[kMaxSyncs];
    int syncCount = 0;

    // Effects in processing order: higher priority first, attach order among equals.
    FxSlot fx[kMaxStreamFx];
    int fxCount = 0;

    float peakL = 0, peakR = 0;
    bool rampThisBlock = false; // `gains` holds this block's volume gains
    float blockGain = 1;        // the volume gain when not ramping
    // The volume and pan the gains were last worked out for: a power each per voice and
    // block was a measurable part of an offline mix.
    double blockGainFor = 100;
    bool blockGainLog = true;
    double panGainsFor = 0;
    bool panGainsLog = true;
    float panGainL = 1, panGainR = 1;
    // A pan set while heard glides over the declick ramp from the pan gains last heard,
    // as a volume set does: a balance jumped to at once steps the output of both sides.
    std::unique_ptr<float[]> panRamp; // kBlockFrames * 2: left, right per frame while gliding
    bool panRampThisBlock = false;    // `panRamp` holds this block's pan gains
    int panStepLeft = 0;
    float panFromL = 1, panFromR = 1;
    float lastPanL = 1, lastPanR = 1; // the pan gains of the last frame mixed

    // Ramps instead of cuts (MixerDeclick.cpp). A stop, pause or seek while the sound is
    // heard pulls the next few milliseconds into `tail` and fades them out; after a pause or
    // stop the same frames are the first a resume plays (the carry), so the place stays
    // exact. A stream freed while heard (a channel moved to another output, a sound
    // replaced while playing) fades out the same way before its voice goes.
    std::unique_ptr<float[]> tail;      // kTailFrames * channels, after the effects
    std::unique_ptr<float[]> tailGains; // kTailFrames
    int tailCount = 0;
    int tailFaded = 0;  // frames of the fade-out mixed so far
    float tailGain = 1; // the volume gain heard when the tail was taken
    bool tailFading = false;
    // A fade-out taken over by the next ramp (stop, pause, seek or free again within the
    // ramp): the rest of it, its gains already applied, mixed out to its end under the new one.
    std::unique_ptr<float[]> fadeOut;   // kTailFrames * channels
    std::unique_ptr<float[]> unitGains; // kTailFrames, all 1
    int fadeOutCount = 0;
    int fadeOutDone = 0;
    bool tailFromHalt = false; // a stop or pause, not a seek
    bool carry = false;        // a resume replays the tail first
    int carryUsed = 0;
    double carryFrom = 0, carryTo = 0; // source positions of the tail's start and end
    // A loop wrap inside the tail: the tail frame that is the loop start's (-1: none), the
    // loop start and the loop end. Its message comes when a resume replays it.
    int tailWrapAt = -1;
    std::int64_t tailWrapTo = 0;
    std::int64_t tailWrapEnd = 0;
    int fadeInLeft = 0;     // frames of the new place still fading in after a seek
    int tailFadeInLeft = 0; // `fadeInLeft` when the tail was taken
    int stepLeft = 0;       // frames of a volume set still gliding
    float stepFrom = 1;     // the gain the glide started from
    float lastGain = 1;     // the volume gain of the last frame mixed
    bool heard = false;     // the voice was mixed in the last period
    bool removing = false;  // freed: goes once its tail has faded out

    bool fadingOut() const { return tailFading || fadeOutDone < fadeOutCount; }
};

struct Stream {
    // Constant after creation.
    Handle handle = 0;
    int channels = 0;
    int rate = 0;
    std::int64_t length = 0; // frames
    std::uint32_t flags = 0;
    int fileBits = 0;
    int device = 0; // index into the device table
    // The device is caller-driven: the puller decides wraps and the end (see fillFeed).
    bool pulled = false;
    // Where each source channel goes: output channel for the left/right side (-1 none).
    // Mono uses both; a single speaker uses only `outL`; more than two channels go
    // through `map`, made for the device the stream was created on.
    int outL = 0, outR = 1;
    bool singleSpeaker = false;
    ChannelMap map;

    // Disk side: the decoder and the feed being filled. UI thread and disk thread, under
    // diskMutex (never the callback). Only the UI thread sets diskFeed.
    std::mutex diskMutex;
    std::unique_ptr<engine::Decoder> decoder;
    Feed* diskFeed = nullptr;

    // UI -> disk thread and callback. The loop start is set before the loop flag is turned
    // on, and a wrap must land there: the flag is stored with release and loaded with
    // acquire where a wrap is decided (fillFeed). Elsewhere relaxed: single values.
    std::atomic<bool> loop{false};
    std::atomic<std::int64_t> loopStart{0};

    // Disk -> callback: the frame where the file stopped giving frames (a read failed: a
    // disk unplugged, a file cut short while it plays). The sound ends there, with its end
    // message, rather than playing silence for the rest of its length. Stored (lowered only)
    // by the producer with release before it stops writing frames; loaded with acquire.
    std::atomic<std::int64_t> readableEnd{std::numeric_limits<std::int64_t>::max()};
    // Where the sound ends: its length, or where reading failed before it.
    std::int64_t end() const noexcept {
        return std::min(length, readableEnd.load(std::memory_order_acquire));
    }

    // Callback -> UI. The callback stores the position, level and volume with relaxed
    // order and then the serials with release; the UI loads the serials with acquire
    // before trusting what they describe.
    std::atomic<std::int64_t> position{0};
    std::atomic<std::uint64_t> appliedFeedSerial{0};
    std::atomic<std::uint64_t> endedFeedSerial{0};
    std::atomic<std::uint64_t> slideDoneSerial{0};
    std::atomic<std::uint32_t> level{0};
    std::atomic<float> volumeNow{100};
    std::atomic<std::int64_t> startDeviceFrame{-1};
    // The CPU the callback last mixed the stream on (-1: not yet), so a decoding thread
    // can tell whether the mixer reads its frames on another core.
    std::atomic<int> mixCpu{-1};

    Voice voice; // the callback's
};

} // namespace kalvor::audio
