// The test FTP server that scripts/services/ftp.start runs: where it listens, and the
// bytes of its fixture files (byte i of every file is i % 251).
#pragma once

#include <QByteArray>
#include <QString>

namespace kalvor::test {

inline const QString kFtpPlain = QStringLiteral("127.0.0.1:2121");
inline const QString kFtpTls = QStringLiteral("127.0.0.1:2122");
inline const QString kFtpOs9 = QStringLiteral("127.0.0.1:2123"); // SYST and LIST as OS/9
inline const QString kFtpNt = QStringLiteral("127.0.0.1:2124");  // as Microsoft NT

inline QByteArray fixtureBytes(int size) {
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>(i % 251);
    return b;
}

inline QString ftpTestDir() {
    const QString dir = qEnvironmentVariable("KALVOR_FTP_TEST_DIR");
    return dir.isEmpty() ? QStringLiteral("/tmp/kalvor-ftp-test") : dir;
}

} // namespace kalvor::test
