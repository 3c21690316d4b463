#include "control/gpio/GpioInterface.h"

#include "control/gpio/GpioTexts.h"
#include "core/Dialogs.h"
#include "core/Limits.h"
#include "core/SettingKeys.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"

#include <utility>

namespace kalvor {

using namespace gpio;
using playlist::GpioBlock;

namespace {

constexpr int kLineCount = 24;

int portOf(int line) {
    return (line - 1) / 8 + 1;
}

std::uint8_t bitOf(int line) {
    return static_cast<std::uint8_t>(1u << ((line - 1) % 8));
}

// Input functions after the 32 channels.
enum InputFunction {
    StopAll = 33,
    NextPreset,
    PreviousPreset,
    RecallPreset,
    PausePreset,
    RollbackPreset,
    RollForwardPreset,
    Continue,
    Repeat,
    NextChannel,
    PreviousChannel,
    NextSound,
    PreviousSound,
};

} // namespace

GpioInterface::GpioInterface(ShowLayer& show, Settings& settings, DeviceFactory factory,
                             QObject* parent)
    : QObject(parent), show_(show), settings_(settings), factory_(std::move(factory)),
      config_(playlist::defaultGpioBlock()) {
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, &GpioInterface::poll);
    retry_.setInterval(1000);
    connect(&retry_, &QTimer::timeout, this, &GpioInterface::retryDevice);
    ChannelPlayback& p = show_.playback();
    connect(&p, &ChannelPlayback::channelStarted, this,
            [this](int ch) { setOutput(ch + 1, true); });
    connect(&p, &ChannelPlayback::channelPaused, this,
            [this](int ch) { setOutput(ch + 1, false); });
    connect(&p, &ChannelPlayback::channelStopped, this,
            [this](int ch) { setOutput(ch + 1, false); });
}

GpioInterface::~GpioInterface() = default;

QString GpioInterface::deviceSource() const {
    return settings_.text(u"GpioChip").trimmed() + QLatin1Char('|') +
           settings_.text(u"GpioLines").simplified();
}

void GpioInterface::loadSettings() {
    const GpioBlock before = config_;
    const Directions directionsBefore = deviceDirections_;
    config_ = playlist::gpioBlockFromSettings(settings_);
    if (isActive() && deviceSource() != openedFrom_) {
        // Another chip or other line offsets: the device open now is not the one chosen.
        deactivate();
        activate();
        return;
    }
    if (isActive()) {
        deviceDirections_ = config_.directions;
        // Saving the options in the middle of a show must not darken the lines of channels
        // that play on: an output whose direction and assignment stayed goes on as it was.
        std::array<bool, kLineCount> keep{};
        for (int n = 1; n <= kLineCount; ++n) {
            const auto i = static_cast<std::size_t>(n - 1);
            const auto q = static_cast<std::size_t>(quarterOf(n));
            const auto& a = before.lines[i];
            const auto& b = config_.lines[i];
            keep[i] = directionsBefore[q] == GpioDirection::Out &&
                      deviceDirections_[q] == GpioDirection::Out && a.function == b.function &&
                      a.logic == b.logic && a.durationMs == b.durationMs &&
                      a.intervalMs == b.intervalMs;
        }
        if (!device_->setDirections(deviceDirections_, restingBytes(keep))) {
            removed();
            return;
        }
        allOutputsOff(keep);
        releaseArmed(true);
    }
}

