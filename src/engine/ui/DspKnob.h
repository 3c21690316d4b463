// A knob of the effects window: a dial with its caption above and its value below, for a
// parameter kept as a float in the channel record. The dial runs in whole steps; `scale`
// steps make one unit of the parameter (10: tenths), so fractional parameters keep the
// resolution the ear can tell apart. UI thread.
#pragma once

#include <QDial>
#include <QLabel>
#include <QWidget>

#include <functional>

namespace kalvor {

class DspDial : public QDial {
    Q_OBJECT
public:
    explicit DspDial(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override { return {46, 46}; }
    QSize minimumSizeHint() const override { return {40, 40}; }
};

class DspKnob : public QWidget {
    Q_OBJECT
public:
    // The parameter runs from min to max in steps of 1 / scale; `unit` follows the value.
    DspKnob(double min, double max, int scale, const QString& unit, QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    // Shows `value` without announcing it (the window loading a channel).
    void setValue(double value);
    double value() const;
    // Shows the value as this function writes it, when the plain number would not do.
    void setFormatter(std::function<QString(double)> format);

    QDial* dial() { return dial_; }
    QLabel* caption() { return caption_; }
    QLabel* valueLabel() { return value_; }

Q_SIGNALS:
    // The operator turned the knob.
    void valueChanged(double value);

private:
    void showValue();

    DspDial* dial_;
    QLabel* caption_;
    QLabel* value_;
    int scale_;
    QString unit_;
    std::function<QString(double)> format_;
};

} // namespace kalvor
