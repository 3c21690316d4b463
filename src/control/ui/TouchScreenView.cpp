#include "control/ui/TouchScreenView.h"

#include "control/TouchLabels.h"
#include "control/ViewTexts.h"
#include "control/ui/TouchWidgets.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/ui/Colour.h"
#include "show/playback/ShowLayer.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QResizeEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace kalvor {

namespace {
const UiText* const kIndicators[5] = {&texts::TouchRestart, &texts::TouchLoop, &texts::TouchPause,
                                      &texts::TouchHold, &texts::TouchJump};
const char* const kIndicatorNames[5] = {"lblRestart", "lblLoop", "lblPause", "lblPlayWhileHold",
                                        "lblJumpToNext"};
} // namespace

TouchScreenView::TouchScreenView(ShowLayer& show, Settings& settings, QWidget* parent)
    : QWidget(parent), show_(show), settings_(settings) {
    setObjectName(QStringLiteral("frmTouchScreen"));
    // Fingers need no keyboard: the view does not take it from the main window, whose keys
    // (F1..F8, Escape...) must keep working while the view is open and being touched. Where
    // the desktop gives it the keyboard all the same, its keys go on to the hotkeys.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(18, 18, 18));
    pal.setColor(QPalette::WindowText, QColor(190, 190, 190));
    setPalette(pal);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(8);
    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    channel_ = new QLabel(this);
    channel_->setMinimumWidth(120);
    top->addWidget(channel_);
    for (int i = 0; i < 5; ++i) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(kIndicatorNames[i]));
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumHeight(36);
        l->setAutoFillBackground(true);
        l->setContentsMargins(10, 0, 10, 0);
        indicators_[static_cast<std::size_t>(i)] = l;
        top->addWidget(l);
    }
    top->addStretch(1);
    pnlPosition_ = new QFrame(this);
    pnlPosition_->setObjectName(QStringLiteral("pnlPosition"));
    pnlPosition_->setFrameShape(QFrame::Panel);
    pnlPosition_->setFrameShadow(QFrame::Sunken);
    auto* posLayout = new QHBoxLayout(pnlPosition_);
    posLayout->setContentsMargins(12, 2, 12, 2);
    position_ = new QLabel(pnlPosition_);
    position_->setObjectName(QStringLiteral("lblPosition"));
    posLayout->addWidget(position_);
    top->addWidget(pnlPosition_);
    column->addLayout(top);

    auto* body = new QHBoxLayout;
    body->setSpacing(8);
    left_ = new TouchList(this);
    left_->setObjectName(QStringLiteral("TouchGridLeft"));
    auto* grid = new QGridLayout;
    grid->setSpacing(6);
    for (int ch = 0; ch < 32; ++ch) {
        auto* b = new TouchPlayButton(this);
        buttons_[static_cast<std::size_t>(ch)] = b;
        grid->addWidget(b, ch / 8, ch % 8);
        connect(b, &TouchPlayButton::pressed, this,
                [this, ch] { show_.playback().PlayButtonDown(ch); });
        connect(b, &TouchPlayButton::released, this,
                [this, ch] { show_.playback().PlayButtonUp(ch); });
    }
    right_ = new TouchList(this);
    right_->setObjectName(QStringLiteral("TouchGridRight"));
    body->addWidget(left_, 2);
    body->addLayout(grid, 9);
    body->addWidget(right_, 3);
    column->addLayout(body, 1);

    connect(left_, &TouchList::activated, this, [this](int row) {
        if (row == 0)
            show_.recall().NextPreset();
        else if (row == 1)
            show_.recall().PreviousPreset();
    });
    connect(right_, &TouchList::activated, this, [this](int row) {
        const int ch = show_.store().selectedChannel();
        if (ch >= 0 && ch < 32)
            show_.selection().select(ch, row);
    });

    ShowStore& store = show.store();
    connect(&show.playback(), &ChannelPlayback::buttonColourChanged, this,
            [this](int ch) { refreshColour(ch); });
    for (auto signal : {&SoundSelection::soundLoaded, &SoundSelection::channelEmptied})
        connect(&show.selection(), signal, this, [this](int ch) {
            SetPlayButtonName(ch);
            refreshLists();
        });
    connect(&store, &ShowStore::channelChanged, this, [this](int ch) {
        SetPlayButtonName(ch);
        DisplayOptions();
    });
    connect(&store, &ShowStore::soundListChanged, this, [this] { refreshLists(); });
    connect(&store, &ShowStore::selectedChannelChanged, this, [this] {
        DisplayOptions();
        refreshLists();
        refreshPosition();
    });
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, &TouchScreenView::applyCaptions);
    timer_.setInterval(200);
    connect(&timer_, &QTimer::timeout, this, &TouchScreenView::refreshPosition);
    applySettings();
}

