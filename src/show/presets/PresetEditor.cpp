#include "show/presets/PresetEditor.h"

#include "core/CoreTexts.h"
#include "core/Dialogs.h"
#include "core/FixedText.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "show/presets/PresetCopy.h"
#include "show/presets/PresetTexts.h"

namespace kalvor {

PresetEditor::PresetEditor(ShowStore& store, Settings& settings, QObject* parent)
    : QObject(parent), store_(store), settings_(settings) {}

bool PresetEditor::refuseWhenFull() {
    PresetMemory& memory = store_.presets();
    if (!memory.isFull())
        return false;
    showMessage(txt(texts::MemoryErrorTitle), txt(texts::PresetMemoryFull).arg(memory.capacity()),
                MessageIcon::Critical);
    return true;
}

bool PresetEditor::refuseWhileRecalling() {
    if (!recallRunning_)
        return false;
    AddDebugMessage(txt(texts::PresetsBusy));
    return true;
}

Preset PresetEditor::newPresetFromChannels() const {
    Preset p;
    p.setName(txt(texts::NewPreset));
    p.textReaderPosition = -1;
    p.remoteTextPosition = -1;
    storeChannels(store_, p);
    return p;
}

void PresetEditor::showStatusFor(int index) {
    const PresetMemory& memory = store_.presets();
    if (index < 0 || index >= memory.count())
        return;
    Q_EMIT statusText(txt(texts::StatusPreset) + memory.names().at(index) + QStringLiteral("   "));
}

bool PresetEditor::NewPreset() {
    if (refuseWhileRecalling() || refuseWhenFull())
        return false;
    PresetMemory& memory = store_.presets();
    memory.append(newPresetFromChannels());
    memory.setSelected(memory.count() - 1);
    store_.announcePresets();
    showStatusFor(memory.count() - 1);
    return true;
}

void PresetEditor::StorePreset(int index, bool force) {
    PresetMemory& memory = store_.presets();
    if (!force && settings_.integer(u"SavePresetsOnChange") != 1)
        return;
    if (refuseWhileRecalling())
        return;
    if (memory.count() == 0 || index < 0 || index >= memory.count())
        return;
    storeChannels(store_, memory.slot(index));
    store_.announcePresets();
}

void PresetEditor::SaveCurrentPreset() {
    PresetMemory& memory = store_.presets();
    // Before any recall (start-up without a show, a new playlist, "remove all") no preset
    // is current, and storing "the current one" would store nothing behind a box that
    // says it saves. The preset the operator sees selected takes the channels instead,
    // and is the target of the automatic store from then on.
    if (memory.current() < 0 && memory.selected() >= 0 && !recallRunning_)
        memory.setCurrent(memory.selected());
    dialogs().showWait(txt(texts::SavingPreset));
    dialogs().setBusy(true);
    StorePreset(memory.current(), true);
    waits().wait(400);
    dialogs().setBusy(false);
    dialogs().hideWait();
}

void PresetEditor::AutoStore() {
    if (store_.presets().current() != -1)
        StorePreset(store_.presets().current(), false);
}

void PresetEditor::DeletePreset(bool ask) {
    PresetMemory& memory = store_.presets();
    const int index = memory.selected();
    if (memory.count() == 0 || index < 0 || refuseWhileRecalling())
        return;
    if (ask && dialogs().message(txt(texts::QuestionTitle), txt(texts::DeletePresetQuestion),
                                 MessageIcon::Question, MessageButtons::YesNo,
                                 MessageResult::No) != MessageResult::Yes)
        return;
    memory.remove(index);
    if (memory.count() > 0)
        memory.setSelected(std::min(index, memory.count() - 1));
    store_.announcePresets();
}

void PresetEditor::ClearPresetMemory() {
    if (refuseWhileRecalling())
        return;
    store_.presets().clearAll();
    store_.announcePresets();
}

void PresetEditor::RemoveAllPresets() {
    if (refuseWhileRecalling())
        return;
    if (dialogs().message(txt(texts::QuestionTitle), txt(texts::DeleteAllPresetsQuestion),
                          MessageIcon::Question, MessageButtons::YesNo,
                          MessageResult::No) != MessageResult::Yes)
        return;
    ClearPresetMemory();
    NewPreset();
}

void PresetEditor::RenamePreset() {
    PresetMemory& memory = store_.presets();
    const int index = memory.selected();
    if (index < 0)
        return;
    const auto answer = dialogs().inputBox(txt(texts::RenameTitle), txt(texts::RenamePrompt),
                                           memory.names().at(index));
    // Trimmed before the cut to forty: blanks typed ahead must not push the name out.
    const QString name = answer ? answer->trimmed() : QString();
    if (name.isEmpty())
        return;
    // A preset under that name would count as a free slot: left out when the show is
    // saved, and every later preset would move up one place.
    if (fitToWidth(name, kPresetNameWidth) == emptyPresetName()) {
        showMessage(txt(texts::RenameTitle), txt(texts::FreeSlotName), MessageIcon::Warning);
        return;
    }
    memory.rename(index, name);
    store_.announcePresets();
    showStatusFor(index);
}

void PresetEditor::CopyPreset() {
    const int index = store_.presets().selected();
    if (index < 0)
        return;
    AutoStore();
    clipboard_ = store_.presets().slot(index);
}

void PresetEditor::CutPreset() {
    if (store_.presets().selected() < 0 || refuseWhileRecalling())
        return;
    CopyPreset();
    DeletePreset(false);
}

int PresetEditor::insertPosition(bool after) const {
    const PresetMemory& memory = store_.presets();
    const int selected = memory.selected();
    if (selected < 0)
        return after ? memory.count() : 0;
    return after ? selected + 1 : selected;
}

bool PresetEditor::InsertClipboard(bool after) {
    if (clipboardEmpty()) {
        showMessage(txt(texts::ClipboardErrorTitle), txt(texts::ClipboardEmpty),
                    MessageIcon::Critical);
        return false;
    }
    if (refuseWhileRecalling() || refuseWhenFull())
        return false;
    const int at = insertPosition(after);
    store_.presets().insert(at, clipboard_);
    store_.presets().setSelected(at);
    store_.announcePresets();
    return true;
}

bool PresetEditor::InsertNewPreset(bool after) {
    if (refuseWhileRecalling() || refuseWhenFull())
        return false;
    const int at = insertPosition(after);
    store_.presets().insert(at, newPresetFromChannels());
    store_.presets().setSelected(at);
    store_.announcePresets();
    showStatusFor(at);
    return true;
}

void PresetEditor::forEachStoredSound(int ch, const std::function<void(std::int16_t&)>& change) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    const auto c = static_cast<std::size_t>(ch);
    PresetMemory& memory = store_.presets();
    for (int i = 0; i < memory.count(); ++i)
        change(memory.slot(i).channels[c].selectedSound);
    change(clipboard_.channels[c].selectedSound);
}

void PresetEditor::soundInserted(int ch, int at, int sizeBefore) {
    forEachStoredSound(ch, [at, sizeBefore](std::int16_t& sound) {
        if (sound >= at && sound < sizeBefore)
            ++sound;
    });
}

void PresetEditor::soundRemoved(int ch, int at, int sizeBefore) {
    forEachStoredSound(ch, [at, sizeBefore](std::int16_t& sound) {
        if (sound == at)
            sound = -1;
        else if (sound > at && sound < sizeBefore)
            --sound;
    });
}

void PresetEditor::soundListCleared(int ch, int sizeBefore) {
    forEachStoredSound(ch, [sizeBefore](std::int16_t& sound) {
        if (sound >= 0 && sound < sizeBefore)
            sound = -1;
    });
}

} // namespace kalvor
