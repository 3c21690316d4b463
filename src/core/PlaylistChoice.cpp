#include "core/PlaylistChoice.h"

namespace kalvor {

QString joinCommandLine(const QStringList& arguments) {
    return arguments.mid(1).join(QLatin1Char(' '));
}

QString playlistFromCommandLine(const QString& commandLine) {
    if (!commandLine.contains(QLatin1String(".kal"), Qt::CaseInsensitive))
        return {};
    QString path = commandLine.trimmed();
    if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"')))
        path = path.mid(1, path.size() - 2);
    return path;
}

PlaylistChoice choosePlaylist(const QString& commandLine, const QString& defaultPlaylist,
                              const QString& lastPlaylist) {
    if (const QString p = playlistFromCommandLine(commandLine); !p.isEmpty())
        return {PlaylistSource::CommandLine, p};
    if (!defaultPlaylist.trimmed().isEmpty())
        return {PlaylistSource::DefaultPlaylist, defaultPlaylist.trimmed()};
    if (!lastPlaylist.trimmed().isEmpty())
        return {PlaylistSource::LastPlaylist, lastPlaylist.trimmed()};
    return {};
}

StartupPlaylistAction startupPlaylistAction(const PlaylistChoice& choice, bool fileExists) {
    switch (choice.source) {
    case PlaylistSource::CommandLine:
    case PlaylistSource::DefaultPlaylist:
        return fileExists ? StartupPlaylistAction::LoadPlaylist
                          : StartupPlaylistAction::NothingLoaded;
    case PlaylistSource::LastPlaylist:
        return fileExists ? StartupPlaylistAction::ReadRecentAndLoad
                          : StartupPlaylistAction::CreateNewPreset;
    case PlaylistSource::None:
        break;
    }
    return StartupPlaylistAction::CreateNewPreset;
}

} // namespace kalvor
