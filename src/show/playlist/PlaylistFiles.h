// Loading and saving whole shows: the steps around the playlist reader and writer that
// the operator sees — the busy pointer, the "please wait" box and its fixed waits, the
// system messages, the boxes for missing sounds, capacity and read errors — and the
// recent-playlists entry. The file itself is never touched by a load, and a save goes to
// a temporary file that replaces the old one only when complete.
//
// Steps of loading that belong to other parts of the program (stopping channels, the
// text reader, the overview grid, the GPIO interface, selecting and recalling the first
// preset, the status bar) are hooks; a hook left empty is passed over.
// UI thread only.
#pragma once

#include "show/playlist/PlaylistDocument.h"

#include <QString>

#include <functional>

namespace kalvor {
class RecentPlaylists;
class Settings;
class ShowStore;
} // namespace kalvor

namespace kalvor::playlist {

// What the text reader is to do with the show's linked document once a show is loaded.
struct TextReaderDocument {
    enum class Kind { Missing, RichText, PlainText, Other };
    Kind kind = Kind::Missing;
    QString path;        // folder + name, as found on this machine when it exists
    QString title;       // "Text Reader (" + name + ")", or "Text Reader" when missing
    QString missingText; // the text shown instead of a missing document
    QString shortName;   // name less its last four characters, at most 12 ("~" marks a cut)
};

// Pure: decides title, kind and short name for a link whose file does or does not exist.
TextReaderDocument textReaderDocument(const TextReaderLink& link, bool exists,
                                      const QString& foundPath);

// In the order a load calls them.
struct PlaylistLoadHooks {
    std::function<void()> showRemotePresetScreen; // KR-1 unit: its preset-memory screen
    std::function<void(int channel)> stopChannel; // clearing the show
    std::function<void(int channel)> refreshTouchScreenButton; // clearing the show
    std::function<void()> clearTextReader;                     // its document, link and preset list
    std::function<void(bool suspended)>
        suspendOverviewRedraw; // true before reading, false at the end
    std::function<void(const OverviewLayout&)> applyOverviewLayout;
    std::function<void(const GpioBlock&)> applyGpio; // and set the outputs up again
    // The sound files found on this machine, the presets' sounds first (preset by preset),
    // then the rest of the sound lists: for opening ahead what a recall will need.
    std::function<void(const QStringList& soundFiles)> soundsLoaded;
    std::function<void(const TextReaderDocument&)> openTextReaderDocument;
    std::function<void()> selectFirstPreset; // in both preset lists
    std::function<void()> createNewPreset;   // when no preset was read
    std::function<void(bool ignoreAutostart)> recallFirstPreset;
    std::function<void(const QString& statusText)> showPlaylistName; // "Playlist: " + name + "   "
    std::function<void()> clearRelinkList; // tools window, after a clean load
};

// Where the parts of a show that the store does not hold come from when saving. Empty:
// the layout read with the show (else the default one), the link read with it, the GPIO
// block read with it (else the global assignments of the settings, else the default).
struct PlaylistSaveSources {
    std::function<OverviewLayout()> overviewLayout;
    std::function<TextReaderLink()> textReaderLink;
    std::function<GpioBlock()> gpioBlock;
};

enum class LoadOutcome {
    Loaded,
    Unreadable,       // not found or not readable: the Error 52 box or the error report
    UnknownFormat,    // no header of 2..17: nothing loaded
    CapacityExceeded, // more than 100 presets: the warning, the show emptied
    ReadError,        // a run-time error ended the reader: the error report
    Busy,             // asked for while a show is loaded or recalled: nothing done
};

enum class SaveOutcome {
    Saved,
    Declined,
    Failed,
    Busy, // asked for while a show loads or another save runs: nothing written
};

struct LoadReport {
    LoadOutcome outcome = LoadOutcome::Loaded;
    int format = kUnknownFormat;
    int presets = 0;
    int missingSounds = 0;
};

class PlaylistFiles {
public:
    // `settings` and `recent` may be null (tools, tests): then the defaults apply
    // ("DisplayLoadFailed" 0, "IgnoreAutostart" 1, GPIO configuration "Global") and no
    // recent entry is made.
    PlaylistFiles(ShowStore& store, Settings* settings, RecentPlaylists* recent);

