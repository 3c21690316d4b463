#include "show/playback/ChannelOperations.h"

#include "core/Channel.h"
#include "core/Dialogs.h"
#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "engine/kae/KaeMath.h"
#include "engine/kae/SurroundDestinations.h"
#include "show/playback/ChannelPlayback.h"
#include "show/playback/SoundSelection.h"

#include <array>
#include <cmath>

namespace kalvor {

namespace {

constexpr std::array<const char*, kPlayModeCount> kModeNames{
    "restart", "loop", "pause", "hold", "jump", "autostart", "rollback"};

bool validChannel(int ch) {
    return ch >= 0 && ch < kChannelCount;
}

// The sound as the operator knows it: the current entry's path as written.
QString currentEntryPath(ShowStore& store, int ch) {
    const QList<SoundEntry>& list = store.soundList(ch);
    const int entry = store.controls(ch).selectedSound;
    return entry >= 0 && entry < list.size() ? list.at(entry).path : store.channel(ch).fileName;
}

bool sounding(int ch) {
    return KAE__Channel_IsPlaying(ch) || KAE__Channel_IsPaused(ch);
}

// A sound that opened again but cannot go on where it is now (its output has gone away) is
// stopped as on any lost output, so PLAY and everything that follows the channel say so.
void stopIfCutOff(ChannelPlayback& playback, int ch, bool wasSounding) {
    if (wasSounding && !sounding(ch))
        playback.StopChannel(ch, StopCause::OutputLost);
}

} // namespace

std::uint8_t& playModeField(ChannelControls& c, PlayMode mode) {
    switch (mode) {
    case PlayMode::Restart:
        return c.restartMode;
    case PlayMode::Loop:
        return c.loopMode;
    case PlayMode::Pause:
        return c.pauseMode;
    case PlayMode::Hold:
        return c.holdMode;
    case PlayMode::Jump:
        return c.jumpMode;
    case PlayMode::Autostart:
        return c.autostart;
    case PlayMode::Rollback:
        break;
    }
    return c.rollback;
}

QString playModeName(PlayMode mode) {
    return QLatin1String(kModeNames[static_cast<std::size_t>(mode)]);
}

std::optional<PlayMode> playModeFromName(QStringView name) {
    for (int i = 0; i < kPlayModeCount; ++i) {
        if (name.compare(QLatin1String(kModeNames[static_cast<std::size_t>(i)]),
                         Qt::CaseInsensitive) == 0)
            return static_cast<PlayMode>(i);
    }
    return std::nullopt;
}

ChannelOperations::ChannelOperations(ShowStore& store, ChannelPlayback& playback,
                                     SoundSelection& selection)
    : store_(store), playback_(playback), selection_(selection) {}

bool ChannelOperations::SetVolume(int ch, int volume) {
    if (!validChannel(ch) || volume < 0 || volume > 100)
        return false;
    store_.channel(ch).volume = volume;
    KAE__Channel_SetVolume(ch);
    store_.announceChannel(ch, ChannelAspect::Levels);
    return true;
}

bool ChannelOperations::SetPan(int ch, int pan) {
    if (!validChannel(ch) || pan < -100 || pan > 100)
        return false;
    store_.channel(ch).pan = pan;
    KAE__Channel_SetPan(ch);
    store_.announceChannel(ch, ChannelAspect::Levels);
    return true;
}

bool ChannelOperations::SetVariSpeed(int ch, int percent) {
    if (!validChannel(ch) || percent < kVariSpeedMin || percent > kVariSpeedMax)
        return false;
    Channel& c = store_.channel(ch);
    c.variSpeed = percent;
    c.playbackFrequency = engine::playbackFrequency(c.sampleRate, percent);
    KAE__Channel_SetFrequency(ch);
    store_.announceChannel(ch, ChannelAspect::Levels);
    return true;
}

bool ChannelOperations::SetMode(int ch, PlayMode mode, bool on) {
    if (!validChannel(ch))
        return false;
    playModeField(store_.controls(ch), mode) = on ? 1 : 0;
    // The end of the sound is judged by the box as it is then, so the stream must wrap or
    // end by the same box: a loop ticked while playing loops this very pass, a cleared
    // one lets the sound end with the normal end handling. Without a sound there is
    // nothing to switch; PLAY sets the flag.
    if (mode == PlayMode::Loop)
        KAE__Channel_SetLoop(ch, on);
    store_.announceChannel(ch, ChannelAspect::Controls);
    return true;
}

bool ChannelOperations::SetGroup(int ch, bool playGroup, int group) {
    if (!validChannel(ch) || group < 0 || group > 8)
        return false;
    ChannelControls& c = store_.controls(ch);
    (playGroup ? c.playGroup : c.stopGroup) =
        group == 0 ? QStringLiteral("---") : QString::number(group);
    store_.announceChannel(ch, ChannelAspect::Controls);
    return true;
}

bool ChannelOperations::SelectSound(int ch, int entry) {
    if (!validChannel(ch) || entry < 0 || entry >= store_.soundList(ch).size())
        return false;
    selection_.select(ch, entry);
    return true;
}

bool ChannelOperations::SeekPercent(int ch, int percent) {
    const std::int64_t bytes = validChannel(ch) ? KAE__Channel_GetLength(ch) : -1;
    if (bytes < 0 || percent < 0 || percent > 100)
        return false;
    return KAE__Channel_SetPosition(ch, percent * engine::roundHalfEvenDiv(bytes, 100));
}

bool ChannelOperations::SeekSeconds(int ch, double seconds) {
    if (!validChannel(ch) || !playback_.soundReady(ch) || !std::isfinite(seconds) || seconds < 0)
        return false;
    const auto frame =
        static_cast<std::int64_t>(std::llround(seconds * store_.channel(ch).sampleRate));
    if (frame >= KAE__Channel_GetLengthInSamples(ch))
        return false;
    return KAE__Channel_SetPositionInSamples(ch, frame);
}

bool ChannelOperations::SetOutput(int ch, const QString& outputName) {
    engine::KaeEngine* e = engine::currentEngine();
    if (!validChannel(ch) || !e || e->devices().findName(outputName) < 0)
        return false;
    if (store_.channel(ch).outputName == outputName)
        return true;
    // The sound opens afresh on the new output. When it does not (the output did not start,
    // the file went away), the engine has left the channel empty; when it opens but cannot
    // go on there (the output has gone away), it is stopped as on any lost output.
    const bool hadSound = playback_.soundReady(ch);
    const bool wasSounding = sounding(ch);
    const QString entryPath = currentEntryPath(store_, ch);
    if (KAE__Channel_ChangeDevice(ch, outputName, store_.controls(ch).loopMode != 0))
        stopIfCutOff(playback_, ch, wasSounding);
    else if (hadSound)
        selection_.reloadFailed(ch, entryPath);
    return store_.channel(ch).outputName == outputName;
}

bool ChannelOperations::SetDestination(int ch, int index) {
    if (!validChannel(ch) || index < 0 || index >= engine::kSurroundDestinationCount)
        return false;
    Channel& c = store_.channel(ch);
    const engine::RoutingRefusal refusal = engine::routingRefusal(c.fileChannels, index);
    if (refusal != engine::RoutingRefusal::None) {
        showMessage(txt(texts::RoutingErrorTitle), engine::routingRefusalText(refusal),
                    MessageIcon::Critical);
        return false;
    }
    c.surroundDestination = static_cast<std::int32_t>(engine::surroundDestinationFlags(index));
    const bool wasSounding = sounding(ch);
    if (!playback_.soundReady(ch) || KAE__Channel_ChangeSurround(ch, c.outputName)) {
        stopIfCutOff(playback_, ch, wasSounding);
        store_.announceChannel(ch, ChannelAspect::Output);
        return true;
    }
    // The failed reload left the channel empty: it is stopped and not ready before the box,
    // which lets events run (nothing may take it for a playing channel meanwhile). Then it
    // is back on all speakers, with the sound loaded there afresh.
    c.surroundDestination = 0;
    playback_.StopChannel(ch, StopCause::Reload);
    playback_.setSoundReady(ch, false);
    showMessage(txt(texts::ChannelErrorTitle), engine::surroundFailureText(index),
                MessageIcon::Critical);
    const int entry = store_.controls(ch).selectedSound;
    if (entry >= 0)
        selection_.select(ch, entry);
    store_.announceChannel(ch, ChannelAspect::Output);
    return false;
}

} // namespace kalvor
