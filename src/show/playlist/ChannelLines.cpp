#include "show/playlist/ChannelLines.h"

#include "core/FixedText.h"
#include "core/Limits.h"
#include "show/playlist/LineCursor.h"

#include <array>
#include <vector>

namespace kalvor::playlist {

namespace {

using F = Field;

constexpr std::array<Field, 76> kFormat17{F::ChannelInfo,
                                          F::ChannelInfoColour,
                                          F::PlayGroup,
                                          F::StopGroup,
                                          F::RestartMode,
                                          F::LoopMode,
                                          F::PauseMode,
                                          F::HoldMode,
                                          F::JumpMode,
                                          F::Autostart,
                                          F::MidiInNote,
                                          F::MidiInChannel,
                                          F::MidiInEnabled,
                                          F::MidiOutNote,
                                          F::MidiOutChannel,
                                          F::MidiOutEnabled,
                                          F::OutputName,
                                          F::DeviceNumber,
                                          F::SelectedSound,
                                          F::StartOffset,
                                          F::SoundLength,
                                          F::Rollback,
                                          F::MtcStart,
                                          F::MtcStop,
                                          F::Volume,
                                          F::Pan,
                                          F::VariSpeed,
                                          F::EqActive,
                                          F::Eq1,
                                          F::Eq2,
                                          F::Eq3,
                                          F::Eq4,
                                          F::Eq5,
                                          F::Eq6,
                                          F::Eq7,
                                          F::Eq8,
                                          F::Eq9,
                                          F::ReverbActive,
                                          F::Reverb1,
                                          F::Reverb2,
                                          F::Reverb3,
                                          F::Reverb4,
                                          F::DelayActive,
                                          F::Delay1,
                                          F::Delay2,
                                          F::Delay3,
                                          F::Delay4,
                                          F::Delay5,
                                          F::ChorusActive,
                                          F::Chorus1,
                                          F::Chorus2,
                                          F::Chorus3,
                                          F::Chorus4,
                                          F::Chorus5,
                                          F::Chorus6,
                                          F::Chorus7,
                                          F::FlangerActive,
                                          F::Flanger1,
                                          F::Flanger2,
                                          F::Flanger3,
                                          F::Flanger4,
                                          F::Flanger5,
                                          F::Flanger6,
                                          F::Flanger7,
                                          F::Fx1,
                                          F::Fx2,
                                          F::Fx3,
                                          F::Fx4,
                                          F::Fx5,
                                          F::SurroundDestination,
                                          F::FadeInTime,
                                          F::FadeInActive,
                                          F::FadeInCurve,
                                          F::FadeOutTime,
                                          F::FadeOutActive,
                                          F::FadeOutCurve};

std::vector<Field> insertAfter(std::vector<Field> v, Field after, Field added) {
    for (auto it = v.begin(); it != v.end(); ++it) {
        if (*it == after) {
            v.insert(it + 1, added);
            break;
        }
    }
    return v;
}

std::vector<Field> plus(std::vector<Field> v, std::initializer_list<Field> added) {
    v.insert(v.end(), added);
    return v;
}

// Each older version is the one before it with a few lines added, as the files grew.
struct AllTables {
    std::array<std::vector<Field>, 18> fields;
    std::array<FormatLayout, 18> layouts;

