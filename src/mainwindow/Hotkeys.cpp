#include "mainwindow/Hotkeys.h"

#include "core/Limits.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "show/playback/ShowLayer.h"

#include <QKeyEvent>

#include <chrono>
#include <string_view>

namespace kalvor {

namespace {

inline constexpr UiText GoToTitle{"Go to ...", "Gehe zu ..."};
inline constexpr UiText GoToChannel{"Channel ", "Kanal "};

// The evdev key KEY_102ND (86) as X11 and Wayland number it (+8).
constexpr quint32 kScanCode102nd = 94;
// The digit row, evdev KEY_1 (2) .. KEY_0 (11), +8 likewise. Qt names these keys by the
// character typed, which with Shift (and on AZERTY layouts even without it) is no digit.
constexpr quint32 kScanCodeDigit1 = 10;
constexpr quint32 kScanCodeDigit0 = 19;

int modifierBits(Qt::KeyboardModifiers m) {
    int bits = 0;
    if (m & Qt::ShiftModifier)
        bits |= keymod::Shift;
    if (m & Qt::ControlModifier)
        bits |= keymod::Ctrl;
    if (m & Qt::AltModifier)
        bits |= keymod::Alt;
    return bits;
}

int virtualKey(const RawKey& raw) {
    if (raw.nativeScanCode == kScanCode102nd)
        return vk::Less;
    const bool keypad = raw.modifiers & Qt::KeypadModifier;
    if (!keypad && raw.nativeScanCode >= kScanCodeDigit1 && raw.nativeScanCode <= kScanCodeDigit0)
        return vk::Digit0 + static_cast<int>(raw.nativeScanCode - kScanCodeDigit1 + 1) % 10;
    const int k = raw.qtKey;
    if (k >= Qt::Key_0 && k <= Qt::Key_9)
        return (keypad ? vk::Keypad0 : vk::Digit0) + (k - Qt::Key_0);
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return vk::A + (k - Qt::Key_A);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12)
        return vk::F1 + (k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::Return;
    case Qt::Key_Escape:
        return vk::Escape;
    case Qt::Key_PageUp:
        return vk::PageUp;
    case Qt::Key_PageDown:
        return vk::PageDown;
    // The "+" key types "=" unshifted on US layouts and "+" on European ones; both are
    // the same key.
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return keypad ? vk::KeypadPlus : vk::Plus;
    // German layouts type "*" with Shift on the "+" key. Only with Shift: the keypad has a
    // "*" of its own, and French layouts a "*" key without Shift.
    case Qt::Key_Asterisk:
        return !keypad && (raw.modifiers & Qt::ShiftModifier) ? vk::Plus : 0;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return keypad ? vk::KeypadMinus : vk::Minus;
    default:
        return 0;
    }
}

constexpr int letter(char c) {
    return vk::A + (c - 'A');
}

bool isFunctionKey(int key) {
    return key >= vk::F1 && key <= vk::F8;
}

bool isKeypadDigit(int key) {
    return key >= vk::Keypad0 && key <= vk::Keypad0 + 9;
}

// F1..F8: none 0, Shift 8, Ctrl 16, Shift+Ctrl 24. Alt alone and Shift+Alt count as no
// modifier at all, so a thumb resting on Alt still fires channels 1..8; Alt with Ctrl
// plays nothing (-1).
int functionKeyChannel(int key, int modifiers) {
    if (modifiers & keymod::Alt) {
        if (modifiers & keymod::Ctrl)
            return -1;
        modifiers = 0;
    }
    const int base = ((modifiers & keymod::Shift) ? 8 : 0) + ((modifiers & keymod::Ctrl) ? 16 : 0);
    return key - vk::F1 + base;
}

} // namespace

KeyStroke toKeyStroke(const RawKey& raw) {
    return {virtualKey(raw), modifierBits(raw.modifiers)};
}

KeyStroke toKeyStroke(const QKeyEvent& event) {
    RawKey raw;
    raw.qtKey = event.key();
    raw.modifiers = event.modifiers();
    raw.nativeScanCode = event.nativeScanCode();
    raw.nativeVirtualKey = event.nativeVirtualKey();
    return toKeyStroke(raw);
}

int KeyConvert(int key) {
    return isKeypadDigit(key) ? key - vk::Keypad0 : 0;
}

HotkeyClock steadyClock() {
    return [] {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    };
}

TwoKeyHandler::TwoKeyHandler(HotkeyClock clock) : clock_(std::move(clock)) {}

int TwoKeyHandler::operator()(int key) {
    if (!isKeypadDigit(key))
        return 0;
    const std::int64_t now = clock_();
    if (tens_ >= 0 && now > deadline_)
        tens_ = -1;
    const int digit = KeyConvert(key);
    if (tens_ < 0) {
        tens_ = digit * 10;
        deadline_ = now + kWindowMs;
        return 0;
    }
    const int sum = tens_ + digit;
    tens_ = -1;
    return sum >= 1 && sum <= kChannelCount ? sum : 0;
}

