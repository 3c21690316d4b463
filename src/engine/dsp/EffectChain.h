// A stream's effects in processing order. The channel's FX chain names five places ("EQ",
// "REVERB", "DELAY", "CHORUS", "FLANGER" or "---"); the owner turns them into effects with
// chainPlaceEffect() and appends them here in that order (the three EQ bands for "EQ",
// nothing for "---"), and the audio callback runs them one after the other.
//
// The chain does not own its effects and never allocates: it is a fixed array of
// pointers. Build or change it on the control thread while the callback cannot see it
// (e.g. build a new chain and hand it over through the engine's command queue);
// process() runs on the audio thread.
#pragma once

#include "engine/dsp/Effect.h"

#include <array>
#include <optional>
#include <string_view>

namespace kalvor::engine::dsp {

class EffectChain {
public:
    // Three EQ bands and the four other effects.
    static constexpr int kCapacity = 7;

    // False when the chain is full or `effect` is null.
    bool append(Effect* effect);
    void clear() { count_ = 0; }
    int size() const { return count_; }
    Effect* at(int index) const { return effects_[index]; }

    // Audio thread: every effect in order, in place.
    void process(float* interleaved, int frames) noexcept;
    void reset() noexcept;

private:
    std::array<Effect*, kCapacity> effects_{};
    int count_ = 0;
};

// The effect type a chain place names ("EQ" gives ParamEq, to be used for all three
// bands); nullopt for "---" and anything else. Leading and trailing blanks are ignored,
// since the places are fixed-width text.
std::optional<EffectType> chainPlaceEffect(std::string_view place);

} // namespace kalvor::engine::dsp
