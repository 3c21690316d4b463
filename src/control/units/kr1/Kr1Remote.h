// The KR-1 remote unit on the program side: draws every screen of the unit from the show
// and turns its keys into the show layer's operations, as the buttons and hotkeys do.
// Commands go through the unit's command queue (`UnitLink`), so drawing never waits for
// the unit; the screens are redrawn when the show changes (recall, channel state, PLAY
// colours, playlist load and save). No show state is kept here, only what the unit's
// screens show: the screen, the page, the cursors and which channel each held key
// started. The key table, hotkey mode included, is in Kr1Keys.h. UI thread.
#pragma once

#include "control/units/UnitLink.h"
#include "control/units/kr1/Kr1Keys.h"
#include "control/units/kr1/Kr1Screens.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <array>
#include <bitset>
#include <functional>

namespace kalvor {

class Settings;
class ShowLayer;
class UnitPort;

namespace playlist {
struct LoadReport;
}

class Kr1Remote : public QObject {
    Q_OBJECT
public:
    enum class Screen {
        Off,
        Start,
        Channels,
        Menu,
        Presets,
        Playlists,
        Files,
        ChannelOptions,
        TextReader,
        Warning,
        KeyTest,
        Notice,
        Closed,
    };

    Kr1Remote(ShowLayer& show, Settings& settings, UnitPort& port, QObject* parent = nullptr);
    ~Kr1Remote() override;

    // The KR-1 mode was chosen, or the unit came back after a time-out: queue reset, the
    // start screen, then the channel page (or the preset list with "KR1_ScenesOnly").
    void initialise();
    // Another serial mode or a closed port: the channels held by its keys are let go, the
    // send timer stops, nothing more is drawn.
    void deactivate();
    bool active() const { return active_; }

    // Bytes from the unit: one key code each.
    void received(const QByteArray& bytes);

    // The preset memory list (start-up, and while a playlist loads).
    void drawPresetScreen();
    // The screen shown, drawn again from the show.
    void redraw();
    // The last screen before the port closes: "Kalvor closed". Sent at once (a busy unit
    // is given up to two seconds), so the operator sees that the unit is no longer live.
    void close();

    // The send timer's interval (10 ms: about what the unit takes at 19200 baud).
    void setSendInterval(int ms) { sendIntervalMs_ = ms; }

    // Where the playlist screens start; the loaded playlist's folder when empty.
    void setPlaylistFolder(const QString& folder) { folder_ = folder; }

    // The text reader's document as lines, for the unit's text reader screen; empty (or
    // unset) shows the "No text found" screen.
    std::function<QStringList()> textReaderLines;

    Screen screen() const { return screen_; }
    int page() const { return page_; }
    UnitLink& link() { return link_; }

private:
    struct FileLists {
        QStringList drives, folders, files;
        QStringList drivePaths;
    };

    void handle(const kr1::Key& key);
    void handleMenuScreen(const kr1::Key& key);
    void handleLists(const kr1::Key& key);
    void handleFiles(const kr1::Key& key);
    void handleOptions(const kr1::Key& key);
    void runMenuEntry(int entry);
    void menuKey();
    void goHome();
    void releaseHeld();
    void show(Screen s);

    // Drawing.
    void send(kr1::Painter& p);
    void drawChannels();
    void drawBand(int ch);
    void drawTimes();
    void drawMenu();
    void drawPresets();
    void drawPlaylists();
    void drawFiles();
    void drawOptions();
    void drawTextReader();
    void drawKeyTest();
    void drawWarning();
    void drawNotice(const QString& text, int pauseMs = 0);
    void scheduleBand(int ch);
    void scheduleRedraw();
    void flushDirty();

    kr1::Layout currentLayout() const;
    kr1::ChannelView channelView(int ch) const;
    int shownIndex(int ch) const; // the channel's band on the page shown, -1 when not shown
    QStringList menuEntries() const;
    bool hotkeyMode() const;
    QString playlistFolder() const;
    QStringList playlistFiles() const;
    FileLists fileLists() const;
    void loadPlaylist(const QString& path);
    void savePlaylist(bool asNew);
    void afterExternalLoad();

    ShowLayer& show_;
    Settings& settings_;
    UnitLink link_;
    QTimer clock_;
    QTimer flush_;
    std::bitset<32> dirty_;
    // What each channel's band shows now, so a signal that changes nothing the unit
    // shows (the PLAY colour's flashing near the end) sends nothing.
    std::array<kr1::ChannelView, 32> drawn_{};
    std::bitset<32> drawnValid_;
    bool dirtyAll_ = false;

    Screen screen_ = Screen::Off;
    int page_ = 0;
    int menuCursor_ = 0;
    int presetCursor_ = 0;
    int playlistCursor_ = 0;
    int fileField_ = 2;
    int fileCursors_[3] = {0, 0, 0};
    int optionsChannel_ = 0;
    int optionsCursor_ = 0;
    int lastCode_ = 0;
    int textLine_ = 0; // the first line shown by the text reader screen
    int menuPresses_ = 0;
    bool warningUnreadable_ = false;
    bool ownLoad_ = false; // a load or save of the unit's own is running
    bool active_ = false;
    int sendIntervalMs_ = UnitLink::kDefaultIntervalMs;
    QString folder_;
    std::array<int, 8> held_{}; // the channel each channel key started, -1 when up
};

} // namespace kalvor
