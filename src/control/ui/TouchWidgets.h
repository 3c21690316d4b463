// The touch parts of the touch-screen view: a Play button that reacts to a finger as a
// mouse button (press and release, so hold mode works), and a list whose rows are hit by
// a finger, which keeps its current row in sight and scrolls when the finger slides. Both take
// touch events themselves, so a touch never arrives twice (once as touch, once as a synthesised
// mouse click). UI thread.
#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>

namespace kalvor {

class TouchPlayButton : public QWidget {
    Q_OBJECT
public:
    explicit TouchPlayButton(QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    void setColours(const QColor& background, const QColor& textColour);

Q_SIGNALS:
    void pressed();
    void released();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setDown(bool down);

    QString text_;
    QColor background_ = QColor(90, 90, 90);
    QColor textColour_ = Qt::black;
    bool down_ = false;
};

class TouchList : public QWidget {
    Q_OBJECT
public:
    explicit TouchList(QWidget* parent = nullptr);

    void setRows(const QStringList& rows, int current = -1);
    const QStringList& rows() const { return rows_; }
    int rowHeight() const;

Q_SIGNALS:
    void activated(int row);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int visibleRows() const;
    void scrollTo(int first);
    int rowAt(QPointF pos) const;
    void press(QPointF pos);
    // A finger moved by a row's height or more scrolls the list and hits nothing.
    void drag(QPointF pos);
    void lift(QPointF pos);

    QStringList rows_;
    int current_ = -1;
    int pressedRow_ = -1;
    int first_ = 0; // the row at the top
    qreal pressY_ = 0;
    int pressFirst_ = 0;
    bool dragging_ = false;
};

} // namespace kalvor
