#include "control/ui/BlackScreenView.h"

#include "control/ViewTexts.h"
#include "core/ShowStore.h"
#include "show/playback/ShowLayer.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

namespace kalvor {

namespace {

// Dim on black: readable from the operator's seat without lighting up the booth.
const QColor kText(135, 135, 135);
const QColor kDim(85, 85, 85);
const QColor kPlaying(60, 170, 60);
const QColor kPaused(190, 130, 40);
const QColor kSelected(45, 45, 45);

} // namespace

BlackScreenView::BlackScreenView(ShowLayer& show, QWidget* parent)
    : QWidget(parent), show_(show), control_(show) {
    setObjectName(QStringLiteral("frmBlackScreen"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::BlankCursor);
    setWindowTitle(QStringLiteral("Kalvor"));
    redraw_.setInterval(200); // the time displays move on
    connect(&redraw_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    ShowStore& store = show.store();
    connect(&store, &ShowStore::channelChanged, this, qOverload<>(&QWidget::update));
    connect(&store, &ShowStore::presetsChanged, this, qOverload<>(&QWidget::update));
    connect(&store, &ShowStore::currentPresetChanged, this, qOverload<>(&QWidget::update));
    connect(&store, &ShowStore::selectedChannelChanged, this, [this](int ch) {
        control_.follow(ch);
        update();
    });
}

void BlackScreenView::openOnBank(int bank) {
    control_.open(bank);
    showFullScreen();
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
    redraw_.start();
    update();
}

void BlackScreenView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    QFont f = font();
    f.setPixelSize(std::max(14, height() / 40));
    p.setFont(f);
    const QFontMetrics fm(f);
    const int line = fm.height() * 3 / 2;
    const int margin = fm.averageCharWidth() * 3;
    const int listWidth = width() / 4;
    const int channelsRight = width() - listWidth - margin * 2;

    const int bank = control_.bank();
    p.setPen(kDim);
    p.drawText(margin, margin + fm.ascent(),
               txt(texts::BlackBank).arg(bank).arg((bank - 1) * 8 + 1).arg(bank * 8));

    QFont big = f;
    big.setPixelSize(f.pixelSize() * 5 / 4);
    const QFontMetrics bm(big);
    int y = margin + line * 2;
    const int rowHeight = (height() - y - line * 3) / 8;
    const int headingWidth = fm.horizontalAdvance(QStringLiteral("00 (F8) 8P:8S")) + margin;
    const int timeWidth = fm.horizontalAdvance(QStringLiteral("00:00:00 / 00:00:00"));
    for (const BlackChannelLine& l : control_.DrawChannels()) {
        const QRect row(margin, y, channelsRight - margin, rowHeight - 4);
        if (l.selected)
            p.fillRect(row, kSelected);
        const QColor state = l.playing ? kPlaying : l.paused ? kPaused : kText;
        p.setPen(state);
        p.setFont(f);
        p.drawText(row.adjusted(margin / 2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, l.heading);
        p.setFont(big);
        const QRect name = row.adjusted(headingWidth, 0, -timeWidth - margin, 0);
        p.drawText(name, Qt::AlignVCenter | Qt::AlignLeft,
                   bm.elidedText(l.soundName.isEmpty() ? txt(texts::BlackNoSound) : l.soundName,
                                 Qt::ElideRight, name.width()));
        p.setFont(f);
        if (!l.soundName.isEmpty())
            p.drawText(row.adjusted(0, 0, -margin / 2, 0), Qt::AlignVCenter | Qt::AlignRight,
                       l.position + QStringLiteral(" / ") + l.length);
        y += rowHeight;
    }

    // DrawSceneList: the presets, the current one marked.
    const PresetMemory& presets = show_.store().presets();
    const int left = width() - listWidth - margin;
    p.setFont(f);
    p.setPen(kDim);
    p.drawText(left, margin + fm.ascent(), txt(texts::BlackPresets));
    int py = margin + line * 2;
    const int first = std::max(0, presets.current() - 3);
    for (int i = first; i < presets.count() && py < height() - line * 3; ++i, py += line) {
        const bool current = i == presets.current();
        p.setPen(current ? kText : kDim);
        p.drawText(QRect(left, py, listWidth, line), Qt::AlignVCenter | Qt::AlignLeft,
                   fm.elidedText(QStringLiteral("%1 %2").arg(i + 1, 3).arg(presets.names()[i]),
                                 Qt::ElideRight, listWidth));
    }

    p.setPen(kDim);
    const QString mode = txt(control_.stopMode() ? texts::BlackKeysStop : texts::BlackKeysPlay);
    p.drawText(QRect(margin, height() - line - margin / 2, width() - 2 * margin, line),
               Qt::AlignVCenter | Qt::AlignLeft, txt(texts::BlackHelp).arg(mode));
}

void BlackScreenView::keyPressEvent(QKeyEvent* event) {
    switch (control_.keyDown(event->key(), event->isAutoRepeat())) {
    case BlackKeyResult::Handled:
        break;
    case BlackKeyResult::Leave:
        close();
        break;
    case BlackKeyResult::PassOn:
        if (passKey)
            passKey(event);
        break;
    }
    event->accept();
    update();
}

void BlackScreenView::keyReleaseEvent(QKeyEvent* event) {
    if (control_.keyUp(event->key(), event->isAutoRepeat()) == BlackKeyResult::PassOn && passKey)
        passKey(event);
    event->accept();
}

void BlackScreenView::focusOutEvent(QFocusEvent* event) {
    control_.releaseAll();
    QWidget::focusOutEvent(event);
}

bool BlackScreenView::focusNextPrevChild(bool) {
    return false; // Tab is a key of the view, not a focus move
}

void BlackScreenView::closeEvent(QCloseEvent* event) {
    control_.releaseAll();
    redraw_.stop();
    event->accept();
    if (left)
        left();
}

} // namespace kalvor
