// The file management window: a local pane (drives, folders and files with a type filter
// and a name field, and a preview player on the engine's preview channel) and an FTP pane
// that connects to a server of the stored list, browses its folders and downloads files
// into the local folder. OK hands the selected local files to the channel's sound list.
//
// It never blocks the show: the window is not modal, and every FTP call runs on the
// session's worker thread with its result handed back here. Connecting waits at most five
// seconds (WaitForConnect) while events go on running. UI thread.
#pragma once

#include "tools/FtpServerList.h"
#include "tools/ftp/FtpListing.h"
#include "tools/ftp/FtpSession.h"
#include "tools/ui/FileManagementConflict.h"

#include <QDialog>

#include <deque>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QTreeWidget;
class QTreeWidgetItem;

namespace kalvor {

class Settings;
class ShowLayer;

class FileManagementWindow : public QDialog {
    Q_OBJECT
public:
    FileManagementWindow(ShowLayer& show, Settings& settings, QWidget* parent = nullptr);
    ~FileManagementWindow() override;

    // Opens the window for a channel's sound list, in DefaultSoundPath (or the user's music
    // folder, or home, when that does not exist).
    void openFor(int channel);
    int channel() const { return channel_; }

    // The stored server list; by default read from "kalvor.ftp" whenever the window opens.
    std::function<FtpList()> ftpList;
    // The Options button: the options dialog at its FTP page.
    std::function<void()> openOptions;
    // Asks what to do with a download whose file exists locally; the real dialog unless
    // replaced.
    std::function<ConflictAnswer(const QString& fileName)> askNameConflict;
    // A certificate to trust for the servers' TLS besides the system's.
    void setExtraCertificate(const QString& path) { caFile_ = path; }

    // The local pane.
    void setLocalFolder(const QString& folder);
    QString localFolder() const { return folder_; }
    // Folder + "/" + name of every selected local file, in list order.
    QStringList selectedLocalFiles() const;

    // The FTP pane.
    void Connect();
    // "OK" once connected, "TimeOut" when five seconds passed first, "Error" when the
    // connection failed sooner.
    QString WaitForConnect();
    void Disconnect();
    void StartTransfer();
    void changeRemoteFolder(const QString& folder);
    bool isConnected() const { return connected_; }
    ftp::ServerType serverType() const { return type_; }
    QString remoteFolder() const { return remoteFolder_; }
    bool encrypted() const { return encrypted_; }
    // Fills the remote list from a LIST reply, through the server type's parser.
    void showListing(const QByteArray& reply);
    // Jobs queued or running on the FTP thread (tests wait for it to reach 0).
    int ftpBusy() const;

    // The preview player.
    void AuditionPlay();
    void AuditionStop();

    void applyTooltips(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    QWidget* buildLocalPane();
    QWidget* buildFtpPane();
    void applyCaptions();
    void fillDrives();
    void refreshLocal();
    void fillServerList();
    void refreshRemote(const QString& folder);
    void showState();
    void reportFailure(const ftp::FtpResult& r, const QString& procedure);
    void downloadNext();
    void finishTransfers();
    void accept() override;

    ShowLayer& show_;
    Settings& settings_;
    int channel_ = -1;
    QString folder_;

    ftp::FtpSession* session_;
    bool connected_ = false;
    bool connecting_ = false;
    std::optional<ftp::FtpResult> connectResult_;
    int connectAttempt_ = 0;
    bool encrypted_ = false;
    ftp::ServerType type_ = ftp::ServerType::Unknown;
    QString remoteFolder_;
    QString caFile_;
    FtpList servers_;
    std::deque<ftp::RemoteItem> transfers_;
    qint64 expected_ = 0;

    QComboBox* drives_ = nullptr;
    QLabel* folderLabel_ = nullptr;
    QListWidget* folders_ = nullptr;
    QListWidget* files_ = nullptr;
    QLineEdit* fileName_ = nullptr;
    QComboBox* fileType_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* stop_ = nullptr;
    QSlider* level_ = nullptr;
    QComboBox* serverList_ = nullptr;
    QComboBox* remoteFolders_ = nullptr;
    QPushButton* connect_ = nullptr;
    QPushButton* disconnect_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* options_ = nullptr;
    QTreeWidget* remote_ = nullptr;
    QLabel* serverType_ = nullptr;
    QLabel* security_ = nullptr;
    QLabel* progress_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace kalvor
