// FTP_Fehler: the browser's error numbers and their messages. libcurl's results map onto
// the numbers through one table (ftpErrorCode); a result the table does not name keeps
// libcurl's own number and text.
#pragma once

#include <QString>

namespace kalvor::ftp {

inline constexpr int kLoginIncorrect = 20530; // the password was refused
inline constexpr int kNoConnection = 10057;   // the connection was lost
inline constexpr int kConnectFailed = 10060;  // no connection could be made
inline constexpr int kUserInvalid = 20421;    // the user name was refused, or 421 at login
inline constexpr int kFileInUse = 20608;      // the file is busy or access was denied

// What a failed libcurl call leaves behind, read from its transcript.
struct FtpFailure {
    int curlCode = 0;    // CURLcode; 0: no failure
    QString description; // libcurl's text for it
    QString lastCommand; // the verb of the last command sent ("USER", "PASS", "RETR", ...)
    int lastReply = 0;   // the number of the last reply received
    bool loggedIn = false;
    bool failed() const { return curlCode != 0; }
    // Ended on our own request (a time-out of our own, a closed window): nothing to report.
    bool aborted() const;
};

// The browser's error number for a failure: one of the five above, or libcurl's number.
int ftpErrorCode(const FtpFailure& failure);
// True for the numbers that mean the connection is gone.
bool connectionLost(int code);

// The message of FTP_Fehler in the current language. The first four numbers of the table
// are followed by `description`; any other number gives "Error <code> = <description>" and
// the procedure it was reported in.
QString FTP_Fehler(int code, const QString& description, const QString& procedure);

} // namespace kalvor::ftp
