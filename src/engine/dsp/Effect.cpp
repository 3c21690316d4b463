// The effect factory; see Effect.h. Control thread.
#include "engine/dsp/Effect.h"

#include "engine/dsp/Chorus.h"
#include "engine/dsp/Echo.h"
#include "engine/dsp/Flanger.h"
#include "engine/dsp/ParamEq.h"
#include "engine/dsp/WavesReverb.h"

namespace kalvor::engine::dsp {

Effect::~Effect() = default;

std::unique_ptr<Effect> createEffect(EffectType type) {
    switch (type) {
    case EffectType::Chorus:
        return std::make_unique<Chorus>();
    case EffectType::Echo:
        return std::make_unique<Echo>();
    case EffectType::Flanger:
        return std::make_unique<Flanger>();
    case EffectType::ParamEq:
        return std::make_unique<ParamEq>();
    case EffectType::WavesReverb:
        return std::make_unique<WavesReverb>();
    }
    return nullptr;
}

std::optional<EffectType> effectTypeFromNumber(int number) {
    switch (number) {
    case int(EffectType::Chorus):
    case int(EffectType::Echo):
    case int(EffectType::Flanger):
    case int(EffectType::ParamEq):
    case int(EffectType::WavesReverb):
        return static_cast<EffectType>(number);
    default:
        return std::nullopt;
    }
}

} // namespace kalvor::engine::dsp
