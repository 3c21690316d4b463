// The real dialogs behind the seams: Qt message boxes, input boxes, file, folder, font
// and colour dialogs, the "please wait" box and the busy pointer. UI thread.
#pragma once

#include "core/Dialogs.h"
#include "core/ui/PleaseWaitBox.h"

#include <QPointer>

class QWidget;

namespace kalvor {

class QtDialogs final : public Dialogs {
public:
    QtDialogs();
    ~QtDialogs() override;

    // Boxes are centred on this window when it is set.
    void setParentWindow(QWidget* window) { parent_ = window; }

    MessageResult message(const QString& title, const QString& text, MessageIcon icon,
                          MessageButtons buttons,
                          std::optional<MessageResult> defaultButton = std::nullopt) override;
    std::optional<QString> inputBox(const QString& title, const QString& prompt,
                                    const QString& defaultText) override;
    QStringList openFiles(const QString& title, const QString& folder, const QString& filter,
                          bool multiple) override;
    QString saveFile(const QString& title, const QString& suggestedPath,
                     const QString& filter) override;
    QString folder(const QString& title, const QString& startFolder) override;
    std::optional<FontChoice> font(const FontChoice& initial) override;
    std::optional<int> colour(int initial) override;
    void showWait(const QString& text) override;
    void setWaitProgress(int percent) override;
    void hideWait() override;
    void setBusy(bool busy) override;

private:
    QPointer<QWidget> parent_;
    QPointer<PleaseWaitBox> wait_;
    int busyDepth_ = 0;
};

} // namespace kalvor
