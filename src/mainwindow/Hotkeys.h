// The computer keyboard as a show controller: Qt key events become the virtual key codes
// the key tables are written in (mapped here and nowhere else), and a decoder turns each
// press and release into the same show operations the buttons and menus call. The
// decoder has no widgets: things that belong to windows (focus, auxiliary windows, the
// page shown) are hooks the main window fills. UI thread.
#pragma once

#include "core/UiLanguage.h"

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <functional>

class QKeyEvent;

namespace kalvor {

class Settings;
class ShowLayer;

// The virtual key codes of the key tables.
namespace vk {
inline constexpr int Return = 13;
inline constexpr int Escape = 27;
inline constexpr int PageUp = 33;
inline constexpr int PageDown = 34;
inline constexpr int Digit0 = 48; // "0".."9" = 48..57
inline constexpr int A = 65;      // "A".."Z" = 65..90
inline constexpr int Z = 90;
inline constexpr int Keypad0 = 96; // keypad 0..9 = 96..105
inline constexpr int KeypadPlus = 107;
inline constexpr int KeypadMinus = 109;
inline constexpr int F1 = 112; // F1..F12 = 112..123
inline constexpr int F8 = 119;
inline constexpr int F9 = 120;
inline constexpr int F12 = 123;
inline constexpr int Plus = 187;
inline constexpr int Minus = 189;
inline constexpr int Less = 226; // the "<>" key next to the left Shift of European keyboards
} // namespace vk

// Modifier state as a bit set.
namespace keymod {
inline constexpr int Shift = 1;
inline constexpr int Ctrl = 2;
inline constexpr int Alt = 4;
} // namespace keymod

// What a key event says, platform parts included, so the mapping can be tested without a
// keyboard.
struct RawKey {
    int qtKey = 0; // Qt::Key
    Qt::KeyboardModifiers modifiers;
    quint32 nativeScanCode = 0;   // X11/Wayland: the evdev key code + 8
    quint32 nativeVirtualKey = 0; // X11/Wayland: the keysym
};

struct KeyStroke {
    int key = 0; // virtual key code; 0 when the key has no place in the tables
    int modifiers = 0;
};

// The one mapping from Qt's keys to virtual key codes. Keypad keys are told apart by
// Qt::KeypadModifier, which is then dropped from the modifier bits.
//
// The "<" key: Qt reports the key by the character it types, so Qt::Key_Less also comes
// from Shift+comma on US layouts, and the European key gives Qt::Key_Greater with Shift.
// It is recognised by its place on the keyboard instead, the evdev key KEY_102ND, which
// X11 and Wayland report as native scan code 94 (keysyms less, greater or bar) whatever
// the layout and shift state.
KeyStroke toKeyStroke(const RawKey& raw);
KeyStroke toKeyStroke(const QKeyEvent& event);

// The digit 0..9 of a keypad key 96..105; 0 for any other key.
int KeyConvert(int key);

// A monotonic time in milliseconds; tests pass their own.
using HotkeyClock = std::function<std::int64_t()>;
HotkeyClock steadyClock();

// Two keypad digits within two seconds select a channel: the first is the tens, the
// second the ones. A digit that comes late starts a new entry instead.
class TwoKeyHandler {
public:
    explicit TwoKeyHandler(HotkeyClock clock);

    // A channel number 1..32 when the key completes an entry, else 0.
    int operator()(int key);
    bool pending() const { return tens_ >= 0; }

    static constexpr std::int64_t kWindowMs = 2000;

private:
    HotkeyClock clock_;
    int tens_ = -1;
    std::int64_t deadline_ = 0;
};

// Window things the keys reach. A hook left empty is passed over.
struct HotkeyHooks {
    // The main window's page index: 0..3 the channel pages, above 3 other pages.
    std::function<int()> currentPage;
    std::function<void()> focusPresetList;
    std::function<void(int ch)> focusSoundList;
    std::function<void()> focusNextButton;
    std::function<void()> focusPreviousButton;
    // The system messages window, above all other windows when its stay-on-top option is on.
    std::function<void()> showSystemMessages;
    std::function<void()> openEffectsWindow;
    // The "go to" window for the selected channel (-1: none), shown without blocking the
    // main window and focused; goToTitle() and goToChannelLabel() give its texts.
    std::function<void(int ch)> openGoTo;
    // After the "Logging" setting has been switched over.
    std::function<void(bool on)> loggingToggled;
    std::function<void()> showOverview; // at its restored position
    std::function<void()> toggleTouchscreen;
    // The black-screen view on channel page 1..4; the main window hides itself.
    std::function<void(int page)> openBlackScreen;
    // One entry on in the playlist selector (+1 Page Down, -1 Page Up); true when it moved.
    std::function<bool(int step)> playlistStep;
};

// "Go to ..." and "Channel " + number, in the current language.
QString goToTitle();
QString goToChannelLabel(int ch);

// Decodes presses and releases into show operations. Returns whether the key is consumed,
// that is, kept from the focused control.
class HotkeyDecoder {
public:
    HotkeyDecoder(ShowLayer& show, Settings& settings, HotkeyHooks hooks,
                  HotkeyClock clock = steadyClock());

    bool keyDown(KeyStroke stroke, bool autoRepeat = false);
    // Auto-repeated releases are not releases: the key is still held.
    bool keyUp(KeyStroke stroke, bool autoRepeat = false);

    // Whether a press of `stroke` is one of the hotkeys (acted on and kept from the focused
    // control), judged before it happens, so a menu shortcut on the same key can give way.
    // Page Up, Page Down and the letters are not claimed: they are kept only when they act.
    bool claims(KeyStroke stroke) const;

    // The keyboard went elsewhere while keys were held: their releases will not come, so
    // they are released now.
    void releaseAll();

    // Replaces the two-key entry's clock; a pending tens digit is dropped.
    void setClock(HotkeyClock clock) { twoKey_ = TwoKeyHandler(std::move(clock)); }

    bool keyHeld(int ch) const;
    // Whether F-key `key` (a virtual key code) has played a channel and not been released.
    bool functionKeyHeld(int key) const;
    HotkeyHooks& hooks() { return hooks_; }

private:
    bool passesPageGate(KeyStroke stroke) const;
    // Whether a repeated press of the key acts again.
    static bool repeats(KeyStroke stroke);
    bool functionKeyDown(int key, int modifiers);
    bool ctrlKey(int key);
    bool ctrlAltKey(int key);
    bool plainKey(int key, int modifiers);
    void selectChannel(int ch);

    ShowLayer& show_;
    Settings& settings_;
    HotkeyHooks hooks_;
    TwoKeyHandler twoKey_;
    std::array<bool, 32> held_{};
    // The channel each F-key started, so a release finds it even when Shift or Ctrl
    // changed while the key was down.
    std::array<int, 8> heldBy_{-1, -1, -1, -1, -1, -1, -1, -1};
};

} // namespace kalvor
