// The KD-1 display unit: its own port, its pages, and the keypads' function keys that
// drive them. It keeps only what the display shows (page, channel, cursors, a text being
// edited); every change goes through the show layer's operations, and the pages are
// drawn from the store each time. UI thread.
//
// Function keys (numbered as on the 64-key keypad) that act on the display:
//
// | Key     | Action                                                            |
// |---------|-------------------------------------------------------------------|
// | 9..14   | main page style 1..6 ("DO500Size"): 1 preset only, 2..6 with the playing channels |
// | 15 / 16 | previous / next channel on the option pages and the sound selection |
// | 23 / 24 | <- / ->: cursor in text entry; option page 1 / 2; -> in the sound selection: preview
// | | 31 / 32 | - / +: change the character in text entry; in lists the previous / next line | | 33
// | preset selection ("Select Preset")                                | | 34      | the preset list
// (" PRESETS "), after the keypad stored a new preset | | 35 / 36 | list cursor up / down | | 37 |
// sound selection for the channel shown                             | | 38      | channel option
// pages (page 1, again: page 2)                      | | 41      | rename the current preset | | 42
// / 44 / 45 | remove the selected preset / the channel's current sound / everything, after Enter |
// | 43      | save the playlist under a new name                                |
// | 46      | Enter: recall, select, save or confirm                            |
// | 47      | Cancel: close the dialog, back to the main page                   |
// | 48      | main page                                                         |
// | 54      | preview of the sound under the cursor                             |
// | 55      | playlist file browser                                             |
#pragma once

#include "control/Kd1Operations.h"
#include "control/units/kd1/Kd1Link.h"
#include "control/units/kd1/Kd1Pages.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

namespace kalvor {

class Settings;
class ShowLayer;

namespace units {

class Kd1Display : public QObject, public Kd1Operations {
    Q_OBJECT
public:
    enum class Page {
        Off,
        Main,
        Options1,
        Options2,
        PresetSelect,
        PresetList,
        SoundSelect,
        Preview,
        TextEntry,
        Question,
        Notice,
        Browser
    };

    Kd1Display(ShowLayer& show, Settings& settings, std::unique_ptr<Kd1Link> link,
               QObject* parent = nullptr);
    ~Kd1Display() override;

    // The RS-232 port's number while it is open, else 0: the display never shares it.
    void setSerialPortInUse(std::function<int()> portInUse) { portInUse_ = std::move(portInUse); }

    // Start-up and enabling: when "DO500Enabled" is on, opens "DO500ComPort" and shows the
    // start screen. A refused or silent port leaves its message box and the display off.
    bool open();
    // The playlist is loaded: the main page.
    void showPlaylist();
    void close();
    void refresh();

    Page page() const { return page_; }
    // "DO500Enabled" is on.
    bool enabledInSettings() const { return settingOn("DO500Enabled"); }
    // The COM port number the display was opened on.
    int port() const { return port_; }

    // Kd1Operations
    bool enabled() const override { return page_ != Page::Off; }
    void functionKey(int key, bool pressed, bool shift) override;
    void channelChanged(int channel) override;
    int shownChannel() const override { return enabled() ? channel_ : -1; }
    void showNotice(const QString& text) override;

private:
    void send(const QByteArrayList& commands);
    void setPage(Page page);
    void moveCursor(int step);
    void stepChannel(int step);
    void enter();
    void cancel();
    void changeCharacter(int step);
    void confirm();
    void savePlaylistAs(bool overwrite);
    void openSoundSelection();
    void openBrowser();
    void tick();
    bool anyPlaying() const;
    int listCount() const;
    Kd1MainPage mainPage() const;
    Kd1ChannelOptions channelOptions() const;
    Kd1SoundInfo soundInfo() const;
    QString playlistFolder() const;
    bool settingOn(const char* key) const;

    ShowLayer& show_;
    Settings& settings_;
    std::unique_ptr<Kd1Link> link_;
    std::function<int()> portInUse_;
    Page page_ = Page::Off;
    int port_ = 0;
    Page afterNotice_ = Page::Main;
    int channel_ = -1;
    int cursor_ = 0;
    int first_ = 0;
    Kd1TextEntry entry_ = Kd1TextEntry::SavePlaylistAs;
    QString text_;
    int textCursor_ = 0;
    int renaming_ = -1; // the preset a rename was begun for
    Kd1Question question_ = Kd1Question::RemoveAll;
    QString notice_;
    QStringList files_;
    QTimer noticeTimer_;
    QTimer clock_;
};

} // namespace units
} // namespace kalvor
