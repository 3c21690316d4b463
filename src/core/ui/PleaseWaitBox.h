// The "please wait" box of long operations: a line of text and a progress bar. It is not
// modal, so the show keeps running underneath. UI thread.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace kalvor {

class PleaseWaitBox : public QWidget {
    Q_OBJECT
public:
    explicit PleaseWaitBox(QWidget* parent = nullptr);
    void setText(const QString& text);
    void setProgress(int percent);
    QString text() const;
    int progress() const;

private:
    QLabel* label_;
    QProgressBar* bar_;
};

} // namespace kalvor
