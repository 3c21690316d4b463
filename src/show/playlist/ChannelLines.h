// The per-channel lines of every playlist format: one table of fields per version, so
// the readers of 2..17 and the format 17 writer share one description of where each
// value sits. Internal to the playlist library; pure, any thread.
#pragma once

#include "core/Preset.h"
#include "show/playlist/PlaylistNumbers.h"

#include <QByteArray>
#include <QByteArrayView>

#include <span>

namespace kalvor::playlist {

enum class Field : unsigned char {
    Ignored,
    IgnoredVolume94, // read and dropped; Volume 94 is stored in its place
    IgnoredPan0,
    IgnoredVariSpeed0,
    ChannelInfo,
    ChannelInfoColour,
    PlayGroup,
    StopGroup,
    RestartMode,
    LoopMode,
    PauseMode,
    HoldMode,
    JumpMode,
    Autostart,
    MidiInNote,
    MidiInChannel,
    MidiInEnabled,
    MidiOutNote,
    MidiOutChannel,
    MidiOutEnabled,
    OutputName,
    DeviceNumber,
    SelectedSound,
    StartOffset,
    SoundLength,
    Rollback,
    MtcStart,
    MtcStop,
    Volume,
    Pan,
    VariSpeed,
    EqActive,
    Eq1,
    Eq2,
    Eq3,
    Eq4,
    Eq5,
    Eq6,
    Eq7,
    Eq8,
    Eq9,
    ReverbActive,
    Reverb1,
    Reverb2,
    Reverb3,
    Reverb4,
    DelayActive,
    Delay1,
    Delay2,
    Delay3,
    Delay4,
    Delay5,
    ChorusActive,
    Chorus1,
    Chorus2,
    Chorus3,
    Chorus4,
    Chorus5,
    Chorus6,
    Chorus7,
    FlangerActive,
    Flanger1,
    Flanger2,
    Flanger3,
    Flanger4,
    Flanger5,
    Flanger6,
    Flanger7,
    Fx1,
    Fx2,
    Fx3,
    Fx4,
    Fx5,
    SurroundDestination,
    FadeInTime,
    FadeInActive,
    FadeInCurve,
    FadeOutTime,
    FadeOutActive,
    FadeOutCurve,
};

// How a format lays out one preset block and what follows the sound lists.
struct FormatLayout {
    int channels = 0;              // 8 or 32
    std::span<const Field> fields; // per channel, in order
    int ignoredAfterChannels = 0;  // 40 in formats 8..13
    bool textPositions = false;    // TextReaderPosition, RemoteTextPosition
    int overviewLayoutVersion = 0; // 0: no layout block
    bool textReaderLink = false;   // link line and closing "~"
    bool gpioBlock = false;
    NumberRule numbers = NumberRule::Leading;
};

// nullptr for a version outside 2..17.
const FormatLayout* formatLayout(int version);

// The 76 lines of format 17.
std::span<const Field> format17Fields();

// Stores one line into the channel; throws ReadFault when the number rule says so.
void readField(PresetChannel& channel, Field field, QByteArrayView line, NumberRule rule);

// Appends the value of `field` (a format 17 field) without the line end.
void appendField(QByteArray& out, const PresetChannel& channel, Field field);

} // namespace kalvor::playlist
