// The black-screen view's keys and what it shows, without the window: the bank of eight
// channels, the selected channel, the F-keys with their guard against key repeat and the
// two key modes. Every action goes to the show layer's operations. UI thread.
//
// Keys: F1..F8 play channel (key - F1) + 8 x (bank - 1); arrows up/down choose the
// previous/next sound of the selected channel, left/right the previous/next channel (the
// bank follows). Tab switches the F-keys between "play" (PLAY as on the main window) and
// "play / stop" (a playing channel is stopped). Backspace leaves the view: it is the one
// key the main window's hotkeys do not use. Every other key, Escape included, goes on to
// the main window's hotkeys, so the booth keyboard works the same in both views.
#pragma once

#include <QString>

#include <array>

namespace kalvor {

class ShowLayer;

enum class BlackKeyResult { Handled, PassOn, Leave };

// One channel line of the view.
struct BlackChannelLine {
    int channel = 0;   // 1..32
    QString heading;   // "11 (F3) 1P:---S"
    QString soundName; // empty: no sound
    QString position;
    QString length;
    bool playing = false;
    bool paused = false;
    bool selected = false;
};

class BlackScreenControl {
public:
    explicit BlackScreenControl(ShowLayer& show);

    // Opens on a bank 1..4; the selected channel moves into it when it is elsewhere.
    void open(int bank);
    int bank() const { return bank_; }
    int selectedChannel() const { return selected_; } // 0..31
    bool stopMode() const { return stopMode_; }

    // Qt key codes. Releases of F-keys end their hold; repeats never press again.
    BlackKeyResult keyDown(int qtKey, bool autoRepeat);
    BlackKeyResult keyUp(int qtKey, bool autoRepeat);
    // The window lost the keyboard: held F-keys are released, or a hold-mode PLAY stays on.
    void releaseAll();

    void SelectChannel(int ch);
    // The channel was selected elsewhere (a digit key passed on, a remote, MIDI): the view's
    // selection and bank go with it, or the arrows would act on a channel no longer chosen.
    void follow(int ch);
    void ChangeSound(int step); // +1 next, -1 previous
    std::array<BlackChannelLine, 8> DrawChannels() const;

    static QString groupsText(const QString& playGroup, const QString& stopGroup);

private:
    ShowLayer& show_;
    int bank_ = 1;
    int selected_ = 0;
    bool stopMode_ = false;
    std::array<int, 8> held_{-1, -1, -1, -1, -1, -1, -1, -1}; // channel each F-key pressed
};

} // namespace kalvor
