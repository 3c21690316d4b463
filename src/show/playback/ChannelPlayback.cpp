#include "show/playback/ChannelPlayback.h"

#include "core/Channel.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"
#include "show/playback/PlaybackTexts.h"

namespace kalvor {

ChannelPlayback::ChannelPlayback(ShowStore& store, Settings& settings, QObject* parent)
    : QObject(parent), store_(store), settings_(settings) {}

void ChannelPlayback::setSoundReady(int ch, bool ready) {
    ref(soundReady_, ch) = ready;
}

bool ChannelPlayback::isPlaying(int ch) const {
    return KAE__Channel_IsPlaying(ch);
}

bool ChannelPlayback::isPaused(int ch) const {
    return KAE__Channel_IsPaused(ch);
}

void ChannelPlayback::applyLevels(int ch) {
    KAE__Channel_SetVolume(ch);
    KAE__Channel_SetPan(ch);
    KAE__Channel_SetFrequency(ch);
}

void ChannelPlayback::startFromOffset(int ch) {
    const bool loop = store_.controls(ch).loopMode == 1;
    const std::int32_t offset = store_.assignments(ch).startOffset;
    if (offset > 0) {
        KAE__Channel_SetPositionInSamples(ch, offset);
        KAE__Channel_Play(ch, false, loop);
    } else {
        KAE__Channel_Play(ch, true, loop);
    }
}

void ChannelPlayback::PressPlay(int ch) {
    if (ch < 0 || ch >= kChannelCount || !soundReady(ch))
        return;
    const Channel& c = store_.channel(ch);
    const ChannelControls& k = store_.controls(ch);

    if (!isPlaying(ch)) {
        if (c.fadeIn.active) {
            KAE__Channel_SetPan(ch);
            KAE__Channel_SetFrequency(ch);
            if (!KAE__Channel_IsVolumeSliding(ch)) {
                ref(fadeInState_, ch) = 1;
                KAE__Channel_StartFadeIn(ch);
            }
        } else {
            applyLevels(ch);
        }
        const bool resume = isPaused(ch);
        if (resume)
            KAE__Channel_Play(ch, false, k.loopMode == 1);
        else
            startFromOffset(ch);
        if (!isPlaying(ch)) {
            // Its output is gone: PLAY must not show, nor log, a sound that nobody hears.
            KAE__Channel_CancelFade(ch);
            ref(fadeInState_, ch) = 0;
            return;
        }
        if (!resume)
            Q_EMIT logEntry(ch, LogReason::Start);
        else if (settings_.isOn(u"LogResumeCreate"))
            Q_EMIT logEntry(ch, LogReason::Resume);
        setColour(ch, ButtonColour::On);
        Q_EMIT channelStarted(ch);
        return;
    }

    const bool restart = k.restartMode == 1;
    if (restart && !c.fadeIn.active && !c.fadeOut.active) {
        // Back to the start offset without a gap: the stream keeps playing.
        KAE__Channel_SetPositionInSamples(ch, store_.assignments(ch).startOffset);
        if (settings_.isOn(u"LogRestartCreate"))
            Q_EMIT logEntry(ch, LogReason::Restart);
        return;
    }
    if (restart && c.fadeIn.active && !c.fadeOut.active) {
        // A restart with its fade-in: stop (nothing follows such a stop) and press again.
        KAE__Channel_SetPositionInSamples(ch, store_.assignments(ch).startOffset);
        KAE__Channel_CancelFade(ch);
        KAE__Channel_Stop(ch);
        ref(fadeInState_, ch) = 0;
        PressPlay(ch);
        // The press above starts a stopped channel; for the log this is still a restart.
        if (isPlaying(ch) && settings_.isOn(u"LogRestartCreate"))
            Q_EMIT logEntry(ch, LogReason::Restart);
        return;
    }
    endPlaying(ch);
}

void ChannelPlayback::endPlaying(int ch, bool forGood) {
    if (store_.channel(ch).fadeOut.active) {
        if (!KAE__Channel_IsVolumeSliding(ch)) {
            ref(fadeOutState_, ch) = 1;
            ref(fadeOutEnds_, ch) = forGood;
            KAE__Channel_StartFadeOut(ch);
            return;
        }
        // A second press during a fade ends it at once.
        KAE__Channel_CancelFade(ch);
        ref(fadeInState_, ch) = 0;
        ref(fadeOutState_, ch) = 0;
    }
    stopOrPauseByMode(ch);
}

void ChannelPlayback::stopOrPauseByMode(int ch) {
    if (store_.controls(ch).pauseMode == 1)
        PauseChannel(ch);
    else
        StopChannel(ch);
}

void ChannelPlayback::pressGroup(int ch) {
    const int playGroup = groupNumber(store_.controls(ch).playGroup);
    if (playGroup > 0) {
        for (int other = 0; other < kChannelCount; ++other) {
            if (other != ch && groupNumber(store_.controls(other).playGroup) == playGroup)
                PressPlay(other);
        }
    }
    const int stopGroup = groupNumber(store_.controls(ch).stopGroup);
    if (stopGroup > 0) {
        for (int other = 0; other < kChannelCount; ++other) {
            if (other == ch || groupNumber(store_.controls(other).stopGroup) != stopGroup ||
                !isPlaying(other))
                continue;
            if (store_.channel(other).fadeOut.active) {
                if (at(fadeInState_, other) != 0 && at(fadeOutState_, other) == 0) {
                    // Still fading in: it turns round where it is instead of going on up.
                    ref(fadeInState_, other) = 0;
                    ref(fadeOutState_, other) = 1;
                    ref(fadeOutEnds_, other) = true;
                    KAE__Channel_TurnToFadeOut(other);
                } else if (!KAE__Channel_IsVolumeSliding(other)) {
                    ref(fadeOutState_, other) = 1;
                    ref(fadeOutEnds_, other) = true;
                    KAE__Channel_StartFadeOut(other);
                } else if (at(fadeOutState_, other) != 0) {
                    // Already fading out, maybe to start again: now the fade ends it.
                    ref(fadeOutEnds_, other) = true;
                }
            } else {
                StopChannel(other);
            }
        }
    }
}

void ChannelPlayback::PlayButtonDown(int ch, bool rightButton) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    if (rightButton) {
        StopChannel(ch, StopCause::RightButton);
        return;
    }
    PressPlayWithGroups(ch);
    store_.selectChannel(ch);
    Q_EMIT channelSelected(ch);
}

