// The "DSP Effects" window: reverb, delay, chorus and flanger of one channel, the order
// they were switched on in (the chain), and the channel's VariSpeed. It mirrors the
// channel record in the show store and writes every change there and to the engine at
// once; it keeps no show state of its own. UI thread.
#pragma once

#include "engine/kae/Kae.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace kalvor {

class Settings;
class ShowStore;

class DspWindow : public QWidget {
    Q_OBJECT
public:
    DspWindow(ShowStore& store, Settings& settings, QWidget* parent = nullptr);
    ~DspWindow() override;

    // Shows the window for channel `ch` (0..31) and loads its controls. While "Lock channel
    // numbers" is ticked the window follows the selected channel, and choosing a channel
    // in it selects that channel everywhere.
    void showForChannel(int ch);
    // The channel the window works on (0..31).
    int channel() const;

    // The show layer's vari-speed operation, which every other input path uses too; the
    // engine layer cannot reach it itself. Left empty, the window sets the speed alone.
    std::function<void(int ch, int percent)> setVariSpeed;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void retranslate();
    void loadChannel(int ch);
    void loadChain();
    void knobTurned(int index, double value);
    void effectChanged(engine::KaeEffect effect);
    void variSpeedTurned(int percent);
    void showCpuLoad();

    struct Ui;
    std::unique_ptr<Ui> ui_;
};

} // namespace kalvor
