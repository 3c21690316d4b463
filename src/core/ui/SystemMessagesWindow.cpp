#include "core/ui/SystemMessagesWindow.h"

#include "core/CoreTexts.h"
#include "core/SystemMessages.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kalvor {

SystemMessagesWindow::SystemMessagesWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), lstDebug_(new QListWidget(this)),
      chkShowAudioDebug_(new QCheckBox(this)), chkOnTop_(new QCheckBox(this)),
      cmdClear_(new QPushButton(this)), cmdClose_(new QPushButton(this)) {
    setObjectName(QStringLiteral("frmSystemMessages"));
    lstDebug_->setObjectName(QStringLiteral("lstDebug"));
    chkShowAudioDebug_->setObjectName(QStringLiteral("chkShowAudioDebug"));
    chkOnTop_->setObjectName(QStringLiteral("chkOnTop"));
    cmdClear_->setObjectName(QStringLiteral("cmdClear"));
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));

    lstDebug_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lstDebug_->setUniformItemSizes(true); // a long show adds thousands of lines

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkShowAudioDebug_);
    buttons->addWidget(chkOnTop_);
    buttons->addStretch(1);
    buttons->addWidget(cmdClear_);
    buttons->addWidget(cmdClose_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstDebug_, 1);
    layout->addLayout(buttons);
    resize(720, 360);

    auto& messages = SystemMessages::instance();
    for (const QString& e : messages.entries())
        lstDebug_->addItem(e);
    if (lstDebug_->count() > 0)
        lstDebug_->setCurrentRow(lstDebug_->count() - 1);
    chkShowAudioDebug_->setChecked(messages.showAudioMessages());

    connect(&messages, &SystemMessages::entryAdded, this, &SystemMessagesWindow::appendEntry);
    connect(&messages, &SystemMessages::cleared, lstDebug_, &QListWidget::clear);
    connect(&messages, &SystemMessages::showRequested, this, [this] {
        show();
        raise();
    });
    connect(&messages, &SystemMessages::showAudioMessagesChanged, chkShowAudioDebug_,
            &QCheckBox::setChecked);
    connect(chkShowAudioDebug_, &QCheckBox::toggled, &messages,
            &SystemMessages::setShowAudioMessages);
    connect(chkOnTop_, &QCheckBox::toggled, this, &SystemMessagesWindow::setOnTop);
    connect(cmdClear_, &QPushButton::clicked, &messages, &SystemMessages::clear);
    connect(cmdClose_, &QPushButton::clicked, this, &QWidget::hide);
    connect(&UiLanguage::instance(), &UiLanguage::changed, this,
            &SystemMessagesWindow::applyCaptions);
    applyCaptions();
}

void SystemMessagesWindow::applyCaptions() {
    setWindowTitle(txt(texts::SystemMessagesTitle));
    chkShowAudioDebug_->setText(txt(texts::ShowAudioMessages));
    chkOnTop_->setText(txt(texts::AlwaysOnTop));
    cmdClear_->setText(txt(texts::Clear));
    cmdClose_->setText(txt(texts::Close));
}

void SystemMessagesWindow::appendEntry(const QString& entry) {
    lstDebug_->addItem(entry);
    lstDebug_->setCurrentRow(lstDebug_->count() - 1);
}

void SystemMessagesWindow::setOnTop(bool on) {
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible)
        show(); // changing window flags hides a window
}

} // namespace kalvor
