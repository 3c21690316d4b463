#include "core/ui/WelcomeWindow.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kalvor {

WelcomeWindow::WelcomeWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), version_(new QLabel(this)),
      note_(new QLabel(this)), os_(new QLabel(this)) {
    setObjectName(QStringLiteral("frmWelcome"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(24, 26, 30));
    pal.setColor(QPalette::WindowText, QColor(230, 230, 230));
    setPalette(pal);

    auto* title = new QLabel(QStringLiteral("Kalvor"), this);
    QFont big = title->font();
    big.setPointSize(28);
    big.setBold(true);
    title->setFont(big);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->addWidget(title);
    layout->addWidget(version_);
    layout->addStretch(1);
    layout->addWidget(note_);
    layout->addWidget(os_);
    setFixedSize(420, 220);
}

void WelcomeWindow::setLines(const QString& version, const QString& note, const QString& osLine) {
    version_->setText(version);
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
    os_->setText(osLine);
}

} // namespace kalvor
