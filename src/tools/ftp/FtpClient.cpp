#include "tools/ftp/FtpClient.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUrl>

#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace kalvor::ftp {

namespace {

constexpr long kReplyTimeoutS = 30;    // a command's reply, once connected
constexpr long kStalledTransferS = 30; // a download receiving nothing at all

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURL* asCurl(void* h) {
    return static_cast<CURL*>(h);
}

// "ftp://host:port" from what an operator typed into the server list.
QString baseUrl(const QString& address) {
    QString a = address.trimmed();
    QString scheme = QStringLiteral("ftp");
    if (const qsizetype s = a.indexOf(QLatin1String("://")); s >= 0) {
        scheme = a.left(s).toLower();
        a = a.mid(s + 3);
    }
    if (const qsizetype slash = a.indexOf(QLatin1Char('/')); slash >= 0)
        a = a.left(slash);
    return scheme + QStringLiteral("://") + a;
}

// A name as the server writes it: UTF-8, or one byte a character for a server whose
// listings are in an 8-bit code page (they are read as Latin-1, see parseListing).
QByteArray serverBytes(const QString& text, bool eightBit) {
    return eightBit ? text.toLatin1() : text.toUtf8();
}

// The path part of a URL: each segment percent-encoded, an absolute path led by "%2F" so
// that libcurl keeps its leading slash.
QString urlPath(const QString& path, bool folder, bool eightBit) {
    QString out = QStringLiteral("/");
    if (path.startsWith(QLatin1Char('/')))
        out += QStringLiteral("%2F");
    QStringList parts;
    for (const QString& segment : path.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        parts << QString::fromLatin1(serverBytes(segment, eightBit).toPercentEncoding());
    out += parts.join(QLatin1Char('/'));
    if (folder && !parts.isEmpty())
        out += QLatin1Char('/');
    return out;
}

FtpResult notConnected() {
    FtpResult r;
    r.failure.curlCode = CURLE_COULDNT_CONNECT;
    r.failure.description = QStringLiteral("not connected");
    return r;
}

} // namespace

struct FtpClient::Transcript {
    QString lastCommand;
    int lastReply = 0;
    QString quoteVerb; // the raw command whose reply is wanted
    QString quoteReply;
    bool quoteWaiting = false;
    bool quoteAnswered = false;
    bool authSent = false;
    bool encrypted = false;
    bool loggedIn = false;
    QByteArray* body = nullptr;
    QFile* file = nullptr;
    const std::function<void(qint64)>* progress = nullptr;
    qint64 lastReported = -1;
    const std::atomic<bool>* abort = nullptr;
    char error[CURL_ERROR_SIZE] = {};
};

namespace {

using Transcript = FtpClient::Transcript;

int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    auto* t = static_cast<Transcript*>(user);
    const QString text = QString::fromUtf8(data, static_cast<qsizetype>(size)).trimmed();
    if (type == CURLINFO_HEADER_OUT) {
        t->lastCommand = text.section(QLatin1Char(' '), 0, 0).toUpper();
        if (t->lastCommand == QLatin1String("AUTH"))
            t->authSent = true;
        if (!t->quoteVerb.isEmpty() && t->lastCommand == t->quoteVerb && !t->quoteAnswered)
            t->quoteWaiting = true;
    } else if (type == CURLINFO_HEADER_IN) {
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            const QString l = line.trimmed();
            // A reply's last line is its number and a blank; others are continuations.
            const bool final = l.size() >= 3 && l.left(3).toInt() > 0 &&
                               (l.size() == 3 || l.at(3) == QLatin1Char(' '));
            if (!final)
                continue;
            t->lastReply = l.left(3).toInt();
            if (t->lastReply == 230)
                t->loggedIn = true;
            if (t->authSent && t->lastCommand == QLatin1String("AUTH")) {
                t->encrypted = t->lastReply == 234;
                t->authSent = false;
            }
            if (t->quoteWaiting) {
                t->quoteReply = l;
                t->quoteAnswered = true;
                t->quoteWaiting = false;
            }
        }
    }
    return 0;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transcript*>(user);
    const size_t n = size * count;
    if (t->file)
        return t->file->write(data, static_cast<qint64>(n)) == static_cast<qint64>(n) ? n : 0;
    if (t->body)
        t->body->append(data, static_cast<qsizetype>(n));
    return n;
}

int onProgress(void* user, curl_off_t, curl_off_t now, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transcript*>(user);
    if (t->abort && t->abort->load())
        return 1;
    if (t->progress && *t->progress && now != t->lastReported) {
        t->lastReported = now;
        (*t->progress)(static_cast<qint64>(now));
    }
    return 0;
}

} // namespace

FtpClient::FtpClient(const std::atomic<bool>* abort)
    : abort_(abort), transcript_(std::make_unique<Transcript>()) {
    initCurlOnce();
}

FtpClient::~FtpClient() {
    disconnect();
}

void FtpClient::disconnect() {
    if (handle_) {
        // QUIT to a server that has gone silent must not hold the caller for long.
        curl_easy_setopt(asCurl(handle_), CURLOPT_SERVER_RESPONSE_TIMEOUT, 2L);
        curl_easy_setopt(asCurl(handle_), CURLOPT_NOPROGRESS, 1L);
        curl_easy_cleanup(asCurl(handle_));
    }
    handle_ = nullptr;
    encrypted_ = false;
    loggedIn_ = false;
    eightBitNames_ = false;
}

