#include "show/playlist/PlaylistFiles.h"

#include "core/CoreTexts.h"
#include "core/Dialogs.h"
#include "core/ErrorReport.h"
#include "core/RecentPlaylists.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SoundEntry.h"
#include "core/SystemMessages.h"
#include "core/TextLines.h"
#include "show/playlist/PlaylistNumbers.h"
#include "show/playlist/PlaylistTexts.h"
#include "show/playlist/SoundPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace kalvor::playlist {

namespace {

// The fixed waits of the save's progress box, so the operator sees it move.
constexpr int kSaveStepWaitMs = 250;
constexpr int kSaveEndWaitMs = 800;

template <typename... Args> void call(const std::function<void(Args...)>& hook, Args... args) {
    if (hook)
        hook(args...);
}

QString errorDescription(int number) {
    switch (number) {
    case errnum::Overflow:
        return txt(texts::ErrOverflow);
    case errnum::TypeMismatch:
        return txt(texts::TypeMismatch);
    case errnum::InputPastEnd:
        return txt(texts::ErrInputPastEnd);
    case errnum::OutOfMemory:
        return txt(texts::ErrOutOfMemory);
    case errnum::PermissionDenied:
        return txt(texts::ErrPermissionDenied);
    case errnum::DiskFull:
        return txt(texts::ErrDiskFull);
    case errnum::DeviceIo:
        return txt(texts::ErrDeviceIo);
    default:
        return txt(texts::ErrPathFileAccess);
    }
}

// The commit flushed the file's data before renaming it over the old show; the rename
// itself is an entry of the folder, and only flushing the folder makes it survive a
// power cut: without it the previous show can come back after the restart although the
// save was reported done. The new file is in place either way, so a folder that cannot
// be flushed (a file system without it) does not fail the save.
void syncFolderOf(const QString& path) {
    const QFileInfo saved(path);
    const QString real = saved.canonicalFilePath(); // a show saved through a link
    const QByteArray folder = QFile::encodeName(
        QFileInfo(real.isEmpty() ? saved.absoluteFilePath() : real).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// "Playlist files (*.kal)|*.kal|All files (*.*)|*.*|" in the form Qt's dialogs take.
QString qtFilter(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out.append(parts[i]);
    return out.join(QStringLiteral(";;"));
}

} // namespace

QString readErrorDescription(int number) {
    return errorDescription(number);
}

QString loadModuleName(int format) {
    return txt(texts::LoadModulePrefix) + QString::number(format);
}

TextReaderDocument textReaderDocument(const TextReaderLink& link, bool exists,
                                      const QString& foundPath) {
    TextReaderDocument d;
    if (!exists) {
        d.kind = TextReaderDocument::Kind::Missing;
        d.path = link.path();
        d.title = txt(texts::TextReaderTitle);
        d.missingText =
            txt(texts::TextfileMissingBefore) + link.path() + txt(texts::TextfileMissingAfter);
        return d;
    }
    d.path = foundPath;
    const QString& name = link.name;
    if (name.endsWith(QLatin1String(".rtf"), Qt::CaseInsensitive))
        d.kind = TextReaderDocument::Kind::RichText;
    else if (name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        d.kind = TextReaderDocument::Kind::PlainText;
    else
        d.kind = TextReaderDocument::Kind::Other;
    d.title = txt(texts::TextReaderTitleOpen) + name + QLatin1Char(')');
    d.shortName = name.left(std::max<qsizetype>(0, name.size() - 4));
    // The KR-1 unit shows 12 characters.
    if (d.shortName.size() > 12)
        d.shortName = d.shortName.left(11) + QLatin1Char('~');
    return d;
}

int AddToRecentPlaylists(RecentPlaylists& recent, const QString& path, const QString& displayName) {
    for (int i = 0; i < kRecentPlaylistSlots; ++i) {
        if (!recent.path(i).isEmpty() && recent.path(i).compare(path, Qt::CaseInsensitive) == 0) {
            if (i >= recent.count())
                return -1;
            recent.selectByProgram(i);
            recent.clearProgramFlag();
            return i;
        }
    }
    if (recent.count() >= kRecentPlaylistSlots)
        return -1;
    QString name = displayName;
    name.chop(4);
    if (!recent.append(name, path))
        return -1;
    const int index = recent.count() - 1;
    recent.selectByProgram(index);
    recent.clearProgramFlag();
    return index;
}

QString findRecentPlaylist(const RecentPlaylists& recent, int index) {
    if (index < 0 || index >= recent.count() || recent.path(index).isEmpty())
        return {};
    const auto found = SoundPathResolver(QString()).resolve(recent.path(index));
    return found.exists ? found.path : QString();
}

PlaylistReadResult readPlaylistFile(const QString& path, QString* openError, qint64 maxFileSize) {
    QFile file(path);
    PlaylistReadResult refused;
    refused.status = ReadStatus::UnknownFormat;
    refused.document.format = kUnknownFormat;
    if (!file.open(QIODevice::ReadOnly)) {
        if (openError)
            *openError = file.errorString();
        return refused;
    }
    if (file.size() > maxFileSize) {
        if (openError)
            *openError = QStringLiteral("file larger than %1 bytes").arg(maxFileSize);
        return refused;
    }
    QByteArray contents;
    if (!readToEnd(file, contents)) {
        if (openError)
            *openError = file.errorString();
        return refused;
    }
    PlaylistReadOptions options;
    options.readGpioBlock = true;
    return readPlaylist(contents, options);
}

PlaylistFiles::PlaylistFiles(ShowStore& store, Settings* settings, RecentPlaylists* recent)
    : store_(store), settings_(settings), recent_(recent) {}

namespace {

// The error box names the error only; which presets, sounds or blocks the show lacks
// follows from where the reader stopped.
void announceWhereReadingStopped(const PlaylistReadResult& read) {
    QString where;
    switch (read.errorStage) {
    case ReadStage::Presets:
        where = txt(texts::ReadStagePreset).arg(read.document.presets.size());
        break;
    case ReadStage::OverviewLayout:
        where = txt(texts::ReadStageLayout);
        break;
    case ReadStage::TextReaderLink:
        where = txt(texts::ReadStageLink);
        break;
    case ReadStage::Gpio:
        where = txt(texts::ReadStageGpio);
        break;
    case ReadStage::Header:
    case ReadStage::SoundLists:
    case ReadStage::Done:
        return;
    }
    AddDebugMessage(txt(texts::ReadStoppedAt).arg(read.errorLine).arg(where));
}

} // namespace

void PlaylistFiles::reportLoadError(int number, int format) {
    if (number == errnum::BadFileName) {
        showMessage(txt(texts::Error52Title), txt(texts::Error52Text), MessageIcon::Critical);
        return;
    }
    ReportError(number, errorDescription(number), loadModuleName(format));
}

// `found` gets, per channel and entry, the file found on this machine (empty if missing).
int PlaylistFiles::fillSoundLists(const PlaylistDocument& doc, QList<QStringList>& found) {
    const bool tellEach = settings_ && settings_->integer(u"DisplayLoadFailed") == 1;
    SoundPathResolver resolver;
    int missing = 0;
    found = QList<QStringList>(kChannelCount);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const QStringList& paths = doc.soundPaths[static_cast<std::size_t>(ch)];
        if (paths.isEmpty())
            continue;
        QList<SoundEntry> entries;
        entries.reserve(paths.size());
        for (const QString& written : paths) {
            const auto here = resolver.resolve(written);
            found[ch].append(here.exists ? here.path : QString());
            // The entry keeps the path as the file writes it, "\" and letter case included;
            // it is looked up again when the sound is loaded. A load and a save must change
            // no line of the operator's file: the same show goes back and forth between
            // machines, and the form found on this disk would not be found on the next.
            SoundEntry entry = makeSoundEntry(written);
            if (!here.exists) {
                entry.colour = kMissingSoundColour;
                ++missing;
                if (tellEach) {
                    const QString text =
                        doc.format <= 8
                            ? txt(texts::SoundMissingShort)
                            : txt(texts::SoundMissingBefore) + QStringLiteral("\r\n") + written +
                                  QStringLiteral("\r\n") + txt(texts::SoundMissingAfter);
                    showMessage(txt(texts::SoundMissingTitle), text, MessageIcon::Critical);
                }
            }
            entries.append(entry);
        }
        store_.setSoundList(ch, std::move(entries));
    }
    return missing;
}

QStringList PlaylistFiles::soundsInRecallOrder(const PlaylistDocument& doc,
                                               const QList<QStringList>& found) const {
    QStringList order;
    const auto add = [&](int ch, int entry) {
        if (entry >= 0 && entry < found[ch].size() && !found[ch][entry].isEmpty())
            order.append(found[ch][entry]);
    };
    for (const Preset& p : doc.presets)
        for (int ch = 0; ch < kChannelCount; ++ch)
            add(ch, p.channels[static_cast<std::size_t>(ch)].selectedSound);
    for (int ch = 0; ch < kChannelCount; ++ch)
        for (int entry = 0; entry < found[ch].size(); ++entry)
            add(ch, entry);
    order.removeDuplicates();
    return order;
}

LoadReport PlaylistFiles::LoadPlaylist(const QString& pathAsGiven, const QString& displayName) {
    LoadReport report;
    if (loading_) {
        AddDebugMessage(txt(texts::LoadRefusedWhileBusy) + pathAsGiven);
        report.outcome = LoadOutcome::Busy;
        return report;
    }
    dialogs().setBusy(true);
    call(hooks_.showRemotePresetScreen);

    // Clear the show: channels stopped, sound lists and presets emptied, the link gone.
    for (int ch = 0; ch < kChannelCount; ++ch) {
        call(hooks_.stopChannel, ch);
        if (!store_.soundList(ch).isEmpty()) {
            store_.soundList(ch).clear();
            store_.announceSoundList(ch);
        }
        call(hooks_.refreshTouchScreenButton, ch);
    }
    store_.presets().clearAll();
    store_.announcePresets();
    call(hooks_.clearTextReader);
    link_ = {};
    layout_.reset();
    gpio_.reset();
    call(hooks_.suspendOverviewRedraw, true);
    loading_ = true;

    // The show's own path is the caller's (a command line is relative to the working
    // folder); the sounds it names relative to itself are looked for beside it.
    const auto located = SoundPathResolver(QString()).resolve(pathAsGiven);
    const QString path = located.exists ? located.path : pathAsGiven;
    setShowFolder(QFileInfo(path).absolutePath());

    PlaylistReadResult read;
    read.status = ReadStatus::UnknownFormat;
    read.document.format = kUnknownFormat;
    QFile file(path);
    if (!QFileInfo::exists(path)) {
        reportLoadError(errnum::BadFileName, kNewestFormat);
        report.outcome = LoadOutcome::Unreadable;
    } else if (!file.open(QIODevice::ReadOnly)) {
        reportLoadError(file.error() == QFileDevice::PermissionsError ? errnum::PermissionDenied
                                                                      : errnum::PathFileAccess,
                        kNewestFormat);
        report.outcome = LoadOutcome::Unreadable;
    } else if (file.size() > maxFileSize_) {
        reportLoadError(errnum::OutOfMemory, kNewestFormat);
        report.outcome = LoadOutcome::Unreadable;
    } else if (QByteArray contents; !readToEnd(file, contents)) {
        // What came before the fault can look like a whole show (old formats end after
        // their sound lists); taken as one, its next save would lose the rest for good.
        reportLoadError(errnum::DeviceIo, kNewestFormat);
        report.outcome = LoadOutcome::Unreadable;
    } else {
        file.close();
        PlaylistReadOptions options;
        options.readGpioBlock =
            settings_ && settings_->text(u"GPIO Configuration").trimmed() == QLatin1String("1");
        read = readPlaylist(contents, options);
        report.outcome = LoadOutcome::Loaded;
    }
    const PlaylistDocument& doc = read.document;
    report.format = doc.format;

    if (report.outcome == LoadOutcome::Loaded) {
        if (read.status == ReadStatus::UnknownFormat) {
            report.outcome = LoadOutcome::UnknownFormat;
        } else {
            AddDebugMessage(txt(texts::LoadingPlaylist) + path + txt(texts::LoadingFormat) +
                            QString::number(doc.format) +
                            (doc.format == 3 ? QStringLiteral("}..") : QStringLiteral("}...")) +
                            QStringLiteral("\r\n"));
        }
        if (read.status == ReadStatus::CapacityExceeded) {
            report.outcome = LoadOutcome::CapacityExceeded;
            dialogs().message(txt(texts::PresetMemoryExceededTitle),
                              txt(texts::PresetMemoryExceeded), MessageIcon::Warning,
                              MessageButtons::Ok);
        }
        if (read.status == ReadStatus::RuntimeError) {
            report.outcome = LoadOutcome::ReadError;
            announceWhereReadingStopped(read);
            if (read.errorStage == ReadStage::Presets)
                reportLoadError(read.errorNumber, doc.format);
        }
    }

    for (const Preset& p : doc.presets)
        store_.presets().append(p);
    store_.announcePresets();
    report.presets = store_.presets().count();

    const bool pastPresets =
        read.status == ReadStatus::Complete ||
        (read.status == ReadStatus::RuntimeError && read.errorStage != ReadStage::Presets);
    if (pastPresets) {
        QList<QStringList> found;
        report.missingSounds = fillSoundLists(doc, found);
        call<const QStringList&>(hooks_.soundsLoaded, soundsInRecallOrder(doc, found));
        if (doc.overviewLayout) {
            layout_ = doc.overviewLayout;
            call<const OverviewLayout&>(hooks_.applyOverviewLayout, *layout_);
        }
        if (read.layoutLengthUnexpected)
            AddDebugMessage(QStringLiteral("\r\n") + txt(texts::UnexpectedLayoutLength));
        link_ = doc.textReaderLink;
        if (read.status == ReadStatus::RuntimeError)
            reportLoadError(read.errorNumber, doc.format);
        if (doc.gpio) {
            gpio_ = doc.gpio;
            call<const GpioBlock&>(hooks_.applyGpio, *gpio_);
        }
    }

    if (link_.isSet()) {
        SoundPathResolver linkResolver;
        const auto found = linkResolver.resolve(link_.path());
        call<const TextReaderDocument&>(hooks_.openTextReaderDocument,
                                        textReaderDocument(link_, found.exists, found.path));
    }

    if (store_.presets().count() > 0)
        call(hooks_.selectFirstPreset);
    else
        call(hooks_.createNewPreset);
    const bool ignoreAutostart = settings_ ? settings_->integer(u"IgnoreAutostart") == 1 : true;
    call(hooks_.recallFirstPreset, ignoreAutostart);

    loadedFormat_ = report.outcome == LoadOutcome::Unreadable ? kUnknownFormat : doc.format;
    loading_ = false;
    dialogs().setBusy(false);
    call(hooks_.suspendOverviewRedraw, false);
    if (report.outcome == LoadOutcome::Loaded) {
        const QFileInfo info(path);
        store_.setPlaylistPath(path);
        startFolder_ = info.absolutePath();
        QString name = displayName.isEmpty() ? info.fileName() : displayName;
        if (name.endsWith(QLatin1String(".kal"), Qt::CaseInsensitive))
            name.chop(4);
        call<const QString&>(hooks_.showPlaylistName,
                             txt(texts::PlaylistCaption) + name + QStringLiteral("   "));
        call(hooks_.clearRelinkList);
        // Every show opened, however it was chosen, is offered again next time; the list
        // is written back at exit.
        if (recent_)
            AddToRecentPlaylists(*recent_, path, info.fileName());
    } else {
        store_.setPlaylistPath(QString());
    }
    return report;
}

PlaylistDocument PlaylistFiles::currentDocument() const {
    PlaylistDocument doc;
    const PresetMemory& memory = store_.presets();
    doc.presets.reserve(static_cast<std::size_t>(memory.count()));
    for (int i = 0; i < memory.count(); ++i)
        doc.presets.push_back(memory.slot(i));
    for (int ch = 0; ch < kChannelCount; ++ch) {
        QStringList& paths = doc.soundPaths[static_cast<std::size_t>(ch)];
        for (const SoundEntry& e : store_.soundList(ch))
            paths.append(e.path);
    }
    doc.overviewLayout = sources_.overviewLayout ? sources_.overviewLayout()
                                                 : layout_.value_or(defaultOverviewLayout());
    doc.textReaderLink = sources_.textReaderLink ? sources_.textReaderLink() : link_;
    if (sources_.gpioBlock)
        doc.gpio = sources_.gpioBlock();
    else if (gpio_)
        doc.gpio = gpio_;
    else
        doc.gpio = settings_ ? gpioBlockFromSettings(*settings_) : defaultGpioBlock();
    return doc;
}

SaveOutcome PlaylistFiles::SavePlaylist(const QString& path, bool ask) {
    if (loading_ || saving_) {
        AddDebugMessage(txt(texts::SaveRefusedWhileBusy) + path);
        return SaveOutcome::Busy;
    }
    // The progress box's waits let events run. A second save from then on would be
    // written first and then replaced by this one's older snapshot, while reported done.
    saving_ = true;
    const auto done = qScopeGuard([this] { saving_ = false; });
    if (ask && QFileInfo::exists(path)) {
        const auto answer =
            dialogs().message(txt(texts::FileErrorTitle), txt(texts::FileExistsOverwrite),
                              MessageIcon::Question, MessageButtons::YesNo, MessageResult::No);
        if (answer != MessageResult::Yes)
            return SaveOutcome::Declined;
    }
    AddDebugMessage(txt(texts::SavingPlaylistAs) + path);
    dialogs().setBusy(true);
    dialogs().showWait(txt(texts::SavingPlaylistWait));
    dialogs().setWaitProgress(33);

    // One snapshot: the waits below let events run, and the file must show one state.
    const PlaylistDocument doc = currentDocument();
    QByteArray bytes;
    appendPresetSection(bytes, doc);
    dialogs().setWaitProgress(66);
    waits().wait(kSaveStepWaitMs);
    appendSoundListSection(bytes, doc);
    dialogs().setWaitProgress(100);
    waits().wait(kSaveStepWaitMs);
    appendClosingSections(bytes, doc);

    // A temporary file beside the show, renamed over it only once all of it is on disk:
    // a crash, a kill or a full disk leaves the previous show as it was.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    // Flushed before the commit, so a full disk is seen while the old file is still in
    // place. A short write without an error is what a full disk (or a file size limit)
    // looks like at first.
    const bool opened = file.open(QIODevice::WriteOnly);
    bool written = opened && file.write(bytes) == bytes.size() && file.flush();
    // The commit flushes the file to disk too, but goes on to the rename whatever the flush
    // says; a disk that reports a full disk or a fault only then (network and copy-on-write
    // file systems, a failing stick) would get the cut-off file in the old show's place.
    int syncError = 0;
    if (written && ::fsync(file.handle()) != 0) {
        syncError = errno;
        written = false;
    }
    if (opened && !written)
        file.cancelWriting();
    const bool ok = written && file.commit();
    if (ok)
        syncFolderOf(path);
    const QFileDevice::FileError error = file.error();
    const QString errorText = file.errorString();

    if (!ok) {
        dialogs().hideWait();
        dialogs().setBusy(false);
        int number = errnum::PathFileAccess;
        if (error == QFileDevice::PermissionsError)
            number = errnum::PermissionDenied;
        else if (opened && !written &&
                 (syncError == 0 || syncError == ENOSPC || syncError == EDQUOT))
            number = errnum::DiskFull;
        QString description = errorDescription(number);
        if (syncError != 0)
            description += QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(syncError)) +
                           QLatin1Char(')');
        else if (error != QFileDevice::NoError)
            description += QStringLiteral(" (") + errorText + QLatin1Char(')');
        ReportError(number, description, txt(texts::SaveModule));
        return SaveOutcome::Failed;
    }
    waits().wait(kSaveEndWaitMs);
    dialogs().hideWait();
    dialogs().setBusy(false);
    if (recent_)
        AddToRecentPlaylists(*recent_, path, QFileInfo(path).fileName());
    return SaveOutcome::Saved;
}

QString PlaylistFiles::SavePlaylistAs() {
    QString folder = store_.playlistPath().isEmpty()
                         ? startFolder_
                         : QFileInfo(store_.playlistPath()).absolutePath();
    if (folder.isEmpty() && settings_)
        folder = settings_->text(u"DefaultPlayListDir");
    if (folder.isEmpty())
        folder = QDir::homePath();
    const QString suggested =
        store_.playlistPath().isEmpty() ? folder + QLatin1Char('/') : store_.playlistPath();
    QString path =
        dialogs().saveFile(txt(texts::SavePlaylistTitle), suggested,
                           qtFilter(txt(texts::PlaylistFilesFilter) + txt(texts::AllFilesFilter)));
    if (path.isEmpty())
        return {};
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".kal");
    return SavePlaylist(path, true) == SaveOutcome::Saved ? path : QString();
}

} // namespace kalvor::playlist
