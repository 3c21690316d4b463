#include "control/ui/TouchWidgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTouchEvent>

namespace kalvor {

TouchPlayButton::TouchPlayButton(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_AcceptTouchEvents);
    setObjectName(QStringLiteral("btnPlay"));
    setMinimumSize(60, 48);
}

void TouchPlayButton::setText(const QString& text) {
    if (text_ == text)
        return;
    text_ = text;
    update();
}

void TouchPlayButton::setColours(const QColor& background, const QColor& textColour) {
    background_ = background;
    textColour_ = textColour;
    update();
}

void TouchPlayButton::setDown(bool down) {
    if (down_ == down)
        return;
    down_ = down;
    update();
    if (down)
        Q_EMIT pressed();
    else
        Q_EMIT released();
}

bool TouchPlayButton::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::TouchBegin:
        setDown(true);
        event->accept();
        return true;
    case QEvent::TouchUpdate:
        event->accept();
        return true;
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        setDown(false);
        event->accept();
        return true;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            setDown(true);
        return true;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            setDown(false);
        return true;
    default:
        return QWidget::event(event);
    }
}

void TouchPlayButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(2, 2, -2, -2);
    p.setPen(QPen(down_ ? QColor(230, 230, 230) : QColor(30, 30, 30), down_ ? 3 : 1));
    p.setBrush(background_);
    p.drawRoundedRect(r, 6, 6);
    p.setPen(textColour_);
    p.setFont(font());
    QString shown = text_;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    p.drawText(r.adjusted(4, 2, -4, -2), Qt::AlignCenter | Qt::TextWordWrap, shown);
}

TouchList::TouchList(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_AcceptTouchEvents);
}

void TouchList::setRows(const QStringList& rows, int current) {
    rows_ = rows;
    current_ = current;
    update();
}

int TouchList::rowHeight() const {
    return fontMetrics().height() * 2 + 8; // a fingertip's height
}

bool TouchList::event(QEvent* event) {
    const auto rowAt = [this](QPointF pos) {
        const int row = static_cast<int>(pos.y()) / rowHeight();
        return row >= 0 && row < rows_.size() ? row : -1;
    };
    switch (event->type()) {
    case QEvent::TouchBegin: {
        const auto* t = static_cast<QTouchEvent*>(event);
        pressedRow_ = t->points().isEmpty() ? -1 : rowAt(t->points().first().position());
        event->accept();
        update();
        return true;
    }
    case QEvent::TouchUpdate:
        event->accept();
        return true;
    case QEvent::TouchEnd: {
        const auto* t = static_cast<QTouchEvent*>(event);
        const int row = t->points().isEmpty() ? -1 : rowAt(t->points().first().position());
        const int hit = row == pressedRow_ ? row : -1; // a finger that slid off hits nothing
        pressedRow_ = -1;
        update();
        if (hit >= 0)
            Q_EMIT activated(hit);
        event->accept();
        return true;
    }
    case QEvent::TouchCancel:
        pressedRow_ = -1;
        update();
        return true;
    case QEvent::MouseButtonPress:
        pressedRow_ = rowAt(static_cast<QMouseEvent*>(event)->position());
        update();
        return true;
    case QEvent::MouseButtonRelease: {
        const int row = rowAt(static_cast<QMouseEvent*>(event)->position());
        const int hit = row == pressedRow_ ? row : -1;
        pressedRow_ = -1;
        update();
        if (hit >= 0)
            Q_EMIT activated(hit);
        return true;
    }
    default:
        return QWidget::event(event);
    }
}

void TouchList::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(28, 28, 28));
    const int h = rowHeight();
    for (int i = 0; i < rows_.size(); ++i) {
        const QRect r(0, i * h, width(), h - 2);
        p.fillRect(r, i == pressedRow_ ? QColor(90, 90, 90)
                      : i == current_  ? QColor(60, 60, 60)
                                       : QColor(40, 40, 40));
        p.setPen(QColor(200, 200, 200));
        p.drawText(r.adjusted(10, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   fontMetrics().elidedText(rows_[i], Qt::ElideRight, r.width() - 16));
    }
}

} // namespace kalvor
