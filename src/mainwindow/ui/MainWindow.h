// The main window: the channel pages (`ChannelTabs`, four pages of eight strips and the
// play log page), the places of the settings panel, the preset list, the global playback
// buttons and the playlist selector, the menus, the status bar, the playback and
// button-colour timers, and the quit question on close. It mirrors the show store and
// calls the show layer; it keeps no show state. UI thread.
#pragma once

#include "mainwindow/ui/NewPlaylistDialog.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QTabWidget;

namespace kalvor {

class ChannelStrip;
class GoToTimeDialog;
class SoundOffsetsWindow;
class GlobalPlaybackPanel;
class HotkeyController;
class LogPage;
class PlayLogControl;
class Lifecycle;
class PlaylistSelector;
class PresetPanel;
class SoundOptionsPanel;
class RecentPlaylists;
class Settings;
class ShowLayer;
class SystemMessagesWindow;

// Windows of other parts of the program that the main window, its strips and the keys
// open. Each stays empty until its window exists; an empty hook does nothing.
struct PendingWindows {
    std::function<void(int ch)> ftpBrowser; // right button on an add button
    std::function<void(int ch)> effects;    // the DSP window for a channel
    std::function<void()> touchScreen;
    std::function<void(int page)> blackScreen;
    std::function<void(const QString& page)> options; // empty page: the last one shown
    std::function<void(int page)> tools;              // 0 Backup/Restore, 1 CD Ripping
    std::function<void()> textReader;                 // the show script beside this window
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(ShowLayer& show, Settings& settings, RecentPlaylists& recent, Lifecycle& lifecycle,
               SystemMessagesWindow& messages, QWidget* parent = nullptr);
    ~MainWindow() override;

    ChannelStrip* strip(int ch) const { return strips_.at(static_cast<std::size_t>(ch)); }
    QTabWidget* channelTabs() const { return tabs_; }
    QLabel* playlistStatus() const { return playlistStatus_; }
    QLabel* presetStatus() const { return presetStatus_; }
    // The running time code, "MTC hh:mm:ss:ff", in its colour (grey while time code is off).
    void setMtcDisplay(const QString& text, int colour);
    QLabel* mtcDisplay() const { return mtcDisplay_; }
    SoundOptionsPanel* soundOptions() const { return soundOptions_; }
    PresetPanel* presetPanel() const { return presetPanel_; }
    PlaylistSelector* playlistSelector() const { return playlistSelector_; }
    GlobalPlaybackPanel* globalPlayback() const { return globalPlayback_; }
    HotkeyController* hotkeys() const { return hotkeys_; }
    PendingWindows& pendingWindows() { return pending_; }
    PlayLogControl& playLog() const { return *playLog_; }
    LogPage* logPage() const { return logPage_; }

    // The play log's start-up and closing steps.
    void initLogging();
    void saveLogList(); // shows the Log page first, so the operator sees what is saved

    // Start-up steps that reach the window.
    void prepareChannel(int ch); // step 14: colours and displays of the strip
    void applySettings();        // step 11: fonts, colours, tooltips, captions
    void setBusy(bool busy);
    void startTimers();      // step 19: every timer of the window
    void stopTimers();       // closing step 4: the playback timers
    void stopWindowTimers(); // closing step 6: meters and processor load

    // Captions of all strips, after a recall or a change of the MIDI display options.
    void LabelChannel(int ch);
    void LabelAllChannels();

    // The menu commands, also for keys and tests.
    void newPlaylist();
    void openPlaylist();
    void savePlaylist();
    void savePlaylistAs();
    void openRecentPlaylist(int index);
    void switchLanguage(bool german);
    // Sets or clears every tooltip of the window, the list entries and menus included.
    void applyTooltips(bool on);
    void openOptions(const QString& page = {});
    void showSystemMessages();
    void openEffectsWindow(int ch);
    // The start-offsets window on a channel; the go-to-time dialog, never blocking the show.
    void openStartOffsets(int ch);
    void openGoToTime(int ch, bool fromKey);
    SoundOffsetsWindow* startOffsetsWindow() const { return offsets_; }
    GoToTimeDialog* goToTimeDialog() const { return goTo_; }

    // Shows the overview window at its stored place (the overview is built after us).
    std::function<void()> showOverview;

    // Asks the new-playlist questions; tests replace it.
    std::function<std::optional<NewPlaylistChoice>()> askNewPlaylist;

    // A load or a recall is running: closing and opening wait for it.
    bool showBusy() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildPanels(QWidget* central);
    void applyCaptions();
    void applyLogTabCaption();
    void rebuildRecentMenu();
    void showPageMenu(const QPoint& globalPos);
    void onSelectedChannel(int ch);
    void onPlaybackTick();
    void applyTimeDisplayStyleToAll();
    void applySoundListFontToAll();
    void installHotkeys();

    ShowLayer& show_;
    Settings& settings_;
    RecentPlaylists& recent_;
    Lifecycle& lifecycle_;
    SystemMessagesWindow& messages_;
    PendingWindows pending_;

    QTabWidget* tabs_ = nullptr;
    std::array<ChannelStrip*, 32> strips_{};
    std::array<bool, 32> wasRunning_{};
    PlayLogControl* playLog_ = nullptr;
    LogPage* logPage_ = nullptr;
    SoundOptionsPanel* soundOptions_ = nullptr;
    PresetPanel* presetPanel_ = nullptr;
    PlaylistSelector* playlistSelector_ = nullptr;
    GlobalPlaybackPanel* globalPlayback_ = nullptr;
    HotkeyController* hotkeys_ = nullptr;
    QLabel* playlistStatus_ = nullptr;
    QLabel* presetStatus_ = nullptr;
    QLabel* mtcDisplay_ = nullptr;
    int highlighted_ = -1;
    bool closePending_ = false;

    QTimer playbackTimer_;
    QTimer buttonColourTimer_;

    QMenu* fileMenu_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    QAction* newPlaylist_ = nullptr;
    QAction* openPlaylist_ = nullptr;
    QAction* savePlaylist_ = nullptr;
    QAction* savePlaylistAs_ = nullptr;
    QAction* exit_ = nullptr;
    QAction* systemMessages_ = nullptr;
    QAction* effects_ = nullptr;
    QAction* startOffsets_ = nullptr;
    QAction* removeStartOffset_ = nullptr;
    SoundOffsetsWindow* offsets_ = nullptr;
    GoToTimeDialog* goTo_ = nullptr;
    QAction* options_ = nullptr;
    QAction* backupRestore_ = nullptr;
    QAction* cdRipping_ = nullptr;
    QAction* textReader_ = nullptr;
    QAction* touchScreen_ = nullptr;
    QAction* blackScreen_ = nullptr;
    QAction* english_ = nullptr;
    QAction* deutsch_ = nullptr;
};

} // namespace kalvor
