// Recalling presets: the whole channel state from a slot, the sounds loaded on the right
// outputs, then the autostarts together; next and previous with the modifier-key table;
// the recall that follows loading a show. A recall lets events run while it waits, so
// `RecallBusy` keeps a second one (a key, a remote command) from starting meanwhile.
// UI thread.
#pragma once

#include <QObject>

#include <functional>

namespace kalvor {

class ChannelPlayback;
class PresetEditor;
class Settings;
class ShowStore;
class SoundSelection;

// The modifier keys held while a preset is chosen.
struct PresetModifiers {
    bool shift = false;
    bool ctrl = false;
};

class PresetRecall : public QObject {
    Q_OBJECT
public:
    PresetRecall(ShowStore& store, Settings& settings, PresetEditor& editor,
                 ChannelPlayback& playback, SoundSelection& selection, QObject* parent = nullptr);

    // Recalls the selected preset. Ignored while a recall runs, and while a show loads:
    // a box of the load lets keypads and remote units in before the show is complete.
    void RecallPreset();
    // The recall that ends a load, the one recall made while the show loads.
    void RecallFirstPresetOfLoad(bool ignoreAutostart);
    // True while a show is being loaded (the playlist files' flag).
    std::function<bool()> showLoading;
    bool recallBusy() const { return busy_; }
    // Suppresses the autostarts of the next recall only.
    void setIgnoreAutostartOnce(bool ignore) { ignoreAutostartOnce_ = ignore; }

    // A click on the list (or a remote selection) with the modifier table: automatic
    // store first unless Ctrl, autostarts unless Shift.
    void SelectPreset(int index, PresetModifiers modifiers = {});
    void NextPreset(PresetModifiers modifiers = {});
    void PreviousPreset(PresetModifiers modifiers = {});
    // The recall button: no automatic store; Shift ignores the autostarts.
    void RecallButton(bool shift);

Q_SIGNALS:
    void recallStarted(int index);  // overview stops redrawing, remote units show "loading"
    void channelRecalled(int ch);   // KD-1 line, MIDI grid, MTC window, start-offset window
    void recallFinished(int index); // text reader position, remote screens, overview redraw
    void statusText(const QString& text);

private:
    void recallChannel(int ch, int slot);
    void prepareSounds(int slot);

    ShowStore& store_;
    Settings& settings_;
    PresetEditor& editor_;
    ChannelPlayback& playback_;
    SoundSelection& selection_;
    bool busy_ = false;
    bool ignoreAutostartOnce_ = false;
    bool loadRecall_ = false;
};

} // namespace kalvor