void FtpClient::prepare(const QString& path, bool folder) {
    CURL* h = asCurl(handle_);
    // Forgets the last call's options; the open connection stays for the next one.
    curl_easy_reset(h);
    Transcript& t = *transcript_;
    t = Transcript{};
    t.abort = abort_;
    t.loggedIn = loggedIn_;
    t.encrypted = encrypted_;
    const QByteArray url =
        (baseUrl(server_.address) + urlPath(path, folder, eightBitNames_)).toUtf8();
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp,ftps");
    if (!server_.user.isEmpty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, server_.user.toUtf8().constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, server_.password.toUtf8().constData());
    }
    curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    if (!server_.caFile.isEmpty())
        curl_easy_setopt(h, CURLOPT_CAINFO, QFile::encodeName(server_.caFile).constData());
    if (!server_.passive)
        curl_easy_setopt(h, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(server_.connectTimeoutMs));
    // The greeting and the login answer within the connect time too, or a server that
    // accepts and then says nothing would hold the browser much longer.
    const long replyS = loggedIn_ ? kReplyTimeoutS : (server_.connectTimeoutMs + 999) / 1000;
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, replyS);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kStalledTransferS);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, onDebug);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &t);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, t.error);
}

FtpResult FtpClient::perform() {
    Transcript& t = *transcript_;
    const CURLcode rc = curl_easy_perform(asCurl(handle_));
    loggedIn_ = t.loggedIn;
    encrypted_ = t.encrypted;
    FtpResult r;
    if (rc != CURLE_OK) {
        r.failure.curlCode = rc;
        r.failure.description = t.error[0] ? QString::fromUtf8(t.error).trimmed()
                                           : QString::fromUtf8(curl_easy_strerror(rc));
        r.failure.lastCommand = t.lastCommand;
        r.failure.lastReply = t.lastReply;
        r.failure.loggedIn = t.loggedIn;
    }
    if (t.quoteAnswered)
        r.reply = t.quoteReply;
    return r;
}

// The quoted command's "*" lets the call go on when the server refuses it: the reply
// tells the caller. Commands run in binary mode, where SIZE counts the bytes a download
// brings (after a listing the connection is in ASCII mode, where servers refuse SIZE).
FtpResult FtpClient::quote(const QString& command) {
    curl_slist* quote = curl_slist_append(nullptr, "*TYPE I");
    const QByteArray line = "*" + serverBytes(command, eightBitNames_);
    quote = curl_slist_append(quote, line.constData());
    transcript_->quoteVerb = command.section(QLatin1Char(' '), 0, 0).toUpper();
    curl_easy_setopt(asCurl(handle_), CURLOPT_QUOTE, quote);
    curl_easy_setopt(asCurl(handle_), CURLOPT_NOBODY, 1L);
    FtpResult r = perform();
    curl_easy_setopt(asCurl(handle_), CURLOPT_QUOTE, nullptr);
    curl_slist_free_all(quote);
    return r;
}

FtpResult FtpClient::connect(const FtpServer& server) {
    disconnect();
    server_ = server;
    handle_ = curl_easy_init();
    prepare({}, true);
    FtpResult r = quote(QStringLiteral("SYST"));
    if (!r.ok())
        disconnect();
    return r;
}

FtpResult FtpClient::command(const QString& command) {
    if (!handle_)
        return notConnected();
    prepare({}, true);
    return quote(command);
}

FtpResult FtpClient::list(const QString& folder) {
    if (!handle_)
        return notConnected();
    prepare(folder, true);
    QByteArray body;
    transcript_->body = &body;
    FtpResult r = perform();
    // A name the server cannot have written in UTF-8: it uses an 8-bit code page, and the
    // names in commands and downloads must be its bytes, or it finds no such file.
    if (r.ok() && QString::fromUtf8(body).contains(QChar::ReplacementCharacter))
        eightBitNames_ = true;
    r.body = body;
    return r;
}

FtpResult FtpClient::download(const QString& remote, const QString& localPath,
                              const std::function<void(qint64)>& progress) {
    if (!handle_)
        return notConnected();
    const QFileInfo target(localPath);
    QTemporaryFile part(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                        QStringLiteral(".XXXXXX.part"));
    if (!part.open()) {
        FtpResult r;
        r.failure.curlCode = CURLE_WRITE_ERROR;
        r.failure.description = part.errorString();
        r.failure.loggedIn = loggedIn_;
        return r;
    }
    prepare(remote, false);
    transcript_->file = &part;
    transcript_->progress = &progress;
    FtpResult r = perform();
    if (r.ok() && !part.flush()) {
        r.failure.curlCode = CURLE_WRITE_ERROR;
        r.failure.description = part.errorString();
    }
    if (!r.ok())
        return r; // the hidden part file goes with `part`
    part.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    // rename() replaces an existing file in one step, so an overwritten sound is either the
    // old one or the whole new one.
    if (std::rename(QFile::encodeName(part.fileName()).constData(),
                    QFile::encodeName(localPath).constData()) != 0) {
        r.failure.curlCode = CURLE_WRITE_ERROR;
        r.failure.description = QString::fromLocal8Bit(std::strerror(errno));
        return r;
    }
    part.setAutoRemove(false);
    return r;
}

} // namespace kalvor::ftp
