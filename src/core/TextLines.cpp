#include "core/TextLines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <array>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace kalvor {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; five of those are undefined and
// are kept as the C1 control of the same value, as Windows itself does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeCp1252(QByteArrayView bytes) {
    QString out;
    out.resize(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return out;
}

} // namespace

QString decodeLine(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeCp1252(bytes);
}

QStringList splitTextLines(QByteArrayView contents) {
    QStringList lines;
    qsizetype start = 0;
    // A UTF-8 byte-order mark written by some editors is not part of the first line.
    if (contents.startsWith("\xEF\xBB\xBF"))
        start = 3;
    while (start < contents.size()) {
        qsizetype end = contents.indexOf('\n', start);
        const bool last = end < 0;
        if (last)
            end = contents.size();
        qsizetype stop = end;
        if (stop > start && contents[stop - 1] == '\r')
            --stop;
        lines.append(decodeLine(contents.sliced(start, stop - start)));
        start = end + 1;
    }
    return lines;
}

bool readToEnd(QFile& file, QByteArray& contents) {
    contents.reserve(file.size());
    std::array<char, 64 * 1024> chunk{};
    qint64 n = 0;
    while ((n = file.read(chunk.data(), static_cast<qint64>(chunk.size()))) > 0)
        contents.append(chunk.data(), n);
    return file.error() == QFileDevice::NoError;
}

std::optional<QStringList> readTextLines(const QString& path, QString* error) {
    QFile file(path);
    QByteArray contents;
    if (!file.open(QIODevice::ReadOnly) || !readToEnd(file, contents)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return splitTextLines(contents);
}

bool writeFileAtomically(const QString& path, QByteArrayView contents, QString* error) {
    QSaveFile file(path);
    // Never fall back to writing in place: the old file must survive a failed save.
    file.setDirectWriteFallback(false);
    // Unbuffered, so that a disk that fills up part-way shows as a short write here. The
    // buffered path reports such a file as written and commit() then puts the cut-off
    // file in the place of the good one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(contents.data(), contents.size()) != contents.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    // commit() flushes the file to disk as well, but renames it over the old one whatever
    // the flush reports; a disk that tells of a full disk or a fault only then would get
    // the cut-off file in the good one's place.
    if (::fsync(file.handle()) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool writeTextLines(const QString& path, const QStringList& lines, QString* error) {
    QByteArray contents;
    qsizetype size = 0;
    for (const auto& l : lines)
        size += l.size() + 2;
    contents.reserve(size);
    for (const auto& l : lines) {
        contents += l.toUtf8();
        contents += "\r\n";
    }
    return writeFileAtomically(path, contents, error);
}

} // namespace kalvor
