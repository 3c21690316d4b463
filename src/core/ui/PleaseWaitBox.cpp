#include "core/ui/PleaseWaitBox.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace kalvor {

PleaseWaitBox::PleaseWaitBox(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      label_(new QLabel(this)), bar_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("frmPleaseWait"));
    setWindowTitle(QStringLiteral("Kalvor"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    label_->setAlignment(Qt::AlignCenter);
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    setMinimumWidth(360);
}

void PleaseWaitBox::setText(const QString& text) {
    label_->setText(text);
}

void PleaseWaitBox::setProgress(int percent) {
    bar_->setValue(std::clamp(percent, 0, 100));
}

QString PleaseWaitBox::text() const {
    return label_->text();
}

int PleaseWaitBox::progress() const {
    return bar_->value();
}

} // namespace kalvor
