#include "control/ui/TouchWidgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTouchEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

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
    // A long sound list shows the sound that is chosen, wherever it stands.
    if (current_ >= 0 && current_ < first_)
        first_ = current_;
    else if (current_ >= first_ + visibleRows())
        first_ = current_ - visibleRows() + 1;
    scrollTo(first_);
}

int TouchList::rowHeight() const {
    return fontMetrics().height() * 2 + 8; // a fingertip's height
}

int TouchList::visibleRows() const {
    return std::max(1, height() / rowHeight());
}

void TouchList::scrollTo(int first) {
    first_ = std::clamp(first, 0, std::max(0, static_cast<int>(rows_.size()) - visibleRows()));
    update();
}

void TouchList::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setRows(rows_, current_);
}

int TouchList::rowAt(QPointF pos) const {
    if (pos.y() < 0)
        return -1;
    const int row = first_ + static_cast<int>(pos.y()) / rowHeight();
    return row < rows_.size() ? row : -1;
}

void TouchList::press(QPointF pos) {
    pressedRow_ = rowAt(pos);
    pressY_ = pos.y();
    pressFirst_ = first_;
    dragging_ = false;
    update();
}

void TouchList::drag(QPointF pos) {
    const qreal moved = pos.y() - pressY_;
    if (!dragging_ && std::abs(moved) < rowHeight() / 2.0)
        return;
    dragging_ = true;
    pressedRow_ = -1;
    scrollTo(pressFirst_ - static_cast<int>(std::lround(moved / rowHeight())));
}

void TouchList::lift(QPointF pos) {
    drag(pos);
    const int row = rowAt(pos);
    const int hit =
        !dragging_ && row == pressedRow_ ? row : -1; // a finger that slid off hits nothing
    pressedRow_ = -1;
    dragging_ = false;
    update();
    if (hit >= 0)
        Q_EMIT activated(hit);
}

bool TouchList::event(QEvent* event) {
    const auto touchAt = [event] {
        const auto* t = static_cast<QTouchEvent*>(event);
        return t->points().isEmpty() ? QPointF(-1, -1) : t->points().first().position();
    };
    switch (event->type()) {
    case QEvent::TouchBegin:
        press(touchAt());
        event->accept();
        return true;
    case QEvent::TouchUpdate:
        drag(touchAt());
        event->accept();
        return true;
    case QEvent::TouchEnd:
        lift(touchAt());
        event->accept();
        return true;
    case QEvent::TouchCancel:
        pressedRow_ = -1;
        dragging_ = false;
        update();
        return true;
    case QEvent::MouseButtonPress:
        press(static_cast<QMouseEvent*>(event)->position());
        return true;
    case QEvent::MouseMove:
        if (static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton)
            drag(static_cast<QMouseEvent*>(event)->position());
        return true;
    case QEvent::MouseButtonRelease:
        lift(static_cast<QMouseEvent*>(event)->position());
        return true;
    case QEvent::Wheel:
        scrollTo(first_ - static_cast<QWheelEvent*>(event)->angleDelta().y() / 120);
        return true;
    default:
        return QWidget::event(event);
    }
}

void TouchList::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(28, 28, 28));
    const int h = rowHeight();
    for (int i = first_; i < rows_.size(); ++i) {
        const QRect r(0, (i - first_) * h, width(), h - 2);
        if (r.top() >= height())
            break;
        p.fillRect(r, i == pressedRow_ ? QColor(90, 90, 90)
                      : i == current_  ? QColor(60, 60, 60)
                                       : QColor(40, 40, 40));
        p.setPen(QColor(200, 200, 200));
        // The right edge keeps room for the marks of rows out of sight.
        p.drawText(r.adjusted(10, 0, -20, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   fontMetrics().elidedText(rows_[i], Qt::ElideRight, r.width() - 30));
    }
    // Rows out of sight above or below: a mark at that edge.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 150, 150));
    const qreal x = width() - 14;
    if (first_ > 0)
        p.drawPolygon(QPolygonF({QPointF(x, 12), QPointF(x + 10, 12), QPointF(x + 5, 4)}));
    if (first_ + visibleRows() < rows_.size()) {
        const qreal y = std::min(height(), visibleRows() * h) - 4;
        p.drawPolygon(QPolygonF({QPointF(x, y - 8), QPointF(x + 10, y - 8), QPointF(x + 5, y)}));
    }
}

} // namespace kalvor