QString goToTitle() {
    return txt(GoToTitle);
}

QString goToChannelLabel(int ch) {
    return txt(GoToChannel) + QString::number(ch + 1);
}

HotkeyDecoder::HotkeyDecoder(ShowLayer& show, Settings& settings, HotkeyHooks hooks,
                             HotkeyClock clock)
    : show_(show), settings_(settings), hooks_(std::move(hooks)), twoKey_(std::move(clock)) {}

bool HotkeyDecoder::keyHeld(int ch) const {
    return ch >= 0 && ch < kChannelCount && held_.at(static_cast<std::size_t>(ch));
}

bool HotkeyDecoder::functionKeyHeld(int key) const {
    return isFunctionKey(key) && heldBy_.at(static_cast<std::size_t>(key - vk::F1)) >= 0;
}

bool HotkeyDecoder::keyDown(KeyStroke stroke, bool autoRepeat) {
    const int key = stroke.key;
    const int mods = stroke.modifiers;
    if (!passesPageGate(stroke))
        return false;
    if (isFunctionKey(key)) {
        // A held key repeats its press; only the first one plays.
        if (autoRepeat && functionKeyHeld(key))
            return true;
        return functionKeyDown(key, mods);
    }
    // A key held a little too long repeats its press. A key that recalls a preset (a held
    // "+" would run through the presets and their autostarts), loads a playlist, switches
    // something over or opens a window acts once per press, and a held keypad digit is no
    // two-key entry.
    if (autoRepeat && !repeats(stroke))
        return claims(stroke);
    if (mods == keymod::Ctrl)
        return ctrlKey(key);
    if (mods == (keymod::Ctrl | keymod::Alt))
        return ctrlAltKey(key);
    if ((mods & keymod::Ctrl) == 0)
        return plainKey(key, mods);
    return false;
}

bool HotkeyDecoder::passesPageGate(KeyStroke stroke) const {
    if (stroke.key == 0)
        return false;
    // Other pages (the play log...) keep their keys, except the PLAY keys and Ctrl alone.
    const bool channelPage = !hooks_.currentPage || hooks_.currentPage() <= 3;
    return channelPage || isFunctionKey(stroke.key) || stroke.modifiers == keymod::Ctrl;
}

bool HotkeyDecoder::claims(KeyStroke stroke) const {
    if (!passesPageGate(stroke))
        return false;
    const int key = stroke.key;
    const int mods = stroke.modifiers;
    const bool isLetter = key >= vk::A && key <= vk::Z;
    const bool plusMinus =
        key == vk::Plus || key == vk::KeypadPlus || key == vk::Minus || key == vk::KeypadMinus;
    if (isFunctionKey(key))
        return true;
    if (mods == keymod::Ctrl)
        return plusMinus || isKeypadDigit(key) ||
               (isLetter && std::string_view("ZFGLORVE").find(char(key)) != std::string_view::npos);
    if (mods == (keymod::Ctrl | keymod::Alt))
        return isLetter;
    if (mods & keymod::Ctrl)
        return false;
    return !isLetter && key != vk::PageUp && key != vk::PageDown;
}

bool HotkeyDecoder::repeats(KeyStroke stroke) {
    const int key = stroke.key;
    if (stroke.modifiers & keymod::Ctrl)
        return false;
    return key != vk::Return && key != vk::Less && key != vk::Plus && key != vk::KeypadPlus &&
           key != vk::Minus && key != vk::KeypadMinus && key != vk::PageUp && key != vk::PageDown;
}

bool HotkeyDecoder::functionKeyDown(int key, int modifiers) {
    const int ch = functionKeyChannel(key, modifiers);
    if (ch < 0)
        return true;
    auto& held = held_.at(static_cast<std::size_t>(ch));
    if (held)
        return true;
    held = true;
    heldBy_.at(static_cast<std::size_t>(key - vk::F1)) = ch;
    // PLAY, play group, stop group, then the channel becomes the selected one, which
    // fills the settings panel.
    show_.playback().PlayButtonDown(ch);
    return true;
}

bool HotkeyDecoder::keyUp(KeyStroke stroke, bool autoRepeat) {
    if (autoRepeat || !isFunctionKey(stroke.key))
        return false;
    auto& by = heldBy_.at(static_cast<std::size_t>(stroke.key - vk::F1));
    const int ch = by >= 0 ? by : functionKeyChannel(stroke.key, stroke.modifiers);
    by = -1;
    if (ch < 0)
        return true;
    held_.at(static_cast<std::size_t>(ch)) = false;
    show_.playback().PlayButtonUp(ch);
    return true;
}

void HotkeyDecoder::releaseAll() {
    for (int key = vk::F1; key <= vk::F8; ++key) {
        const int ch = heldBy_.at(static_cast<std::size_t>(key - vk::F1));
        if (ch >= 0)
            keyUp({key, 0});
    }
}

void HotkeyDecoder::selectChannel(int ch) {
    show_.store().selectChannel(ch);
    if (hooks_.focusSoundList)
        hooks_.focusSoundList(ch);
}

