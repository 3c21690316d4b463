// Chorus: a modulated delay of up to 20 ms (see ModulatedDelay.h) with the chorus's
// DirectX defaults (50 % mix, depth 10, feedback 25, 1.1 Hz sine, 16 ms, +90 degrees).
//
// Threads as for every Effect (see Effect.h).
#pragma once

#include "engine/dsp/Effect.h"
#include "engine/dsp/ModulatedDelay.h"

namespace kalvor::engine::dsp {

class Chorus final : public EffectWith<DsfxChorus, EffectType::Chorus> {
private:
    void allocate() override { delay_.allocate(sampleRate_, channels_, range::kChorusDelay.max); }
    void configure(const DsfxChorus& params) noexcept override {
        delay_.configure(params, sampleRate_);
    }
    std::size_t clear() noexcept override { return delay_.clear(); }
    void render(float* interleaved, int frames) noexcept override {
        delay_.render(interleaved, frames);
    }

    ModulatedDelay delay_;
};

} // namespace kalvor::engine::dsp
