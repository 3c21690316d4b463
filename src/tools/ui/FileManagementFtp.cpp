// The FTP pane of the file management window: connecting with its five-second wait, the
// server type, the remote folders and list, downloads with their name checks, conflict
// dialog and progress, and the error reports.
#include "core/Dialogs.h"
#include "tools/ftp/FtpErrors.h"
#include "tools/ftp/FtpTexts.h"
#include "tools/ui/FileManagementWindow.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>

#include <curl/curl.h>

namespace kalvor {

using namespace ftp;

namespace {

constexpr int kConnectWaitMs = 5000;

void ftpError(const QString& text) {
    showMessage(txt(texts::FtpErrorTitle), text, MessageIcon::Critical);
}

// The size column of OS/9 and NT listings, digits only ("1,234" and "1.234" included).
qint64 sizeFromColumn(const QString& column) {
    QString digits;
    for (const QChar c : column) {
        if (c.isDigit())
            digits += c;
    }
    return digits.toLongLong();
}

} // namespace

void FileManagementWindow::fillServerList() {
    servers_ = ftpList ? ftpList() : FtpList{};
    const QString before = serverList_->currentText();
    serverList_->clear();
    for (int i = 0; i < kFtpEntries; ++i) {
        const FtpEntry& e = servers_[static_cast<std::size_t>(i)];
        if (e.used())
            serverList_->addItem(e.name, i);
    }
    if (const int keep = serverList_->findText(before); keep >= 0)
        serverList_->setCurrentIndex(keep);
}

void FileManagementWindow::showState() {
    if (!serverType_)
        return;
    serverType_->setText(serverTypeName(type_));
    security_->setText(connecting_   ? txt(texts::FmConnecting)
                       : !connected_ ? txt(texts::FmNotConnected)
                       : encrypted_  ? txt(texts::FmEncrypted)
                                     : txt(texts::FmPlain));
    connect_->setEnabled(!connected_ && !connecting_);
    disconnect_->setEnabled(connected_ || connecting_);
    load_->setEnabled(transfers_.empty());
}

void FileManagementWindow::Connect() {
    if (connecting_)
        return;
    if (connected_)
        Disconnect();
    type_ = ServerType::Unknown;
    const int row = serverList_->currentIndex();
    if (row < 0) {
        ftpError(txt(texts::FtpNoServer));
        return;
    }
    const FtpEntry entry = servers_[static_cast<std::size_t>(serverList_->itemData(row).toInt())];
    FtpServer server;
    server.address = entry.address;
    server.user = entry.user;
    server.password = entry.password;
    server.connectTimeoutMs = kConnectWaitMs;
    server.caFile = caFile_;
    connecting_ = true;
    connectResult_.reset();
    remote_->clear();
    showState();
    session_->run(
        [server](FtpClient& c) {
            FtpResult r = c.connect(server);
            // Carried back in the reply of a good connect: whether it is encrypted.
            if (r.ok() && c.encrypted())
                r.body = "TLS";
            return r;
        },
        this,
        [this, attempt = ++connectAttempt_](const FtpResult& r) {
            // A late answer to an attempt given up on says nothing about this one.
            if (attempt == connectAttempt_)
                connectResult_ = r;
        });

    const QString waited = WaitForConnect();
    // Disconnect (or closing the window) while waiting ends the attempt.
    if (!connecting_)
        return;
    connecting_ = false;
    if (waited == QLatin1String("TimeOut")) {
        session_->abort();
        session_->run(
            [](FtpClient& c) {
                c.disconnect();
                return FtpResult{};
            },
            this, {});
        connected_ = false;
        showState();
        ftpError(txt(texts::FtpTimeOut));
        return;
    }
    const FtpResult r = *connectResult_;
    if (!r.ok()) {
        connected_ = false;
        showState();
        // libcurl's own limit on the same five seconds.
        if (r.failure.curlCode == CURLE_OPERATION_TIMEDOUT && !r.failure.loggedIn)
            ftpError(txt(texts::FtpTimeOut));
        else
            reportFailure(r, QStringLiteral("Connect"));
        return;
    }
    connected_ = true;
    encrypted_ = r.body == "TLS";
    type_ = serverTypeFromSyst(r.reply);
    remoteFolders_->clear();
    if (type_ == ServerType::Os9)
        remoteFolders_->addItems(os9Folders());
    QString start;
    if (!entry.folder.isEmpty() && entry.folder != QLatin1String("-"))
        start = entry.folder;
    showState();
    refreshRemote(start);
}

QString FileManagementWindow::WaitForConnect() {
    // Events go on running (the show keeps playing) while the connection is made.
    QEventLoop loop;
    QTimer tick;
    QElapsedTimer since;
    since.start();
    connect(&tick, &QTimer::timeout, &loop, [&] {
        if (connectResult_ || !connecting_ || since.elapsed() >= kConnectWaitMs)
            loop.quit();
    });
    tick.start(20);
    if (!connectResult_ && connecting_)
        loop.exec();
    if (!connectResult_)
        return QStringLiteral("TimeOut");
    return connectResult_->ok() ? QStringLiteral("OK") : QStringLiteral("Error");
}

void FileManagementWindow::Disconnect() {
    session_->abort();
    session_->run(
        [](FtpClient& c) {
            c.disconnect();
            return FtpResult{};
        },
        this, {});
    connected_ = false;
    connecting_ = false;
    encrypted_ = false;
    type_ = ServerType::Unknown;
    transfers_.clear();
    remote_->clear();
    remoteFolders_->clear();
    remoteFolder_.clear();
    progress_->clear();
    showState();
}

int FileManagementWindow::ftpBusy() const {
    return session_->pending();
}

void FileManagementWindow::changeRemoteFolder(const QString& folder) {
    if (connected_)
        refreshRemote(folder);
}

void FileManagementWindow::refreshRemote(const QString& folder) {
    session_->run([folder](FtpClient& c) { return c.list(folder); }, this,
                  [this, folder](const FtpResult& r) {
                      if (!connected_)
                          return;
                      if (!r.ok()) {
                          reportFailure(r, QStringLiteral("RefreshRemote"));
                          return;
                      }
                      remoteFolder_ = folder;
                      if (type_ != ServerType::Os9) {
                          remoteFolders_->clear();
                          remoteFolders_->addItem(folder.isEmpty() ? QStringLiteral(".") : folder);
                      } else if (const int i = remoteFolders_->findText(folder); i >= 0) {
                          remoteFolders_->setCurrentIndex(i);
                      }
                      showListing(r.body);
                  });
}

void FileManagementWindow::showListing(const QByteArray& reply) {
    remote_->clear();
    for (const RemoteItem& item : parseListing(type_, reply)) {
        auto* row = new QTreeWidgetItem(remote_, {item.name, item.size, item.date});
        row->setData(0, Qt::UserRole, static_cast<int>(item.kind));
        const QStyle::StandardPixmap icon = item.kind == ItemKind::Folder ? QStyle::SP_DirIcon
                                            : item.kind == ItemKind::Wave ? QStyle::SP_MediaVolume
                                                                          : QStyle::SP_FileIcon;
        row->setIcon(0, style()->standardIcon(icon));
    }
}

void FileManagementWindow::reportFailure(const FtpResult& r, const QString& procedure) {
    if (r.failure.aborted())
        return;
    const int code = ftpErrorCode(r.failure);
    if (connectionLost(code) && connected_) {
        connected_ = false;
        transfers_.clear();
        showState();
    }
    ftpError(FTP_Fehler(code, r.failure.description, procedure));
}

void FileManagementWindow::StartTransfer() {
    if (!connected_) {
        ftpError(txt(texts::FtpNotOnline));
        return;
    }
    if (!transfers_.empty())
        return;
    for (int i = 0; i < remote_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = remote_->topLevelItem(i);
        if (row->isSelected())
            transfers_.push_back({row->text(0), row->text(1), row->text(2),
                                  static_cast<ItemKind>(row->data(0, Qt::UserRole).toInt())});
    }
    showState();
    downloadNext();
}

void FileManagementWindow::downloadNext() {
    while (!transfers_.empty()) {
        const RemoteItem item = transfers_.front();
        transfers_.pop_front();
        if (item.kind == ItemKind::Folder) {
            ftpError(txt(texts::FtpNoFolders));
            continue;
        }
        QString name = item.name;
        if (const QString why = unsafeNameReason(name); !why.isEmpty()) {
            ftpError(txt(texts::FtpUnsafeName) + QLatin1Char('\n') + name);
            continue;
        }
        QString target = localTarget(folder_, name);
        bool skip = false;
        // A local file is only ever replaced by the operator's "Overwrite".
        while (QFileInfo::exists(target)) {
            const ConflictAnswer a = askNameConflict(name);
            if (a.choice == ConflictChoice::Overwrite)
                break;
            if (a.choice == ConflictChoice::Cancel || a.name.isEmpty()) {
                skip = true;
                break;
            }
            if (const QString why = unsafeNameReason(a.name); !why.isEmpty()) {
                ftpError(txt(texts::FtpUnsafeName) + QLatin1Char('\n') + a.name);
                skip = true;
                break;
            }
            name = a.name;
            target = localTarget(folder_, name);
        }
        if (skip)
            continue;

        const QString remote = remotePath(remoteFolder_, item.name);
        const bool askSize = type_ == ServerType::Unix || type_ == ServerType::Unknown;
        expected_ = askSize ? 0 : sizeFromColumn(item.size);
        progress_->setText(QStringLiteral("0 %"));
        FtpSession* session = session_;
        session_->run(
            [this, session, remote, target, askSize](FtpClient& c) {
                if (askSize) {
                    const FtpResult size = c.command(QStringLiteral("SIZE ") + remote);
                    if (const auto bytes = sizeFromReply(size.reply))
                        session->report([this, b = *bytes] { expected_ = b; });
                }
                return c.download(remote, target, [this, session](qint64 bytes) {
                    session->report([this, bytes] {
                        if (expected_ > 0)
                            progress_->setText(
                                QString::number(std::min<qint64>(100, bytes * 100 / expected_)) +
                                QStringLiteral(" %"));
                    });
                });
            },
            this,
            [this](const FtpResult& r) {
                if (!r.ok())
                    reportFailure(r, QStringLiteral("StartTransfer"));
                else if (expected_ > 0)
                    progress_->setText(QStringLiteral("100 %"));
                downloadNext();
            });
        return;
    }
    finishTransfers();
}

void FileManagementWindow::finishTransfers() {
    refreshLocal();
    showState();
}

} // namespace kalvor
