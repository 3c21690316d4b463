// What PLAY, release, stop and pause do to a channel, in every combination of its play
// modes and fades; play and stop groups; the end of a sound and of a fade-out; the step
// after every stop (jump to the next sound, autostart); the PLAY button's colour states;
// and the preset-wide play, pause, rollback, forward and repeat. Every input path (mouse,
// keys, serial, MIDI, keypads, GPIO, overview, remote units, a recall's autostarts) ends
// in these operations. The engine does the audio work; subsystems that follow a channel
// (log, MIDI out, GPIO outputs, remote displays) listen to the signals. UI thread.
#pragma once

#include "core/Limits.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

namespace kalvor {

class Settings;
class ShowStore;

enum class ButtonColour { Off, On, Pause, End };

// Why a channel stopped: the step after the stop depends on it.
enum class StopCause {
    Operator,    // PLAY, stop commands, a stop group
    RightButton, // right mouse button on PLAY: jump, but no autostart
    EndOfSound,
    Recall,     // a preset recall stops everything first: no jump
    Reload,     // stopped to load another sound: nothing follows
    OutputLost, // its output went away: nothing follows on a dead output
    Cue,        // the automatic cue caught its offset: it waits there, on the same sound
};

enum class LogReason { Start, Resume, Restart };

// What the time displays show for a channel: position and length (or the time left, when
// "CountDown" is on) as "hh:mm:ss", and the position slider in percent of the length.
struct TimeDisplay {
    QString position;
    QString length;
    int percent = 0;
};

class ChannelPlayback : public QObject {
    Q_OBJECT
public:
    ChannelPlayback(ShowStore& store, Settings& settings, QObject* parent = nullptr);

    // The selected sound loaded successfully; PLAY does nothing while false.
    bool soundReady(int ch) const { return at(soundReady_, ch); }
    void setSoundReady(int ch, bool ready);

    void PressPlay(int ch);
    void PlayButtonDown(int ch, bool rightButton = false);
    void PlayButtonUp(int ch);
    // PLAY with the play group and the stop group, as PlayButtonDown, but the operator's
    // selected channel stays as it is: a remote input that names its channel (MIDI
    // notes, keypads whose keys do not select, GPIO inputs).
    void PressPlayWithGroups(int ch);
    void StopChannel(int ch, StopCause cause = StopCause::Operator);
    void PauseChannel(int ch);
    void StopAndRewind(int ch);
    void ResumeChannel(int ch);
    void StartChannel(int ch);

    // The Global Playback Control, for the channels whose Rollback box is on.
    void GlobalPlay();
    void GlobalPause();
    void GlobalRollback();
    void GlobalForward();
    void GlobalRepeat();

    // The engine's notifications, as the dispatcher hands them on.
    void onEndOfSound(int slot);
    void onFadeInFinished(int slot);
    void onFadeOutFinished(int slot);
    void onOutputLost(int slot);

    // The button-colour timer: one phase step (1, 2, 3, 4, 1, ...) per tick.
    void tickButtonColours();
    int buttonPhase() const { return phase_; }
    ButtonColour buttonColour(int ch) const { return at(colour_, ch); }
    // The colour value (red + 256 green + 65536 blue) of a state, from the settings.
    int colourValue(ButtonColour colour) const;

    int fadeInState(int ch) const { return at(fadeInState_, ch); }
    int fadeOutState(int ch) const { return at(fadeOutState_, ch); }
    std::int64_t repeatPosition(int ch) const { return at(repeatPosition_, ch); }

    // The playback timer's figures for a channel.
    TimeDisplay timeDisplay(int ch) const;

    // Stops every playing or paused channel as a recall does (no jump follows).
    void stopAllForRecall();

    // The sound list's selection handling, used by the jump after a stop: selecting the
    // entry loads its sound.
    std::function<void(int ch, int entry)> selectEntry;

Q_SIGNALS:
    void channelStarted(int ch); // GPIO output on, MIDI note, remote units "playing"
    void channelPaused(int ch);
    void channelStopped(int ch); // GPIO output off, displays reset
    void buttonColourChanged(int ch, kalvor::ButtonColour colour);
    void channelSelected(int ch); // a left press makes the channel the selected one
    void logEntry(int ch, kalvor::LogReason reason);
    void positionChanged(int ch); // rollback, forward, repeat moved it

private:
    template <typename T> static T at(const std::array<T, kChannelCount>& a, int ch) {
        return a.at(static_cast<std::size_t>(ch));
    }
    template <typename T> static T& ref(std::array<T, kChannelCount>& a, int ch) {
        return a.at(static_cast<std::size_t>(ch));
    }
    bool isPlaying(int ch) const;
    bool isPaused(int ch) const;
    void applyLevels(int ch);
    void startFromOffset(int ch);
    // Ends a playing channel as a press does: fade-out, or stop/pause by PauseMode.
    // `forGood`: the fade-out ends the sound even on a restart channel (a hold release).
    void endPlaying(int ch, bool forGood = false);
    void stopOrPauseByMode(int ch);
    void afterStop(int ch, StopCause cause);
    void setColour(int ch, ButtonColour colour);
    void forEachGlobalChannel(const std::function<void(int)>& f);
    void pressGroup(int ch);

    ShowStore& store_;
    Settings& settings_;
    std::array<bool, kChannelCount> soundReady_{};
    std::array<int, kChannelCount> fadeInState_{};
    std::array<int, kChannelCount> fadeOutState_{};
    // The running fade-out was started to end the sound, not by PLAY on a restart channel.
    std::array<bool, kChannelCount> fadeOutEnds_{};
    std::array<std::int64_t, kChannelCount> repeatPosition_{};
    std::array<ButtonColour, kChannelCount> colour_{};
    int phase_ = 0;
};

} // namespace kalvor