void GpioInterface::applyBlock(const GpioBlock& block) {
    config_ = block;
    static constexpr const char* kDirectionKeys[] = {"Port1Direction", "Port2Direction",
                                                     "Port3LDirection", "Port3HDirection"};
    for (std::size_t q = 0; q < 4; ++q)
        settings_.setText(QString::fromLatin1(kDirectionKeys[q]),
                          playlist::gpioDirectionText(block.directions[q]));
    for (int n = 1; n <= kLineCount; ++n) {
        const auto& l = block.lines[static_cast<std::size_t>(n - 1)];
        settings_.setText(gpioLineKey("LineFunctionText ", n), l.caption);
        settings_.setInteger(gpioLineKey("LineFunctionNo. ", n), l.function);
        settings_.setInteger(gpioLineKey("PIOLineLogic ", n), l.logic);
        settings_.setInteger(gpioLineKey("GPODuration ", n), l.durationMs);
        settings_.setInteger(gpioLineKey("GPOInterval ", n), l.intervalMs);
    }
    if (!isActive())
        return;
    // The block's directions reach the device with port 3 as one port, as its lower half.
    deviceDirections_ = block.directions;
    deviceDirections_[3] = deviceDirections_[2];
    if (!device_->setDirections(deviceDirections_, restingBytes())) {
        removed();
        return;
    }
    allOutputsOff();
    releaseArmed(true);
}

bool GpioInterface::activate(bool announce) {
    if (isActive())
        return true;
    retry_.stop();
    return open(announce, false);
}

bool GpioInterface::open(bool announce, bool quiet) {
    QString why;
    std::unique_ptr<GpioDevice> device = factory_ ? factory_(&why) : nullptr;
    if (!device) {
        if (quiet)
            return false;
        AddDebugMessage(QStringLiteral("GPIO: ") +
                        (why.isEmpty() ? QStringLiteral("no device") : why));
        showMessage(txt(texts::GpioErrorTitle), txt(texts::GpioNoDevice), MessageIcon::Warning);
        return false;
    }
    deviceDirections_ = config_.directions;
    if (!device->setDirections(deviceDirections_, restingBytes())) {
        deviceDirections_ = {};
        if (quiet)
            return false;
        AddDebugMessage(QStringLiteral("GPIO: %1 refused the line directions").arg(device->name()));
        showMessage(txt(texts::GpioErrorTitle), txt(texts::GpioNoDevice), MessageIcon::Warning);
        return false;
    }
    device_ = std::move(device);
    openedFrom_ = deviceSource();
    lines_ = {};
    AddDebugMessage(QStringLiteral("GPIO: %1 active").arg(device_->name()));
    allOutputsOff();
    if (!isActive())
        return false;
    timer_.start();
    if (announce)
        showMessage(txt(texts::GpioHardwareTitle), txt(texts::GpioConnected), MessageIcon::Warning);
    return true;
}

void GpioInterface::deactivate() {
    timer_.stop();
    retry_.stop();
    if (!device_)
        return;
    allOutputsOff();
    device_.reset();
    deviceDirections_ = {};
    releaseArmed();
}

void GpioInterface::releaseArmed(bool onlyLeftInputs) {
    // Without the device, or on a line that is no input any more, the releases of these
    // contacts can never be read: each channel one of them started is let go as its
    // release would have done.
    for (int n = 1; n <= kLineCount; ++n) {
        LineState& s = lines_[static_cast<std::size_t>(n - 1)];
        if (onlyLeftInputs && direction(n) == GpioDirection::In)
            continue;
        if (!std::exchange(s.armed, false))
            continue;
        if (s.fired >= 1 && s.fired <= kChannelCount)
            show_.playback().PlayButtonUp(s.fired - 1);
    }
}

QString GpioInterface::deviceName() const {
    return device_ ? device_->name() : QString();
}

const LineState& GpioInterface::line(int n) const {
    return lines_.at(static_cast<std::size_t>(n - 1));
}

GpioDirection GpioInterface::direction(int line) const {
    return deviceDirections_[static_cast<std::size_t>(quarterOf(line))];
}

void GpioInterface::retryDevice() {
    if (isActive() || open(true, true))
        retry_.stop();
}

