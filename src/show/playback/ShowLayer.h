// The show layer as one piece: preset list work, sound lists, playback control, sound
// loading, recall and show files, wired to each other and to the engine's notifications.
// Windows, remote units and tools hold one of these and call its parts; none of them
// keeps show state. UI thread.
#pragma once

#include "show/playback/ChannelOperations.h"
#include "show/playback/ChannelPlayback.h"
#include "show/playback/PresetRecall.h"
#include "show/playback/SoundSelection.h"
#include "show/playback/StartOffsets.h"
#include "show/playlist/PlaylistFiles.h"
#include "show/presets/PresetEditor.h"
#include "show/soundlists/SoundListEditor.h"

#include <QObject>

namespace kalvor {

class RecentPlaylists;

namespace engine {
class KaeMessageDispatcher;
}

class ShowLayer : public QObject {
    Q_OBJECT
public:
    ShowLayer(ShowStore& store, Settings& settings, RecentPlaylists* recent,
              QObject* parent = nullptr);

    ShowStore& store() { return store_; }
    PresetEditor& presets() { return presets_; }
    SoundListEditor& soundLists() { return soundLists_; }
    ChannelPlayback& playback() { return playback_; }
    SoundSelection& selection() { return selection_; }
    ChannelOperations& channelOps() { return channelOps_; }
    StartOffsets& offsets() { return offsets_; }
    PresetRecall& recall() { return recall_; }
    playlist::PlaylistFiles& playlists() { return playlists_; }

    // The engine's end-of-sound and end-of-fade notifications reach playback control.
    void connectEngine(engine::KaeMessageDispatcher& dispatcher);

    // Loads a show: channels stopped, first preset selected (or one created) and recalled,
    // with the autostarts ignored when "IgnoreAutostart" says so.
    playlist::LoadReport LoadPlaylist(const QString& path);

    // The new-playlist dialog's work, each part as its check box says; a new preset is
    // created when the list is left empty.
    void NewPlaylist(bool clearPresets, bool clearSoundLists, bool clearPlaylists);

    // Start-up's clean slate before the first playlist: no current preset, so nothing is
    // stored automatically until a preset has been recalled.
    void resetRuntimeState();

Q_SIGNALS:
    void statusText(const QString& text);

private:
    ShowStore& store_;
    Settings& settings_;
    RecentPlaylists* recent_;
    PresetEditor presets_;
    SoundListEditor soundLists_;
    ChannelPlayback playback_;
    SoundSelection selection_;
    ChannelOperations channelOps_;
    StartOffsets offsets_;
    PresetRecall recall_;
    playlist::PlaylistFiles playlists_;
};

} // namespace kalvor
