#include "show/playback/PresetRecall.h"

#include "core/Dialogs.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"
#include "show/playback/ChannelPlayback.h"
#include "show/playback/PlaybackTexts.h"
#include "show/playback/SoundSelection.h"
#include "show/playback/StartOffsets.h"
#include "show/playlist/SoundPaths.h"
#include "show/presets/PresetCopy.h"
#include "show/presets/PresetEditor.h"
#include "show/presets/PresetTexts.h"

#include <utility>

namespace kalvor {

PresetRecall::PresetRecall(ShowStore& store, Settings& settings, PresetEditor& editor,
                           ChannelPlayback& playback, SoundSelection& selection, QObject* parent)
    : QObject(parent), store_(store), settings_(settings), editor_(editor), playback_(playback),
      selection_(selection) {}

void PresetRecall::recallChannel(int ch, int slot) {
    const PresetChannel& stored =
        store_.presets().slot(slot).channels[static_cast<std::size_t>(ch)];
    restoreChannelState(stored, store_, ch);

    // The stored output as this machine has it now (or the first output, reported).
    const engine::OutputDevice output =
        FindPresetOutput(ch, stored.outputName, stored.deviceNumber);
    Channel& c = store_.channel(ch);
    c.outputName = output.name;
    c.deviceNumber = output.number;
    if (auto* e = engine::currentEngine())
        e->slot(ch).speakers = output.speakers;

    // Loading the sound (again, so it opens on the output just chosen) applies volume,
    // pan, speed and effects from the restored record.
    const int count = static_cast<int>(store_.soundList(ch).size());
    if (stored.selectedSound >= 0 && stored.selectedSound < count) {
        selection_.select(ch, stored.selectedSound);
    } else {
        // A stale index must not leave the previous preset's sound ready to play.
        store_.controls(ch).selectedSound = -1;
        store_.announceSoundList(ch);
        selection_.unload(ch);
    }
    // The load resets the start offset; the preset's own comes back now, held to the sound
    // as loaded today as every offset is: a file replaced by a shorter one since the store
    // must not start in its last moments, or past its end. Without a sound to measure (a
    // missing file) the stored offset stays, so that a store keeps it for the file's return.
    std::int32_t offset = stored.startOffset;
    const std::int64_t length = playback_.soundReady(ch) ? KAE__Channel_GetLengthInSamples(ch) : 0;
    if (length > 0)
        offset = clampStartOffset(offset, length, KAE__Channel_GetLengthInSec(ch),
                                  store_.channel(ch).sampleRate);
    store_.assignments(ch).startOffset = offset;
    if (offset > 0 && playback_.soundReady(ch))
        KAE__Channel_SetPositionInSamples(ch, offset);
    store_.announceChannel(ch);
    Q_EMIT channelRecalled(ch);
}

void PresetRecall::prepareSounds(int slot) {
    // The sounds the channels will load, as the load finds them; one that is missing or
    // stale is left to the load, which reports it in its turn.
    playlist::SoundPathResolver resolver;
    QStringList paths;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const int entry =
            store_.presets().slot(slot).channels[static_cast<std::size_t>(ch)].selectedSound;
        const QList<SoundEntry>& list = store_.soundList(ch);
        if (entry < 0 || entry >= list.size() || list.at(entry).path.isEmpty())
            continue;
        const auto found = resolver.resolve(list.at(entry).path);
        if (found.exists)
            paths << found.path;
    }
    KAE__Channels_Prepare(paths);
}

void PresetRecall::RecallPreset() {
    // Only the load's own call is let through, not one that comes in during its waits.
    const bool ofLoad = std::exchange(loadRecall_, false);
    // The flag belongs to this request: a refused one (a recall running, nothing selected,
    // a load) must not hand its Shift on to the next GO from a path without modifiers.
    const bool ignoreAutostart = std::exchange(ignoreAutostartOnce_, false);
    PresetMemory& memory = store_.presets();
    const int n = memory.selected();
    if (busy_ || n < 0 || n >= memory.count())
        return;
    if (!ofLoad && showLoading && showLoading()) {
        AddDebugMessage(txt(texts::RecallRefusedWhileLoading));
        return;
    }
    busy_ = true;
    editor_.setRecallRunning(true);

    Q_EMIT recallStarted(n);
    AddDebugMessage(txt(texts::RecallingPreset));
    dialogs().showWait(txt(texts::LoadingPreset));

    playback_.stopAllForRecall();
    // Every channel gets its sound again below, in channel order. Until its turn a PLAY
    // (a box of the recall lets keypads and MIDI in) would fire the previous preset's
    // sound; it finds nothing ready instead.
    for (int ch = 0; ch < kChannelCount; ++ch)
        playback_.setSoundReady(ch, false);
    selection_.setRecallRunning(true);
    // Opening and decoding ahead goes on in parallel first; the channels then load in
    // their order, each taking over its stream, so every message and report comes as if
    // they had opened one by one.
    prepareSounds(n);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        recallChannel(ch, n);
        dialogs().setWaitProgress((ch + 1) * 100 / kChannelCount);
    }
    KAE__Channels_DropPrepared();
    selection_.setRecallRunning(false);
    memory.setCurrent(n);

    // Every channel is complete before any starts; the autostarts then go out together,
    // each pressed at most once (a group member already started by another is left alone).
    if (!ignoreAutostart) {
        const engine::EngineBatch batch;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            if (store_.controls(ch).autostart == 1 && !KAE__Channel_IsPlaying(ch))
                playback_.PlayButtonDown(ch);
        }
    }

    store_.announcePresets();
    busy_ = false;
    editor_.setRecallRunning(false);
    Q_EMIT statusText(txt(texts::StatusPreset) + memory.names().at(n) + QStringLiteral("   "));
    // Announced before the box's last wait: the wait lets events run, and a GO arriving
    // then recalls the next preset, whose announcement must be the last one the MIDI
    // output, the text reader and the remote units get.
    Q_EMIT recallFinished(n);
    waits().wait(250);
    dialogs().hideWait();
}

void PresetRecall::RecallFirstPresetOfLoad(bool ignoreAutostart) {
    loadRecall_ = true;
    ignoreAutostartOnce_ = ignoreAutostart;
    RecallPreset();
}

void PresetRecall::SelectPreset(int index, PresetModifiers modifiers) {
    PresetMemory& memory = store_.presets();
    if (busy_ || index < 0 || index >= memory.count())
        return;
    if (showLoading && showLoading()) {
        AddDebugMessage(txt(texts::RecallRefusedWhileLoading));
        return;
    }
    if (!modifiers.ctrl)
        editor_.AutoStore();
    memory.setSelected(index);
    ignoreAutostartOnce_ = modifiers.shift;
    RecallPreset();
}

void PresetRecall::NextPreset(PresetModifiers modifiers) {
    const PresetMemory& memory = store_.presets();
    if (busy_ || memory.selected() + 1 >= memory.count())
        return;
    SelectPreset(memory.selected() + 1, modifiers);
}

void PresetRecall::PreviousPreset(PresetModifiers modifiers) {
    const PresetMemory& memory = store_.presets();
    if (busy_ || memory.selected() <= 0)
        return;
    SelectPreset(memory.selected() - 1, modifiers);
}

void PresetRecall::RecallButton(bool shift) {
    ignoreAutostartOnce_ = shift;
    RecallPreset();
}

} // namespace kalvor
