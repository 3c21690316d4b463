// Flanger: a modulated delay of up to 4 ms (see ModulatedDelay.h) with the flanger's
// DirectX defaults (50 % mix, depth 100, feedback -50, 0.25 Hz sine, 2 ms, 0 degrees).
//
// Threads as for every Effect (see Effect.h).
#pragma once

#include "engine/dsp/Effect.h"
#include "engine/dsp/ModulatedDelay.h"

namespace kalvor::engine::dsp {

class Flanger final : public EffectWith<DsfxFlanger, EffectType::Flanger> {
private:
    void allocate() override { delay_.allocate(sampleRate_, channels_, range::kFlangerDelay.max); }
    void configure(const DsfxFlanger& params) noexcept override {
        delay_.configure(params, sampleRate_);
    }
    std::size_t clear() noexcept override { return delay_.clear(); }
    void render(float* interleaved, int frames) noexcept override {
        delay_.render(interleaved, frames);
    }

    ModulatedDelay delay_;
};

} // namespace kalvor::engine::dsp