    PlaylistLoadHooks& hooks() { return hooks_; }
    PlaylistSaveSources& saveSources() { return sources_; }

    // Clears the show and reads the file at `path`; `displayName` (file name with or
    // without extension) is what the status bar shows, the file name when empty. Only a
    // file that read completely becomes the loaded playlist; after any failure the show
    // has no playlist path, so a later save cannot overwrite a file it did not read.
    // Refused (Busy, nothing changed) while a load runs: a box or a wait of the load
    // lets remote commands in, and a second load then would leave one show's presets
    // under the other's path.
    LoadReport LoadPlaylist(const QString& path, const QString& displayName = {});

    // Writes format 17 to `path`, asking "File exists! Overwrite?" first when `ask` and
    // the file is there. On success the playlist is entered in the recent playlists.
    // Refused (Busy) while a load runs: the store holds no whole show then, and the path
    // of the loaded playlist still names the previous one. Refused too while another save
    // runs (its progress box lets events in).
    SaveOutcome SavePlaylist(const QString& path, bool ask);

    // The save dialog ("Save Playlist"), starting in the folder of the loaded playlist,
    // then SavePlaylist with the question. Returns the path saved to, empty otherwise.
    QString SavePlaylistAs();

    // Set while a load reads and applies the file; other parts suppress their work meanwhile.
    bool isLoading() const { return loading_; }
    // The format of the last file loaded (17 for format 17, 1 for a foreign file).
    int loadedFormat() const { return loadedFormat_; }
    // The folder the playlist dialogs start in.
    QString startFolder() const { return startFolder_; }
    void setStartFolder(const QString& folder) { startFolder_ = folder; }
    const TextReaderLink& textReaderLink() const { return link_; }

    // The document the store would be saved as (tools and tests use it too).
    PlaylistDocument currentDocument() const;

    // Files larger than this are refused before reading (the reader keeps the whole file
    // in memory). Far above any real show.
    void setMaxFileSize(qint64 bytes) { maxFileSize_ = bytes; }

private:
    void reportLoadError(int number, int format);
    int fillSoundLists(const PlaylistDocument& doc, QList<QStringList>& found);
    QStringList soundsInRecallOrder(const PlaylistDocument& doc,
                                    const QList<QStringList>& found) const;

    ShowStore& store_;
    Settings* settings_;
    RecentPlaylists* recent_;
    PlaylistLoadHooks hooks_;
    PlaylistSaveSources sources_;
    bool loading_ = false;
    bool saving_ = false;
    int loadedFormat_ = kUnknownFormat;
    QString startFolder_;
    TextReaderLink link_;
    std::optional<OverviewLayout> layout_;
    std::optional<GpioBlock> gpio_;
    qint64 maxFileSize_ = qint64{256} * 1024 * 1024;
};

// The recent playlists: a path already listed (compared without regard to case) is only
// selected; a full list (100) takes nothing; otherwise the display name less its last
// four characters is appended, selected, and the path stored at its place. The selection
// is marked as the program's own, so the selector does not load the playlist again.
// Returns the entry's position, -1 when nothing was added or selected.
int AddToRecentPlaylists(RecentPlaylists& recent, const QString& path, const QString& displayName);

// The file behind recent entry `index` on this machine: the stored path as written, or,
// when nothing is there, the file found without regard to letter case (lists travel
// between systems). Empty when there is none. Every way of opening a recent playlist
// asks here, so the menu and the selector never disagree.
QString findRecentPlaylist(const RecentPlaylists& recent, int index);

// Reads a file for tools: the GPIO block is taken whatever the configuration, and a file
// that cannot be opened gives `openError` (and an UnknownFormat result).
PlaylistReadResult readPlaylistFile(const QString& path, QString* openError = nullptr,
                                    qint64 maxFileSize = qint64{256} * 1024 * 1024);

// The description of a run-time error number in the current language ("Overflow").
QString readErrorDescription(int number);

// The module name the readers report errors under: "Load_Playlist_From_Disk / Format 13".
QString loadModuleName(int format);

} // namespace kalvor::playlist