void ChannelPlayback::PressPlayWithGroups(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    engine::EngineBatch batch;
    PressPlay(ch);
    pressGroup(ch);
}

void ChannelPlayback::PlayButtonUp(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    engine::EngineBatch batch;
    auto release = [this](int c) {
        if (store_.controls(c).holdMode == 1 && isPlaying(c))
            endPlaying(c, true);
    };
    release(ch);
    const int playGroup = groupNumber(store_.controls(ch).playGroup);
    if (playGroup == 0)
        return;
    for (int other = 0; other < kChannelCount; ++other) {
        if (other != ch && groupNumber(store_.controls(other).playGroup) == playGroup)
            release(other);
    }
}

void ChannelPlayback::StopChannel(int ch, StopCause cause) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    // Only a channel that was sounding has been stopped; a stop of a silent channel must
    // not step its sound list on (loading a sound stops the channel first).
    const bool wasActive = isPlaying(ch) || isPaused(ch);
    KAE__Channel_CancelFade(ch);
    KAE__Channel_Stop(ch);
    ref(fadeInState_, ch) = 0;
    ref(fadeOutState_, ch) = 0;
    setColour(ch, ButtonColour::Off);
    Q_EMIT channelStopped(ch);
    if (wasActive || cause == StopCause::EndOfSound)
        afterStop(ch, cause);
}

void ChannelPlayback::PauseChannel(int ch) {
    if (ch < 0 || ch >= kChannelCount || !isPlaying(ch))
        return;
    KAE__Channel_CancelFade(ch);
    KAE__Channel_Pause(ch);
    ref(fadeInState_, ch) = 0;
    ref(fadeOutState_, ch) = 0;
    setColour(ch, ButtonColour::Pause);
    Q_EMIT channelPaused(ch);
}

void ChannelPlayback::StopAndRewind(int ch) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    const bool wasActive = isPlaying(ch) || isPaused(ch);
    KAE__Channel_CancelFade(ch);
    KAE__Channel_Stop(ch);
    KAE__Channel_SetPosition(ch, 0);
    ref(fadeInState_, ch) = 0;
    ref(fadeOutState_, ch) = 0;
    setColour(ch, ButtonColour::Off);
    Q_EMIT channelStopped(ch);
    if (wasActive)
        afterStop(ch, StopCause::Operator);
}

