// The KR-2 remote unit while its serial mode is selected: draws every screen into the
// command queue and turns the unit's keys into the show layer's operations, the same ones
// the strips and the KR-1 call. It keeps only what the unit shows (screen, page, cursors,
// held keys); the show state is read from the store each time a screen is drawn.
// UI thread.
#pragma once

#include "control/units/kr2/Kr2Keys.h"
#include "control/units/kr2/Kr2Screens.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace kalvor {

class Settings;
class UnitCommandQueue;
class ShowLayer;

namespace units {

class Kr2Remote : public QObject {
    Q_OBJECT
public:
    enum class Screen { Off, Channels, FunctionMenu, PresetList, SoundList, FileBrowser, Warning };

    // `send` queues one command with the pause to keep after it (the shared queue).
    using Send = std::function<void(const QByteArray& command, int pauseMs)>;
    Kr2Remote(ShowLayer& show, Settings& settings, Send send, QObject* parent = nullptr);

    // Draws through the shared queue. When the queue drops its commands (CTS low for
    // more than 5000 ms, or more than 500 pending) the unit is drawn again: from the start
    // screen after a long wait, else the screen it shows.
    void useQueue(UnitCommandQueue& queue);

    // The mode was selected (or the unit reset, or the queue timed out): set-up, start
    // screen, channel page.
    void start();
    // The mode ends: the "Kalvor closed" screen, then nothing more is drawn.
    void close();
    bool active() const { return screen_ != Screen::Off; }

    // Bytes from the unit.
    void received(const QByteArray& bytes);

    // After a playlist load: the format warning when the file was older or unreadable.
    void showPlaylistWarning(Kr2Warning warning);
    // The preset list (the playlist load's "remote preset screen").
    void showPresetList();
    void redraw();

    Screen screen() const { return screen_; }
    int page() const { return page_; } // 0..3: channels 1..8, 9..16, ...
    // Where the playlist browser starts; empty: the loaded playlist's folder, else home.
    void setBrowserFolder(const QString& folder) { folder_ = folder; }

private:
    void key(const Kr2KeyEvent& event);
    void channelKey(int key, bool down);
    void releaseAll();
    void stopAll();
    void navigate(Kr2Key key);
    void enter();
    void moveCursor(int step);
    void runFunction(int entry);
    void browserEnter();
    void loadPlaylist(const QString& path);
    void channelChanged(int ch);
    void send(const QByteArrayList& commands);
    Kr2ChannelLine channelLine(int ch) const;
    void readFolder();
    bool quickSelect() const;

    ShowLayer& show_;
    Settings& settings_;
    Send send_;
    Kr2KeyDecoder decoder_;
    Screen screen_ = Screen::Off;
    int page_ = 0;
    int cursorRow_ = 0; // channel page: 0..7
    int menuCursor_ = 0;
    Kr2List presets_;
    Kr2List sounds_;
    int soundChannel_ = 0;
    Kr2List folders_;
    Kr2List files_;
    bool filesFocus_ = false;
    QString folder_;
    QString notice_;
    Kr2Warning warning_ = Kr2Warning::NewFormat;
    std::array<int, 8> held_{-1, -1, -1, -1, -1, -1, -1, -1}; // channel per held key
    // What each row of the channel page shows now: a row is sent again only when it
    // changes, as levels and other fields it does not show change often.
    std::array<std::optional<Kr2ChannelLine>, 8> shownRows_;
};

} // namespace units
} // namespace kalvor
