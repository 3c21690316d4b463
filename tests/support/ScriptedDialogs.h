// Dialogs and waits for tests: every box is recorded (kind, title, text, icon, buttons) and
// answered from a script; waits are recorded and return without sleeping.
#pragma once

#include "core/Dialogs.h"

#include <QList>

#include <deque>
#include <functional>

namespace kalvor::test {

struct RecordedBox {
    QString kind; // "message", "input", "open", "save", "folder", "font", "colour"
    QString title;
    QString text; // the message, the prompt, or the folder a file dialog opens in
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    std::optional<MessageResult> defaultButton = std::nullopt; // Enter; none: the first button
};

class ScriptedDialogs final : public Dialogs {
public:
    ScriptedDialogs();           // installs itself
    ~ScriptedDialogs() override; // restores the fallback

    // Answers to the next message boxes, in order; once used up, Ok/No/Cancel follow.
    void answerMessages(std::initializer_list<MessageResult> answers);
    // Answers to the next input boxes (nullopt = Cancel) and file dialogs.
    void answerInputs(std::initializer_list<std::optional<QString>> answers);
    void answerFiles(std::initializer_list<QStringList> answers);

    // Called as each box comes up, before it is answered: what else holds at that moment.
    std::function<void(const RecordedBox&)> onBox;
    QList<RecordedBox> messages() const;
    void clear() { boxes_.clear(); }

    bool waitShown() const { return waitShown_; }
    QString waitText() const { return waitText_; }
    int waitProgress() const { return waitProgress_; }
    int busyDepth() const { return busy_; }

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
    void record(const RecordedBox& box);

    QList<RecordedBox> boxes_;
    std::deque<MessageResult> messageAnswers_;
    std::deque<std::optional<QString>> inputAnswers_;
    std::deque<QStringList> fileAnswers_;
    bool waitShown_ = false;
    QString waitText_;
    int waitProgress_ = 0;
    int busy_ = 0;
};

// Records each wait; lets posted events run once, without sleeping.
class ScriptedWaits final : public Waits {
public:
    ScriptedWaits();
    ~ScriptedWaits() override;
    void wait(int ms) override;
    const QList<int>& waits() const { return waits_; }

private:
    QList<int> waits_;
};

} // namespace kalvor::test
