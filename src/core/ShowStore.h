// The one store of show state: 33 channel records, the operator controls, sound lists
// and assignments of the 32 playback channels, the channel titles and the preset memory.
// Owned by the UI thread and only touched there. Windows, the overview and remote units
// mirror it by listening to its signals; they keep no show state of their own.
//
// Code that changes the store through the mutable accessors announces the change with the
// matching `announce...` call once it is complete, so listeners redraw a consistent state.
#pragma once

#include "core/Channel.h"
#include "core/Limits.h"
#include "core/Preset.h"
#include "core/SoundEntry.h"

#include <QList>
#include <QObject>

#include <array>

namespace kalvor {

// What about a channel changed, so a listener can redraw only that.
enum class ChannelAspect : unsigned {
    Sound = 1u << 0,       // file, format, length
    Levels = 1u << 1,      // volume, pan, vari-speed
    Controls = 1u << 2,    // play modes, groups, info text
    Assignments = 1u << 3, // MIDI, MTC, start offset
    Output = 1u << 4,      // device, output name, surround
    Effects = 1u << 5,     // effects, fades
    Title = 1u << 6,
    All = 0xffffffffu,
};

constexpr ChannelAspect operator|(ChannelAspect a, ChannelAspect b) {
    return static_cast<ChannelAspect>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

class ShowStore : public QObject {
    Q_OBJECT
public:
    explicit ShowStore(QObject* parent = nullptr);

    // Records 0..31 are the playback channels, 32 the preview channel.
    Channel& channel(int index) { return channels_.at(static_cast<std::size_t>(index)); }
    const Channel& channel(int index) const {
        return channels_.at(static_cast<std::size_t>(index));
    }

    ChannelControls& controls(int ch) { return controls_.at(static_cast<std::size_t>(ch)); }
    const ChannelControls& controls(int ch) const {
        return controls_.at(static_cast<std::size_t>(ch));
    }

    ChannelAssignments& assignments(int ch) {
        return assignments_.at(static_cast<std::size_t>(ch));
    }
    const ChannelAssignments& assignments(int ch) const {
        return assignments_.at(static_cast<std::size_t>(ch));
    }

    const QList<SoundEntry>& soundList(int ch) const {
        return soundLists_.at(static_cast<std::size_t>(ch));
    }
    QList<SoundEntry>& soundList(int ch) { return soundLists_.at(static_cast<std::size_t>(ch)); }
    void setSoundList(int ch, QList<SoundEntry> entries);

    // Cut to 50 characters, as a preset would store it.
    void setChannelInfo(int ch, const QString& text, int colour);

    // The channel the settings panel shows and the keys act on; -1 before the first
    // selection. Every input path selects through here, so the panel, the overview and
    // the remote units all follow the same choice.
    int selectedChannel() const { return selectedChannel_; }
    void selectChannel(int ch);

    PresetMemory& presets() { return presets_; }
    const PresetMemory& presets() const { return presets_; }

    // "Channel 1".."Channel 32" or "Kanal 1".., rewritten on every language switch.
    const QString& channelTitle(int ch) const { return titles_.at(static_cast<std::size_t>(ch)); }
    void writeChannelTitles();

    // Playlist shown in the caption; empty when none is loaded.
    const QString& playlistPath() const { return playlistPath_; }
    void setPlaylistPath(const QString& path);

    // Puts the 32 playback channels back to the start-up state: info texts cleared, titles
    // written, start offsets, lengths and time-code cues at 0.
    void resetPlaybackChannels();

    void announceChannel(int ch, ChannelAspect aspects = ChannelAspect::All);
    void announceSoundList(int ch);
    void announcePresets();

Q_SIGNALS:
    void channelChanged(int channel, unsigned aspects);
    void soundListChanged(int channel);
    void presetsChanged();
    void currentPresetChanged(int index);
    void channelTitlesChanged();
    void playlistPathChanged(const QString& path);
    // Sent on every selection, also of the channel already selected, so its panel is
    // filled again from the record.
    void selectedChannelChanged(int channel);

private:
    std::array<Channel, kChannelRecords> channels_{};
    std::array<ChannelControls, kChannelCount> controls_{};
    std::array<ChannelAssignments, kChannelCount> assignments_{};
    std::array<QList<SoundEntry>, kChannelCount> soundLists_{};
    std::array<QString, kChannelCount> titles_{};
    PresetMemory presets_;
    QString playlistPath_;
    int selectedChannel_ = -1;
};

} // namespace kalvor
