#include "show/soundlists/SoundListEditor.h"

#include "core/Dialogs.h"
#include "core/Limits.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SoundEntry.h"
#include "show/playlist/SoundPaths.h"
#include "show/soundlists/SoundListTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

namespace kalvor {

QString multiPickDisplayName(const QString& fileName) {
    return fileName.size() > 4 ? fileName.left(fileName.size() - 4) : QString();
}

bool acceptsDrop(const QString& firstFile) {
    const QString ext = firstFile.right(4).toUpper();
    static const QStringList known{QStringLiteral(".WAV"), QStringLiteral(".MP1"),
                                   QStringLiteral(".MP2"), QStringLiteral(".MP3"),
                                   QStringLiteral(".AIF"), QStringLiteral(".OGG"),
                                   QStringLiteral(".WMA")};
    return known.contains(ext);
}

SoundListEditor::SoundListEditor(ShowStore& store, Settings& settings, QObject* parent)
    : QObject(parent), store_(store), settings_(settings) {
    // A load or a new show empties the lists without coming through here: marks past the
    // end (all of them, once a list is empty) would land on the next show's entries.
    connect(&store_, &ShowStore::soundListChanged, this, [this](int channel) {
        if (channel < 0 || channel >= kChannelCount)
            return;
        const qsizetype size = store_.soundList(channel).size();
        marks_[index(channel)].removeIf([size](int i) { return i < 0 || i >= size; });
    });
}

void SoundListEditor::entryInserted(int channel, int at) {
    if (hooks_.inserted)
        hooks_.inserted(channel, at, static_cast<int>(store_.soundList(channel).size()) - 1);
    QSet<int>& marks = marks_[index(channel)];
    if (marks.isEmpty())
        return;
    QSet<int> moved;
    for (int i : std::as_const(marks))
        moved.insert(i >= at ? i + 1 : i);
    marks = moved;
}

void SoundListEditor::entryRemoved(int channel, int at) {
    if (hooks_.removed)
        hooks_.removed(channel, at, static_cast<int>(store_.soundList(channel).size()) + 1);
    QSet<int>& marks = marks_[index(channel)];
    if (marks.isEmpty())
        return;
    QSet<int> moved;
    for (int i : std::as_const(marks)) {
        if (i != at)
            moved.insert(i > at ? i - 1 : i);
    }
    marks = moved;
}

void SoundListEditor::makeCurrent(int channel, int entry) {
    store_.controls(channel).selectedSound = static_cast<std::int16_t>(entry);
    store_.announceSoundList(channel);
    if (!dropping_ && hooks_.currentChanged)
        hooks_.currentChanged(channel);
}

void SoundListEditor::SoundLoadDialog(int channel, AddMode mode) {
    const QString defaultPath = settings_.text(u"DefaultSoundPath");
    const QString folder = (!defaultPath.isEmpty() && QFileInfo(defaultPath).isDir())
                               ? defaultPath
                               : QCoreApplication::applicationDirPath();
    const QString filter =
        QStringList{txt(texts::FilterAll) + QStringLiteral(" (*)"),
                    txt(texts::FilterWave),
                    txt(texts::FilterAiff),
                    txt(texts::FilterMpeg12)
                        .replace(QStringLiteral("(*.mp1/*.mp2)"), QStringLiteral("(*.mp1 *.mp2)")),
                    txt(texts::FilterMp3),
                    txt(texts::FilterOgg),
                    txt(texts::FilterWma)}
            .join(QStringLiteral(";;"));
    const QStringList files = dialogs().openFiles(txt(texts::OpenSoundfiles), folder, filter, true);
    if (!files.isEmpty())
        addFiles(channel, files, mode);
}

void SoundListEditor::addFiles(int channel, const QStringList& paths, AddMode mode) {
    if (paths.isEmpty())
        return;
    QList<SoundEntry>& list = store_.soundList(channel);
    if (paths.size() > 1) {
        for (const QString& p : paths)
            list.append(
                {QDir::toNativeSeparators(p), multiPickDisplayName(QFileInfo(p).fileName()), 0});
        makeCurrent(channel, static_cast<int>(list.size()) - 1);
        return;
    }
    const SoundEntry entry = makeSoundEntry(QDir::toNativeSeparators(paths.constFirst()));
    const int current = store_.controls(channel).selectedSound;
    int at = static_cast<int>(list.size());
    if (mode == AddMode::InsertBefore)
        at = std::clamp(current, 0, static_cast<int>(list.size()));
    else if (mode == AddMode::InsertAfter)
        at = current < 0 ? static_cast<int>(list.size())
                         : std::min(current + 1, static_cast<int>(list.size()));
    list.insert(at, entry);
    entryInserted(channel, at);
    makeCurrent(channel, at);
}

void SoundListEditor::addBrowserFiles(int channel, const QStringList& paths) {
    if (paths.isEmpty())
        return;
    QList<SoundEntry>& list = store_.soundList(channel);
    for (const QString& p : paths)
        list.append(makeSoundEntry(QDir::toNativeSeparators(p)));
    makeCurrent(channel, static_cast<int>(list.size()) - 1);
}

bool SoundListEditor::DropFiles(int channel, const QStringList& paths) {
    if (paths.isEmpty() || !acceptsDrop(paths.constFirst()))
        return false;
    QList<SoundEntry>& list = store_.soundList(channel);
    dropping_ = true;
    for (const QString& p : paths) {
        const int current = store_.controls(channel).selectedSound;
        const int at = current < 0 ? static_cast<int>(list.size())
                                   : std::min(current + 1, static_cast<int>(list.size()));
        list.insert(at, makeSoundEntry(QDir::toNativeSeparators(p)));
        entryInserted(channel, at);
        makeCurrent(channel, at);
    }
    dropping_ = false;
    if (hooks_.currentChanged)
        hooks_.currentChanged(channel);
    return true;
}

void SoundListEditor::setMultiSelect(int channel, bool on) {
    multi_[index(channel)] = on;
    marks_[index(channel)].clear();
    const int current = store_.controls(channel).selectedSound;
    if (on && current >= 0)
        marks_[index(channel)].insert(current);
}

void SoundListEditor::setMarked(int channel, const QSet<int>& entries) {
    marks_[index(channel)] = entries;
}

void SoundListEditor::Copy(int channel) {
    const int first = copyToClipboard(channel);
    if (first < 0)
        return;
    marks_[index(channel)].insert(first);
    // The first copied entry becomes current through the selection handling, so the list
    // and the loaded sound agree. A channel that sounds keeps its sound and shows it as
    // current: a Copy never stops or reloads what the audience hears.
    if (hooks_.isSounding && hooks_.isSounding(channel))
        store_.announceSoundList(channel); // the new mark shows; the current entry stays
    else
        makeCurrent(channel, first);
}

int SoundListEditor::copyToClipboard(int channel) {
    clipboard_ = {};
    const QList<SoundEntry>& list = store_.soundList(channel);
    if (list.isEmpty())
        return -1;
    const int current = store_.controls(channel).selectedSound;
    if (!multiSelect(channel)) {
        if (current < 0 || current >= list.size())
            return -1;
        clipboard_.paths << list.at(current).path;
        clipboard_.names << list.at(current).displayName;
        clipboard_.colours << list.at(current).colour;
        clipboard_.startOffset = store_.assignments(channel).startOffset;
        return -1;
    }
    QList<int> picked(marks_[index(channel)].begin(), marks_[index(channel)].end());
    std::sort(picked.begin(), picked.end());
    int first = -1;
    for (int i : picked) {
        if (i < 0 || i >= list.size())
            continue;
        clipboard_.paths << list.at(i).path;
        clipboard_.names << list.at(i).displayName;
        clipboard_.colours << list.at(i).colour;
        if (first < 0)
            first = i;
    }
    marks_[index(channel)].clear();
    return first;
}

void SoundListEditor::Cut(int channel) {
    if (hooks_.stopIfPlaying)
        hooks_.stopIfPlaying(channel);
    QList<SoundEntry>& list = store_.soundList(channel);
    QList<int> picked;
    if (multiSelect(channel)) {
        picked = QList<int>(marks_[index(channel)].begin(), marks_[index(channel)].end());
    } else if (store_.controls(channel).selectedSound >= 0) {
        picked = {store_.controls(channel).selectedSound};
    }
    copyToClipboard(channel);
    std::sort(picked.begin(), picked.end(), std::greater<>());
    picked.removeIf([&list](int i) { return i < 0 || i >= list.size(); });
    for (int i : picked) {
        list.removeAt(i);
        entryRemoved(channel, i);
    }
    marks_[index(channel)].clear();
    // Nothing marked, nothing cut: the current entry stays, with its sound.
    if (picked.isEmpty()) {
        store_.announceSoundList(channel);
        return;
    }
    if (list.isEmpty()) {
        RemoveSoundsFromList(channel);
        return;
    }
    makeCurrent(channel, std::min(picked.constLast(), static_cast<int>(list.size()) - 1));
}

bool SoundListEditor::InsertClipboard(int channel, bool after) {
    if (clipboard_.isEmpty()) {
        showMessage(txt(texts::SoundClipboardErrorTitle), txt(texts::SoundClipboardEmpty),
                    MessageIcon::Warning);
        return false;
    }
    QList<SoundEntry>& list = store_.soundList(channel);
    int current = store_.controls(channel).selectedSound;
    for (qsizetype i = 0; i < clipboard_.paths.size(); ++i) {
        int at = 0;
        if (list.isEmpty() || current < 0)
            at = after ? static_cast<int>(list.size()) : 0;
        else
            at = after ? std::min(current + 1, static_cast<int>(list.size())) : current;
        list.insert(at, SoundEntry{clipboard_.paths.at(i), clipboard_.names.value(i),
                                   clipboard_.colours.value(i)});
        entryInserted(channel, at);
        current = at;
        store_.controls(channel).selectedSound = static_cast<std::int16_t>(at);
        // "before" keeps the pasted block in clipboard order: the next goes after this one.
        after = true;
    }
    makeCurrent(channel, current);
    if (clipboard_.paths.size() == 1 && settings_.integer(u"CopySoundsWithOffsets") == 1 &&
        clipboard_.startOffset > 0) {
        store_.assignments(channel).startOffset = clipboard_.startOffset;
        if (hooks_.setStartOffset)
            hooks_.setStartOffset(channel, clipboard_.startOffset);
        store_.announceChannel(channel, ChannelAspect::Assignments);
    }
    return true;
}

void SoundListEditor::Remove(int channel) {
    QList<SoundEntry>& list = store_.soundList(channel);
    const int current = store_.controls(channel).selectedSound;
    if (list.isEmpty() || current < 0 || current >= list.size())
        return;
    store_.assignments(channel).startOffset = 0;
    if (hooks_.stopIfPlaying)
        hooks_.stopIfPlaying(channel);
    list.removeAt(current);
    entryRemoved(channel, current);
    if (list.isEmpty()) {
        RemoveSoundsFromList(channel);
        return;
    }
    makeCurrent(channel, std::min(current, static_cast<int>(list.size()) - 1));
}

void SoundListEditor::RemoveSoundsFromList(int channel) {
    if (hooks_.stopIfPlaying)
        hooks_.stopIfPlaying(channel);
    if (hooks_.clearChannel)
        hooks_.clearChannel(channel);
    for (int i = static_cast<int>(store_.soundList(channel).size()) - 1; i >= 0; --i) {
        store_.soundList(channel).removeAt(i);
        entryRemoved(channel, i);
    }
    multi_[index(channel)] = false;
    marks_[index(channel)].clear();
    store_.controls(channel).selectedSound = -1;
    store_.assignments(channel).startOffset = 0;
    store_.channel(channel).fileName.clear();
    store_.announceSoundList(channel);
    store_.announceChannel(channel, ChannelAspect::Sound | ChannelAspect::Assignments);
}

void SoundListEditor::RemoveSoundsFromPage(int page) {
    if (page < 1 || page > kChannelCount / kChannelsPerPage)
        return;
    for (int ch = (page - 1) * kChannelsPerPage; ch < page * kChannelsPerPage; ++ch)
        RemoveSoundsFromList(ch);
}

void SoundListEditor::EditWave(int channel) {
    const QString editor = settings_.text(u"DefaultWaveEditor").trimmed();
    if (editor.isEmpty()) {
        showMessage(txt(texts::WaveEditorTitle), txt(texts::NoWaveEditor),
                    MessageIcon::Information);
        return;
    }
    if (!QFileInfo(editor).isFile()) {
        showMessage(txt(texts::WaveEditorPathTitle), txt(texts::WaveEditorPathInvalid),
                    MessageIcon::Critical);
        return;
    }
    const QList<SoundEntry>& list = store_.soundList(channel);
    const int current = store_.controls(channel).selectedSound;
    if (current < 0 || current >= list.size())
        return;
    // The sound goes over as one argument, so blanks and quotes in its path survive; the
    // file as found on this disk, since the list keeps the path as the show wrote it.
    const auto found = playlist::SoundPathResolver().resolve(list.at(current).path);
    if (!QProcess::startDetached(editor, {found.path}))
        showMessage(txt(texts::WaveEditorTitle),
                    txt(texts::WaveEditorStartFailed) + QLatin1Char('\n') + editor,
                    MessageIcon::Critical);
}

} // namespace kalvor
