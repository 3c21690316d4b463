// The fold-down rules; see ChannelMap.h. UI thread.
#include "engine/audiolib/ChannelMap.h"

#include <algorithm>
#include <cmath>

namespace kalvor::audio {

namespace {

enum Speaker { FL, FR, FC, LFE, BL, BR, SL, SR, BC, None };

constexpr float kMinus3Db = 0.70710678f;

// The file's channels, in the order WAV (without a channel mask) and FLAC define for each
// count. A 5.1 file whose mask says side instead of back plays the same: its surround pair
// goes to the rear pair either way.
constexpr Speaker kFileLayout[9][8] = {
    {},
    {},
    {},
    {FL, FR, FC},
    {FL, FR, BL, BR},
    {FL, FR, FC, BL, BR},
    {FL, FR, FC, LFE, BL, BR},
    {FL, FR, FC, LFE, BC, SL, SR},
    {FL, FR, FC, LFE, BL, BR, SL, SR},
};

// ALSA order: output i of a device is this speaker (rear = back).
constexpr Speaker kDeviceLayout[8] = {FL, FR, BL, BR, FC, LFE, SL, SR};

int outputOf(Speaker s, int outputs) {
    for (int o = 0; o < outputs; ++o)
        if (kDeviceLayout[o] == s)
            return o;
    return -1;
}

void add(ChannelMap& m, int channel, Speaker s, float gain, int outputs) {
    int o = outputOf(s, outputs);
    if (o < 0 && s == FR)
        o = outputOf(FL, outputs); // a one-output device takes both fronts
    if (o >= 0)
        m.gain[channel][o] += gain;
}

} // namespace

ChannelMap multichannelMap(int fileChannels, int outputs) {
    ChannelMap m;
    if (fileChannels < 3 || fileChannels > ChannelMap::kMax || outputs < 1 ||
        outputs > ChannelMap::kMax)
        return m;
    const auto has = [outputs](Speaker s) {
        return outputOf(s, outputs) >= 0;
    };
    for (int c = 0; c < fileChannels; ++c) {
        const Speaker s = kFileLayout[fileChannels][c];
        if (has(s)) {
            add(m, c, s, 1.0f, outputs);
            continue;
        }
        switch (s) {
        case FC: // a phantom centre between the fronts
            add(m, c, FL, kMinus3Db, outputs);
            add(m, c, FR, kMinus3Db, outputs);
            break;
        case LFE: // full-range speakers are not asked to play it
            break;
        case SL:
        case SR: {
            const Speaker rear = s == SL ? BL : BR;
            add(m, c, has(rear) ? rear : (s == SL ? FL : FR), kMinus3Db, outputs);
            break;
        }
        case BC:
            add(m, c, has(BL) ? BL : FL, kMinus3Db, outputs);
            add(m, c, has(BR) ? BR : FR, kMinus3Db, outputs);
            break;
        case BL:
        case BR:
            add(m, c, s == BL ? FL : FR, kMinus3Db, outputs);
            break;
        default: // FR on a one-output device
            add(m, c, s, 1.0f, outputs);
            break;
        }
    }
    // Every channel at full scale and in phase is the loudest a file can drive an output.
    float loudest = 0;
    for (int o = 0; o < outputs; ++o) {
        float sum = 0;
        for (int c = 0; c < fileChannels; ++c)
            sum += std::fabs(m.gain[c][o]);
        loudest = std::max(loudest, sum);
    }
    if (loudest > 1.0f)
        for (int c = 0; c < fileChannels; ++c)
            for (int o = 0; o < outputs; ++o)
                m.gain[c][o] /= loudest;
    return m;
}

int outputSide(int output, int outputs) {
    if (outputs < 2 || output < 0 || output >= ChannelMap::kMax)
        return 0;
    switch (kDeviceLayout[output]) {
    case FL:
    case BL:
    case SL:
        return -1;
    case FR:
    case BR:
    case SR:
        return 1;
    default:
        return 0;
    }
}

} // namespace kalvor::audio
