// Fixed sizes of the show: how many channels, presets and characters the store holds.
// Any thread may read these; they never change.
#pragma once

namespace kalvor {

inline constexpr int kChannelCount = 32;   // playback channels, 1..32 to the user, 0..31 inside
inline constexpr int kPreviewChannel = 32; // the 33rd record, used only for auditioning
inline constexpr int kChannelRecords = 33;
inline constexpr int kPresetCapacity = 100; // presets the list may hold
inline constexpr int kPresetSlots = 101;    // slots 0..100 of the preset memory
inline constexpr int kChannelsPerPage = 8;

inline constexpr int kPresetNameWidth = 40;
inline constexpr int kChannelInfoWidth = 50;
inline constexpr int kOutputNameWidth = 64;
inline constexpr int kFxChainEntryWidth = 8;
inline constexpr int kGroupTextWidth = 3;

inline constexpr int kRecentPlaylistSlots = 100;

// Booleans in files and presets: -1 is true, 0 is false.
inline constexpr int kTrue = -1;
inline constexpr int kFalse = 0;

} // namespace kalvor
