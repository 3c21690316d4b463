// The 24 switch lines at work: every 50 ms the input ports are read and each line that
// became active runs its function through the show layer (once, until it is released);
// output lines follow the channels' playing state and the keypad's F1..F8, as pulses or
// blinking where their duration and interval say so. The assignment is the global one of
// the settings or the one a playlist brings. UI thread.
#pragma once

#include "control/gpio/GpioDevice.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace kalvor {

class Settings;
class ShowLayer;

namespace gpio {

// What a line is doing at run time.
struct LineState {
    int level = 0;      // the level last read (inputs) or driven (outputs), 0 or 1
    bool armed = false; // an input that fired and waits for its release
    int fired = 0;      // the function it ran then: the release goes there, whatever the
                        // line was given since
    bool active = false;
    int durationMs = 0; // time since the output was switched on
    int intervalMs = 0; // time since the last blink toggle
    bool phase = false; // blinking: true while the line is on
};

// Makes the device the settings choose; null with the reason when there is none.
using DeviceFactory = std::function<std::unique_ptr<GpioDevice>(QString* why)>;

} // namespace gpio

class GpioInterface : public QObject {
    Q_OBJECT
public:
    GpioInterface(ShowLayer& show, Settings& settings, gpio::DeviceFactory factory,
                  QObject* parent = nullptr);
    ~GpioInterface() override;

    static constexpr int kPollMs = 50;

    // The global assignment from the settings (start-up, and after the options are saved).
    // While active, a changed "GpioChip" or "GpioLines" opens the device again; otherwise
    // output lines whose direction and assignment stayed keep their state.
    void loadSettings();
    // A playlist's block, written to the settings too so the options grid shows it. While
    // active, the directions go to the device with port 3 as a whole taking the direction
    // of its lower half, and every output line is switched off.
    void applyBlock(const playlist::GpioBlock& block);
    const playlist::GpioBlock& assignment() const { return config_; }

    // "Activate GPI/O Interface" (the caller checks "PIOActivate"): opens the device, applies the
    // directions, switches the outputs off and starts polling; without a device the "No
    // USB GPI/O device detected!" box. `announce` shows the "connected" box on success.
    bool activate(bool announce = false);
    // Polling stops and the outputs are switched off; the device is released, and so are
    // the channels its held contacts started.
    void deactivate();
    bool isActive() const { return device_ != nullptr; }

    // One 50 ms step of the GPIO timer.
    void poll();
    // One look for a device that went away while the interface was on (once a second
    // until it answers or the interface is switched off): one that answers is set up as
    // before, with the "connected" box.
    void retryDevice();

    // Every OUT line whose function is `function` (1..32 channels, 33..40 F1..F8).
    void setOutput(int function, bool on);
    // Drives line 1..24 when it is an output of an active interface.
    void switchLine(int line, bool on);

    const gpio::LineState& line(int n) const;
    QTimer& timer() { return timer_; }
    QTimer& retryTimer() { return retry_; }
    QString deviceName() const;

    // An output line changed its contact (the options grid shows "Closed" / "Open").
    std::function<void(int line, bool closed)> lineSwitched;

private:
    QString deviceSource() const; // the settings the factory opens the device from
    gpio::GpioDirection direction(int line) const;
    void evaluate(int line);
    void runFunction(int function);
    void setBit(int line, bool on);
    bool writePort(int port);
    // The port bytes with every output line but those marked in `keep` at its off level:
    // where lines that become outputs start.
    gpio::PortBytes restingBytes(const std::array<bool, 24>& keep = {});
    // Switches off every output line but those marked in `keep`, and writes the ports.
    void allOutputsOff(const std::array<bool, 24>& keep = {});
    void removed();
    // Opens and sets up the device; `quiet`: no box and no message when it is not there.
    bool open(bool announce, bool quiet);
    void releaseArmed(bool onlyLeftInputs = false);

    ShowLayer& show_;
    Settings& settings_;
    gpio::DeviceFactory factory_;
    std::unique_ptr<gpio::GpioDevice> device_;
    QString openedFrom_; // deviceSource() when device_ was opened
    playlist::GpioBlock config_;
    gpio::Directions deviceDirections_{};
    std::array<gpio::LineState, 24> lines_{};
    gpio::PortBytes portBytes_{};
    unsigned tick_ = 0; // polls begun, nested ones included
    QTimer timer_;
    QTimer retry_;
};

} // namespace kalvor
