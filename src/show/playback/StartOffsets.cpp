#include "show/playback/StartOffsets.h"

#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "show/playback/ChannelPlayback.h"

#include <algorithm>
#include <limits>

namespace kalvor {

namespace {

constexpr std::int64_t kTailSeconds = 5;

} // namespace

std::int32_t clampStartOffset(std::int64_t value, std::int64_t lengthFrames,
                              std::int64_t lengthSeconds, int sampleRate) {
    if (value < 0 || lengthFrames <= 0 || sampleRate <= 0)
        return 0;
    const std::int64_t last = lengthFrames - kTailSeconds * sampleRate;
    if (value > last)
        value = lengthSeconds > kTailSeconds ? std::max<std::int64_t>(last, 0) : 0;
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(value, std::numeric_limits<std::int32_t>::max()));
}

StartOffsets::StartOffsets(ShowStore& store, Settings& settings, ChannelPlayback& playback)
    : store_(store), settings_(settings), playback_(playback) {}

bool StartOffsets::hasSound(int ch) const {
    return ch >= 0 && ch < kChannelCount && playback_.soundReady(ch) &&
           KAE__Channel_GetLengthInSamples(ch) > 0;
}

std::int32_t StartOffsets::ValidateStartOffset(int ch, std::int64_t value) const {
    if (!hasSound(ch))
        return 0;
    return clampStartOffset(value, KAE__Channel_GetLengthInSamples(ch),
                            KAE__Channel_GetLengthInSec(ch), store_.channel(ch).sampleRate);
}

bool StartOffsets::SetStartOffset(int ch, std::int64_t value) {
    return store(ch, value, true);
}

bool StartOffsets::store(int ch, std::int64_t value, bool jump) {
    if (!hasSound(ch))
        return false;
    const std::int32_t offset = ValidateStartOffset(ch, value);
    store_.assignments(ch).startOffset = offset;
    // A looping channel picks the new start up at its next wrap (the engine compares).
    if (jump && settings_.integer(u"JumpToOffsets") == 1) {
        KAE__Channel_SetPositionInSamples(ch, offset);
        Q_EMIT playback_.positionChanged(ch);
    }
    store_.announceChannel(ch, ChannelAspect::Assignments);
    return true;
}

bool StartOffsets::Capture_StartOffset(int ch) {
    if (!hasSound(ch))
        return false;
    const std::int64_t position = KAE__Channel_GetPositionInSamples(ch);
    // Already there: a seek onto the playing position would only break the sound.
    return position >= 0 && store(ch, position, false);
}

bool StartOffsets::Reset_StartOffset(int ch) {
    return SetStartOffset(ch, 0);
}

bool StartOffsets::RemoveStartOffset(int ch) {
    if (ch < 0 || ch >= kChannelCount || store_.assignments(ch).startOffset <= 0)
        return false;
    return SetStartOffset(ch, 0);
}

void StartOffsets::CopyStartOffset(int ch) {
    if (hasSound(ch))
        copied_ = store_.assignments(ch).startOffset;
}

bool StartOffsets::PasteStartOffset(int ch) {
    return copied_ > 0 && SetStartOffset(ch, copied_);
}

} // namespace kalvor
