// The effect calls of the engine: attach and remove effects on a slot's stream and hand
// them the channel record's parameters. The record is the truth: a channel without a
// stream takes every change into the record, and Apply hands it over after the next load.
// See Kae.h. UI thread.
#include "core/ShowStore.h"
#include "engine/kae/EffectDefaults.h"
#include "engine/kae/Kae.h"

namespace kalvor {

using engine::KaeEffect;
using engine::KaeEngine;

namespace engine {

std::optional<KaeEffect> effectFromChainName(const QString& name) {
    const QString key = name.trimmed();
    if (key == QLatin1String("EQ"))
        return KaeEffect::EQ;
    if (key == QLatin1String("REVERB"))
        return KaeEffect::Reverb;
    if (key == QLatin1String("DELAY"))
        return KaeEffect::Delay;
    if (key == QLatin1String("CHORUS"))
        return KaeEffect::Chorus;
    if (key == QLatin1String("FLANGER"))
        return KaeEffect::Flanger;
    return std::nullopt;
}

} // namespace engine

namespace {

KaeEngine* engineFor(int slot) {
    return engine::engineForSlot(slot);
}

audio::Handle toHandle(std::int32_t stored) {
    return static_cast<audio::Handle>(stored);
}

std::int32_t toStored(audio::Handle handle) {
    return static_cast<std::int32_t>(handle);
}

struct EffectRef {
    audio::FxType type;
    bool* active;
    std::int32_t* handle; // the first of three for the EQ
    const char* failure;  // text of the report when the library refuses the parameters
};

EffectRef refOf(Channel& ch, KaeEffect effect) {
    EffectSettings& fx = ch.effects;
    EffectHandles& h = ch.handles;
    switch (effect) {
    case KaeEffect::EQ:
        return {audio::FxType::ParamEq, &fx.eqActive, h.eq.data(),
                "Error while changing EQ parameters"};
    case KaeEffect::Reverb:
        return {audio::FxType::WavesReverb, &fx.reverbActive, &h.reverb,
                "Error while changing Reverb parameters"};
    case KaeEffect::Delay:
        return {audio::FxType::Echo, &fx.delayActive, &h.delay,
                "Error while changing Delay parameters"};
    case KaeEffect::Chorus:
        return {audio::FxType::Chorus, &fx.chorusActive, &h.chorus,
                "Error while changing Chorus parameters"};
    case KaeEffect::Flanger:
        break;
    }
    return {audio::FxType::Flanger, &fx.flangerActive, &h.flanger,
            "Error while changing Flanger parameters"};
}

} // namespace

audio::Handle KAE__Channel_SetFX(int slot, audio::FxType type) {
    KaeEngine* e = engineFor(slot);
    const audio::Handle stream = e ? e->slot(slot).stream : 0;
    const audio::Handle fx = e ? e->lib().channelSetFx(stream, type, 0) : 0;
    if (fx == 0)
        KAE__ReportError(slot, QStringLiteral("Error while setting FX ") +
                                   QString::number(static_cast<int>(type)));
    return fx;
}

bool KAE__Channel_RemoveFX(int slot, audio::Handle fx) {
    KaeEngine* e = engineFor(slot);
    if (!e || !e->lib().channelRemoveFx(e->slot(slot).stream, fx)) {
        KAE__ReportError(slot, QStringLiteral("Error while removing FX"));
        return false;
    }
    return true;
}

void KAE__Channel_AttachEffect(int slot, KaeEffect effect) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return;
    const EffectRef ref = refOf(e->store().channel(slot), effect);
    // A refused attach leaves the handle 0 but the effect on, so the next Apply retries.
    *ref.active = true;
    if (e->slot(slot).stream == 0)
        return;
    const int handles = effect == KaeEffect::EQ ? 3 : 1;
    for (int i = 0; i < handles; ++i) {
        if (ref.handle[i] == 0)
            ref.handle[i] = toStored(KAE__Channel_SetFX(slot, ref.type));
    }
}

bool KAE__Channel_SetEQBand(int slot, int band) {
    KaeEngine* e = engineFor(slot);
    if (!e || band < 0 || band > 2)
        return false;
    Channel& ch = e->store().channel(slot);
    const audio::Handle fx = toHandle(ch.handles.eq[static_cast<std::size_t>(band)]);
    if (!ch.effects.eqActive || fx == 0 || e->slot(slot).stream == 0)
        return false;
    const engine::dsp::DsfxParamEq params =
        engine::toDx8(ch.effects.eq[static_cast<std::size_t>(band)]);
    if (!e->lib().fxSetParameters(fx, &params)) {
        KAE__ReportError(slot, QStringLiteral("Error while changing EQ parameters"));
        return false;
    }
    return true;
}

bool KAE__Channel_SetEffectParameters(int slot, KaeEffect effect) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return false;
    if (effect == KaeEffect::EQ) {
        bool all = true;
        for (int band = 0; band < 3; ++band)
            all = KAE__Channel_SetEQBand(slot, band) && all;
        return all;
    }
    Channel& ch = e->store().channel(slot);
    const EffectRef ref = refOf(ch, effect);
    const audio::Handle fx = toHandle(*ref.handle);
    if (!*ref.active || fx == 0 || e->slot(slot).stream == 0)
        return false;
    bool ok = false;
    switch (effect) {
    case KaeEffect::Reverb: {
        const auto params = engine::toDx8(ch.effects.reverb);
        ok = e->lib().fxSetParameters(fx, &params);
        break;
    }
    case KaeEffect::Delay: {
        const auto params = engine::toDx8(ch.effects.delay);
        ok = e->lib().fxSetParameters(fx, &params);
        break;
    }
    case KaeEffect::Chorus: {
        const auto params = engine::toDx8(ch.effects.chorus);
        ok = e->lib().fxSetParameters(fx, &params);
        break;
    }
    case KaeEffect::Flanger: {
        const auto params = engine::toDx8(ch.effects.flanger);
        ok = e->lib().fxSetParameters(fx, &params);
        break;
    }
    case KaeEffect::EQ:
        break;
    }
    if (!ok)
        KAE__ReportError(slot, QLatin1String(ref.failure));
    return ok;
}

void KAE__Channel_RemoveEffect(int slot, KaeEffect effect) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return;
    const EffectRef ref = refOf(e->store().channel(slot), effect);
    const int handles = effect == KaeEffect::EQ ? 3 : 1;
    for (int i = 0; i < handles; ++i) {
        if (ref.handle[i] != 0)
            KAE__Channel_RemoveFX(slot, toHandle(ref.handle[i]));
        ref.handle[i] = 0;
    }
    *ref.active = false;
}

} // namespace kalvor
