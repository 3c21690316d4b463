// Effect chain; see EffectChain.h.
#include "engine/dsp/EffectChain.h"

namespace kalvor::engine::dsp {

bool EffectChain::append(Effect* effect) {
    if (effect == nullptr || count_ == kCapacity)
        return false;
    effects_[count_++] = effect;
    return true;
}

void EffectChain::process(float* interleaved, int frames) noexcept {
    for (int i = 0; i < count_; ++i)
        effects_[i]->process(interleaved, frames);
}

void EffectChain::reset() noexcept {
    for (int i = 0; i < count_; ++i)
        effects_[i]->reset();
}

std::optional<EffectType> chainPlaceEffect(std::string_view place) {
    while (!place.empty() && place.front() == ' ')
        place.remove_prefix(1);
    while (!place.empty() && place.back() == ' ')
        place.remove_suffix(1);
    if (place == "EQ")
        return EffectType::ParamEq;
    if (place == "REVERB")
        return EffectType::WavesReverb;
    if (place == "DELAY")
        return EffectType::Echo;
    if (place == "CHORUS")
        return EffectType::Chorus;
    if (place == "FLANGER")
        return EffectType::Flanger;
    return std::nullopt;
}

} // namespace kalvor::engine::dsp