void ChannelPlayback::ResumeChannel(int ch) {
    if (ch < 0 || ch >= kChannelCount || !soundReady(ch) || isPlaying(ch))
        return;
    applyLevels(ch);
    if (isPaused(ch))
        KAE__Channel_Play(ch, false, store_.controls(ch).loopMode == 1);
    else
        startFromOffset(ch);
    if (!isPlaying(ch))
        return; // a dead output
    setColour(ch, ButtonColour::On);
    Q_EMIT channelStarted(ch);
}

void ChannelPlayback::StartChannel(int ch) {
    if (ch < 0 || ch >= kChannelCount || !soundReady(ch))
        return;
    applyLevels(ch);
    if (!KAE__Channel_Play(ch, true, store_.controls(ch).loopMode == 1))
        return; // a dead output
    setColour(ch, ButtonColour::On);
    Q_EMIT channelStarted(ch);
}

void ChannelPlayback::afterStop(int ch, StopCause cause) {
    if (cause == StopCause::Reload || cause == StopCause::Recall || cause == StopCause::OutputLost)
        return;
    const std::int32_t offset = store_.assignments(ch).startOffset;
    if (offset > 0) {
        KAE__Channel_SetPositionInSamples(ch, offset);
    } else if (settings_.integer(u"ClickFix") == 1 && !store_.channel(ch).fileName.isEmpty()) {
        // A fresh stream starts without the tail of the old buffer: no click at the next PLAY.
        const QString file = store_.channel(ch).fileName;
        if (KAE__Channel_Load_Sound(ch, file)) {
            KAE__Channel_ApplySettings(ch);
        } else {
            // The file went away while it played (a share dropped, a folder renamed): the
            // channel is empty now, and says so, rather than taking PLAY in silence.
            setSoundReady(ch, false);
            store_.assignments(ch).soundLength = 0;
            store_.announceChannel(ch, ChannelAspect::Sound | ChannelAspect::Assignments);
            AddDebugMessage(txt(texts::AudioEngineLoadError) + QLatin1Char(' ') + file);
        }
    }
    const ChannelControls& k = store_.controls(ch);
    if (k.jumpMode != 1 || !selectEntry || cause == StopCause::Cue)
        return;
    const int count = static_cast<int>(store_.soundList(ch).size());
    if (count == 0)
        return;
    const int next =
        (k.selectedSound + 1 >= count || k.selectedSound < 0) ? 0 : k.selectedSound + 1;
    selectEntry(ch, next);
    if (k.autostart == 1 && cause != StopCause::RightButton)
        PressPlay(ch);
}

void ChannelPlayback::stopAllForRecall() {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (isPlaying(ch) || isPaused(ch))
            StopChannel(ch, StopCause::Recall);
    }
}

void ChannelPlayback::onEndOfSound(int slot) {
    if (slot < 0 || slot >= kChannelCount)
        return;
    StopChannel(slot, StopCause::EndOfSound);
}

void ChannelPlayback::onFadeInFinished(int slot) {
    if (slot >= 0 && slot < kChannelCount)
        ref(fadeInState_, slot) = 0;
}

void ChannelPlayback::onFadeOutFinished(int slot) {
    if (slot < 0 || slot >= kChannelCount)
        return;
    ref(fadeOutState_, slot) = 0;
    const bool restart = store_.controls(slot).restartMode == 1 && !at(fadeOutEnds_, slot);
    ref(fadeOutEnds_, slot) = false;
    stopOrPauseByMode(slot);
    // The stop's jump with autostart may have started the next sound already: pressing it
    // again would fade that one out.
    if (restart && !isPlaying(slot)) {
        // A restart channel fades out and starts again, with its fade-in when it has one.
        KAE__Channel_SetPosition(slot, 0);
        PressPlay(slot);
        // The press starts a stopped channel; for the log this is still a restart.
        if (isPlaying(slot) && settings_.isOn(u"LogRestartCreate"))
            Q_EMIT logEntry(slot, LogReason::Restart);
    }
}

void ChannelPlayback::onOutputLost(int slot) {
    if (slot >= 0 && slot < kChannelCount)
        StopChannel(slot, StopCause::OutputLost);
}

void ChannelPlayback::setColour(int ch, ButtonColour colour) {
    if (at(colour_, ch) == colour)
        return;
    ref(colour_, ch) = colour;
    Q_EMIT buttonColourChanged(ch, colour);
}

