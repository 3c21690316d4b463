// The welcome window shown while the program starts: name, version, the resizing note and
// the operating-system line. UI thread.
#pragma once

#include <QWidget>

class QLabel;

namespace kalvor {

class WelcomeWindow : public QWidget {
    Q_OBJECT
public:
    explicit WelcomeWindow(QWidget* parent = nullptr);
    void setLines(const QString& version, const QString& note, const QString& osLine);

private:
    QLabel* version_;
    QLabel* note_;
    QLabel* os_;
};

} // namespace kalvor
