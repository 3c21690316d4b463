// Ties each control of the options dialog to its setting: loading puts the stored value
// into the control, saving writes the control's value back in the key's own style. The
// captions and tooltips of the controls are kept here too, so one pass relabels them all
// in the other language. UI thread.
#pragma once

#include "core/UiLanguage.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QWidget;

namespace kalvor {

class Settings;

class OptionBindings {
public:
    // On/off keys in either style ("ON"/"OFF" or "1"/"0").
    void check(QCheckBox* box, const char* key);
    void spin(QSpinBox* box, const char* key);
    // Items carry the stored text as their data; a stored text that no item has is added,
    // so a save writes back what it found.
    void combo(QComboBox* box, const char* key);
    void line(QLineEdit* edit, const char* key);
    void radios(std::vector<std::pair<QRadioButton*, QString>> choices, const char* key);
    // A colour swatch button: the colour (red + 256 green + 65536 blue) is its property.
    void colour(QPushButton* button, const char* key);
    void custom(std::function<void(const Settings&)> load, std::function<void(Settings&)> save);

    void loadAll(const Settings& settings);
    // A key changed elsewhere since the load (a hotkey, a remote unit) whose control the
    // operator left alone keeps the newer value.
    void saveAll(Settings& settings);
    // Only the named keys, for a device switched on before the save.
    void saveKeys(Settings& settings, std::initializer_list<const char*> keys);

    // Texts of the controls, in both languages.
    void caption(QWidget* w, UiText text);
    void tooltip(QWidget* w, UiText text);
    void applyCaptions() const;
    void applyTooltips(bool on) const;

private:
    struct Binding {
        std::function<void(const Settings&)> load;
        std::function<void(Settings&)> save;
        const char* key = nullptr;      // none for custom bindings: they always save
        std::function<QString()> shown; // the control's value, to tell whether it changed
        QString shownAtLoad;
        QString storedAtLoad;
    };
    void bind(const char* key, std::function<void(const Settings&)> load,
              std::function<void(Settings&)> save, std::function<QString()> shown);
    std::vector<Binding> bindings_;
    std::vector<std::pair<QPointer<QWidget>, UiText>> captions_;
    std::vector<std::pair<QPointer<QWidget>, UiText>> tooltips_;
};

// The colour a swatch button holds, and setting it (the button is repainted).
int swatchColour(const QPushButton* button);
void setSwatchColour(QPushButton* button, int colour);

} // namespace kalvor
