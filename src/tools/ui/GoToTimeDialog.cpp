#include "tools/ui/GoToTimeDialog.h"

#include "core/Limits.h"
#include "core/UiLanguage.h"
#include "engine/kae/Kae.h"
#include "engine/kae/KaeMath.h"
#include "mainwindow/Hotkeys.h"
#include "show/playback/ShowLayer.h"
#include "tools/GoToTime.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kalvor {

namespace {

inline constexpr UiText GoToTimeTitle{"Go to time (Hrs./Min./Sec.)",
                                      "Gehe zu Zeitposition (Std./Min./Sek.)"};
inline constexpr UiText GoToOk{"OK", "OK"};
inline constexpr UiText GoToClear{"Clear", "Leeren"};
inline constexpr UiText GoToCancel{"Cancel", "Abbrechen"};
inline constexpr UiText GoToPastEnd{"The sound is only %1 long.", "Der Sound ist nur %1 lang."};
inline constexpr UiText GoToNoSound{"No sound loaded in this channel.",
                                    "In diesem Kanal ist kein Sound geladen."};

} // namespace

GoToTimeDialog::GoToTimeDialog(ShowLayer& show, QWidget* parent) : QDialog(parent), show_(show) {
    setObjectName(QStringLiteral("frmGoTo"));
    setModal(false);
    setWindowModality(Qt::NonModal);

    auto* layout = new QVBoxLayout(this);
    channelLabel_ = new QLabel(this);
    channelLabel_->setObjectName(QStringLiteral("lblChannel"));
    input_ = new QLineEdit(this);
    input_->setObjectName(QStringLiteral("TimeInput"));
    input_->setInputMask(QLatin1String(kGoToTimeMask));
    QFont big = input_->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    input_->setFont(big);
    input_->setAlignment(Qt::AlignCenter);
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("lblMessage"));
    message_->setStyleSheet(QStringLiteral("color: #c00000"));
    message_->hide();
    layout->addWidget(channelLabel_);
    layout->addWidget(input_);
    layout->addWidget(message_);

    auto* buttons = new QHBoxLayout;
    ok_ = new QPushButton(this);
    ok_->setObjectName(QStringLiteral("btnOK"));
    ok_->setDefault(true);
    clear_ = new QPushButton(this);
    clear_->setObjectName(QStringLiteral("btnClear"));
    clear_->setAutoDefault(false);
    cancel_ = new QPushButton(this);
    cancel_->setObjectName(QStringLiteral("btnCancel"));
    cancel_->setAutoDefault(false);
    for (QPushButton* b : {ok_, clear_, cancel_})
        buttons->addWidget(b);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &GoToTimeDialog::go);
    connect(clear_, &QPushButton::clicked, this, [this] {
        input_->clear();
        message_->hide();
        input_->setFocus();
        input_->setCursorPosition(0);
    });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(&UiLanguage::instance(), &UiLanguage::changed, this, &GoToTimeDialog::applyCaptions);
    applyCaptions();
}

void GoToTimeDialog::applyCaptions() {
    setWindowTitle(fromKey_ ? goToTitle() : txt(GoToTimeTitle));
    channelLabel_->setText(ch_ >= 0 ? goToChannelLabel(ch_) : QString());
    ok_->setText(txt(GoToOk));
    clear_->setText(txt(GoToClear));
    cancel_->setText(txt(GoToCancel));
}

void GoToTimeDialog::openFor(int ch, bool fromKey) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    ch_ = ch;
    fromKey_ = fromKey;
    applyCaptions();
    input_->clear();
    message_->hide();
    show();
    raise();
    activateWindow();
    input_->setFocus();
    input_->setCursorPosition(0);
}

void GoToTimeDialog::go() {
    if (ch_ < 0)
        return;
    // A channel without a sound stays as it is; the operator is told why nothing moved.
    if (!show_.playback().soundReady(ch_) || KAE__Channel_GetLengthInSamples(ch_) <= 0) {
        message_->setText(txt(GoToNoSound));
        message_->show();
        return;
    }
    const std::int64_t seconds = goToTimeSeconds(input_->displayText());
    // Refused before the engine: a position past the end would only be an engine error,
    // and the operator can correct the time in place.
    if (!show_.channelOps().SeekSeconds(ch_, static_cast<double>(seconds))) {
        message_->setText(txt(GoToPastEnd).arg(KAE__Channel_GetLengthStringHMS(ch_)));
        message_->show();
        return;
    }
    Q_EMIT show_.playback().positionChanged(ch_);
    accept();
}

} // namespace kalvor
