// The effects window's knob; see DspKnob.h. UI thread.
#include "engine/ui/DspKnob.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>
#include <numbers>

namespace kalvor {

DspDial::DspDial(QWidget* parent) : QDial(parent) {
    setNotchesVisible(false);
    setWrapping(false);
}

void DspDial::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height()) - 6;
    const QRectF box((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    const QPalette& pal = palette();
    // The travel: 270 degrees from lower left (min) to lower right (max), as on a desk.
    const double span =
        maximum() > minimum() ? double(value() - minimum()) / double(maximum() - minimum()) : 0.0;
    p.setPen(QPen(pal.color(QPalette::Mid), 3, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(box, -45 * 16, 270 * 16);
    p.setPen(QPen(isEnabled() ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid), 3,
                  Qt::SolidLine, Qt::FlatCap));
    p.drawArc(box, 225 * 16, int(-270 * 16 * span));
    const QRectF cap = box.adjusted(6, 6, -6, -6);
    p.setPen(QPen(pal.color(QPalette::Shadow), 1));
    p.setBrush(pal.color(QPalette::Button));
    p.drawEllipse(cap);
    const double angle = (225.0 - 270.0 * span) * std::numbers::pi / 180.0;
    const QPointF c = cap.center();
    const double r = cap.width() / 2.0 - 3;
    p.setPen(QPen(pal.color(QPalette::ButtonText), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(std::cos(angle) * r * 0.35, -std::sin(angle) * r * 0.35),
               c + QPointF(std::cos(angle) * r, -std::sin(angle) * r));
    if (hasFocus()) {
        p.setPen(QPen(pal.color(QPalette::Highlight), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(cap.adjusted(-2, -2, 2, 2));
    }
}

DspKnob::DspKnob(double min, double max, int scale, const QString& unit, QWidget* parent)
    : QWidget(parent), dial_(new DspDial(this)), caption_(new QLabel(this)),
      value_(new QLabel(this)), scale_(scale), unit_(unit) {
    dial_->setRange(int(std::lround(min * scale)), int(std::lround(max * scale)));
    dial_->setSingleStep(1);
    dial_->setPageStep(std::max(1, (dial_->maximum() - dial_->minimum()) / 20));
    caption_->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    value_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    value_->setMinimumWidth(value_->fontMetrics().horizontalAdvance(QStringLiteral("-0000.0 ms")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(caption_);
    layout->addWidget(dial_, 0, Qt::AlignHCenter);
    layout->addWidget(value_);
    connect(dial_, &QDial::valueChanged, this, [this] {
        showValue();
        Q_EMIT valueChanged(value());
    });
    showValue();
}

void DspKnob::setCaption(const QString& caption) {
    caption_->setText(caption);
    dial_->setAccessibleName(caption);
}

void DspKnob::setValue(double value) {
    const QSignalBlocker block(dial_);
    dial_->setValue(int(std::lround(value * scale_)));
    showValue();
}

double DspKnob::value() const {
    return double(dial_->value()) / scale_;
}

void DspKnob::setFormatter(std::function<QString(double)> format) {
    format_ = std::move(format);
    showValue();
}

void DspKnob::showValue() {
    if (format_) {
        value_->setText(format_(value()));
        return;
    }
    const int decimals = scale_ >= 1000 ? 3 : scale_ >= 100 ? 2 : scale_ >= 10 ? 1 : 0;
    const QString number = QString::number(value(), 'f', decimals);
    value_->setText(unit_.isEmpty() ? number : number + QLatin1Char(' ') + unit_);
}

} // namespace kalvor
