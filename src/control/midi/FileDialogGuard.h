// The sound file dialog closes an open MIDI input while it is up and opens it again after,
// so a controller's notes cannot fire channels behind it while sounds are being picked.
// Every other dialog leaves the input alone: a playlist or log saved during a show must
// not halt the time code that runs it. A pass-through around the dialogs seam. UI thread.
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
                     const QString& filter) override {
        return inner_.saveFile(title, suggestedPath, filter);
    }
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
