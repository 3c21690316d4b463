// Which playlist the program opens at start: the command line, the default playlist of
// the options, the last playlist, or none. Pure functions, any thread.
#pragma once

#include <QString>
#include <QStringList>

namespace kalvor {

// The command line as one text: the arguments after the program name joined by blanks.
// (A shell splits an unquoted path with blanks into several arguments; joining them back
// gives the path the user typed.)
QString joinCommandLine(const QStringList& arguments);

// The playlist named on the command line: the command line counts only if it contains
// ".kal" in any letter case; then the whole of it is the path, less one pair of
// surrounding double quotes. Empty otherwise.
QString playlistFromCommandLine(const QString& commandLine);

enum class PlaylistSource { None, CommandLine, DefaultPlaylist, LastPlaylist };

struct PlaylistChoice {
    PlaylistSource source = PlaylistSource::None;
    QString path;
};

// Command line first, then the default playlist, then the last one.
PlaylistChoice choosePlaylist(const QString& commandLine, const QString& defaultPlaylist,
                              const QString& lastPlaylist);

// What start-up does with the choice, given whether its file exists.
enum class StartupPlaylistAction {
    LoadPlaylist,      // command line or default playlist, file present
    ReadRecentAndLoad, // last playlist, file present
    NothingLoaded,     // command line or default playlist missing: skipped silently
    CreateNewPreset,   // no choice, or the last playlist is gone
};

StartupPlaylistAction startupPlaylistAction(const PlaylistChoice& choice, bool fileExists);

} // namespace kalvor
