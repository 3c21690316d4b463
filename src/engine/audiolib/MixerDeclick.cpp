// Ramps instead of cuts: a stop, pause, resume, seek or restart of a sound being heard, a
// volume or pan set, and freeing a stream that is heard never step the output at a period edge.
// Everything is counted in device frames from the period boundary where the command was applied, so
// an offline render stays the same every time. render() path: nothing here locks, allocates or
// logs.
//
// A start is not ramped: a sound starts on its exact first frame, which is what same-frame
// starts of play groups and sample-exact cues rely on (and a sound file normally starts
// from silence itself). So a stop followed by a new start before the next period (a
// program jumping: stop, seek, play) drops the stop's fade, and the new place is heard
// exactly from its first frame; a seek of a playing sound on its own crossfades.
#include "engine/audiolib/Mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kalvor::audio {

namespace {

// The gain of frame `i` of a tail fading out over `n` frames: it reaches 0 on the last one.
float tailFadeGain(const Voice& v, int i, int n) noexcept {
    return v.tailGain * static_cast<float>(std::max(n - 1 - i, 0)) / static_cast<float>(n);
}

} // namespace

std::int64_t Mixer::carryPosition(const Voice& v) noexcept {
    if (v.tailWrapAt >= 0) {
        // Up to the loop end, then on from the loop start.
        if (v.carryUsed < v.tailWrapAt)
            return std::llround(v.carryFrom + (static_cast<double>(v.tailWrapEnd) - v.carryFrom) *
                                                  v.carryUsed / v.tailWrapAt);
        const int after = v.tailCount - v.tailWrapAt;
        const auto to = static_cast<double>(v.tailWrapTo);
        return after <= 0
                   ? v.tailWrapTo
                   : std::llround(to + (v.carryTo - to) * (v.carryUsed - v.tailWrapAt) / after);
    }
    if (v.tailCount <= 0)
        return static_cast<std::int64_t>(v.carryFrom);
    return std::llround(v.carryFrom + (v.carryTo - v.carryFrom) * v.carryUsed / v.tailCount);
}

// A new ramp out while the last one is still heard: what is left of the last one goes on
// fading to its end (the tail buffer is about to hold the next frames), added to whatever
// earlier fade-out is still under way.
void Mixer::keepFadingOut(Stream& s) noexcept {
    Voice& v = s.voice;
    if (!v.tailFading)
        return;
    const int ch = s.channels;
    const int n = declickFrames_;
    float* into = v.fadeOut.get();
    const int before = v.fadeOutCount - v.fadeOutDone;
    if (before > 0)
        std::memmove(into, into + static_cast<std::ptrdiff_t>(v.fadeOutDone) * ch,
                     sizeof(float) * static_cast<std::size_t>(before * ch));
    const int rest = v.tailCount - v.tailFaded;
    for (int j = 0; j < rest; ++j) {
        const int i = v.tailFaded + j;
        const float g = tailFadeGain(v, i, n);
        const float* from = v.tail.get() + static_cast<std::ptrdiff_t>(i) * ch;
        float* to = into + static_cast<std::ptrdiff_t>(j) * ch;
        for (int c = 0; c < ch; ++c)
            to[c] = (j < before ? to[c] : 0.0f) + from[c] * g;
    }
    v.fadeOutCount = std::max(before, rest);
    v.fadeOutDone = 0;
    v.tailFading = false;
}

void Mixer::produceTail(Stream& s) noexcept {
    Voice& v = s.voice;
    const int ch = s.channels;
    float* tail = v.tail.get();
    keepFadingOut(s);
    // A new place still fading in is heard at part of its gain: the fade-out starts there.
    const float heardGain = v.fadeInLeft > 0
                                ? v.lastGain * static_cast<float>(declickFrames_ - v.fadeInLeft) /
                                      static_cast<float>(declickFrames_)
                                : v.lastGain;
    int n = 0;
    int wrapAt = -1;
    std::int64_t wrapTo = 0;
    double from = v.resampling ? v.mixPos : static_cast<double>(v.pos);
    if (v.carry && v.carryUsed < v.tailCount) {
        // Halted again before a resume had replayed its carry: those frames come first.
        from = static_cast<double>(carryPosition(v));
        n = v.tailCount - v.carryUsed;
        std::memmove(tail, tail + static_cast<std::ptrdiff_t>(v.carryUsed) * ch,
                     sizeof(float) * static_cast<std::size_t>(n * ch));
        if (v.tailWrapAt >= v.carryUsed) {
            wrapAt = v.tailWrapAt - v.carryUsed;
            wrapTo = v.tailWrapTo;
        }
    }
    // The next frames, as the mix would have had them, but never across the sound's end:
    // that stays where the end message is decided. A looping sound fades out over its loop
    // start (once) as it would have played on: cut at the loop end, it would click.
    while (n < declickFrames_) {
        int got = 0;
        if (!v.resampling) {
            const std::int64_t room = s.end() - v.pos;
            std::int64_t to = 0;
            if (room <= 0 && wrapAt < 0 && s.loop.load(std::memory_order_relaxed) &&
                v.feed->wraps.pop(to)) {
                wrapAt = n;
                wrapTo = to;
                v.pos = to;
                continue;
            }
            if (room <= 0)
                break;
            const float* data = nullptr;
            got = pullDirect(s, static_cast<int>(std::min<std::int64_t>(declickFrames_ - n, room)),
                             0, &data);
            if (got <= 0)
                break;
            std::memcpy(tail + static_cast<std::ptrdiff_t>(n) * ch, data,
                        sizeof(float) * static_cast<std::size_t>(got * ch));
            remember(s, data, got);
            v.feed->ring.commitRead(static_cast<std::size_t>(got));
        } else {
            const double ratio = rate_ / v.freq;
            auto room = static_cast<std::int64_t>(
                std::floor((static_cast<double>(s.end()) - v.mixPos) * ratio));
            if (wrapAt < 0 && s.loop.load(std::memory_order_relaxed))
                room = declickFrames_ - n; // pullResampled stops at the end or a second wrap
            if (room <= 0)
                break;
            takingTail_ = true;
            tailWrapOut_ = -1;
            got = pullResampled(
                s, static_cast<int>(std::min<std::int64_t>(declickFrames_ - n, room)), 0);
            takingTail_ = false;
            if (tailWrapOut_ >= 0) {
                wrapAt = n + tailWrapOut_;
                wrapTo = tailWrapTarget_;
            }
            if (got <= 0)
                break;
            std::memcpy(tail + static_cast<std::ptrdiff_t>(n) * ch, v.work.get(),
                        sizeof(float) * static_cast<std::size_t>(got * ch));
        }
        n += got;
    }
    v.tailCount = n;
    v.tailFaded = 0;
    v.tailGain = heardGain;
    v.tailFadeInLeft = v.fadeInLeft;
    v.tailFromHalt = false;
    v.tailFading = n > 0;
    v.carry = n > 0;
    v.carryUsed = 0;
    v.carryFrom = from;
    v.tailWrapAt = wrapAt;
    v.tailWrapTo = wrapTo;
    v.tailWrapEnd = s.end();
    v.carryTo = v.resampling ? v.mixPos : static_cast<double>(v.pos);
}

