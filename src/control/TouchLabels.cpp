#include "control/TouchLabels.h"

#include "core/ShowStore.h"

namespace kalvor {

QString touchPlayButtonName(const ShowStore& store, int ch, bool showText) {
    if (ch < 0 || ch >= 32)
        return {};
    const ChannelControls& k = store.controls(ch);
    const auto& list = store.soundList(ch);
    if (k.selectedSound < 0 || k.selectedSound >= list.size())
        return QStringLiteral("---");
    const QString number = QString::number(ch + 1);
    return showText ? number + QStringLiteral("\r\n") + list[k.selectedSound].displayName : number;
}

std::array<bool, 5> touchModeIndicators(const ShowStore& store, int ch) {
    if (ch < 0 || ch >= 32)
        return {};
    const ChannelControls& k = store.controls(ch);
    return {k.restartMode == 1, k.loopMode == 1, k.pauseMode == 1, k.holdMode == 1,
            k.jumpMode == 1};
}

} // namespace kalvor
