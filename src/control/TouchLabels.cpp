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

int touchScreenIndex(const QList<QRect>& screens, int mainScreen, const QString& position) {
    // The touch monitor stands left or right of the operator's screen: the outermost other
    // screen on that side, never the one the main window is on.
    const bool right = position.trimmed() == QLatin1String("1");
    int best = -1;
    for (int i = 0; i < screens.size(); ++i) {
        if (i == mainScreen)
            continue;
        const int x = screens[i].center().x();
        if (best < 0 || (right ? x > screens[best].center().x() : x < screens[best].center().x()))
            best = i;
    }
    return screens.size() > 1 ? best : -1;
}

QSize touchWindowSize(int resolution) {
    switch (resolution) {
    case 1:
        return {1280, 1024};
    case 2:
        return {1920, 1080};
    default:
        return {1024, 768};
    }
}

} // namespace kalvor
