#include "tools/ftp/FtpErrors.h"

#include "tools/ftp/FtpTexts.h"

#include <curl/curl.h>

namespace kalvor::ftp {

namespace {

struct Mapping {
    CURLcode curl;
    int beforeLogin; // the number while logging in
    int afterLogin;  // the number once logged in
};

// libcurl's results and what they mean to the operator. A refused login is told apart by
// the command it answered (see ftpErrorCode).
constexpr Mapping kTable[] = {
    {CURLE_COULDNT_RESOLVE_HOST, kConnectFailed, kConnectFailed},
    {CURLE_COULDNT_RESOLVE_PROXY, kConnectFailed, kConnectFailed},
    {CURLE_COULDNT_CONNECT, kConnectFailed, kConnectFailed},
    {CURLE_OPERATION_TIMEDOUT, kConnectFailed, kNoConnection},
    {CURLE_RECV_ERROR, kConnectFailed, kNoConnection},
    {CURLE_SEND_ERROR, kConnectFailed, kNoConnection},
    {CURLE_GOT_NOTHING, kConnectFailed, kNoConnection},
    {CURLE_PARTIAL_FILE, kNoConnection, kNoConnection},
    {CURLE_REMOTE_ACCESS_DENIED, kFileInUse, kFileInUse},
    {CURLE_REMOTE_FILE_NOT_FOUND, kFileInUse, kFileInUse},
    {CURLE_FTP_COULDNT_RETR_FILE, kFileInUse, kFileInUse},
    {CURLE_WRITE_ERROR, kFileInUse, kFileInUse},
};

} // namespace

bool FtpFailure::aborted() const {
    return curlCode == CURLE_ABORTED_BY_CALLBACK;
}

int ftpErrorCode(const FtpFailure& f) {
    if (f.curlCode == CURLE_LOGIN_DENIED)
        return f.lastCommand == QLatin1String("PASS") ? kLoginIncorrect : kUserInvalid;
    // A server that is full or shutting down says 421 instead of asking for the password.
    if (!f.loggedIn && f.lastReply == 421)
        return kUserInvalid;
    for (const Mapping& m : kTable) {
        if (m.curl == f.curlCode)
            return f.loggedIn ? m.afterLogin : m.beforeLogin;
    }
    return f.curlCode;
}

bool connectionLost(int code) {
    return code == kNoConnection || code == kConnectFailed || code == kUserInvalid ||
           code == kLoginIncorrect;
}

QString FTP_Fehler(int code, const QString& description, const QString& procedure) {
    const auto followed = [&](const UiText& t) {
        return description.isEmpty() ? txt(t) : txt(t) + QLatin1Char('\n') + description;
    };
    switch (code) {
    case kLoginIncorrect:
        return followed(texts::FtpLoginIncorrect);
    case kNoConnection:
        return followed(texts::FtpNoConnection);
    case kConnectFailed:
        return followed(texts::FtpConnectFailed);
    case kUserInvalid:
        return followed(texts::FtpUserInvalid);
    case kFileInUse:
        return txt(texts::FtpFileInUse);
    default:
        break;
    }
    return txt(texts::FtpOtherError) + QString::number(code) + QStringLiteral(" = ") + description +
           QLatin1Char('\n') + txt(texts::FtpReportedIn) + procedure + QLatin1Char('\'');
}

} // namespace kalvor::ftp