void TouchScreenView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Lists and indicators grow with the screen, so a finger and an eye at arm's length
    // find them; the Play buttons keep the font the operator chose.
    QFont f = font();
    f.setPixelSize(std::max(14, height() / 48));
    for (QWidget* w : {static_cast<QWidget*>(left_), static_cast<QWidget*>(right_),
                       static_cast<QWidget*>(channel_)})
        w->setFont(f);
    for (QLabel* l : indicators_)
        l->setFont(f);
    QFont pf = f;
    pf.setPixelSize(f.pixelSize() * 2);
    pf.setBold(true);
    position_->setFont(pf);
}

void TouchScreenView::keyPressEvent(QKeyEvent* event) {
    if (!passKey || !passKey(event))
        QWidget::keyPressEvent(event);
}

void TouchScreenView::keyReleaseEvent(QKeyEvent* event) {
    if (!passKey || !passKey(event))
        QWidget::keyReleaseEvent(event);
}

void TouchScreenView::applySettings() {
    QFont f(settings_.text(u"TouchScreenFontName"));
    f.setPointSizeF(std::max(6.0, settings_.text(u"TouchScreenFontSize")
                                      .replace(QLatin1Char(','), QLatin1Char('.'))
                                      .toDouble()));
    f.setBold(settings_.boolean(u"TouchScreenFontBold"));
    f.setItalic(settings_.boolean(u"TouchScreenFontItalic"));
    for (int ch = 0; ch < 32; ++ch) {
        btnPlay(ch)->setFont(f);
        SetPlayButtonName(ch);
        refreshColour(ch);
    }
    applyCaptions();
}

void TouchScreenView::applyCaptions() {
    setWindowTitle(QStringLiteral("Kalvor - ") + txt(texts::TouchTitle));
    for (int i = 0; i < 5; ++i)
        indicator(i)->setText(txt(*kIndicators[i]));
    DisplayOptions();
    refreshLists();
    refreshPosition();
}

void TouchScreenView::setShowText(bool on) {
    showText_ = on;
    for (int ch = 0; ch < 32; ++ch)
        SetPlayButtonName(ch);
}

void TouchScreenView::SetPlayButtonName(int ch) {
    if (ch >= 0 && ch < 32)
        btnPlay(ch)->setText(touchPlayButtonName(show_.store(), ch, showText_));
}

void TouchScreenView::refreshColour(int ch) {
    if (ch < 0 || ch >= 32)
        return;
    const ChannelPlayback& p = show_.playback();
    btnPlay(ch)->setColours(toQColor(p.colourValue(p.buttonColour(ch))),
                            toQColor(settings_.integer(u"TouchScreenFontColor")));
}

void TouchScreenView::DisplayOptions() {
    const int ch = show_.store().selectedChannel();
    channel_->setText(ch >= 0 ? txt(texts::TouchChannel).arg(ch + 1) : QStringLiteral("---"));
    const auto on = touchModeIndicators(show_.store(), ch);
    for (int i = 0; i < 5; ++i) {
        QLabel* l = indicator(i);
        QPalette pal = l->palette();
        // Lit in amber when on, a dark outline of itself when off.
        pal.setColor(QPalette::Window,
                     on[static_cast<std::size_t>(i)] ? QColor(200, 140, 30) : QColor(40, 40, 40));
        pal.setColor(QPalette::WindowText,
                     on[static_cast<std::size_t>(i)] ? QColor(20, 20, 20) : QColor(110, 110, 110));
        l->setPalette(pal);
    }
}

void TouchScreenView::refreshLists() {
    left_->setRows({txt(texts::TouchNextPreset), txt(texts::TouchPreviousPreset)});
    const int ch = show_.store().selectedChannel();
    QStringList names;
    int current = -1;
    if (ch >= 0 && ch < 32) {
        for (const SoundEntry& e : show_.store().soundList(ch))
            names << e.displayName;
        current = show_.store().controls(ch).selectedSound;
    }
    right_->setRows(names, current);
}

void TouchScreenView::refreshPosition() {
    const int ch = show_.store().selectedChannel();
    position_->setText(ch >= 0 && ch < 32 ? show_.playback().timeDisplay(ch).position
                                          : QStringLiteral("--:--:--"));
}

void TouchScreenView::open(const QWidget* mainWindow) {
    // The font and colour may have been chosen in the options since the view was made.
    applySettings();
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QRect> geometries;
    for (const QScreen* s : screens)
        geometries << s->geometry();
    const int index =
        touchScreenIndex(geometries, mainWindow ? screens.indexOf(mainWindow->screen()) : -1,
                         settings_.text(u"TouchScreenPosition"));
    QScreen* target = index >= 0 ? screens[index] : nullptr;
    timer_.start();
    refreshLists();
    DisplayOptions();
    if (target) {
        setScreen(target);
        setGeometry(target->geometry());
        showFullScreen();
    } else {
        QSize size = touchWindowSize(settings_.integer(u"TouchScreenResolution"));
        if (const QScreen* own = screen())
            size = size.boundedTo(own->availableGeometry().size());
        resize(size);
        showNormal();
    }
    raise();
}

void TouchScreenView::toggle(const QWidget* mainWindow) {
    if (isVisible()) {
        timer_.stop();
        close();
    } else {
        open(mainWindow);
    }
}

} // namespace kalvor
