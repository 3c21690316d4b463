// A preset: the stored settings of all 32 channels, and the preset memory of 101 slots
// with its list of names. Plain data owned by ShowStore; UI thread.
#pragma once

#include "core/EffectSettings.h"
#include "core/Limits.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

namespace kalvor {

inline const QString& emptyPresetName() {
    static const QString name = QStringLiteral("empty");
    return name;
}

// The effects of a cleared slot: nothing active, every place of the chain empty ("---").
inline EffectSettings clearedEffects() {
    EffectSettings e;
    e.fxChain.fill(emptyFxPlace());
    return e;
}

// What a preset keeps of one channel. Text fields are held cut to their fixed width; a
// default-constructed value is a cleared channel: texts empty, groups "---", chain "---".
struct PresetChannel {
    QString channelInfo;
    std::int32_t channelInfoColour = 0;
    QString playGroup = QStringLiteral("---");
    QString stopGroup = QStringLiteral("---");
    std::uint8_t restartMode = 0;
    std::uint8_t loopMode = 0;
    std::uint8_t pauseMode = 0;
    std::uint8_t holdMode = 0;
    std::uint8_t jumpMode = 0;
    std::uint8_t midiInNote = 0;
    std::uint8_t midiInChannel = 0;
    bool midiInEnabled = false;
    std::uint8_t midiOutNote = 0;
    std::uint8_t midiOutChannel = 0;
    bool midiOutEnabled = false;
    std::uint8_t autostart = 0;
    QString outputName;
    std::int32_t deviceNumber = 0;
    std::int16_t selectedSound = 0;
    std::int32_t startOffset = 0;
    std::int32_t soundLength = 0;
    std::uint8_t rollback = 0;
    std::int32_t mtcStart = 0;
    std::int32_t mtcStop = 0;
    std::int32_t volume = 0;
    std::int32_t pan = 0;
    std::int32_t variSpeed = 0;
    EffectSettings effects = clearedEffects();
    std::int32_t surroundDestination = 0;
    FadeSettings fadeIn;
    FadeSettings fadeOut;
    friend bool operator==(const PresetChannel&, const PresetChannel&) = default;
};

struct Preset {
    QString name = emptyPresetName(); // up to 40 characters
    std::int32_t textReaderPosition = -1;
    std::int32_t remoteTextPosition = -1;
    std::array<PresetChannel, kChannelCount> channels{};

    // A slot whose trimmed name is "empty" is free: never written, listed as "empty".
    bool isFree() const { return name.trimmed() == emptyPresetName(); }
    void setName(const QString& newName);
    friend bool operator==(const Preset&, const Preset&) = default;
};

// The 101 slots and the names shown in the preset list. List position n holds slot n, so
// the number of presets is the number of names. Operations that move presets around
// (insert, delete, copy) keep the two in step through these primitives.
class PresetMemory {
public:
    PresetMemory();

    int count() const { return static_cast<int>(names_.size()); }
    int capacity() const { return kPresetCapacity; }
    bool isFull() const { return count() >= kPresetCapacity; }

    const Preset& slot(int index) const { return slots_.at(static_cast<std::size_t>(index)); }
    Preset& slot(int index) { return slots_.at(static_cast<std::size_t>(index)); }

    const QStringList& names() const { return names_; }
    // Renames the slot and its list entry together (cut to 40 characters).
    void rename(int index, const QString& name);

    // Appends `preset` at the end of the list; false when the memory is full.
    bool append(const Preset& preset);
    // Inserts at `index` (0..count), shifting later slots up; false when full.
    bool insert(int index, const Preset& preset);
    // Removes the preset at `index`, shifting later slots down and freeing the last. The
    // current preset keeps pointing at its preset; removing it leaves none current.
    void remove(int index);
    // Marks every slot free and empties the list.
    void clearAll();
    // Resets one slot to a free preset.
    void clearSlot(int index);

    // The preset last recalled (the target of the automatic store); -1 for none.
    int current() const { return current_; }
    void setCurrent(int index) { current_ = index; }
    // The entry selected in the preset list: the one the next recall uses; -1 for none.
    int selected() const { return selected_; }
    void setSelected(int index) { selected_ = (index >= 0 && index < count()) ? index : -1; }

private:
    std::vector<Preset> slots_;
    QStringList names_;
    int current_ = -1;
    int selected_ = -1;
};

} // namespace kalvor
