#include "mainwindow/ui/PanelWidgets.h"

#include "engine/kae/KaeMath.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace kalvor {

void ArmedComboBox::showPopup() {
    Q_EMIT opened();
    armed_ = true;
    QComboBox::showPopup();
}

void ArmedComboBox::hidePopup() {
    QComboBox::hidePopup();
    // A choice from the list arrives before control returns to the event loop; a list
    // closed without one must not arm the arrow keys that follow.
    QMetaObject::invokeMethod(this, &ArmedComboBox::disarm, Qt::QueuedConnection);
}

bool ArmedComboBox::takeArmed() {
    const bool was = armed_;
    armed_ = false;
    return was;
}

Knob::Knob(QWidget* parent) : QDial(parent) {
    setNotchesVisible(false);
    setWrapping(false);
    setFocusPolicy(Qt::StrongFocus);
}

void Knob::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        const int centre = std::clamp(0, minimum(), maximum());
        setSliderDown(true);
        setValue(centre);
        setSliderDown(false); // a release: remote displays redraw as after a drag
        Q_EMIT centred();
        event->accept();
        return;
    }
    QDial::mousePressEvent(event);
}

namespace {

// Angles in degrees, Qt's convention (0 = 3 o'clock, counter-clockwise): the scale runs
// from 225 (7:30) clockwise to -45 (4:30), as QDial maps values when not wrapping.
double angleFor(int value, int min, int max) {
    if (max == min)
        return 90.0;
    const double t = static_cast<double>(value - min) / (max - min);
    return 225.0 - t * 270.0;
}

} // namespace

void Knob::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height()) - 4;
    const QRectF ring((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    const QPalette pal = palette();

    // Track of the whole range, then the part from the centre value to the current one.
    QPen track(pal.color(QPalette::Mid), 3.0, Qt::SolidLine, Qt::FlatCap);
    p.setPen(track);
    p.drawArc(ring, 225 * 16, -270 * 16);
    const int origin = std::clamp(0, minimum(), maximum());
    const double a0 = angleFor(origin, minimum(), maximum());
    const double a1 = angleFor(value(), minimum(), maximum());
    QPen fill(isEnabled() ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid), 3.0,
              Qt::SolidLine, Qt::FlatCap);
    p.setPen(fill);
    p.drawArc(ring, static_cast<int>(a0 * 16), static_cast<int>((a1 - a0) * 16));

    // Body and pointer.
    const QRectF body = ring.adjusted(side * 0.18, side * 0.18, -side * 0.18, -side * 0.18);
    QRadialGradient g(body.center() - QPointF(body.width() * 0.2, body.height() * 0.2),
                      body.width());
    g.setColorAt(0, pal.color(QPalette::Button).lighter(135));
    g.setColorAt(1, pal.color(QPalette::Button).darker(130));
    p.setPen(QPen(pal.color(QPalette::Shadow), 1.0));
    p.setBrush(g);
    p.drawEllipse(body);
    const double rad = a1 * std::numbers::pi / 180.0;
    const QPointF c = body.center();
    const double r = body.width() / 2.0;
    const QPointF tip(c.x() + std::cos(rad) * r * 0.85, c.y() - std::sin(rad) * r * 0.85);
    const QPointF inner(c.x() + std::cos(rad) * r * 0.25, c.y() - std::sin(rad) * r * 0.25);
    p.setPen(QPen(pal.color(QPalette::ButtonText), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(inner, tip);
    if (hasFocus()) {
        p.setPen(QPen(pal.color(QPalette::Highlight), 1.0, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(body.adjusted(-1, -1, 1, 1));
    }
}

FadeCurvePicture::FadeCurvePicture(bool fadeIn, QWidget* parent)
    : QWidget(parent), fadeIn_(fadeIn) {
    setMinimumSize(48, 26);
    setMaximumSize(104, 52); // a picture, not a graph: stretched wide it reads as a slope
}

void FadeCurvePicture::setCurve(int curve) {
    if (curve == curve_)
        return;
    curve_ = curve;
    update();
}

void FadeCurvePicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    p.setPen(QPen(palette().color(QPalette::Mid), 1.0));
    p.setBrush(palette().color(QPalette::Base));
    p.drawRoundedRect(r, 3, 3);

    // Four segments of equal length; levels from the engine's tables at full volume.
    const QRectF plot = r.adjusted(4, 4, -4, -4);
    QPainterPath path;
    const auto level = [&](int step) {
        if (step == 0)
            return fadeIn_ ? 0 : 100;
        return fadeIn_ ? engine::fadeInLevel(100, curve_, step)
                       : engine::fadeOutLevel(100, curve_, step);
    };
    for (int step = 0; step <= 4; ++step) {
        const QPointF pt(plot.left() + plot.width() * step / 4.0,
                         plot.bottom() - plot.height() * level(step) / 100.0);
        if (step == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    QPainterPath area = path;
    area.lineTo(plot.right(), plot.bottom());
    area.lineTo(plot.left(), plot.bottom());
    area.closeSubpath();
    QColor fill = palette().color(QPalette::Highlight);
    fill.setAlpha(70);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(area);
    p.setPen(QPen(
        isEnabled() ? palette().color(QPalette::Highlight) : palette().color(QPalette::Mid), 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

LevelMeter::LevelMeter(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LevelMeter::setValue(int value) {
    value = std::clamp(value, 0, 100);
    if (value == value_)
        return;
    value_ = value;
    update();
}

void LevelMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(18, 18, 18));
    // LED segments: green up to -12 dB of the scale, amber, then red for the top.
    constexpr int kSegments = 25;
    const double segH = (height() - 2.0) / kSegments;
    const int lit = (value_ * kSegments + 99) / 100;
    for (int i = 0; i < kSegments; ++i) {
        const double y = height() - 1.0 - (i + 1) * segH;
        const QRectF seg(1.0, y + 0.5, width() - 2.0, segH - 1.0);
        QColor c = i >= kSegments - 3   ? QColor(230, 50, 40)
                   : i >= kSegments - 8 ? QColor(235, 180, 30)
                                        : QColor(60, 200, 70);
        if (i >= lit)
            c = c.darker(420);
        p.fillRect(seg, c);
    }
}

} // namespace kalvor