void GpioInterface::removed() {
    timer_.stop();
    device_.reset();
    deviceDirections_ = {};
    releaseArmed();
    // The interface stays switched on: a box plugged in again is taken up by itself, as a
    // serial remote or a MIDI interface is.
    retry_.start();
    AddDebugMessage(QStringLiteral("GPIO: the device stopped answering; polling stopped"));
    showMessage(txt(texts::GpioHardwareTitle), txt(texts::GpioRemoved), MessageIcon::Warning);
}

void GpioInterface::poll() {
    if (!device_)
        return;
    const unsigned tick = ++tick_;
    for (int port = 1; port <= 3; ++port) {
        const int first = (port - 1) * 8 + 1;
        bool anyInput = false;
        for (int n = first; n < first + 8; ++n)
            anyInput = anyInput || direction(n) == GpioDirection::In;
        if (!anyInput)
            continue;
        const std::optional<std::uint8_t> byte = device_->readPort(port);
        if (!byte) {
            removed();
            return;
        }
        for (int n = first; n < first + 8; ++n) {
            if (direction(n) != GpioDirection::In)
                continue;
            lines_[static_cast<std::size_t>(n - 1)].level = (*byte & bitOf(n)) ? 1 : 0;
            evaluate(n);
            // A function that waited (a recall) let the timer tick inside its wait: the
            // device may be gone, and a nested tick has read newer levels and done this
            // step's output timing. The rest of this older read would replay contacts
            // already seen (a tap becoming a second press).
            if (!device_ || tick_ != tick)
                return;
        }
    }
    std::array<bool, 3> dirty{};
    for (int n = 1; n <= kLineCount; ++n) {
        LineState& s = lines_[static_cast<std::size_t>(n - 1)];
        const auto& a = config_.lines[static_cast<std::size_t>(n - 1)];
        if (s.active && direction(n) == GpioDirection::Out) {
            s.durationMs += kPollMs;
            if (a.durationMs > 0 && s.durationMs >= a.durationMs) {
                setBit(n, false);
                s.active = false;
                dirty[static_cast<std::size_t>(portOf(n) - 1)] = true;
            } else if (a.intervalMs > 0) {
                s.intervalMs += kPollMs;
                if (s.intervalMs >= a.intervalMs) {
                    s.phase = !s.phase;
                    setBit(n, s.phase);
                    s.intervalMs = 0;
                    dirty[static_cast<std::size_t>(portOf(n) - 1)] = true;
                }
            }
        }
        if (n % 8 == 0 && dirty[static_cast<std::size_t>(portOf(n) - 1)] && !writePort(portOf(n)))
            return;
    }
}

void GpioInterface::evaluate(int n) {
    LineState& s = lines_[static_cast<std::size_t>(n - 1)];
    const auto& a = config_.lines[static_cast<std::size_t>(n - 1)];
    const bool activeLevel = s.level == (a.logic != 0 ? 1 : 0);
    if (activeLevel && !s.armed) {
        s.armed = true;
        s.fired = a.function;
        runFunction(a.function);
    } else if (!activeLevel && s.armed) {
        s.armed = false;
        if (s.fired >= 1 && s.fired <= kChannelCount)
            show_.playback().PlayButtonUp(s.fired - 1);
    }
}

