#include "show/playback/ShowLayer.h"

#include "core/RecentPlaylists.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "engine/decode/Decoder.h"
#include "engine/kae/Kae.h"
#include "engine/kae/KaeMessageDispatcher.h"
#include "show/playlist/PlaylistTexts.h"
#include "show/presets/PresetTexts.h"

namespace kalvor {

ShowLayer::ShowLayer(ShowStore& store, Settings& settings, RecentPlaylists* recent, QObject* parent)
    : QObject(parent), store_(store), settings_(settings), recent_(recent),
      presets_(store, settings), soundLists_(store, settings), playback_(store, settings),
      selection_(store, settings, playback_), channelOps_(store, playback_, selection_),
      offsets_(store, settings, playback_),
      recall_(store, settings, presets_, playback_, selection_),
      playlists_(store, &settings, recent) {
    // Removing or cutting a sound silences the channel without stepping its list on.
    auto stopIfSounding = [this](int ch) {
        if (KAE__Channel_IsPlaying(ch) || KAE__Channel_IsPaused(ch))
            playback_.StopChannel(ch, StopCause::Reload);
    };
    SoundListHooks& lists = soundLists_.hooks();
    lists.currentChanged = [this](int ch) {
        selection_.handleCurrentChanged(ch);
    };
    lists.stopIfPlaying = stopIfSounding;
    lists.isSounding = [](int ch) {
        return KAE__Channel_IsPlaying(ch) || KAE__Channel_IsPaused(ch);
    };
    lists.clearChannel = [this](int ch) {
        selection_.unload(ch);
    };
    // As any other offset given to a channel: kept within the sound, and the position
    // moves to it only when the operator asked for jumps to offsets (a pasted copy of the
    // sound that plays goes on playing where it is).
    lists.setStartOffset = [this](int ch, int frames) {
        offsets_.SetStartOffset(ch, frames);
    };

    lists.inserted = [this](int ch, int at, int sizeBefore) {
        presets_.soundInserted(ch, at, sizeBefore);
    };
    lists.removed = [this](int ch, int at, int sizeBefore) {
        presets_.soundRemoved(ch, at, sizeBefore);
    };

    playback_.selectEntry = [this](int ch, int entry) {
        selection_.select(ch, entry);
    };

    playlist::PlaylistLoadHooks& load = playlists_.hooks();
    // The channel is emptied with its list: until the new show's first recall gives it a
    // sound, a PLAY arriving while the load shows a box must find nothing to play, not
    // the previous show's sound.
    load.stopChannel = [this](int ch) {
        playback_.StopChannel(ch, StopCause::Recall);
        selection_.unload(ch);
    };
    // The sounds' exact lengths are worked out ahead where that needs a decoding pass
    // (WMA), so that the recalls to come find them known.
    load.soundsLoaded = [](const QStringList& files) {
        engine::scanLengthsAhead(files);
    };
    load.selectFirstPreset = [this] {
        store_.presets().setSelected(0);
    };
    load.createNewPreset = [this] {
        presets_.NewPreset();
    };
    load.recallFirstPreset = [this](bool ignoreAutostart) {
        recall_.RecallFirstPresetOfLoad(ignoreAutostart);
    };
    recall_.showLoading = [this] {
        return playlists_.isLoading();
    };
    load.showPlaylistName = [this](const QString& text) {
        Q_EMIT statusText(text);
    };

    connect(&presets_, &PresetEditor::statusText, this, &ShowLayer::statusText);
    connect(&recall_, &PresetRecall::statusText, this, &ShowLayer::statusText);
}

void ShowLayer::connectEngine(engine::KaeMessageDispatcher& dispatcher) {
    connect(&dispatcher, &engine::KaeMessageDispatcher::endOfSound, &playback_,
            &ChannelPlayback::onEndOfSound);
    connect(&dispatcher, &engine::KaeMessageDispatcher::fadeInFinished, &playback_,
            &ChannelPlayback::onFadeInFinished);
    connect(&dispatcher, &engine::KaeMessageDispatcher::fadeOutFinished, &playback_,
            &ChannelPlayback::onFadeOutFinished);
    connect(&dispatcher, &engine::KaeMessageDispatcher::outputLost, &playback_,
            &ChannelPlayback::onOutputLost);
}

playlist::LoadReport ShowLayer::LoadPlaylist(const QString& path) {
    // A recall that lets events run (a missing-sound box) goes on with its channels after
    // the box: a show loaded meanwhile would get the rest of the old preset's recall. A
    // load in progress refuses by itself, but must keep its own playlist-change flag.
    if (recall_.recallBusy() || playlists_.isLoading()) {
        AddDebugMessage(txt(texts::LoadRefusedWhileBusy) + path);
        playlist::LoadReport refused;
        refused.outcome = playlist::LoadOutcome::Busy;
        return refused;
    }
    selection_.setPlaylistChanging(true);
    const playlist::LoadReport report = playlists_.LoadPlaylist(path);
    selection_.setPlaylistChanging(false);
    return report;
}

void ShowLayer::resetRuntimeState() {
    store_.presets().setCurrent(-1);
    store_.announcePresets();
}

void ShowLayer::NewPlaylist(bool clearPresets, bool clearSoundLists, bool clearPlaylists) {
    // Emptying the show under a recall or a load that goes on afterwards would leave them
    // working on slots and lists that are gone.
    if (recall_.recallBusy() || playlists_.isLoading()) {
        AddDebugMessage(txt(texts::PresetsBusy));
        return;
    }
    if (clearPresets)
        presets_.ClearPresetMemory();
    if (clearSoundLists) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            selection_.unload(ch);
            // Presets kept from the old lists choose none of the sounds added from now on.
            presets_.soundListCleared(ch, static_cast<int>(store_.soundList(ch).size()));
            store_.soundList(ch).clear();
            store_.controls(ch).selectedSound = -1;
            store_.announceSoundList(ch);
        }
    }
    if (clearPlaylists) {
        if (recent_)
            recent_->clear();
        store_.setPlaylistPath(QString());
    }
    if (clearPresets && clearSoundLists && clearPlaylists)
        Q_EMIT statusText(txt(texts::StatusPlaylist) + QStringLiteral("---   "));
    if (store_.presets().count() == 0)
        presets_.NewPreset();
}

} // namespace kalvor
