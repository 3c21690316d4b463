// The options dialog "Program Options": the option tree on the left, one frame of controls
// per page on the right. It is made at start-up holding the current settings and shown at
// the last page or at the page a caller asks for. Save and the window's close button run
// the same save: the path checks (Retry goes back to the field, Cancel empties it), then
// every setting of every page and the FTP server list are written, then the dialog hides.
// UI thread.
#pragma once

#include "core/Channel.h"
#include "tools/FtpServerList.h"
#include "tools/OptionDevices.h"
#include "tools/ui/OptionBindings.h"

#include <QDialog>
#include <QHash>

#include <functional>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace kalvor {

class Settings;
class ShowLayer;

// What the dialog reaches outside itself. Empty hooks do nothing.
struct OptionsHooks {
    std::function<void(bool german)> switchLanguage; // the program's one language switch
    std::function<void(bool on)> tooltipsChanged;    // every window's tooltips
    std::function<void(int ms)> changeBufferSize;    // each output device, then the notice
    std::function<void(bool on)> serialEnabled;      // opens or closes the RS-232 port
    std::function<void()> saved;                     // windows take up the stored settings
    // "MIDI IN active" / "MIDI OUT active" and their device lists: opens (on) the named
    // device or closes it; returns whether it is open afterwards.
    std::function<bool(bool on, const QString& device)> midiInput;
    std::function<bool(bool on, const QString& device)> midiOutput;
    std::function<void(bool on)> mtcActive; // "MTC active"
    // Whether the touch view's Play buttons show their sound names, at once.
    std::function<void(bool on)> touchButtonText;
    // The output fields of rows 33..40 (keypad F1..F8), kept by the MIDI output.
    std::function<ChannelAssignments*(int key)> functionKeyRow;
};

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    OptionsDialog(Settings& settings, ShowLayer* show, OptionDevices devices, OptionsHooks hooks,
                  QWidget* parent = nullptr);
    ~OptionsDialog() override;

    // Selects the page (a key of the option tree) and shows the dialog; an unknown key or a
    // group shows the page that was last open.
    void showPage(const QString& key);
    // The same without showing the dialog (start-up selects the first page).
    void selectPage(const QString& key);
    QString currentPage() const;

    // The controls take the stored settings (start-up, and after a settings file changed).
    void loadSettings();
    // The whole save of the Save button; false when the operator chose Retry.
    bool save();
    void SaveRegistrySettings();
    // Escape: the same save as the close button.
    void reject() override;
    void HideAllOptionFrames();
    void SetDefaultVolumes();
    void ApplyOptionTreeLabels();
    void applyCaptions();
    void applyTooltips(bool on);

    const FtpList& ftpList() const { return ftp_; }
    // Start-up: the list from its file; what could not be read is reported in the system
    // messages.
    void loadFtpList(const QString& path = defaultFtpListPath());
    // A received MIDI message, for the monitor page.
    void addMidiMonitorLine(const QString& line);
    // The MIDI device lists as the ports are now, keeping the choices.
    void refreshMidiDevices();
    // The frame rate of the received time code, beside "Frame Rate:".
    void setMtcFrameRate(int fps);
    // An output line's contact (line 1..24) as the GPIO interface switched it last; the
    // grid's row head shows it beside the line's direction.
    void setGpioContact(int line, bool closed);
    // Stores the GPI/O page as it stands (directions, chip, assignment grid), for the
    // interface switched on before the save.
    void storeGpioPage();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Entering an FTP field selects its whole text.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Pages, built in two files by area.
    QWidget* buildInterfacePage();
    QWidget* buildAudioPage();
    QWidget* buildOutputDevicesPage();
    QWidget* buildSoundlistPage();
    QWidget* buildPlaylistPage();
    QWidget* buildLogPage();
    QWidget* buildRs232Page();
    QWidget* buildUsbRemotePage();
    QWidget* buildGpioPage();
    QWidget* buildTouchscreenPage();
    QWidget* buildMidiSetupPage();
    QWidget* buildMidiAssignPage();
    QWidget* buildMidiMonitorPage();
    QWidget* buildDisplayPage();
    QWidget* buildFtpPage();
    QWidget* buildOscPage();

    void buildTree();
    void onNodeSelected(QTreeWidgetItem* item);
    // One path check of the save; false when Retry ended the save.
    bool checkPath(QLineEdit* field, const QString& pageKey, bool folder, const UiText& title,
                   const UiText& problem);
    // Retry's answer: the field in view, focused, its text selected.
    void reveal(QLineEdit* field);
    void askDefaultLevel();
    void setBufferSize();
    void setPreloadSize();
    void loadGpioGrid();
    void fillGpioFunctions();
    QString gpioDirection(int line) const;
    void refreshGpioRowHead(int line);
    void saveGpioGrid();
    void loadMidiGrid();
    void setDefaultNotes();
    void storeMidiRow(int row);
    // Rows 0..31 are the channels' own assignments, 32..39 the keypad's F1..F8.
    ChannelAssignments* midiRow(int row);
    void showFtpEntry(int row);
    void storeFtpField();
    void refreshFtpList();
    void ftpNew();
    void ftpDelete();
    void pickColour(QPushButton* button);
    void pickFolder(QLineEdit* field);
    QLineEdit* pathRow(QGridLayout* grid, int row, const char* name, const char* button,
                       UiText label, std::function<void(QLineEdit*)> pick);

    Settings& settings_;
    ShowLayer* show_;
    OptionDevices devices_;
    OptionsHooks hooks_;
    OptionBindings bind_;
    FtpList ftp_;
    QString ftpPath_;
    bool loading_ = false;

    QTreeWidget* tree_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QWidget* blank_ = nullptr;
    QHash<QString, QWidget*> pages_;
    QHash<QString, QTreeWidgetItem*> items_;
    QString lastPage_;

    QPushButton* save_ = nullptr;
    QSpinBox* bufferSize_ = nullptr;
    QSpinBox* preloadSize_ = nullptr;
    QSpinBox* defaultVolume_ = nullptr;
    QComboBox* previewDevice_ = nullptr;
    QLineEdit* soundDir_ = nullptr;
    QLineEdit* playlistDir_ = nullptr;
    QLineEdit* playlistFile_ = nullptr;
    QLineEdit* logBackupDir_ = nullptr;
    QLineEdit* waveEditor_ = nullptr;
    QTableWidget* gpioGrid_ = nullptr;
    QTableWidget* midiGrid_ = nullptr;
    QListWidget* midiMonitor_ = nullptr;
    QComboBox* midiIn_ = nullptr;
    QComboBox* midiOut_ = nullptr;
    QComboBox* comPort_ = nullptr;
    QListWidget* ftpListBox_ = nullptr;
    std::array<QLineEdit*, 5> ftpFields_{};
    std::array<int, 2> restartWatch_{};
    std::array<signed char, 24> gpioContacts_{}; // 0: not switched yet, 1: closed, -1: open
    std::array<ChannelAssignments, 8> functionKeyNotes_{}; // sample rate, bit resolution as loaded
};

} // namespace kalvor
