#include "support/ScriptedDialogs.h"

#include <QCoreApplication>

namespace kalvor::test {

namespace {

// The next scripted answer, or the empty answer when the script has run out.
template <typename Queue> typename Queue::value_type next(Queue& answers) {
    if (answers.empty())
        return {};
    auto a = answers.front();
    answers.pop_front();
    return a;
}

} // namespace

ScriptedDialogs::ScriptedDialogs() {
    installDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs() {
    installDialogs(nullptr);
}

void ScriptedDialogs::answerMessages(std::initializer_list<MessageResult> answers) {
    messageAnswers_.insert(messageAnswers_.end(), answers);
}

void ScriptedDialogs::answerInputs(std::initializer_list<std::optional<QString>> answers) {
    inputAnswers_.insert(inputAnswers_.end(), answers);
}

void ScriptedDialogs::answerFiles(std::initializer_list<QStringList> answers) {
    fileAnswers_.insert(fileAnswers_.end(), answers);
}

QList<RecordedBox> ScriptedDialogs::messages() const {
    QList<RecordedBox> out;
    for (const auto& b : boxes_)
        if (b.kind == QLatin1String("message"))
            out.append(b);
    return out;
}

void ScriptedDialogs::record(const RecordedBox& box) {
    boxes_.append(box);
    if (onBox)
        onBox(box);
}

MessageResult ScriptedDialogs::message(const QString& title, const QString& text, MessageIcon icon,
                                       MessageButtons buttons,
                                       std::optional<MessageResult> defaultButton) {
    record({QStringLiteral("message"), title, text, icon, buttons, defaultButton});
    if (!messageAnswers_.empty())
        return next(messageAnswers_);
    return buttons == MessageButtons::Ok ? MessageResult::Ok
           : buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel
               ? MessageResult::No
               : MessageResult::Cancel;
}

std::optional<QString> ScriptedDialogs::inputBox(const QString& title, const QString& prompt,
                                                 const QString&) {
    record({QStringLiteral("input"), title, prompt});
    return next(inputAnswers_);
}

QStringList ScriptedDialogs::openFiles(const QString& title, const QString& folder, const QString&,
                                       bool) {
    record({QStringLiteral("open"), title, folder});
    return next(fileAnswers_);
}

QString ScriptedDialogs::saveFile(const QString& title, const QString& suggestedPath,
                                  const QString&) {
    record({QStringLiteral("save"), title, suggestedPath});
    return next(fileAnswers_).value(0);
}

QString ScriptedDialogs::folder(const QString& title, const QString& startFolder) {
    record({QStringLiteral("folder"), title, startFolder});
    return next(fileAnswers_).value(0);
}

std::optional<FontChoice> ScriptedDialogs::font(const FontChoice&) {
    record({QStringLiteral("font"), {}, {}});
    return std::nullopt;
}

std::optional<int> ScriptedDialogs::colour(int) {
    record({QStringLiteral("colour"), {}, {}});
    return std::nullopt;
}

void ScriptedDialogs::showWait(const QString& text) {
    waitShown_ = true;
    waitText_ = text;
    waitProgress_ = 0;
}

void ScriptedDialogs::setWaitProgress(int percent) {
    waitProgress_ = percent;
}

void ScriptedDialogs::hideWait() {
    waitShown_ = false;
}

void ScriptedDialogs::setBusy(bool busy) {
    busy_ += busy ? 1 : (busy_ > 0 ? -1 : 0);
}

ScriptedWaits::ScriptedWaits() {
    installWaits(this);
}

ScriptedWaits::~ScriptedWaits() {
    installWaits(nullptr);
}

void ScriptedWaits::wait(int ms) {
    waits_.append(ms);
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace kalvor::test