void GpioInterface::runFunction(int function) {
    ChannelPlayback& p = show_.playback();
    ShowStore& store = show_.store();
    if (function >= 1 && function <= kChannelCount) {
        p.PressPlayWithGroups(function - 1);
        return;
    }
    const int selected = store.selectedChannel();
    auto stepSound = [&](int step) {
        if (selected < 0)
            return;
        const int now = store.controls(selected).selectedSound;
        const int next = now + step;
        if (next >= 0 && next < store.soundList(selected).size())
            show_.selection().select(selected, next);
    };
    switch (function) {
    case StopAll:
        for (int ch = 0; ch < kChannelCount; ++ch) {
            if (KAE__Channel_IsPlaying(ch))
                p.StopChannel(ch);
        }
        break;
    case NextPreset:
        show_.recall().NextPreset();
        break;
    case PreviousPreset:
        show_.recall().PreviousPreset();
        break;
    case RecallPreset:
        show_.recall().RecallPreset();
        break;
    case PausePreset:
        p.GlobalPause();
        break;
    case RollbackPreset:
        p.GlobalRollback();
        break;
    case RollForwardPreset:
        p.GlobalForward();
        break;
    case Continue:
        p.GlobalPlay();
        break;
    case Repeat:
        p.GlobalRepeat();
        break;
    case NextChannel:
        store.selectChannel(selected < 0 ? 0 : std::min(selected + 1, kChannelCount - 1));
        break;
    case PreviousChannel:
        store.selectChannel(selected < 0 ? 0 : std::max(selected - 1, 0));
        break;
    case NextSound:
        stepSound(+1);
        break;
    case PreviousSound:
        stepSound(-1);
        break;
    default:
        break; // 0: no function
    }
}

void GpioInterface::setOutput(int function, bool on) {
    if (function <= 0)
        return;
    for (int n = 1; n <= kLineCount; ++n) {
        if (config_.lines[static_cast<std::size_t>(n - 1)].function != function ||
            direction(n) != GpioDirection::Out)
            continue;
        LineState& s = lines_[static_cast<std::size_t>(n - 1)];
        if (on) {
            s.durationMs = 0;
            s.intervalMs = 0;
            s.phase = true;
            s.active = true;
        } else {
            s.active = false;
        }
        switchLine(n, on);
        if (!device_)
            return;
    }
}

void GpioInterface::setBit(int line, bool on) {
    const int logic = config_.lines[static_cast<std::size_t>(line - 1)].logic != 0 ? 1 : 0;
    const int level = on ? logic : 1 - logic;
    std::uint8_t& b = portBytes_[static_cast<std::size_t>(portOf(line) - 1)];
    b = static_cast<std::uint8_t>(level ? (b | bitOf(line)) : (b & ~bitOf(line)));
    lines_[static_cast<std::size_t>(line - 1)].level = level;
    if (lineSwitched)
        lineSwitched(line, on);
}

void GpioInterface::switchLine(int line, bool on) {
    if (!device_ || line < 1 || line > kLineCount || direction(line) != GpioDirection::Out)
        return;
    setBit(line, on);
    writePort(portOf(line));
}

bool GpioInterface::writePort(int port) {
    if (!device_->writePort(port, portBytes_[static_cast<std::size_t>(port - 1)])) {
        removed();
        return false;
    }
    return true;
}

PortBytes GpioInterface::restingBytes(const std::array<bool, 24>& keep) {
    for (int n = 1; n <= kLineCount; ++n) {
        if (direction(n) != GpioDirection::Out || keep[static_cast<std::size_t>(n - 1)])
            continue;
        const bool high = config_.lines[static_cast<std::size_t>(n - 1)].logic == 0;
        std::uint8_t& b = portBytes_[static_cast<std::size_t>(portOf(n) - 1)];
        b = static_cast<std::uint8_t>(high ? (b | bitOf(n)) : (b & ~bitOf(n)));
    }
    return portBytes_;
}

void GpioInterface::allOutputsOff(const std::array<bool, 24>& keep) {
    std::array<bool, 3> outputs{};
    for (int n = 1; n <= kLineCount; ++n) {
        if (direction(n) != GpioDirection::Out)
            continue;
        // Every output port is written: directions given again may have reset its lines.
        outputs[static_cast<std::size_t>(portOf(n) - 1)] = true;
        if (keep[static_cast<std::size_t>(n - 1)])
            continue;
        lines_[static_cast<std::size_t>(n - 1)].active = false;
        setBit(n, false);
    }
    for (int port = 1; port <= 3; ++port) {
        if (outputs[static_cast<std::size_t>(port - 1)] && !writePort(port))
            return;
    }
}

} // namespace kalvor
