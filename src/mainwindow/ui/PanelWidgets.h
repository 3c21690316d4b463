// Small controls of the channel settings panel: a list box whose choice counts only after
// the operator opened it, a knob with a centre detent on the right button, the picture of
// a fade curve and a level meter. UI thread.
#pragma once

#include <QComboBox>
#include <QDial>
#include <QWidget>

namespace kalvor {

// A selector whose choice is the operator's only when the list was dropped down first.
// Setting the selection from code leaves it unarmed, so filling a panel from a record
// never acts. Every choice clears the mark.
class ArmedComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
    void hidePopup() override;
    bool isArmed() const { return armed_; }
    // True once after the list was opened; clears the mark.
    bool takeArmed();
    void disarm() { armed_ = false; }

Q_SIGNALS:
    void opened(); // before the list drops down: the index shown is still the old one

private:
    bool armed_ = false;
};

// A rotary control drawn for a dark booth: a value arc from the centre, a pointer and
// the value range. The right button returns it to its centre value (0), as an operator
// resets pan or an EQ gain by habit.
class Knob : public QDial {
    Q_OBJECT
public:
    explicit Knob(QWidget* parent = nullptr);

Q_SIGNALS:
    void centred();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override { return {44, 44}; }
    QSize minimumSizeHint() const override { return {32, 32}; }
};

// The volume course of a fade with curve 1, 2 or 3, drawn from the engine's own segment
// levels so the picture is what the channel will do.
class FadeCurvePicture : public QWidget {
    Q_OBJECT
public:
    FadeCurvePicture(bool fadeIn, QWidget* parent = nullptr);
    void setCurve(int curve);
    int curve() const { return curve_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override { return {56, 30}; }

private:
    bool fadeIn_;
    int curve_ = 1;
};

// One vertical LED-style meter 0..100 (the channel's peak scaled by its volume).
class LevelMeter : public QWidget {
    Q_OBJECT
public:
    explicit LevelMeter(QWidget* parent = nullptr);
    void setValue(int value);
    int value() const { return value_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override { return {12, 120}; }
    QSize minimumSizeHint() const override { return {8, 40}; }

private:
    int value_ = 0;
};

} // namespace kalvor
