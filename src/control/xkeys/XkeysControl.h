// The keypad in use: finds and opens it, reads its reports every 10 ms, turns each key
// into the show layer's operations, and keeps its LEDs in step with the channels. The
// function block of the large keypads reaches the display unit through Kd1Operations;
// MIDI and GPIO are reached through hooks, so either may be absent. UI thread.
#pragma once

#include "control/xkeys/KeypadDevice.h"
#include "control/xkeys/XkeysDecoder.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace kalvor {

class Kd1Operations;
class Settings;
class ShowLayer;

struct XkeysHooks {
    // F1..F8 toggle the MIDI note of assignment row 33..40 (the row is passed).
    std::function<void(int row)> midiFunctionKey;
    // F1..F8 switch the GPIO outputs of function 33..40 on or off.
    std::function<void(int function, bool on)> gpioOutput;
    // The logging keys: the "Logging" switch of the play log.
    std::function<void(bool on)> setLogging;
    // Shift + F1 / Shift + F2 on the selected channel.
    std::function<void(int ch)> shiftF1;
    std::function<void(int ch)> shiftF2;
    // The keypad went away: the options' "Enable device" box is cleared.
    std::function<void()> disconnected;
};

class XkeysControl : public QObject {
    Q_OBJECT
public:
    XkeysControl(ShowLayer& show, Settings& settings, std::unique_ptr<xkeys::KeypadDevice> device,
                 Kd1Operations* display, QObject* parent = nullptr);
    ~XkeysControl() override;

    XkeysHooks& hooks() { return hooks_; }
    void setDisplayUnit(Kd1Operations* display) { display_ = display; }

    // Looks for the first keypad we drive; its device text (in the current language),
    // empty when there is none. Every call scans again, so a keypad plugged in later is
    // found by the next one.
    QString findDevice();
    QString deviceText() const;
    // Finds, opens and starts reading; false (with the reason in the system messages)
    // when there is no keypad or it cannot be opened.
    bool open();
    void close();
    bool isOpen() const { return open_; }

    // One tick of the reader: every report waiting is handled in order.
    void poll();

    // Closing: the LEDs and backlight go dark.
    void switchOffLeds();
    // The options' lock: the function block keeps only its safe keys.
    void setLocked(bool locked) { locked_ = locked; }

    std::optional<xkeys::Model> model() const { return model_; }
    const xkeys::KeyState& keys() const { return keys_; }
    bool shift() const { return shift_; }
    // The toggle state of F1..F8 (1..8).
    bool functionKeyState(int key) const;
    QTimer& readerTimer() { return timer_; }

    static constexpr int kReadIntervalMs = 10;

private:
    void handle(const xkeys::KeyEvent& e);
    void channelKey(int k, bool pressed);
    void functionKey(int key, bool pressed); // numbered as on the 64-key model
    void controlKey(int key);
    void toggleMode(int ch, int mode);
    void transport(int which);
    void stepChannel(int step);
    void refreshStickLeds();
    void send(const std::vector<xkeys::Report>& reports);
    void lost();
    void releaseHeldKeys();
    bool wantsKd1(int key) const;

    ShowLayer& show_;
    Settings& settings_;
    std::unique_ptr<xkeys::KeypadDevice> device_;
    Kd1Operations* display_;
    XkeysHooks hooks_;
    QTimer timer_;
    std::optional<xkeys::Model> model_;
    std::string path_;
    bool open_ = false;
    bool reading_ = false;
    bool locked_ = false;
    bool shift_ = false;
    bool shortReported_ = false;
    xkeys::KeyState keys_;
    std::array<bool, 8> functionKeys_{};
    xkeys::StickLeds stickLeds_; // as last sent
    // Channel keys whose press only selected the channel (shift): their release plays nothing.
    std::array<bool, 32> selectOnly_{};
    std::vector<std::uint8_t> report_;
};

} // namespace kalvor
