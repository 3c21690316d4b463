// One channel record (0..31 playback, 32 preview) and the operator controls and
// assignments kept beside each playback channel. Plain data owned by ShowStore; UI thread.
#pragma once

#include "core/EffectSettings.h"

#include <QString>

#include <array>
#include <cstdint>

namespace kalvor {

// Engine handles of applied effects; run-time only, never stored in presets or files.
struct EffectHandles {
    std::array<std::int32_t, 3> eq{};
    std::int32_t reverb = 0;
    std::int32_t delay = 0;
    std::int32_t chorus = 0;
    std::int32_t flanger = 0;
};

// The sound loaded in a channel and how it is to be played.
struct Channel {
    std::int32_t deviceNumber = 0;
    QString outputName;
    QString fileName;
    std::int32_t surroundDestination = 0;
    std::int32_t volume = 0; // 0..100, 100 = 0 dB, one step = 1 dB
    std::int32_t pan = 0;    // -100..100
    std::int32_t playbackFrequency = 0;
    std::int32_t variSpeed = 0; // percent
    std::int32_t sampleRate = 0;
    std::int32_t fileChannels = 0;
    std::int32_t fileBits = 0;
    FadeSettings fadeIn;
    FadeSettings fadeOut;
    EffectSettings effects;
    EffectHandles handles;
};

// The operator controls of a playback channel. Presets store them and playback reads
// them, so they belong to the show, not to the strip widgets that display them.
struct ChannelControls {
    std::uint8_t restartMode = 0; // check-box values: 0 off, 1 on
    std::uint8_t loopMode = 0;
    std::uint8_t pauseMode = 0;
    std::uint8_t holdMode = 0;
    std::uint8_t jumpMode = 0;
    std::uint8_t rollback = 0;
    std::uint8_t autostart = 0;
    QString playGroup = QStringLiteral("---"); // "---" or "1".."8"
    QString stopGroup = QStringLiteral("---");
    QString infoText; // up to 50 characters
    std::int32_t infoColour = 0;
    std::int16_t selectedSound = -1; // index in the sound list, -1 for none
    friend bool operator==(const ChannelControls&, const ChannelControls&) = default;
};

// Remote-control assignments and positions kept beside each playback channel.
struct ChannelAssignments {
    std::int32_t midiInNote = 0;
    std::int32_t midiInChannel = 0;
    bool midiInEnabled = false;
    std::int32_t midiOutNote = 0;
    std::int32_t midiOutChannel = 0;
    bool midiOutEnabled = false;
    std::int32_t startOffset = 0; // sample frames; 0 = start of file
    std::int32_t soundLength = 0;
    std::int32_t mtcStart = 0;
    std::int32_t mtcStop = 0;
    friend bool operator==(const ChannelAssignments&, const ChannelAssignments&) = default;
};

// "---" for no group, "1".."8" otherwise; 0 means no group.
QString groupText(int group);
int groupNumber(const QString& text);

} // namespace kalvor
