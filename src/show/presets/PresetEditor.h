// The preset list operations that change the preset memory without touching sound:
// new, store (automatic and explicit), delete, remove all, rename, the one-preset
// clipboard, insert new, and the preset part of emptying the show. Recall, next and
// previous (which need the engine) are built on top of these. Every input path (list
// menu, keys, remote units) calls these methods. UI thread.
#pragma once

#include "core/Preset.h"

#include <QObject>

#include <functional>

namespace kalvor {

class Settings;
class ShowStore;

class PresetEditor : public QObject {
    Q_OBJECT
public:
    PresetEditor(ShowStore& store, Settings& settings, QObject* parent = nullptr);

    // Appends "New Preset" holding the current channels and selects it. False, after
    // the "Preset memory full" box, when the list is at its capacity.
    bool NewPreset();

    // Copies the channels into slot `index`. Without `force` this is the automatic store:
    // it only happens while "SavePresetsOnChange" is on. Nothing on an empty list.
    void StorePreset(int index, bool force);
    // The save-preset button: the current preset, with the please-wait box. Before any
    // recall the selected preset is stored and becomes the current one.
    void SaveCurrentPreset();
    // The automatic store of the current preset before another one is selected.
    void AutoStore();

    // Removes the selected preset (after Yes when `ask`); the entry at the same position,
    // or the last one, becomes selected.
    void DeletePreset(bool ask);
    // After Yes: every slot cleared, the list emptied, one new preset created.
    void RemoveAllPresets();
    // Asks for a new name for the selected preset; an empty answer changes nothing.
    void RenamePreset();

    void CopyPreset();
    void CutPreset();
    // Inserts the clipboard before or after the selected preset.
    bool InsertClipboard(bool after);
    // Inserts a new preset made from the current channels before or after the selected one.
    bool InsertNewPreset(bool after);

    const Preset& clipboard() const { return clipboard_; }
    bool clipboardEmpty() const { return clipboard_.isFree(); }

    // The preset part of emptying the show: slots cleared, list emptied, no current preset.
    void ClearPresetMemory();

    // A sound list entry of channel `ch` was inserted at `at`, or the one at `at` removed,
    // in a list of `sizeBefore` entries; or the whole list was emptied. Every preset, the
    // clipboard's too, keeps choosing the sound the operator chose for it, and chooses none
    // once that sound has left the list: a recall must never play the entry that moved
    // into its place. An index that was already beyond the list stays as it is.
    void soundInserted(int ch, int at, int sizeBefore);
    void soundRemoved(int ch, int at, int sizeBefore);
    void soundListCleared(int ch, int sizeBefore);

    // Set by the recall while it runs. A recall that shows a box lets keypads and remote
    // units in, and then goes on with the slot it started from; every operation above
    // that would move, fill or empty slots is refused meanwhile (a system message says so).
    void setRecallRunning(bool on) { recallRunning_ = on; }

Q_SIGNALS:
    // The status bar line ("Preset: " + name + three blanks).
    void statusText(const QString& text);

private:
    bool refuseWhenFull();
    bool refuseWhileRecalling();
    Preset newPresetFromChannels() const;
    void showStatusFor(int index);
    int insertPosition(bool after) const;
    // Runs `change` on the stored sound index of channel `ch` in every preset and the clipboard.
    void forEachStoredSound(int ch, const std::function<void(std::int16_t&)>& change);

    ShowStore& store_;
    Settings& settings_;
    Preset clipboard_;
    bool recallRunning_ = false;
};

} // namespace kalvor