    AllTables() {
        auto& f = fields;
        f[2] = {F::Ignored,     F::PlayGroup,         F::RestartMode, F::LoopMode,
                F::PauseMode,   F::HoldMode,          F::JumpMode,    F::IgnoredVolume94,
                F::IgnoredPan0, F::IgnoredVariSpeed0, F::Autostart,   F::MidiInNote};
        f[3] = plus(f[2], {F::OutputName, F::Ignored});
        f[4] = insertAfter(f[3], F::PlayGroup, F::StopGroup);
        f[5] = plus(f[4], {F::SelectedSound});
        f[6] = plus(f[5], {F::StartOffset, F::SoundLength});
        f[7] = plus(f[6], {F::Rollback});
        f[8] = f[7];
        f[9] = plus(f[8], {F::MtcStart, F::MtcStop});
        f[10] = insertAfter(f[9], F::MidiInNote, F::MidiInChannel);
        f[11] = f[10];
        f[12] = f[10];
        f[13] = insertAfter(f[10], F::MidiInChannel, F::MidiInEnabled);
        // 14: no ChannelInfo, no ChannelInfoColour, no DeviceNumber; 15: no ChannelInfo,
        // no ChannelInfoColour; each with one dropped line in their place.
        f[14] = {F::Ignored};
        f[15] = {F::Ignored};
        for (std::size_t i = 2; i < kFormat17.size(); ++i) {
            if (kFormat17[i] != F::DeviceNumber)
                f[14].push_back(kFormat17[i]);
            f[15].push_back(kFormat17[i]);
        }
        f[16].assign(kFormat17.begin(), kFormat17.end());
        f[17] = f[16];

        for (int v = 2; v <= 17; ++v) {
            FormatLayout& l = layouts[static_cast<std::size_t>(v)];
            l.channels = v <= 11 ? 8 : kChannelCount;
            l.fields = f[static_cast<std::size_t>(v)];
            l.ignoredAfterChannels = (v >= 8 && v <= 13) ? 40 : 0;
            l.textPositions = v >= 11;
            l.overviewLayoutVersion = v == 13 ? 1 : (v >= 14 && v <= 16) ? 2 : v == 17 ? 3 : 0;
            l.textReaderLink = v >= 11;
            l.gpioBlock = v >= 15;
            l.numbers = v >= 14 ? NumberRule::Full : NumberRule::Leading;
        }
    }
};

const AllTables& tables() {
    static const AllTables t;
    return t;
}

QString text(QByteArrayView line, int width) {
    return fitToWidth(decodeText(line), width);
}

} // namespace

const FormatLayout* formatLayout(int version) {
    if (version < 2 || version > 17)
        return nullptr;
    return &tables().layouts[static_cast<std::size_t>(version)];
}

std::span<const Field> format17Fields() {
    return kFormat17;
}

void readField(PresetChannel& c, Field field, QByteArrayView line, NumberRule r) {
    EffectSettings& fx = c.effects;
    switch (field) {
    case F::Ignored:
        return;
    case F::IgnoredVolume94:
        c.volume = 94;
        return;
    case F::IgnoredPan0:
        c.pan = 0;
        return;
    case F::IgnoredVariSpeed0:
        c.variSpeed = 0;
        return;
    case F::ChannelInfo:
        c.channelInfo = text(line, kChannelInfoWidth);
        return;
    case F::ChannelInfoColour:
        c.channelInfoColour = readNumber<std::int32_t>(line, r);
        return;
    case F::PlayGroup:
        c.playGroup = text(line, kGroupTextWidth);
        return;
    case F::StopGroup:
        c.stopGroup = text(line, kGroupTextWidth);
        return;
    case F::RestartMode:
        c.restartMode = readNumber<std::uint8_t>(line, r);
        return;
    case F::LoopMode:
        c.loopMode = readNumber<std::uint8_t>(line, r);
        return;
    case F::PauseMode:
        c.pauseMode = readNumber<std::uint8_t>(line, r);
        return;
    case F::HoldMode:
        c.holdMode = readNumber<std::uint8_t>(line, r);
        return;
    case F::JumpMode:
        c.jumpMode = readNumber<std::uint8_t>(line, r);
        return;
    case F::Autostart:
        c.autostart = readNumber<std::uint8_t>(line, r);
        return;
    case F::MidiInNote:
        c.midiInNote = readNumber<std::uint8_t>(line, r);
        return;
    case F::MidiInChannel:
        c.midiInChannel = readNumber<std::uint8_t>(line, r);
        return;
    case F::MidiInEnabled:
        c.midiInEnabled = readBoolean(line, r);
        return;
    case F::MidiOutNote:
        c.midiOutNote = readNumber<std::uint8_t>(line, r);
        return;
    case F::MidiOutChannel:
        c.midiOutChannel = readNumber<std::uint8_t>(line, r);
        return;
    case F::MidiOutEnabled:
        c.midiOutEnabled = readBoolean(line, r);
        return;
    case F::OutputName:
        c.outputName = text(line, kOutputNameWidth);
        return;
    case F::DeviceNumber:
        c.deviceNumber = readNumber<std::int32_t>(line, r);
        return;
    case F::SelectedSound:
        c.selectedSound = readNumber<std::int16_t>(line, r);
        return;
    case F::StartOffset:
        c.startOffset = readNumber<std::int32_t>(line, r);
        return;
    case F::SoundLength:
        c.soundLength = readNumber<std::int32_t>(line, r);
        return;
    case F::Rollback:
        c.rollback = readNumber<std::uint8_t>(line, r);
        return;
    case F::MtcStart:
        c.mtcStart = readNumber<std::int32_t>(line, r);
        return;
    case F::MtcStop:
        c.mtcStop = readNumber<std::int32_t>(line, r);
        return;
    case F::Volume:
        c.volume = readNumber<std::int32_t>(line, r);
        return;
    case F::Pan:
        c.pan = readNumber<std::int32_t>(line, r);
        return;
    case F::VariSpeed:
        c.variSpeed = readNumber<std::int32_t>(line, r);
        return;
    case F::EqActive:
        fx.eqActive = readBoolean(line, r);
        return;
    case F::Eq1:
        fx.eq[0].center = fullFloat(line);
        return;
    case F::Eq2:
        fx.eq[0].bandwidth = fullFloat(line);
        return;
    case F::Eq3:
        fx.eq[0].gain = fullFloat(line);
        return;
    case F::Eq4:
        fx.eq[1].center = fullFloat(line);
        return;
    case F::Eq5:
        fx.eq[1].bandwidth = fullFloat(line);
        return;
    case F::Eq6:
        fx.eq[1].gain = fullFloat(line);
        return;
    case F::Eq7:
        fx.eq[2].center = fullFloat(line);
        return;
    case F::Eq8:
        fx.eq[2].bandwidth = fullFloat(line);
        return;
    case F::Eq9:
        fx.eq[2].gain = fullFloat(line);
        return;
    case F::ReverbActive:
        fx.reverbActive = readBoolean(line, r);
        return;
    case F::Reverb1:
        fx.reverb.inGain = fullFloat(line);
        return;
    // The record keeps the reverb as in gain, time, mix, ratio: not the effect's own order.
    case F::Reverb2:
        fx.reverb.reverbTime = fullFloat(line);
        return;
    case F::Reverb3:
        fx.reverb.reverbMix = fullFloat(line);
        return;
    case F::Reverb4:
        fx.reverb.highFreqRtRatio = fullFloat(line);
        return;
    case F::DelayActive:
        fx.delayActive = readBoolean(line, r);
        return;
    case F::Delay1:
        fx.delay.wetDryMix = fullFloat(line);
        return;
    case F::Delay2:
        fx.delay.feedback = fullFloat(line);
        return;
    case F::Delay3:
        fx.delay.leftDelay = fullFloat(line);
        return;
    case F::Delay4:
        fx.delay.rightDelay = fullFloat(line);
        return;
    case F::Delay5:
        fx.delay.panDelay = readNumber<std::int32_t>(line, r);
        return;
    case F::ChorusActive:
        fx.chorusActive = readBoolean(line, r);
        return;
    case F::Chorus1:
        fx.chorus.wetDryMix = fullFloat(line);
        return;
    case F::Chorus2:
        fx.chorus.depth = fullFloat(line);
        return;
    case F::Chorus3:
        fx.chorus.feedback = fullFloat(line);
        return;
    case F::Chorus4:
        fx.chorus.frequency = fullFloat(line);
        return;
    case F::Chorus5:
        fx.chorus.waveform = readNumber<std::int32_t>(line, r);
        return;
    case F::Chorus6:
        fx.chorus.delay = fullFloat(line);
        return;
    case F::Chorus7:
        fx.chorus.phase = readNumber<std::int32_t>(line, r);
        return;
    case F::FlangerActive:
        fx.flangerActive = readBoolean(line, r);
        return;
    case F::Flanger1:
        fx.flanger.wetDryMix = fullFloat(line);
        return;
    case F::Flanger2:
        fx.flanger.depth = fullFloat(line);
        return;
    case F::Flanger3:
        fx.flanger.feedback = fullFloat(line);
        return;
    case F::Flanger4:
        fx.flanger.frequency = fullFloat(line);
        return;
    case F::Flanger5:
        fx.flanger.waveform = readNumber<std::int32_t>(line, r);
        return;
    case F::Flanger6:
        fx.flanger.delay = fullFloat(line);
        return;
    case F::Flanger7:
        fx.flanger.phase = readNumber<std::int32_t>(line, r);
        return;
    case F::Fx1:
        fx.fxChain[0] = text(line, kFxChainEntryWidth);
        return;
    case F::Fx2:
        fx.fxChain[1] = text(line, kFxChainEntryWidth);
        return;
    case F::Fx3:
        fx.fxChain[2] = text(line, kFxChainEntryWidth);
        return;
    case F::Fx4:
        fx.fxChain[3] = text(line, kFxChainEntryWidth);
        return;
    case F::Fx5:
        fx.fxChain[4] = text(line, kFxChainEntryWidth);
        return;
    case F::SurroundDestination:
        c.surroundDestination = readNumber<std::int32_t>(line, r);
        return;
    case F::FadeInTime:
        c.fadeIn.time = readNumber<std::int32_t>(line, r);
        return;
    case F::FadeInActive:
        c.fadeIn.active = readBoolean(line, r);
        return;
    case F::FadeInCurve:
        c.fadeIn.curve = readNumber<std::int32_t>(line, r);
        return;
    case F::FadeOutTime:
        c.fadeOut.time = readNumber<std::int32_t>(line, r);
        return;
    case F::FadeOutActive:
        c.fadeOut.active = readBoolean(line, r);
        return;
    case F::FadeOutCurve:
        c.fadeOut.curve = readNumber<std::int32_t>(line, r);
        return;
    }
}

namespace {

// A line break inside a text would shift every line after it; the field is one line.
void appendText(QByteArray& out, const QString& value, int width) {
    QString t = fitToWidth(value, width);
    for (QChar& ch : t) {
        if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n'))
            ch = QLatin1Char(' ');
    }
    out.append(t.toUtf8());
}

} // namespace

void appendField(QByteArray& out, const PresetChannel& c, Field field) {
    const EffectSettings& fx = c.effects;
    switch (field) {
    case F::Ignored:
    case F::IgnoredVolume94:
    case F::IgnoredPan0:
    case F::IgnoredVariSpeed0:
        return;
    case F::ChannelInfo:
        appendText(out, c.channelInfo, kChannelInfoWidth);
        return;
    case F::ChannelInfoColour:
        appendInteger(out, c.channelInfoColour);
        return;
    case F::PlayGroup:
        appendText(out, c.playGroup, kGroupTextWidth);
        return;
    case F::StopGroup:
        appendText(out, c.stopGroup, kGroupTextWidth);
        return;
    case F::RestartMode:
        appendInteger(out, c.restartMode);
        return;
    case F::LoopMode:
        appendInteger(out, c.loopMode);
        return;
    case F::PauseMode:
        appendInteger(out, c.pauseMode);
        return;
    case F::HoldMode:
        appendInteger(out, c.holdMode);
        return;
    case F::JumpMode:
        appendInteger(out, c.jumpMode);
        return;
    case F::Autostart:
        appendInteger(out, c.autostart);
        return;
    case F::MidiInNote:
        appendInteger(out, c.midiInNote);
        return;
    case F::MidiInChannel:
        appendInteger(out, c.midiInChannel);
        return;
    case F::MidiInEnabled:
        appendBoolean(out, c.midiInEnabled);
        return;
    case F::MidiOutNote:
        appendInteger(out, c.midiOutNote);
        return;
    case F::MidiOutChannel:
        appendInteger(out, c.midiOutChannel);
        return;
    case F::MidiOutEnabled:
        appendBoolean(out, c.midiOutEnabled);
        return;
    case F::OutputName:
        appendText(out, c.outputName, kOutputNameWidth);
        return;
    case F::DeviceNumber:
        appendInteger(out, c.deviceNumber);
        return;
    case F::SelectedSound:
        appendInteger(out, c.selectedSound);
        return;
    case F::StartOffset:
        appendInteger(out, c.startOffset);
        return;
    case F::SoundLength:
        appendInteger(out, c.soundLength);
        return;
    case F::Rollback:
        appendInteger(out, c.rollback);
        return;
    case F::MtcStart:
        appendInteger(out, c.mtcStart);
        return;
    case F::MtcStop:
        appendInteger(out, c.mtcStop);
        return;
    case F::Volume:
        appendInteger(out, c.volume);
        return;
    case F::Pan:
        appendInteger(out, c.pan);
        return;
    case F::VariSpeed:
        appendInteger(out, c.variSpeed);
        return;
    case F::EqActive:
        appendBoolean(out, fx.eqActive);
        return;
    case F::Eq1:
        appendFloat(out, fx.eq[0].center);
        return;
    case F::Eq2:
        appendFloat(out, fx.eq[0].bandwidth);
        return;
    case F::Eq3:
        appendFloat(out, fx.eq[0].gain);
        return;
    case F::Eq4:
        appendFloat(out, fx.eq[1].center);
        return;
    case F::Eq5:
        appendFloat(out, fx.eq[1].bandwidth);
        return;
    case F::Eq6:
        appendFloat(out, fx.eq[1].gain);
        return;
    case F::Eq7:
        appendFloat(out, fx.eq[2].center);
        return;
    case F::Eq8:
        appendFloat(out, fx.eq[2].bandwidth);
        return;
    case F::Eq9:
        appendFloat(out, fx.eq[2].gain);
        return;
    case F::ReverbActive:
        appendBoolean(out, fx.reverbActive);
        return;
    case F::Reverb1:
        appendFloat(out, fx.reverb.inGain);
        return;
    case F::Reverb2:
        appendFloat(out, fx.reverb.reverbTime);
        return;
    case F::Reverb3:
        appendFloat(out, fx.reverb.reverbMix);
        return;
    case F::Reverb4:
        appendFloat(out, fx.reverb.highFreqRtRatio);
        return;
    case F::DelayActive:
        appendBoolean(out, fx.delayActive);
        return;
    case F::Delay1:
        appendFloat(out, fx.delay.wetDryMix);
        return;
    case F::Delay2:
        appendFloat(out, fx.delay.feedback);
        return;
    case F::Delay3:
        appendFloat(out, fx.delay.leftDelay);
        return;
    case F::Delay4:
        appendFloat(out, fx.delay.rightDelay);
        return;
    case F::Delay5:
        appendInteger(out, fx.delay.panDelay);
        return;
    case F::ChorusActive:
        appendBoolean(out, fx.chorusActive);
        return;
    case F::Chorus1:
        appendFloat(out, fx.chorus.wetDryMix);
        return;
    case F::Chorus2:
        appendFloat(out, fx.chorus.depth);
        return;
    case F::Chorus3:
        appendFloat(out, fx.chorus.feedback);
        return;
    case F::Chorus4:
        appendFloat(out, fx.chorus.frequency);
        return;
    case F::Chorus5:
        appendInteger(out, fx.chorus.waveform);
        return;
    case F::Chorus6:
        appendFloat(out, fx.chorus.delay);
        return;
    case F::Chorus7:
        appendInteger(out, fx.chorus.phase);
        return;
    case F::FlangerActive:
        appendBoolean(out, fx.flangerActive);
        return;
    case F::Flanger1:
        appendFloat(out, fx.flanger.wetDryMix);
        return;
    case F::Flanger2:
        appendFloat(out, fx.flanger.depth);
        return;
    case F::Flanger3:
        appendFloat(out, fx.flanger.feedback);
        return;
    case F::Flanger4:
        appendFloat(out, fx.flanger.frequency);
        return;
    case F::Flanger5:
        appendInteger(out, fx.flanger.waveform);
        return;
    case F::Flanger6:
        appendFloat(out, fx.flanger.delay);
        return;
    case F::Flanger7:
        appendInteger(out, fx.flanger.phase);
        return;
    case F::Fx1:
        appendText(out, fx.fxChain[0], kFxChainEntryWidth);
        return;
    case F::Fx2:
        appendText(out, fx.fxChain[1], kFxChainEntryWidth);
        return;
    case F::Fx3:
        appendText(out, fx.fxChain[2], kFxChainEntryWidth);
        return;
    case F::Fx4:
        appendText(out, fx.fxChain[3], kFxChainEntryWidth);
        return;
    case F::Fx5:
        appendText(out, fx.fxChain[4], kFxChainEntryWidth);
        return;
    case F::SurroundDestination:
        appendInteger(out, c.surroundDestination);
        return;
    case F::FadeInTime:
        appendInteger(out, c.fadeIn.time);
        return;
    case F::FadeInActive:
        appendBoolean(out, c.fadeIn.active);
        return;
    case F::FadeInCurve:
        appendInteger(out, c.fadeIn.curve);
        return;
    case F::FadeOutTime:
        appendInteger(out, c.fadeOut.time);
        return;
    case F::FadeOutActive:
        appendBoolean(out, c.fadeOut.active);
        return;
    case F::FadeOutCurve:
        appendInteger(out, c.fadeOut.curve);
        return;
    }
}

} // namespace kalvor::playlist
