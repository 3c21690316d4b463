// What making a sound list entry current does: load its sound into the channel, or mark
// it missing. Every path that changes a channel's current entry (clicks, keys, the jump
// after a stop, a recall, remote units) ends here. UI thread.
#pragma once

#include <QObject>

namespace kalvor {

class ChannelPlayback;
class Settings;
class ShowStore;

class SoundSelection : public QObject {
    Q_OBJECT
public:
    SoundSelection(ShowStore& store, Settings& settings, ChannelPlayback& playback,
                   QObject* parent = nullptr);

    // Makes `entry` current and loads it.
    void select(int ch, int entry);
    // The selection handling for the channel's current entry.
    void handleCurrentChanged(int ch);
    // Empties the channel: stream freed, nothing selected to play.
    void unload(int ch);
    // The channel's sound did not open again where it had to (another output): the engine
    // left the slot empty. The channel stops and tells it as a failed load does.
    void reloadFailed(int ch, const QString& path);

    // During a recall the current entry is loaded again even when it is already loaded.
    void setRecallRunning(bool on) { recall_ = on; }
    // During a playlist change missing files are marked but not announced one by one.
    void setPlaylistChanging(bool on) { playlistChanging_ = on; }

Q_SIGNALS:
    void soundLoaded(int ch);
    void soundMissing(int ch);
    void loadFailed(int ch);
    void channelEmptied(int ch);

private:
    void reportLoadFailed(int ch, const QString& path);

    ShowStore& store_;
    Settings& settings_;
    ChannelPlayback& playback_;
    bool recall_ = false;
    bool playlistChanging_ = false;
};

} // namespace kalvor