void Mixer::declick(Stream& s, float* out, int frames) noexcept {
    Voice& v = s.voice;
    const int n = declickFrames_;
    float* g = v.gains.get();
    const auto perFrame = [&] {
        if (!v.rampThisBlock) {
            std::fill(g, g + frames, v.blockGain);
            v.rampThisBlock = true;
        }
    };
    // A volume set while playing glides from the gain last heard to the new one.
    if (v.stepLeft > 0) {
        perFrame();
        for (int j = 0; j < frames && v.stepLeft > 0; ++j) {
            --v.stepLeft;
            g[j] += (v.stepFrom - g[j]) * static_cast<float>(v.stepLeft) / static_cast<float>(n);
        }
    }
    v.lastGain = v.rampThisBlock ? g[frames - 1] : v.blockGain;

    // A pan set while playing glides the same way, each side from its gain last heard.
    float panL = 1, panR = 1;
    voicePan(v, &panL, &panR);
    v.panRampThisBlock = v.panStepLeft > 0;
    if (v.panRampThisBlock) {
        float* p = v.panRamp.get();
        for (int j = 0; j < frames; ++j) {
            float l = panL, r = panR;
            if (v.panStepLeft > 0) {
                --v.panStepLeft;
                const float rest = static_cast<float>(v.panStepLeft) / static_cast<float>(n);
                l += (v.panFromL - l) * rest;
                r += (v.panFromR - r) * rest;
            }
            p[2 * j] = l;
            p[2 * j + 1] = r;
        }
        panL = p[2 * frames - 2];
        panR = p[2 * frames - 1];
    }
    v.lastPanL = panL;
    v.lastPanR = panR;

    // The frames after a stop, pause or seek, fading out.
    if (v.tailFading) {
        const int count = std::min(frames, v.tailCount - v.tailFaded);
        for (int j = 0; j < count; ++j) {
            v.tailGains[j] = tailFadeGain(v, v.tailFaded + j, n);
        }
        mixInto(s, out, v.tail.get() + static_cast<std::ptrdiff_t>(v.tailFaded) * s.channels, count,
                0, v.tailGains.get());
        v.tailFaded += count;
        v.tailFading = v.tailFaded < v.tailCount;
    }
    if (v.fadeOutDone < v.fadeOutCount) {
        const int count = std::min(frames, v.fadeOutCount - v.fadeOutDone);
        mixInto(s, out, v.fadeOut.get() + static_cast<std::ptrdiff_t>(v.fadeOutDone) * s.channels,
                count, 0, v.unitGains.get());
        v.fadeOutDone += count;
    }

    // After a seek while playing, the new place fades in under the old one; a resume comes
    // back in from the level its pause's fade-out had reached.
    if (v.fadeInLeft > 0 && v.playing) {
        perFrame();
        for (int j = 0; j < frames && v.fadeInLeft > 0; ++j, --v.fadeInLeft)
            g[j] *= static_cast<float>(n - v.fadeInLeft + 1) / static_cast<float>(n);
    }
}

int Mixer::replayCarry(Stream& s, float* out, int want, int offset) noexcept {
    Voice& v = s.voice;
    const int count = std::min(want, v.tailCount - v.carryUsed);
    const float* data = v.tail.get() + static_cast<std::ptrdiff_t>(v.carryUsed) * s.channels;
    // The loop wrap the fade-out went over is heard now (also when it falls just after).
    const int wrap = v.tailWrapAt - v.carryUsed;
    if (wrap >= 0 && (wrap < count || (wrap == count && v.carryUsed + count == v.tailCount)))
        fire(s, sync::End & 0xffffu, offset + wrap);
    measureAndMix(s, out, data, count, offset, v.rampThisBlock ? v.gains.get() + offset : nullptr);
    v.carryUsed += count;
    v.carry = v.carryUsed < v.tailCount;
    return count;
}

} // namespace kalvor::audio
