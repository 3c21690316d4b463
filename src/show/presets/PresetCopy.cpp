#include "show/presets/PresetCopy.h"

#include "core/FixedText.h"
#include "core/ShowStore.h"

namespace kalvor {

PresetChannel captureChannel(const ShowStore& store, int ch) {
    const Channel& c = store.channel(ch);
    const ChannelControls& k = store.controls(ch);
    const ChannelAssignments& a = store.assignments(ch);
    PresetChannel p;
    p.channelInfo = fitToWidth(k.infoText, kChannelInfoWidth);
    p.channelInfoColour = k.infoColour;
    p.playGroup = fitToWidth(k.playGroup, kGroupTextWidth);
    p.stopGroup = fitToWidth(k.stopGroup, kGroupTextWidth);
    p.restartMode = k.restartMode;
    p.loopMode = k.loopMode;
    p.pauseMode = k.pauseMode;
    p.holdMode = k.holdMode;
    p.jumpMode = k.jumpMode;
    p.rollback = k.rollback;
    p.autostart = k.autostart;
    // The preset keeps MIDI numbers as bytes; out-of-range assignments cannot be stored.
    p.midiInNote = static_cast<std::uint8_t>(std::clamp(a.midiInNote, 0, 255));
    p.midiInChannel = static_cast<std::uint8_t>(std::clamp(a.midiInChannel, 0, 255));
    p.midiInEnabled = a.midiInEnabled;
    p.midiOutNote = static_cast<std::uint8_t>(std::clamp(a.midiOutNote, 0, 255));
    p.midiOutChannel = static_cast<std::uint8_t>(std::clamp(a.midiOutChannel, 0, 255));
    p.midiOutEnabled = a.midiOutEnabled;
    p.outputName = fitToWidth(c.outputName, kOutputNameWidth);
    p.deviceNumber = c.deviceNumber;
    p.selectedSound = k.selectedSound;
    p.startOffset = a.startOffset;
    p.soundLength = a.soundLength;
    p.mtcStart = a.mtcStart;
    p.mtcStop = a.mtcStop;
    p.volume = c.volume;
    p.pan = c.pan;
    p.variSpeed = c.variSpeed;
    p.effects = c.effects;
    for (auto& place : p.effects.fxChain)
        place = fitToWidth(place, kFxChainEntryWidth);
    p.surroundDestination = c.surroundDestination;
    p.fadeIn = c.fadeIn;
    p.fadeOut = c.fadeOut;
    return p;
}

void storeChannels(const ShowStore& store, Preset& preset) {
    for (int ch = 0; ch < kChannelCount; ++ch)
        preset.channels[static_cast<std::size_t>(ch)] = captureChannel(store, ch);
}

void restoreChannelState(const PresetChannel& p, ShowStore& store, int ch) {
    Channel& c = store.channel(ch);
    ChannelControls& k = store.controls(ch);
    ChannelAssignments& a = store.assignments(ch);
    k.autostart = p.autostart;
    k.playGroup = p.playGroup.isEmpty() ? QStringLiteral("---") : p.playGroup;
    k.stopGroup = p.stopGroup.isEmpty() ? QStringLiteral("---") : p.stopGroup;
    k.infoText = p.channelInfo;
    k.infoColour = p.channelInfoColour;
    k.restartMode = p.restartMode;
    k.loopMode = p.loopMode;
    k.pauseMode = p.pauseMode;
    k.holdMode = p.holdMode;
    k.jumpMode = p.jumpMode;
    k.rollback = p.rollback;
    c.outputName = p.outputName;
    c.deviceNumber = p.deviceNumber;
    c.volume = p.volume;
    c.pan = p.pan;
    c.variSpeed = p.variSpeed;
    c.surroundDestination = p.surroundDestination;
    c.fadeIn = p.fadeIn;
    c.fadeOut = p.fadeOut;
    c.effects = p.effects;
    a.startOffset = p.startOffset;
    a.midiInNote = p.midiInNote;
    a.midiInChannel = p.midiInChannel;
    a.midiInEnabled = p.midiInEnabled;
    a.midiOutNote = p.midiOutNote;
    a.midiOutChannel = p.midiOutChannel;
    a.midiOutEnabled = p.midiOutEnabled;
    a.mtcStart = p.mtcStart;
    a.mtcStop = p.mtcStop;
    store.announceChannel(ch);
}

} // namespace kalvor
