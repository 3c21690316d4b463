// Where the channels of a file with more than two channels go on a device. Decoders hand
// the channels over in WAV/FLAC order; a device takes them in ALSA order, the same order the
// speaker destinations use (front 0/1, rear 2/3, centre 4, LFE 5, side 6/7), a device with
// n outputs having the first n of those speakers. A speaker the device lacks is folded
// into its neighbours at -3 dB, the LFE is left out where there is no LFE output, and the
// whole map is scaled so that a full-scale file cannot exceed full scale at any output.
// Built on the UI thread when a stream is created for a device; the mixer only reads it.
#pragma once

namespace kalvor::audio {

struct ChannelMap {
    static constexpr int kMax = 8;
    float gain[kMax][kMax] = {}; // [file channel][device output]
};

// `fileChannels` 3..8, `outputs` 1..8; anything else gives an empty map.
ChannelMap multichannelMap(int fileChannels, int outputs);

// The side of the balance a device output is on: -1 left, 1 right, 0 centre (the centre,
// the LFE and the only output of a one-output device).
int outputSide(int output, int outputs);

} // namespace kalvor::audio
