#include "show/playback/SoundSelection.h"

#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "show/playback/ChannelPlayback.h"
#include "show/playback/PlaybackTexts.h"
#include "show/playlist/SoundPaths.h"

namespace kalvor {

SoundSelection::SoundSelection(ShowStore& store, Settings& settings, ChannelPlayback& playback,
                               QObject* parent)
    : QObject(parent), store_(store), settings_(settings), playback_(playback) {}

void SoundSelection::select(int ch, int entry) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    store_.controls(ch).selectedSound = static_cast<std::int16_t>(entry);
    store_.announceSoundList(ch);
    handleCurrentChanged(ch);
}

void SoundSelection::unload(int ch) {
    playback_.StopChannel(ch, StopCause::Reload);
    KAE__Stream_Free(ch);
    playback_.setSoundReady(ch, false);
    store_.channel(ch).fileName.clear();
    store_.assignments(ch).soundLength = 0;
    store_.announceChannel(ch, ChannelAspect::Sound);
    Q_EMIT channelEmptied(ch);
}

void SoundSelection::reloadFailed(int ch, const QString& path) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    playback_.StopChannel(ch, StopCause::Reload);
    playback_.setSoundReady(ch, false);
    store_.assignments(ch).soundLength = 0;
    reportLoadFailed(ch, path);
}

// The box comes last, with the channel already as it tells (see the missing file below).
void SoundSelection::reportLoadFailed(int ch, const QString& path) {
    store_.announceChannel(ch, ChannelAspect::Sound | ChannelAspect::Assignments);
    Q_EMIT loadFailed(ch);
    showMessage(txt(texts::AudioEngineTitle),
                txt(texts::AudioEngineLoadError) + QStringLiteral("\r\n") + path,
                MessageIcon::Critical);
}

void SoundSelection::handleCurrentChanged(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    QList<SoundEntry>& list = store_.soundList(ch);
    const int current = store_.controls(ch).selectedSound;
    if (current < 0 || current >= list.size())
        return;
    SoundEntry& entry = list[current];
    if (entry.path.isEmpty())
        return;
    playlist::SoundPathResolver resolver;
    const auto found = resolver.resolve(entry.path);
    // Paths are compared as written (on Linux two spellings are two files), and as found
    // on disk, which is what the engine holds.
    const QString& loaded = store_.channel(ch).fileName;
    if (!recall_ && !loaded.isEmpty() && (entry.path == loaded || found.path == loaded))
        return;
    playback_.setSoundReady(ch, false);
    // Whatever becomes of the load, the old sound's start and length are not this one's:
    // a store must never save them with the new entry.
    store_.assignments(ch).startOffset = 0;
    store_.assignments(ch).soundLength = 0;
    if (!found.exists) {
        entry.colour = kMissingSoundColour;
        const QString missing = entry.path;
        store_.announceSoundList(ch);
        unload(ch);
        Q_EMIT soundMissing(ch);
        // The box comes last, with the channel already as it tells: the box lets events
        // run, and what a keypad or remote unit does to this channel meanwhile (another
        // entry made current and loaded, the list changed) must stand afterwards.
        if (settings_.integer(u"DisplayLoadFailed") == 1 && !playlistChanging_)
            showMessage(txt(texts::LoadSoundErrorTitle),
                        txt(texts::SpecifiedFile) + QStringLiteral("\r\n") + missing +
                            QStringLiteral("\r\n") + txt(texts::DoesNotExist),
                        MessageIcon::Critical);
        return;
    }
    if (entry.colour == kMissingSoundColour) {
        entry.colour = 0; // the file is back
        store_.announceSoundList(ch);
    }
    playback_.StopChannel(ch, StopCause::Reload);
    if (!KAE__Channel_Load_Sound(ch, found.path)) {
        reportLoadFailed(ch, entry.path);
        return;
    }
    KAE__Channel_ApplySettings(ch);
    const std::int64_t frames = KAE__Channel_GetLengthInSamples(ch);
    store_.assignments(ch).soundLength =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(frames, 0, INT32_MAX));
    playback_.setSoundReady(ch, true);
    store_.announceChannel(ch, ChannelAspect::Sound | ChannelAspect::Assignments);
    Q_EMIT soundLoaded(ch);
}

} // namespace kalvor
