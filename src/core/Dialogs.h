// The seams between the program's logic and anything modal: message boxes, input boxes,
// file, folder, font and colour dialogs, the "please wait" box, the busy pointer and the
// wait routine. The logic calls these; the Qt implementations in core/ui show the real
// things, and tests install scripted ones that record each box and answer as told.
// UI thread only.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace kalvor {

enum class MessageIcon { None, Critical, Warning, Question, Information };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MessageResult { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

struct FontChoice {
    QString name;
    double size = 8.25;
    bool bold = false;
    bool italic = false;
    friend bool operator==(const FontChoice&, const FontChoice&) = default;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // `defaultButton` is the answer that Enter gives; a question that destroys something
    // names the harmless answer here. Without it the box's first button is the default.
    virtual MessageResult message(const QString& title, const QString& text, MessageIcon icon,
                                  MessageButtons buttons,
                                  std::optional<MessageResult> defaultButton = std::nullopt) = 0;
    // Empty optional when the user cancels.
    virtual std::optional<QString> inputBox(const QString& title, const QString& prompt,
                                            const QString& defaultText) = 0;
    // `filter` in Qt's form ("Playlists (*.kal)"); empty list when cancelled.
    virtual QStringList openFiles(const QString& title, const QString& folder,
                                  const QString& filter, bool multiple) = 0;
    virtual QString saveFile(const QString& title, const QString& suggestedPath,
                             const QString& filter) = 0;
    virtual QString folder(const QString& title, const QString& startFolder) = 0;
    virtual std::optional<FontChoice> font(const FontChoice& initial) = 0;
    // Colours as red + 256 * green + 65536 * blue.
    virtual std::optional<int> colour(int initial) = 0;

    // The "please wait" box: shown with a text, a progress bar 0..100, closed again.
    virtual void showWait(const QString& text) = 0;
    virtual void setWaitProgress(int percent) = 0;
    virtual void hideWait() = 0;

    virtual void setBusy(bool busy) = 0;
};

// The wait routine: lets pending events run for `ms` milliseconds. A wait of 0 or less
// returns at once.
class Waits {
public:
    virtual ~Waits() = default;
    virtual void wait(int ms) = 0;
};

// The seams in use. Until something is installed, a headless fallback answers every box
// with its default (No/Cancel/Ok), prints it to standard error, and waits for real.
Dialogs& dialogs();
Waits& waits();
void installDialogs(Dialogs* dialogs); // nullptr restores the fallback
void installWaits(Waits* waits);

// Shorthand for a box with a single OK button.
void showMessage(const QString& title, const QString& text, MessageIcon icon);

} // namespace kalvor
