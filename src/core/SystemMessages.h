// The running list of diagnostic lines shown in the system messages window, for the
// operator and for support. Audio-engine lines are kept only while the operator asked for
// them. Not translated, not saved. UI thread; the engine's lines arrive here through the
// UI thread's message handling, never from an audio thread.
#pragma once

#include <QObject>
#include <QStringList>
#include <QTime>

#include <functional>

namespace kalvor {

class SystemMessages : public QObject {
    Q_OBJECT
public:
    static SystemMessages& instance();

    // Appends "<time of day> <text>". With `show` the window is brought up first.
    void addDebugMessage(const QString& text, bool show = false);
    // The same, but only recorded while audio messages are switched on; `show` brings the
    // window up either way.
    void addAudioDebugMessage(const QString& text, bool show = false);
    void clear();

    const QStringList& entries() const { return entries_; }

    bool showAudioMessages() const { return showAudio_; }
    void setShowAudioMessages(bool on);

    // The clock that stamps entries; tests fix it.
    void setClock(std::function<QTime()> clock) { clock_ = std::move(clock); }

Q_SIGNALS:
    void entryAdded(const QString& entry);
    void cleared();
    void showRequested();
    void showAudioMessagesChanged(bool on);

private:
    SystemMessages() = default;
    void append(const QString& text);

    QStringList entries_;
    bool showAudio_ = false;
    std::function<QTime()> clock_;
};

// Free-function forms, as the rest of the program calls them.
void AddDebugMessage(const QString& text, bool show = false);
void AddAudioDebugMessage(const QString& text, bool show = false);

} // namespace kalvor