bool HotkeyDecoder::ctrlKey(int key) {
    const int selected = show_.store().selectedChannel();
    auto call = [](const auto& hook, auto... args) {
        if (hook)
            hook(args...);
        return true;
    };
    switch (key) {
    case letter('Z'):
        return call(hooks_.showSystemMessages);
    case letter('F'):
        return call(hooks_.openEffectsWindow);
    case letter('G'):
        return call(hooks_.openGoTo, selected);
    case letter('L'): {
        const bool on = !settings_.isOn(u"Logging");
        settings_.setOn(u"Logging", on);
        return call(hooks_.loggingToggled, on);
    }
    case letter('O'):
        show_.offsets().Capture_StartOffset(selected);
        return true;
    case letter('R'):
        show_.offsets().Reset_StartOffset(selected);
        return true;
    case letter('V'):
        return call(hooks_.showOverview);
    case letter('E'):
        if (selected >= 0)
            show_.soundLists().EditWave(selected);
        return true;
    case vk::Plus:
    case vk::KeypadPlus:
    case vk::Minus:
    case vk::KeypadMinus:
        // Exactly as without Ctrl: the preset left is stored first. Ctrl here is no
        // "skip the store" as it is on a click into the preset list.
        return plainKey(key, 0);
    default:
        break;
    }
    if (isKeypadDigit(key)) {
        if (const int channel = twoKey_(key); channel > 0)
            selectChannel(channel - 1);
        return true;
    }
    return false;
}

bool HotkeyDecoder::ctrlAltKey(int key) {
    if (key < vk::A || key > vk::Z)
        return false;
    auto stopRange = [this](int first, int last) {
        for (int ch = first; ch <= last; ++ch)
            show_.playback().StopAndRewind(ch);
    };
    switch (key - vk::A + 'A') {
    case 'A':
        show_.recall().NextPreset({false, true});
        break;
    case 'B':
        show_.recall().PreviousPreset({false, true});
        break;
    case 'I':
        stopRange(0, 7);
        break;
    case 'J':
        stopRange(8, 15);
        break;
    case 'K':
        stopRange(16, 23);
        break;
    case 'L':
        stopRange(24, 31);
        break;
    case 'M':
        stopRange(0, kChannelCount - 1);
        break;
    case 'P':
        if (hooks_.toggleTouchscreen)
            hooks_.toggleTouchscreen();
        break;
    default:
        break;
    }
    return true;
}

bool HotkeyDecoder::plainKey(int key, int modifiers) {
    const PresetModifiers presetMods{(modifiers & keymod::Shift) != 0,
                                     (modifiers & keymod::Ctrl) != 0};
    if (key >= vk::F9 && key <= vk::F12)
        return true;
    if (key == vk::Digit0 || key == vk::Keypad0) {
        if (hooks_.focusPresetList)
            hooks_.focusPresetList();
        return true;
    }
    if ((key > vk::Digit0 && key <= vk::Digit0 + 9) ||
        (key > vk::Keypad0 && key <= vk::Keypad0 + 9)) {
        selectChannel(key - (key >= vk::Keypad0 ? vk::Keypad0 : vk::Digit0) - 1);
        return true;
    }
    switch (key) {
    case vk::Return:
        show_.recall().RecallButton(presetMods.shift);
        return true;
    case vk::Escape:
        for (int ch = 0; ch < kChannelCount; ++ch)
            show_.playback().StopAndRewind(ch);
        return true;
    case vk::Minus:
    case vk::KeypadMinus:
        show_.recall().PreviousPreset(presetMods);
        if (hooks_.focusPreviousButton)
            hooks_.focusPreviousButton();
        return true;
    case vk::Plus:
    case vk::KeypadPlus:
        show_.recall().NextPreset(presetMods);
        if (hooks_.focusNextButton)
            hooks_.focusNextButton();
        return true;
    case vk::Less: {
        const int selected = show_.store().selectedChannel();
        if (hooks_.openBlackScreen)
            hooks_.openBlackScreen(selected >= 0 ? selected / 8 + 1 : 1);
        return true;
    }
    case vk::PageDown:
        return hooks_.playlistStep && hooks_.playlistStep(+1);
    case vk::PageUp:
        return hooks_.playlistStep && hooks_.playlistStep(-1);
    default:
        break;
    }
    if (key >= vk::A && key <= vk::Z) {
        const int ch = show_.store().selectedChannel();
        if (ch < 0)
            return false;
        const QChar wanted(key);
        const QList<SoundEntry>& list = show_.store().soundList(ch);
        for (int i = 0; i < list.size(); ++i) {
            const QString& name = list.at(i).displayName;
            if (!name.isEmpty() && name.at(0).toUpper() == wanted) {
                show_.selection().select(ch, i);
                if (hooks_.focusSoundList)
                    hooks_.focusSoundList(ch);
                // The list would search on from the new entry by itself and move again.
                return true;
            }
        }
        return false;
    }
    return false;
}

} // namespace kalvor
