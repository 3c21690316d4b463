// The file dialogs close an open MIDI input while they are up and open it again after,
// so a controller's notes cannot fire channels behind a modal dialog. A pass-through
// around the dialogs seam; every other box goes straight to the wrapped one. UI thread.
#pragma once

#include "core/Dialogs.h"

namespace kalvor::midi {

class MidiSystem;

class FileDialogGuard : public Dialogs {
public:
    FileDialogGuard(Dialogs& inner, MidiSystem& midi) : inner_(inner), midi_(midi) {}

    MessageResult message(const QString& title, const QString& text, MessageIcon icon,
                          MessageButtons buttons,
                          std::optional<MessageResult> defaultButton) override {
        return inner_.message(title, text, icon, buttons, defaultButton);
    }
    std::optional<QString> inputBox(const QString& title, const QString& prompt,
                                    const QString& defaultText) override {
        return inner_.inputBox(title, prompt, defaultText);
    }
    QStringList openFiles(const QString& title, const QString& folder, const QString& filter,
                          bool multiple) override;
    QString saveFile(const QString& title, const QString& suggestedPath,
                     const QString& filter) override;
    QString folder(const QString& title, const QString& startFolder) override {
        return inner_.folder(title, startFolder);
    }
    std::optional<FontChoice> font(const FontChoice& initial) override {
        return inner_.font(initial);
    }
    std::optional<int> colour(int initial) override { return inner_.colour(initial); }
    void showWait(const QString& text) override { inner_.showWait(text); }
    void setWaitProgress(int percent) override { inner_.setWaitProgress(percent); }
    void hideWait() override { inner_.hideWait(); }
    void setBusy(bool busy) override { inner_.setBusy(busy); }

private:
    Dialogs& inner_;
    MidiSystem& midi_;
};

} // namespace kalvor::midi
