#include "core/SystemMessages.h"

namespace kalvor {

SystemMessages& SystemMessages::instance() {
    static SystemMessages messages;
    return messages;
}

void SystemMessages::append(const QString& text) {
    const QTime now = clock_ ? clock_() : QTime::currentTime();
    entries_.append(now.toString(QStringLiteral("HH:mm:ss")) + QLatin1Char(' ') + text);
    Q_EMIT entryAdded(entries_.constLast());
}

void SystemMessages::addDebugMessage(const QString& text, bool show) {
    if (show)
        Q_EMIT showRequested();
    append(text);
}

void SystemMessages::addAudioDebugMessage(const QString& text, bool show) {
    if (show)
        Q_EMIT showRequested();
    if (showAudio_)
        append(text);
}

void SystemMessages::clear() {
    entries_.clear();
    Q_EMIT cleared();
}

void SystemMessages::setShowAudioMessages(bool on) {
    if (on == showAudio_)
        return;
    showAudio_ = on;
    Q_EMIT showAudioMessagesChanged(on);
}

void AddDebugMessage(const QString& text, bool show) {
    SystemMessages::instance().addDebugMessage(text, show);
}

void AddAudioDebugMessage(const QString& text, bool show) {
    SystemMessages::instance().addAudioDebugMessage(text, show);
}

} // namespace kalvor
