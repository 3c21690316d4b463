// How entries get into and out of the channels' sound lists: the file dialog (one or
// several files), drops, the sound clipboard with its start offset, removal, and the
// external wave editor. Making an entry current hands the channel to the selection
// handler, which loads the sound; stopping and clearing a channel are the playback
// layer's, reached through the hooks. Every input path calls these methods. UI thread.
#pragma once

#include <QObject>
#include <QSet>
#include <QStringList>

#include <array>
#include <functional>

namespace kalvor {

class Settings;
class ShowStore;

enum class AddMode { Append = 1, InsertBefore = 2, InsertAfter = 3 };

struct SoundClipboard {
    QStringList paths;
    QStringList names;
    QList<int> colours;  // the missing-sound mark travels with its entry
    int startOffset = 0; // frames; carried only when exactly one sound is pasted
    bool isEmpty() const { return paths.isEmpty() || paths.constFirst().isEmpty(); }
};

struct SoundListHooks {
    // The selection handling: the current entry of the channel changed; load it.
    std::function<void(int channel)> currentChanged;
    // StopChannel when the channel is playing.
    std::function<void(int channel)> stopIfPlaying;
    // True while the channel plays or is paused: its loaded sound must stay.
    std::function<bool(int channel)> isSounding;
    // Frees the channel's stream and resets its displays (the channel is left empty).
    std::function<void(int channel)> clearChannel;
    // Gives the channel a start offset, with the start-offset displays.
    std::function<void(int channel, int frames)> setStartOffset;
    // An entry was inserted at (or removed from) `at` of a list that held `sizeBefore`
    // entries: the presets' stored selections follow their sounds.
    std::function<void(int channel, int at, int sizeBefore)> inserted;
    std::function<void(int channel, int at, int sizeBefore)> removed;
};

class SoundListEditor : public QObject {
    Q_OBJECT
public:
    SoundListEditor(ShowStore& store, Settings& settings, QObject* parent = nullptr);

    SoundListHooks& hooks() { return hooks_; }

    // The file dialog: one file is placed by `mode`; several files are appended at the end
    // whatever the mode, named by the file name less its last four characters.
    void SoundLoadDialog(int channel, AddMode mode);
    // Places already chosen files exactly as the dialog would (used by the dialog and by
    // the FTP browser's hand-over).
    void addFiles(int channel, const QStringList& paths, AddMode mode);
    // The FTP browser's hand-over: the files are appended in order, each named as a single
    // file is, and the last one becomes current.
    void addBrowserFiles(int channel, const QStringList& paths);

    // Files dropped on the add button. Ignored unless the first file ends (in any case)
    // with a known sound extension; then every file is inserted after the current entry,
    // in order, and the selection handling runs once for the last one. True when added.
    bool DropFiles(int channel, const QStringList& paths);

    // Extended selection: which entries carry a selection mark.
    bool multiSelect(int channel) const { return multi_[index(channel)]; }
    void setMultiSelect(int channel, bool on);
    void setMarked(int channel, const QSet<int>& entries);
    const QSet<int>& marked(int channel) const { return marks_[index(channel)]; }

    void Copy(int channel);
    void Cut(int channel);
    bool InsertClipboard(int channel, bool after);
    const SoundClipboard& clipboard() const { return clipboard_; }

    void Remove(int channel);
    void RemoveSoundsFromList(int channel);
    // Page 1..4: channels 1-8, 9-16, 17-24, 25-32.
    void RemoveSoundsFromPage(int page);

    // Opens the current entry in the external wave editor, without waiting for it.
    void EditWave(int channel);

private:
    static std::size_t index(int channel) { return static_cast<std::size_t>(channel); }
    void makeCurrent(int channel, int entry);
    // The selection marks, and the presets' selections, move with their entries when one is
    // inserted or removed at `at` (the list already changed).
    void entryInserted(int channel, int at);
    void entryRemoved(int channel, int at);
    // Fills the clipboard from the channel; in extended mode the marks are cleared and the
    // first copied index is returned, otherwise -1.
    int copyToClipboard(int channel);

    ShowStore& store_;
    Settings& settings_;
    SoundListHooks hooks_;
    SoundClipboard clipboard_;
    std::array<bool, 32> multi_{};
    std::array<QSet<int>, 32> marks_{};
    bool dropping_ = false;
};

// The name shown for a file picked together with others: the file name less its last
// four characters, whatever they are.
QString multiPickDisplayName(const QString& fileName);
// True when a drop starting with `firstFile` is accepted.
bool acceptsDrop(const QString& firstFile);

} // namespace kalvor
