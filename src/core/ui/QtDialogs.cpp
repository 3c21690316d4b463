#include "core/ui/QtDialogs.h"

#include "core/ui/Colour.h"
#include "core/ui/PleaseWaitBox.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace kalvor {

namespace {

QMessageBox::Icon toQtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQtButtons(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return QMessageBox::Ok;
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case MessageButtons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton toQtButton(MessageResult result) {
    switch (result) {
    case MessageResult::Ok:
        return QMessageBox::Ok;
    case MessageResult::Cancel:
        return QMessageBox::Cancel;
    case MessageResult::Yes:
        return QMessageBox::Yes;
    case MessageResult::No:
        return QMessageBox::No;
    case MessageResult::Retry:
        return QMessageBox::Retry;
    case MessageResult::Abort:
        return QMessageBox::Abort;
    case MessageResult::Ignore:
        return QMessageBox::Ignore;
    }
    return QMessageBox::NoButton;
}

MessageResult fromQt(int button) {
    switch (button) {
    case QMessageBox::Ok:
        return MessageResult::Ok;
    case QMessageBox::Yes:
        return MessageResult::Yes;
    case QMessageBox::No:
        return MessageResult::No;
    case QMessageBox::Retry:
        return MessageResult::Retry;
    case QMessageBox::Abort:
        return MessageResult::Abort;
    case QMessageBox::Ignore:
        return MessageResult::Ignore;
    default:
        return MessageResult::Cancel;
    }
}

} // namespace

QtDialogs::QtDialogs() = default;

QtDialogs::~QtDialogs() {
    delete wait_;
}

MessageResult QtDialogs::message(const QString& title, const QString& text, MessageIcon icon,
                                 MessageButtons buttons,
                                 std::optional<MessageResult> defaultButton) {
    QMessageBox box(toQtIcon(icon), title,
                    QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    toQtButtons(buttons), parent_);
    // A busy pointer over a question would tell the operator to wait, not to answer.
    if (defaultButton)
        box.setDefaultButton(toQtButton(*defaultButton));
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
    return fromQt(answer);
}

std::optional<QString> QtDialogs::inputBox(const QString& title, const QString& prompt,
                                           const QString& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QStringList QtDialogs::openFiles(const QString& title, const QString& folder, const QString& filter,
                                 bool multiple) {
    if (multiple)
        return QFileDialog::getOpenFileNames(parent_, title, folder, filter);
    const QString file = QFileDialog::getOpenFileName(parent_, title, folder, filter);
    return file.isEmpty() ? QStringList{} : QStringList{file};
}

QString QtDialogs::saveFile(const QString& title, const QString& suggestedPath,
                            const QString& filter) {
    // The program asks its own overwrite question, in its own words.
    return QFileDialog::getSaveFileName(parent_, title, suggestedPath, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtDialogs::folder(const QString& title, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(parent_, title, startFolder);
}

std::optional<FontChoice> QtDialogs::font(const FontChoice& initial) {
    QFont f(initial.name);
    f.setPointSizeF(initial.size);
    f.setBold(initial.bold);
    f.setItalic(initial.italic);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, f, parent_);
    if (!ok)
        return std::nullopt;
    return FontChoice{chosen.family(), chosen.pointSizeF(), chosen.bold(), chosen.italic()};
}

std::optional<int> QtDialogs::colour(int initial) {
    const QColor c = QColorDialog::getColor(toQColor(initial), parent_);
    if (!c.isValid())
        return std::nullopt;
    return fromQColor(c);
}

void QtDialogs::showWait(const QString& text) {
    if (!wait_)
        wait_ = new PleaseWaitBox(parent_);
    wait_->setText(text);
    wait_->setProgress(0);
    wait_->show();
    wait_->raise();
}

void QtDialogs::setWaitProgress(int percent) {
    if (wait_)
        wait_->setProgress(percent);
}

void QtDialogs::hideWait() {
    if (wait_)
        wait_->hide();
}

void QtDialogs::setBusy(bool busy) {
    if (busy) {
        if (busyDepth_++ == 0)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busyDepth_ > 0) {
        if (--busyDepth_ == 0)
            QApplication::restoreOverrideCursor();
    }
}

} // namespace kalvor
