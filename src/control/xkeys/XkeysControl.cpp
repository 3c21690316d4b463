#include "control/xkeys/XkeysControl.h"

#include "control/Kd1Operations.h"
#include "control/xkeys/XkeysTexts.h"
#include "core/Dialogs.h"
#include "core/Limits.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <exception>
#include <utility>

namespace kalvor {

using namespace xkeys;

namespace {

// Reports read in one tick at most, so a keypad gone wild cannot hold the UI thread.
constexpr int kReportsPerTick = 64;

bool largeKeypad(const std::optional<Model>& m) {
    return m && (m->family == Family::K128 || m->family == Family::K84);
}

// Function keys that stay live while the block is locked.
bool allowedWhileLocked(int key) {
    return key == 51 || key == 52 || key == 55 || (key >= 57 && key <= 62);
}

// Function keys 25..30 and 17: the play modes of the channel the display shows.
constexpr PlayMode kDisplayModes[] = {PlayMode::Restart, PlayMode::Loop, PlayMode::Pause,
                                      PlayMode::Hold,    PlayMode::Jump, PlayMode::Autostart};

} // namespace

XkeysControl::XkeysControl(ShowLayer& show, Settings& settings,
                           std::unique_ptr<KeypadDevice> device, Kd1Operations* display,
                           QObject* parent)
    : QObject(parent), show_(show), settings_(settings), device_(std::move(device)),
      display_(display) {
    // A coarse timer may fire up to a millisecond late; the interval is the latency bound.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kReadIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &XkeysControl::poll);
    connect(&show_.playback(), &ChannelPlayback::buttonColourChanged, this,
            [this](int ch, ButtonColour) {
                if (ch < 14)
                    refreshStickLeds();
            });
}

XkeysControl::~XkeysControl() {
    close();
}

QString XkeysControl::findDevice() {
    if (open_)
        return deviceText();
    model_.reset();
    path_.clear();
    if (!device_)
        return {};
    if (const auto chosen = chooseKeypad(device_->enumerate())) {
        model_ = chosen->model;
        path_ = chosen->path;
    }
    return deviceText();
}

QString XkeysControl::deviceText() const {
    return model_ ? txt(model_->deviceText) : QString();
}

bool XkeysControl::open() {
    if (open_)
        return true;
    if (findDevice().isEmpty()) {
        AddDebugMessage(QStringLiteral("X-Keys: no keypad found"));
        return false;
    }
    const QString why = device_->open(path_);
    if (!why.isEmpty()) {
        AddDebugMessage(QStringLiteral("X-Keys: ") + why);
        return false;
    }
    open_ = true;
    shortReported_ = false;
    AddDebugMessage(
        QStringLiteral("X-Keys: %1 opened (%2)").arg(deviceText(), QString::fromStdString(path_)));
    // Without the play indicators nothing keeps the LEDs in step later: a LED lit now for
    // a playing channel would stay lit after it stops, so they start dark.
    StickLeds leds;
    if (settings_.isOn(u"XKeysStickLeds")) {
        leds = {0xFF, 0x3F};
    } else if (settings_.isOn(u"XKeysStickPlayLeds")) {
        bool playing[14] = {};
        for (int ch = 0; ch < 14; ++ch)
            playing[ch] = KAE__Channel_IsPlaying(ch);
        leds = stickLedsFor(playing, 14);
    }
    stickLeds_ = leds;
    send(openingReports(*model_, leds));
    timer_.start();
    return true;
}

void XkeysControl::close() {
    timer_.stop();
    if (open_ && device_)
        device_->close();
    open_ = false;
}

bool XkeysControl::functionKeyState(int key) const {
    return key >= 1 && key <= 8 && functionKeys_[static_cast<std::size_t>(key - 1)];
}

void XkeysControl::poll() {
    // A key action that waits (a recall) lets the timer fire again; the next report is
    // read only after it has run to its end.
    if (!open_ || reading_)
        return;
    reading_ = true;
    const Layout layout = layoutFromSetting(settings_.text(u"XKeysLayout"));
    for (int i = 0; i < kReportsPerTick && open_; ++i) {
        const ReadStatus status = device_->read(report_);
        if (status == ReadStatus::Nothing)
            break;
        if (status == ReadStatus::Gone) {
            lost();
            break;
        }
        const Decoded d = decodeReport(*model_, layout, keys_, report_);
        if (d.check == ReportCheck::Short && !shortReported_) {
            shortReported_ = true;
            AddDebugMessage(QStringLiteral("X-Keys: a report of %1 bytes is too short for the "
                                           "%2 and was ignored")
                                .arg(report_.size())
                                .arg(deviceText()));
        }
        keys_ = d.state;
        for (const KeyEvent& e : d.events) {
            try {
                handle(e);
            } catch (const std::exception& ex) {
                AddDebugMessage(QStringLiteral("X-Keys: key %1 failed: %2")
                                    .arg(e.key)
                                    .arg(QString::fromLocal8Bit(ex.what())));
            }
        }
    }
    reading_ = false;
}

void XkeysControl::lost() {
    timer_.stop();
    if (device_)
        device_->close();
    open_ = false;
    AddDebugMessage(QStringLiteral("X-Keys: %1 disconnected").arg(deviceText()));
    releaseHeldKeys();
    if (hooks_.disconnected)
        hooks_.disconnected();
    showMessage(txt(texts::XkeysGoneTitle), txt(texts::XkeysGone), MessageIcon::Critical);
}

void XkeysControl::releaseHeldKeys() {
    // The releases of the keys down now can never be read, and a keypad plugged in again
    // reports from all keys up: the next press of a key held now would be taken for no
    // change. Each held channel key is let go as its release would have done.
    const KeyState held = std::exchange(keys_, KeyState{});
    shift_ = false;
    for (std::size_t k = 0; k < held.channel.size(); ++k) {
        if (!held.channel[k])
            continue;
        try {
            handle({Block::Channel, static_cast<int>(k), false});
        } catch (const std::exception& ex) {
            AddDebugMessage(QStringLiteral("X-Keys: releasing key %1 failed: %2")
                                .arg(k)
                                .arg(QString::fromLocal8Bit(ex.what())));
        }
    }
}

void XkeysControl::switchOffLeds() {
    if (open_)
        send(ledsOffReports(*model_));
}

void XkeysControl::send(const std::vector<Report>& reports) {
    for (const Report& r : reports) {
        if (!device_->write(r)) {
            AddDebugMessage(QStringLiteral("X-Keys: an LED report could not be sent"));
            return;
        }
    }
}

void XkeysControl::refreshStickLeds() {
    if (!open_ || model_->family != Family::Stick || !settings_.isOn(u"XKeysStickPlayLeds"))
        return;
    bool playing[14] = {};
    for (int ch = 0; ch < 14; ++ch)
        playing[ch] = KAE__Channel_IsPlaying(ch);
    // The flashing of paused buttons changes colours several times a second; the keypad
    // hears only when a LED changes.
    const StickLeds leds = stickLedsFor(playing, 14);
    if (leds == stickLeds_)
        return;
    stickLeds_ = leds;
    send(stickLedReports(*model_, leds));
}

void XkeysControl::handle(const KeyEvent& e) {
    switch (e.block) {
    case Block::Channel:
        if (model_->family == Family::Stick && e.key >= 14) {
            if (e.pressed) {
                if (e.key == 14)
                    show_.recall().PreviousPreset();
                else
                    show_.recall().NextPreset();
            }
            return;
        }
        channelKey(e.key, e.pressed);
        return;
    case Block::Function:
        // The 84-key model's key n is key n + 8 of the large list; its key 56 is the shift.
        functionKey(model_->family == Family::K84 ? e.key + 8 : e.key, e.pressed);
        return;
    case Block::Control:
        if (e.pressed)
            controlKey(e.key);
        return;
    case Block::Special:
        // The XK-24's two special keys have no show function.
        return;
    }
}

void XkeysControl::channelKey(int k, bool pressed) {
    if (k < 0 || k >= kChannelCount)
        return;
    bool& selectOnly = selectOnly_[static_cast<std::size_t>(k)];
    if (pressed) {
        if (shift_ && largeKeypad(model_)) {
            show_.store().selectChannel(k);
            selectOnly = true;
        } else if (settings_.isOn(u"XKeysChannelSelect")) {
            show_.playback().PlayButtonDown(k);
        } else {
            show_.playback().PressPlayWithGroups(k);
        }
    } else if (selectOnly) {
        selectOnly = false;
    } else {
        show_.playback().PlayButtonUp(k);
    }
    if (largeKeypad(model_) && display_ && display_->enabled())
        display_->channelChanged(k);
}

bool XkeysControl::wantsKd1(int key) const {
    switch (key) {
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
    case 22:
    case 39:
    case 40:
    case 49:
    case 50:
    case 53:
    case 61:
    case 64:
        return false;
    default:
        return !(key >= 1 && key <= 14) && !(key >= 25 && key <= 30);
    }
}

void XkeysControl::functionKey(int key, bool pressed) {
    if (key == 64) {
        // The lock keeps the shift out like any other unsafe key, or a shift held by
        // mistake would turn the channel keys into selectors. A release always counts, so
        // a lock set while the shift is down cannot leave it stuck.
        if (!pressed || !locked_)
            shift_ = pressed;
        return;
    }
    if (locked_ && !allowedWhileLocked(key))
        return;
    const int selected = show_.store().selectedChannel();
    const bool kd1 = display_ && display_->enabled();
    if (key == 61) {
        if (!pressed && shift_ && selected >= 0)
            show_.playback().PlayButtonUp(selected);
        return;
    }
    if (key >= 9 && key <= 14) {
        if (kd1)
            display_->functionKey(key, pressed, shift_);
        return;
    }
    if (key == 34 && pressed)
        show_.presets().NewPreset();
    if (wantsKd1(key)) {
        if (display_)
            display_->functionKey(key, pressed, shift_);
        return;
    }
    if (!pressed)
        return;
    if (key >= 1 && key <= 8) {
        if (shift_ && (key == 1 || key == 2)) {
            const auto& hook = key == 1 ? hooks_.shiftF1 : hooks_.shiftF2;
            if (hook && selected >= 0)
                hook(selected);
            return;
        }
        bool& state = functionKeys_[static_cast<std::size_t>(key - 1)];
        state = !state;
        if (hooks_.midiFunctionKey)
            hooks_.midiFunctionKey(kChannelCount + key);
        if (hooks_.gpioOutput)
            hooks_.gpioOutput(kChannelCount + key, state);
        return;
    }
    const int shown = display_ ? display_->shownChannel() : -1;
    switch (key) {
    case 17:
        toggleMode(shown, static_cast<int>(PlayMode::Rollback));
        break;
    case 18:
    case 19:
    case 20:
    case 21:
    case 22:
        transport(key - 18);
        break;
    case 39:
    case 40:
        if (hooks_.setLogging)
            hooks_.setLogging(key == 40);
        if (kd1)
            display_->showNotice(txt(key == 40 ? texts::LoggingOn : texts::LoggingOff));
        break;
    case 49:
        show_.recall().PreviousPreset();
        break;
    case 50:
        show_.recall().NextPreset();
        break;
    case 53:
        if (shown >= 0 && shown < kChannelCount && KAE__Channel_IsPlaying(shown))
            show_.playback().StopChannel(shown);
        break;
    default:
        if (key >= 25 && key <= 30)
            toggleMode(shown, static_cast<int>(kDisplayModes[key - 25]));
        break;
    }
}

void XkeysControl::controlKey(int key) {
    const int selected = show_.store().selectedChannel();
    switch (key) {
    case 1:
        show_.recall().PreviousPreset();
        break;
    case 2:
        stepChannel(-1);
        break;
    case 4:
        toggleMode(selected, static_cast<int>(PlayMode::Loop));
        break;
    case 5:
        toggleMode(selected, static_cast<int>(PlayMode::Pause));
        break;
    case 6:
        toggleMode(selected, static_cast<int>(PlayMode::Hold));
        break;
    case 7:
        toggleMode(selected, static_cast<int>(PlayMode::Jump));
        break;
    case 8:
        toggleMode(selected, static_cast<int>(PlayMode::Autostart));
        break;
    case 9:
        if (selected >= 0 && KAE__Channel_IsPlaying(selected))
            show_.playback().StopChannel(selected);
        break;
    case 10:
        show_.recall().NextPreset();
        break;
    case 11:
        stepChannel(+1);
        break;
    case 12:
        toggleMode(selected, static_cast<int>(PlayMode::Rollback));
        break;
    case 13:
    case 14:
    case 15:
    case 16:
    case 17:
        // Play, Pause, Repeat, Roll back, Roll forward, as on the function block.
        transport(key - 13);
        break;
    default:
        // Keys 3 and 18 have no show function.
        break;
    }
}

void XkeysControl::toggleMode(int ch, int mode) {
    if (ch < 0 || ch >= kChannelCount)
        return;
    const auto m = static_cast<PlayMode>(mode);
    ChannelControls& c = show_.store().controls(ch);
    show_.channelOps().SetMode(ch, m, playModeField(c, m) == 0);
    if (display_ && display_->enabled() && display_->shownChannel() == ch)
        display_->channelChanged(ch);
}

void XkeysControl::transport(int which) {
    ChannelPlayback& p = show_.playback();
    switch (which) {
    case 0:
        p.GlobalPlay();
        break;
    case 1:
        p.GlobalPause();
        break;
    case 2:
        p.GlobalRepeat();
        break;
    case 3:
        p.GlobalRollback();
        break;
    case 4:
        p.GlobalForward();
        break;
    default:
        break;
    }
}

void XkeysControl::stepChannel(int step) {
    const int now = show_.store().selectedChannel();
    const int next = now < 0 ? 0 : now + step;
    if (next >= 0 && next < kChannelCount)
        show_.store().selectChannel(next);
}

} // namespace kalvor
