// Copying between the live channels of the store and a preset's stored channels: what a
// store takes from each channel and what a recall gives back before the engine is told.
// UI thread.
#pragma once

#include "core/Preset.h"

namespace kalvor {

class ShowStore;

// The stored form of playback channel `ch` as it stands now.
PresetChannel captureChannel(const ShowStore& store, int ch);

// Fills every channel of `preset` from the store; name and text positions stay.
void storeChannels(const ShowStore& store, Preset& preset);

// Writes the stored values of one channel back into the store: modes, groups, info text,
// output name and number as stored, levels, fades, effects, surround, start offset, MIDI
// and time-code cues. The selected sound is not touched: selecting it loads a sound,
// which is the recall's work. Announces the channel.
void restoreChannelState(const PresetChannel& stored, ShowStore& store, int ch);

} // namespace kalvor
