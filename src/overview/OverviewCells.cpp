#include "overview/OverviewCells.h"

#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "engine/kae/KaeMath.h"
#include "mainwindow/ChannelCaption.h"
#include "mainwindow/ChannelTexts.h"

#include <algorithm>

namespace kalvor {
namespace {

QString mark(std::uint8_t on) {
    return on == 1 ? QStringLiteral("x") : QString();
}

std::int64_t secondsOf(std::int64_t frames, int sampleRate) {
    return sampleRate > 0 ? frames / sampleRate : 0;
}

} // namespace

QString mtcCueText(int frames, int fps) {
    frames = std::max(frames, 0);
    const int h = frames / (fps * 3600);
    const int m = (frames - h * fps * 3600) / (fps * 60);
    const int rest = frames - h * fps * 3600 - m * fps * 60;
    return QStringLiteral("%1:%2:%3:%4")
        .arg(h, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(rest / fps, 2, 10, QLatin1Char('0'))
        .arg(rest % fps, 2, 10, QLatin1Char('0'));
}

QString midiAssignText(bool enabled, int note, int midiChannel, bool noteOffset) {
    if (!enabled || note < 0 || note > 127)
        return QStringLiteral("n.a.");
    return MidiNoteNames(noteOffset)[static_cast<std::size_t>(note)].trimmed() + QStringLiteral(" (") +
           QString::number(midiChannel) + QLatin1Char(')');
}

QString overviewCellText(const ShowStore& store, int ch, OverviewColumn column, int mtcFps,
                         bool noteOffset) {
    const Channel& c = store.channel(ch);
    const ChannelControls& k = store.controls(ch);
    const ChannelAssignments& a = store.assignments(ch);
    switch (column) {
    case OverviewColumn::Sound: {
        const auto& list = store.soundList(ch);
        return k.selectedSound >= 0 && k.selectedSound < list.size()
                   ? list[k.selectedSound].displayName
                   : QString();
    }
    case OverviewColumn::Duration:
        return KAE__Channel_GetLengthStringHMS(ch);
    case OverviewColumn::Position: {
        const std::int64_t frames = KAE__Channel_GetPositionInSamples(ch);
        return engine::hmsText(secondsOf(std::max<std::int64_t>(frames, 0), c.sampleRate));
    }
    case OverviewColumn::Output:
        return c.outputName;
    case OverviewColumn::Restart:
        return mark(k.restartMode);
    case OverviewColumn::Loop:
        return mark(k.loopMode);
    case OverviewColumn::Pause:
        return mark(k.pauseMode);
    case OverviewColumn::Hold:
        return mark(k.holdMode);
    case OverviewColumn::Jump:
        return mark(k.jumpMode);
    case OverviewColumn::Rollback:
        return mark(k.rollback);
    case OverviewColumn::Autostart:
        return mark(k.autostart);
    case OverviewColumn::PlayGroup:
        return groupText(groupNumber(k.playGroup));
    case OverviewColumn::StopGroup:
        return groupText(groupNumber(k.stopGroup));
    case OverviewColumn::Volume:
        return ConvertVolToString(c.volume);
    case OverviewColumn::Pan:
        return ConvertPanToString(c.pan);
    case OverviewColumn::VariSpeed:
        return QString::number(c.variSpeed) + QLatin1Char('%');
    case OverviewColumn::StartOffset:
        return engine::hmsText(secondsOf(a.startOffset, c.sampleRate));
    case OverviewColumn::EndOffset:
        return QStringLiteral("-");
    case OverviewColumn::MtcStart:
        return mtcCueText(a.mtcStart, mtcFps);
    case OverviewColumn::MtcStop:
        return mtcCueText(a.mtcStop, mtcFps);
    case OverviewColumn::MidiIn:
        return midiAssignText(a.midiInEnabled, a.midiInNote, a.midiInChannel, noteOffset);
    case OverviewColumn::MidiOut:
        return midiAssignText(a.midiOutEnabled, a.midiOutNote, a.midiOutChannel, noteOffset);
    case OverviewColumn::GpioIn:
    case OverviewColumn::GpioOut:
        return QString(); // the lines live in the settings: see gpioLinesText
    case OverviewColumn::Info:
        return k.infoText;
    default:
        return QString(); // transport columns are drawn as symbols
    }
}

QString gpioLinesText(const playlist::GpioBlock& block, int ch, bool inputs) {
    const auto wanted = inputs ? playlist::GpioDirection::In : playlist::GpioDirection::Out;
    QStringList lines;
    for (int n = 1; n <= playlist::kGpioLines; ++n) {
        // Ports 1 and 2, then the two halves of port 3, each with a direction of its own.
        const int quarter = n <= 8 ? 0 : n <= 16 ? 1 : n <= 20 ? 2 : 3;
        if (block.directions[static_cast<std::size_t>(quarter)] == wanted &&
            block.lines[static_cast<std::size_t>(n - 1)].function == ch + 1)
            lines << QString::number(n);
    }
    return lines.join(QLatin1Char(' '));
}

double startOffsetFill(const ShowStore& store, int ch) {
    const ChannelAssignments& a = store.assignments(ch);
    const std::int64_t length =
        a.soundLength > 0 ? a.soundLength : KAE__Channel_GetLengthInSamples(ch);
    if (a.startOffset <= 0 || length <= 0)
        return 0.0;
    return std::clamp(static_cast<double>(a.startOffset) / static_cast<double>(length), 0.0, 1.0);
}

double progressFill(int ch) {
    const std::int64_t length = KAE__Channel_GetLengthInSamples(ch);
    const std::int64_t position = KAE__Channel_GetPositionInSamples(ch);
    if (length <= 0 || position <= 0)
        return 0.0;
    return std::clamp(static_cast<double>(position) / static_cast<double>(length), 0.0, 1.0);
}

} // namespace kalvor
