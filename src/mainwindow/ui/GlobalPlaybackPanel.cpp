#include "mainwindow/ui/GlobalPlaybackPanel.h"

#include "mainwindow/PanelTexts.h"
#include "mainwindow/ui/TransportIcons.h"
#include "show/playback/ShowLayer.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace kalvor {

GlobalPlaybackPanel::GlobalPlaybackPanel(ShowLayer& show, QWidget* parent)
    : QGroupBox(parent), show_(show) {
    setObjectName(QStringLiteral("frmGlobalPlayback"));
    const QColor ink = palette().color(QPalette::ButtonText);
    const auto button = [this, &ink](const char* name, TransportSymbol symbol) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setIcon(transportIcon(symbol, ink, 28));
        b->setIconSize(QSize(22, 22));
        b->setMinimumSize(44, 36);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        return b;
    };
    cmdRollbwd_ = button("cmdRollbwd", TransportSymbol::WindBack);
    cmd_Play_ = button("cmd_Play", TransportSymbol::Play);
    cmd_Pause_ = button("cmd_Pause", TransportSymbol::Pause);
    cmdRollfwd_ = button("cmdRollfwd", TransportSymbol::WindForward);
    cmd_Repeat_ = button("cmd_Repeat", TransportSymbol::Repeat);
    // Play stands out in the PLAY colour: it is the button that starts sound.
    cmd_Play_->setIcon(transportIcon(TransportSymbol::Play, QColor(70, 210, 80), 28));

    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(4);
    for (QToolButton* b : {cmdRollbwd_, cmd_Play_, cmd_Pause_, cmdRollfwd_, cmd_Repeat_})
        layout->addWidget(b);

    ChannelPlayback& playback = show_.playback();
    connect(cmdRollbwd_, &QToolButton::clicked, this, [&playback] { playback.GlobalRollback(); });
    connect(cmd_Play_, &QToolButton::clicked, this, [&playback] { playback.GlobalPlay(); });
    connect(cmd_Pause_, &QToolButton::clicked, this, [&playback] { playback.GlobalPause(); });
    connect(cmdRollfwd_, &QToolButton::clicked, this, [&playback] { playback.GlobalForward(); });
    connect(cmd_Repeat_, &QToolButton::clicked, this, [&playback] { playback.GlobalRepeat(); });
    connect(&UiLanguage::instance(), &UiLanguage::changed, this,
            &GlobalPlaybackPanel::applyCaptions);
    applyCaptions();
}

void GlobalPlaybackPanel::applyCaptions() {
    setTitle(txt(texts::GlobalPlaybackFrame));
    setTooltips(tooltipsOn_);
}

void GlobalPlaybackPanel::setTooltips(bool on) {
    tooltipsOn_ = on;
    const auto tip = [on](QWidget* w, const UiText& text) {
        w->setToolTip(on ? txt(text) : QString());
    };
    tip(cmdRollbwd_, texts::RollbackTip);
    tip(cmd_Play_, texts::GlobalPlayTip);
    tip(cmd_Pause_, texts::GlobalPauseTip);
    tip(cmdRollfwd_, texts::ForwardTip);
    tip(cmd_Repeat_, texts::RepeatTip);
}

} // namespace kalvor
