// What a press and a release on an overview cell do: the dispatcher that branches on the
// clicked column's caption and calls the show layer's operations (the same ones the main
// window's controls call), and the spooling of REW and FWD. Headless: the window turns
// the returned request into a selector, a flash or a pressed-button look. UI thread.
#pragma once

#include "overview/OverviewColumns.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace kalvor {

class ShowLayer;

// What the window shows after a press.
enum class CellRequest {
    None,
    Flash,
    Pressed,
    SoundSelector,
    OutputSelector,
    PlayGroupSelector,
    StopGroupSelector,
    VolumeSlider,
    PanSlider,
    VariSpeedSlider,
    InfoEditor,
};

// Windows of other parts of the program a cell opens; an empty hook does nothing.
struct OverviewHooks {
    std::function<void(int ch)> goToTime;
    std::function<void(int ch)> startOffsets;
    std::function<void(int ch)> cueWindow;            // MTC cues of the channel
    std::function<void(const QString& page)> options; // "" for no particular page
};

enum class SpoolDirection { None, Rewind, Forward };

class OverviewActions {
public:
    explicit OverviewActions(ShowLayer& show) : show_(show) {}

    OverviewHooks hooks;

    // A left press on a channel row; `caption` is the clicked column's header caption and
    // `nowSeconds` the time of day in whole seconds (the spool's press time).
    CellRequest press(const QString& caption, int ch, std::int64_t nowSeconds);
    // Any release: PLAY's release (HoldMode) and the end of spooling.
    void release(const QString& caption, int ch);

    // One step of the 100 ms spool timer; false when spooling ended by itself (REW at the
    // start), so the window stops the timer.
    bool spoolStep(std::int64_t nowSeconds);
    SpoolDirection spoolDirection() const { return direction_; }
    int spoolChannel() const { return spoolChannel_; }

private:
    void play(int ch);
    void pause(int ch);
    void stop(int ch);
    void startSpool(SpoolDirection direction, int ch, std::int64_t nowSeconds);

    ShowLayer& show_;
    SpoolDirection direction_ = SpoolDirection::None;
    int spoolChannel_ = -1;
    int stepSeconds_ = 1;
    std::int64_t pressSeconds_ = 0;
};

} // namespace kalvor
