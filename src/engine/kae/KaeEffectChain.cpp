// Effect switching and the chain; see KaeEffectChain.h. UI thread.
#include "engine/kae/KaeEffectChain.h"

#include "core/ShowStore.h"

#include <algorithm>

namespace kalvor::engine {

QString effectChainName(KaeEffect effect) {
    switch (effect) {
    case KaeEffect::EQ:
        return QStringLiteral("EQ");
    case KaeEffect::Reverb:
        return QStringLiteral("REVERB");
    case KaeEffect::Delay:
        return QStringLiteral("DELAY");
    case KaeEffect::Chorus:
        return QStringLiteral("CHORUS");
    case KaeEffect::Flanger:
        break;
    }
    return QStringLiteral("FLANGER");
}

namespace {

auto findEffect(FxChain& chain, KaeEffect effect) {
    return std::find_if(chain.begin(), chain.end(), [effect](const QString& place) {
        return effectFromChainName(place) == effect;
    });
}

} // namespace

bool chainSwitchOn(FxChain& chain, KaeEffect effect) {
    // Listed twice, an effect would be attached once and have its parameters set twice on
    // every Apply; the place it already has keeps its order.
    if (findEffect(chain, effect) != chain.end())
        return false;
    const auto empty = std::find_if(chain.begin(), chain.end(), [](const QString& place) {
        return place.trimmed() == emptyFxPlace();
    });
    if (empty == chain.end())
        return false;
    *empty = effectChainName(effect);
    return true;
}

bool chainSwitchOff(FxChain& chain, KaeEffect effect) {
    const auto at = findEffect(chain, effect);
    if (at == chain.end())
        return false;
    std::move(at + 1, chain.end(), at);
    chain.back() = emptyFxPlace();
    return true;
}

void switchEffect(int slot, KaeEffect effect, bool on) {
    KaeEngine* e = engineForSlot(slot);
    if (!e)
        return;
    Channel& ch = e->store().channel(slot);
    if (on) {
        KAE__Channel_AttachEffect(slot, effect);
        KAE__Channel_SetEffectParameters(slot, effect);
        chainSwitchOn(ch.effects.fxChain, effect);
    } else {
        KAE__Channel_RemoveEffect(slot, effect);
        chainSwitchOff(ch.effects.fxChain, effect);
    }
    e->store().announceChannel(slot, ChannelAspect::Effects);
}

} // namespace kalvor::engine
