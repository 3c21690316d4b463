#include "overview/OverviewActions.h"

#include "core/ShowStore.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

namespace kalvor {
namespace {

std::optional<PlayMode> modeOf(OverviewColumn column) {
    switch (column) {
    case OverviewColumn::Restart:
        return PlayMode::Restart;
    case OverviewColumn::Loop:
        return PlayMode::Loop;
    case OverviewColumn::Pause:
        return PlayMode::Pause;
    case OverviewColumn::Hold:
        return PlayMode::Hold;
    case OverviewColumn::Jump:
        return PlayMode::Jump;
    case OverviewColumn::Rollback:
        return PlayMode::Rollback;
    case OverviewColumn::Autostart:
        return PlayMode::Autostart;
    default:
        return std::nullopt;
    }
}

template <typename... A> void call(const std::function<void(A...)>& f, A... a) {
    if (f)
        f(a...);
}

} // namespace

CellRequest OverviewActions::press(const QString& caption, int ch, std::int64_t nowSeconds) {
    const auto column = overviewColumnFromCaption(caption);
    if (!column || ch < 0 || ch >= kChannelCount)
        return CellRequest::None;
    if (const auto mode = modeOf(*column)) {
        const bool on = playModeField(show_.store().controls(ch), *mode) == 1;
        show_.channelOps().SetMode(ch, *mode, !on);
        return CellRequest::Flash;
    }
    switch (*column) {
    case OverviewColumn::Sound:
        return CellRequest::SoundSelector;
    case OverviewColumn::Output:
        return CellRequest::OutputSelector;
    case OverviewColumn::PlayGroup:
        return CellRequest::PlayGroupSelector;
    case OverviewColumn::StopGroup:
        return CellRequest::StopGroupSelector;
    case OverviewColumn::Volume:
        return CellRequest::VolumeSlider;
    case OverviewColumn::Pan:
        return CellRequest::PanSlider;
    case OverviewColumn::VariSpeed:
        return CellRequest::VariSpeedSlider;
    case OverviewColumn::Info:
        return CellRequest::InfoEditor;
    case OverviewColumn::Position:
        call(hooks.goToTime, ch);
        return CellRequest::Flash;
    case OverviewColumn::StartOffset:
        call(hooks.startOffsets, ch);
        return CellRequest::Flash;
    case OverviewColumn::MtcStart:
    case OverviewColumn::MtcStop:
        call(hooks.cueWindow, ch);
        return CellRequest::Flash;
    case OverviewColumn::MidiIn:
    case OverviewColumn::MidiOut:
        call<const QString&>(hooks.options, QStringLiteral("MIDIAssign"));
        return CellRequest::None;
    case OverviewColumn::GpioIn:
    case OverviewColumn::GpioOut:
        call<const QString&>(hooks.options, QStringLiteral("GPIO"));
        return CellRequest::Flash;
    case OverviewColumn::Play:
        play(ch);
        return CellRequest::Pressed;
    case OverviewColumn::PauseButton:
        pause(ch);
        return CellRequest::Pressed;
    case OverviewColumn::Stop:
        stop(ch);
        return CellRequest::Pressed;
    case OverviewColumn::Rewind:
        startSpool(SpoolDirection::Rewind, ch, nowSeconds);
        return CellRequest::Pressed;
    case OverviewColumn::Forward:
        startSpool(SpoolDirection::Forward, ch, nowSeconds);
        return CellRequest::Pressed;
    default:
        return CellRequest::None;
    }
}

void OverviewActions::release(const QString& caption, int ch) {
    if (caption == overviewCaption(OverviewColumn::Play) && ch >= 0 && ch < kChannelCount)
        show_.playback().PlayButtonUp(ch);
    direction_ = SpoolDirection::None;
}

void OverviewActions::play(int ch) {
    // Press, play group and stop group, as the strip's PLAY button.
    show_.playback().PlayButtonDown(ch);
}

void OverviewActions::pause(int ch) {
    if (!KAE__Channel_IsPlaying(ch))
        return;
    ChannelOperations& ops = show_.channelOps();
    const bool wasOn = show_.store().controls(ch).pauseMode == 1;
    ops.SetMode(ch, PlayMode::Pause, true);
    show_.playback().PressPlay(ch);
    // The channel's own PauseMode is the operator's choice; the button borrows it.
    ops.SetMode(ch, PlayMode::Pause, wasOn);
}

void OverviewActions::stop(int ch) {
    // A paused channel counts as stopped here: STOP on it must end it, not resume it.
    if (!KAE__Channel_IsPlaying(ch) || show_.store().controls(ch).restartMode == 1)
        show_.playback().StopAndRewind(ch);
    else
        show_.playback().PressPlay(ch);
}

void OverviewActions::startSpool(SpoolDirection direction, int ch, std::int64_t nowSeconds) {
    direction_ = direction;
    spoolChannel_ = ch;
    stepSeconds_ = 1;
    pressSeconds_ = nowSeconds;
    spoolStep(nowSeconds);
}

bool OverviewActions::spoolStep(std::int64_t nowSeconds) {
    const int ch = spoolChannel_;
    if (direction_ == SpoolDirection::None || !show_.playback().soundReady(ch)) {
        direction_ = SpoolDirection::None;
        return false;
    }
    if (nowSeconds >= pressSeconds_ + 3)
        stepSeconds_ = 10;
    const std::int64_t position = KAE__Channel_GetPositionInSec(ch);
    if (direction_ == SpoolDirection::Forward) {
        if (position + stepSeconds_ < KAE__Channel_GetLengthInSec(ch))
            show_.channelOps().SeekSeconds(ch, static_cast<double>(position + stepSeconds_));
    } else if (position <= stepSeconds_) {
        show_.channelOps().SeekSeconds(ch, 0.0);
        direction_ = SpoolDirection::None;
    } else {
        show_.channelOps().SeekSeconds(ch, static_cast<double>(position - stepSeconds_));
    }
    Q_EMIT show_.playback().positionChanged(ch);
    return direction_ != SpoolDirection::None;
}

} // namespace kalvor
