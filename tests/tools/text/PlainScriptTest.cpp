// Plain-text scripts as other editors save them: the German text reads the same whatever
// encoding and line ends the file was written with.
#include "support/TestEnvironment.h"
#include "tools/text/ScriptFile.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

namespace kalvor::test {
namespace {

QByteArray encoded(QStringEncoder::Encoding encoding, const QString& text) {
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

TEST(PlainScript, GermanTextReadsTheSameInEveryEncodingEditorsUse) {
    const QString expected = QStringLiteral("Akt 1: Gewitter über Köln\nSätze, Grüße");
    const QString crlf = QString(expected).replace(u'\n', QStringLiteral("\r\n")) + "\r\n";
    const struct {
        const char* what;
        QByteArray bytes;
    } rows[] = {
        {"Windows-1252", "Akt 1: Gewitter \xfc"
                         "ber K\xf6ln\r\nS\xe4tze, Gr\xfc\xdf"
                         "e\r\n"},
        {"UTF-8 with LF", expected.toUtf8() + "\n"},
        {"UTF-8 with byte order mark", encoded(QStringEncoder::Utf8, crlf)},
        {"UTF-16 little-endian (Notepad's Unicode)", encoded(QStringEncoder::Utf16LE, crlf)},
        {"UTF-16 big-endian", encoded(QStringEncoder::Utf16BE, crlf)},
    };
    const QString dir = freshFolder(QStringLiteral("plain-scripts"));
    for (const auto& row : rows) {
        const QString path = dir + QStringLiteral("/script.txt");
        writeFile(path, row.bytes);
        const text::ScriptRead read = text::readScriptFile(path);
        EXPECT_EQ(read.status, text::ScriptRead::Status::Read) << row.what;
        EXPECT_EQ(read.kind, text::ScriptKind::Plain) << row.what;
        EXPECT_EQ(read.plain.toStdString(), expected.toStdString()) << row.what;
    }
}

} // namespace
} // namespace kalvor::test