int ChannelPlayback::colourValue(ButtonColour colour) const {
    switch (colour) {
    case ButtonColour::On:
        return settings_.integer(u"ButtonColorPlayNew");
    case ButtonColour::Pause:
        return settings_.integer(u"ButtonColorPause");
    case ButtonColour::End:
        return settings_.integer(u"ButtonColorEnd");
    case ButtonColour::Off:
        break;
    }
    return settings_.integer(u"ButtonColorStopNew");
}

void ChannelPlayback::tickButtonColours() {
    phase_ = phase_ % 4 + 1;
    const bool showEnd = settings_.integer(u"ShowEndSignal") == 1;
    const int endRange = settings_.integer(u"EndSignalRange");
    const bool flashEnd = settings_.integer(u"FlashStateEnd") == 1;
    const bool flashPlay = settings_.integer(u"FlashStatePlay") == 1;
    const bool flashPause = settings_.integer(u"FlashStatePause") == 1;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (isPlaying(ch)) {
            const std::int64_t remaining =
                KAE__Channel_GetLengthInSec(ch) - KAE__Channel_GetPositionInSec(ch);
            if (showEnd && remaining < endRange) {
                if (phase_ == 1 || phase_ == 3)
                    setColour(ch, ButtonColour::End);
                else if (flashEnd)
                    setColour(ch, ButtonColour::Off);
            } else if (phase_ == 1) {
                setColour(ch, ButtonColour::On);
            } else if (phase_ == 2 && flashPlay) {
                setColour(ch, ButtonColour::Off);
            }
        } else if (isPaused(ch)) {
            if (phase_ == 1)
                setColour(ch, ButtonColour::Pause);
            else if (phase_ == 2 && flashPause)
                setColour(ch, ButtonColour::Off);
        }
    }
}

TimeDisplay ChannelPlayback::timeDisplay(int ch) const {
    TimeDisplay t{engine::hmsText(0), engine::hmsText(0), 0};
    if (ch < 0 || ch >= kChannelCount || !soundReady(ch))
        return t;
    const std::int64_t length = KAE__Channel_GetLengthInSec(ch);
    const std::int64_t position =
        std::clamp<std::int64_t>(KAE__Channel_GetPositionInSec(ch), 0, length);
    t.position = engine::hmsText(position);
    t.length = settings_.integer(u"CountDown") == 1 ? engine::hmsText(length - position)
                                                    : KAE__Channel_GetLengthStringHMS(ch);
    const std::int64_t bytes = KAE__Channel_GetLength(ch);
    if (bytes > 0)
        t.percent = static_cast<int>(
            std::clamp<std::int64_t>(KAE__Channel_GetPosition(ch) * 100 / bytes, 0, 100));
    return t;
}

void ChannelPlayback::forEachGlobalChannel(const std::function<void(int)>& f) {
    engine::EngineBatch batch;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (store_.controls(ch).rollback == 1)
            f(ch);
    }
}

void ChannelPlayback::GlobalPlay() {
    forEachGlobalChannel([this](int ch) { ResumeChannel(ch); });
}

void ChannelPlayback::GlobalPause() {
    forEachGlobalChannel([this](int ch) { PauseChannel(ch); });
}

void ChannelPlayback::GlobalRollback() {
    const int step = settings_.integer(u"SceneRollbackTime");
    forEachGlobalChannel([this, step](int ch) {
        const std::int64_t pos = KAE__Channel_GetPositionInSec(ch);
        if (pos <= step)
            return;
        KAE__Channel_SetPositionInSec(ch, pos - step);
        ref(repeatPosition_, ch) = KAE__Channel_GetPosition(ch);
        Q_EMIT positionChanged(ch);
    });
}

void ChannelPlayback::GlobalForward() {
    const int step = settings_.integer(u"SceneRollbackTime");
    forEachGlobalChannel([this, step](int ch) {
        if (!soundReady(ch))
            return;
        const std::int64_t pos = KAE__Channel_GetPositionInSec(ch);
        const std::int64_t length = KAE__Channel_GetLengthInSec(ch);
        KAE__Channel_SetPositionInSec(ch, std::min(pos + step, length));
        ref(repeatPosition_, ch) = KAE__Channel_GetPosition(ch);
        Q_EMIT positionChanged(ch);
    });
}

void ChannelPlayback::GlobalRepeat() {
    forEachGlobalChannel([this](int ch) {
        if (!soundReady(ch))
            return;
        KAE__Channel_SetPosition(ch, at(repeatPosition_, ch));
        ResumeChannel(ch);
        Q_EMIT positionChanged(ch);
    });
}

} // namespace kalvor
