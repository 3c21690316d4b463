// The operator's settings of one channel, as every input path changes them (the strip and
// the settings panel, the overview, remote units, OSC, a rehearsal script): level, pan,
// vari-speed, play modes and groups, the selected sound, the position, the output and the
// speaker destination. Each operation writes the channel's record, tells the engine at
// once and announces the change; windows call these and redraw from the store's signals.
// A value out of range changes nothing and returns false. UI thread.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace kalvor {

class ChannelPlayback;
class ShowStore;
class SoundSelection;
struct ChannelControls;

enum class PlayMode { Restart, Loop, Pause, Hold, Jump, Autostart, Rollback };
inline constexpr int kPlayModeCount = 7;

// The mode's check-box value in the record.
std::uint8_t& playModeField(ChannelControls& controls, PlayMode mode);
// Scripts name the modes in lower case: "restart", "loop", ... "rollback".
QString playModeName(PlayMode mode);
std::optional<PlayMode> playModeFromName(QStringView name);

// The vari-speed range the operator can set, in percent.
inline constexpr int kVariSpeedMin = -50;
inline constexpr int kVariSpeedMax = 50;

class ChannelOperations {
public:
    ChannelOperations(ShowStore& store, ChannelPlayback& playback, SoundSelection& selection);

    bool SetVolume(int ch, int volume); // 0..100
    bool SetPan(int ch, int pan);       // -100..100
    bool SetVariSpeed(int ch, int percent);
    bool SetMode(int ch, PlayMode mode, bool on);
    bool SetGroup(int ch, bool playGroup, int group); // 0 none, 1..8
    // Makes the sound list entry (0-based) current, which loads it.
    bool SelectSound(int ch, int entry);
    // Moves the position, playing or not; false while no sound can be measured.
    bool SeekPercent(int ch, int percent);
    bool SeekSeconds(int ch, double seconds);
    // Moves the channel to the output of that name; a playing sound goes on there. A sound
    // that does not open there leaves the channel stopped and empty, told as a failed load.
    bool SetOutput(int ch, const QString& outputName);
    // The destination selector's entry 0..16. A refused entry shows why and changes
    // nothing; a device that does not take it puts the channel back on entry 0.
    bool SetDestination(int ch, int index);

private:
    ShowStore& store_;
    ChannelPlayback& playback_;
    SoundSelection& selection_;
};

} // namespace kalvor
