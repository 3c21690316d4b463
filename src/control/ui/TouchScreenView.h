// The touch-screen view: one large Play button per channel, the five play-mode indicators
// and the position of the selected channel, and two touch lists: the left one steps the
// presets (first cell Next Preset, second Previous Preset), the right one shows the
// selected channel's sound list and selects a sound by touch. Everything it does goes to
// the show layer; it redraws from the store. On a second screen it fills that screen; on
// a single screen it is a window of its own. UI thread.
#pragma once

#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

class QKeyEvent;

class QLabel;
class QFrame;

namespace kalvor {

class Settings;
class ShowLayer;
class TouchList;
class TouchPlayButton;

class TouchScreenView : public QWidget {
    Q_OBJECT
public:
    TouchScreenView(ShowLayer& show, Settings& settings, QWidget* parent = nullptr);

    TouchPlayButton* btnPlay(int ch) const { return buttons_.at(static_cast<std::size_t>(ch)); }
    TouchList* touchGridLeft() const { return left_; }
    TouchList* touchGridRight() const { return right_; }
    QLabel* indicator(int i) const { return indicators_.at(static_cast<std::size_t>(i)); }
    QLabel* lblPosition() const { return position_; }

    // Opens on the second screen when there is one (or the one "TouchScreenPosition"
    // names), else as a window; a second call closes it.
    void toggle(const QWidget* mainWindow);
    void open(const QWidget* mainWindow);

    void SetPlayButtonName(int ch);
    // The Play buttons show their sound names (otherwise only the number).
    void setShowText(bool on);
    // Fonts and colours from the settings, and all captions.
    void applySettings();

    // The keyboard, should the view have it, for the main window's hotkeys; true when taken.
    std::function<bool(QKeyEvent* event)> passKey;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void applyCaptions();
    void refreshColour(int ch);
    void DisplayOptions(); // the five indicators of the selected channel
    void refreshLists();
    void refreshPosition();

    ShowLayer& show_;
    Settings& settings_;
    std::array<TouchPlayButton*, 32> buttons_{};
    std::array<QLabel*, 5> indicators_{};
    QLabel* channel_ = nullptr;
    QFrame* pnlPosition_ = nullptr;
    QLabel* position_ = nullptr;
    TouchList* left_ = nullptr;
    TouchList* right_ = nullptr;
    QTimer timer_;
    bool showText_ = true;
};

} // namespace kalvor
