// Start offsets: where in its sound a channel begins, so that silence or an unwanted
// lead-in is skipped without editing the file. Every path that changes an offset (the
// offsets window, Ctrl+O and Ctrl+R, the menus, a pasted sound, an offset preset) goes
// through here, so an offset that would leave less than five seconds to play can never be
// stored. PLAY, the loop and a recall read the stored offset. UI thread.
#pragma once

#include <cstdint>

namespace kalvor {

class ChannelPlayback;
class Settings;
class ShowStore;

// The rule for a sound of `lengthFrames` (whole seconds `lengthSeconds`) at `sampleRate`:
// negative becomes 0; past five seconds before the end it becomes that point, or 0 when the
// sound is not longer than five seconds.
std::int32_t clampStartOffset(std::int64_t value, std::int64_t lengthFrames,
                              std::int64_t lengthSeconds, int sampleRate);

class StartOffsets {
public:
    StartOffsets(ShowStore& store, Settings& settings, ChannelPlayback& playback);

    // A loaded sound that can be measured; every operation does nothing without one.
    bool hasSound(int ch) const;
    // `value` clamped for the channel's sound; 0 without a sound.
    std::int32_t ValidateStartOffset(int ch, std::int64_t value) const;

    // Validates and stores; with "JumpToOffsets" on, the position goes there too.
    bool SetStartOffset(int ch, std::int64_t value);
    // The playing position becomes the offset.
    bool Capture_StartOffset(int ch);
    bool Reset_StartOffset(int ch);
    // The menus' "remove": only a channel that has an offset changes.
    bool RemoveStartOffset(int ch);

    // One program-wide copied offset; pasting nothing copied does nothing.
    void CopyStartOffset(int ch);
    bool PasteStartOffset(int ch);
    std::int32_t copiedOffset() const { return copied_; }

private:
    bool store(int ch, std::int64_t value, bool jump);

    ShowStore& store_;
    Settings& settings_;
    ChannelPlayback& playback_;
    std::int32_t copied_ = 0;
};

} // namespace kalvor
