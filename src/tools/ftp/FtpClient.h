// The FTP client behind the browser and `kalvor-tool ftp-list`: log in, send a raw command
// and read its reply, list a folder, download a file. libcurl does the protocol; one easy
// handle keeps the control connection between calls, so a session logs in once.
//
// The client never changes the server's working folder (every command names its path from
// the login folder), so a reused connection always means the same thing. FTPS (explicit
// TLS) is used whenever the server offers it; passive mode unless the server entry asks
// for active. Every call blocks: the window runs it on its worker thread (FtpSession).
// One thread at a time.
#pragma once

#include "tools/ftp/FtpErrors.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace kalvor::ftp {

struct FtpServer {
    QString address; // "host", "host:port" or "ftp://host[:port]"
    QString user;    // empty: anonymous
    QString password;
    bool passive = true;
    // Connecting (the TCP connection, the greeting and the login) gives up after this.
    int connectTimeoutMs = 5000;
    // A certificate to trust besides the system's, for a server with a certificate of its
    // own making; empty: the system's store only.
    QString caFile;
};

struct FtpResult {
    FtpFailure failure;
    QString reply;   // the reply to a raw command (its last line: "213 1234")
    QByteArray body; // a listing
    bool ok() const { return !failure.failed(); }
};

class FtpClient {
public:
    // `abort`, when set, ends the running call at its next progress check.
    explicit FtpClient(const std::atomic<bool>* abort = nullptr);
    ~FtpClient();
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    // Opens a new session and sends "SYST"; `reply` is its answer (empty when the server
    // did not answer it).
    FtpResult connect(const FtpServer& server);
    FtpResult command(const QString& command);
    // `folder` from the login folder; a leading "/" makes it absolute. Once a listing holds
    // names that are not UTF-8, the session sends names as Latin-1 bytes, as it reads them.
    FtpResult list(const QString& folder);
    // Downloads into a hidden file beside `localPath` and renames it over `localPath` only
    // when the whole file has arrived; a failed transfer leaves nothing behind and the file
    // that was there untouched. `progress` gets the bytes received so far.
    FtpResult download(const QString& remote, const QString& localPath,
                       const std::function<void(qint64)>& progress = {});
    // Sends QUIT when a session is open.
    void disconnect();

    bool isConnected() const { return handle_ != nullptr; }
    bool encrypted() const { return encrypted_; }

    // What the transcript callback records; public for libcurl's C callback only.
    struct Transcript;

private:
    void prepare(const QString& path, bool folder);
    FtpResult perform();
    FtpResult quote(const QString& command);

    const std::atomic<bool>* abort_;
    void* handle_ = nullptr;
    FtpServer server_;
    bool encrypted_ = false;
    bool loggedIn_ = false;
    bool eightBitNames_ = false; // a listing held names that are not UTF-8
    std::unique_ptr<Transcript> transcript_;
};

} // namespace kalvor::ftp
