#include "core/Preset.h"

#include "core/FixedText.h"

namespace kalvor {

void Preset::setName(const QString& newName) {
    name = fitToWidth(newName, kPresetNameWidth);
}

PresetMemory::PresetMemory() : slots_(kPresetSlots) {}

void PresetMemory::rename(int index, const QString& name) {
    slot(index).setName(name);
    if (index >= 0 && index < count())
        names_[index] = slot(index).name;
}

bool PresetMemory::append(const Preset& preset) {
    return insert(count(), preset);
}

bool PresetMemory::insert(int index, const Preset& preset) {
    if (isFull() || index < 0 || index > count())
        return false;
    // Shift slots index..count-1 up by one; slot `count` is free by construction.
    for (int i = count(); i > index; --i)
        slots_[static_cast<std::size_t>(i)] = std::move(slots_[static_cast<std::size_t>(i - 1)]);
    Preset& target = slots_[static_cast<std::size_t>(index)];
    target = preset;
    target.setName(preset.name);
    names_.insert(index, target.name);
    if (current_ >= index)
        ++current_;
    if (selected_ >= index)
        ++selected_;
    return true;
}

void PresetMemory::remove(int index) {
    if (index < 0 || index >= count())
        return;
    const int last = count() - 1;
    for (int i = index; i < last; ++i)
        slots_[static_cast<std::size_t>(i)] = std::move(slots_[static_cast<std::size_t>(i + 1)]);
    clearSlot(last);
    names_.removeAt(index);
    // The removed preset's live channels belong to no other preset: the automatic store
    // waits for the next recall instead of writing them over the neighbour.
    if (current_ == index)
        current_ = -1;
    else if (current_ > index)
        --current_;
    if (selected_ > index || selected_ >= count())
        --selected_;
}

void PresetMemory::clearAll() {
    for (auto& p : slots_)
        p = Preset{};
    names_.clear();
    current_ = -1;
    selected_ = -1;
}

void PresetMemory::clearSlot(int index) {
    slot(index) = Preset{};
}

} // namespace kalvor
