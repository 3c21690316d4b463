#include "cli/WavWriter.h"

#include "core/TextLines.h"

#include <QByteArray>
#include <QtEndian>

#include <cstring>

namespace kalvor::cli {

namespace {

void put32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void put16(QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

} // namespace

bool writeFloatWav(const QString& path, int sampleRate, int channels,
                   const std::vector<float>& interleaved, QString* error) {
    const auto dataBytes = static_cast<quint64>(interleaved.size()) * 4;
    if (dataBytes > 0xFFFFFFFFull - 64) {
        if (error)
            *error = QStringLiteral("the render is too long for a WAV file (4 GiB)");
        return false;
    }
    QByteArray out;
    out.reserve(static_cast<qsizetype>(dataBytes + 64));
    out.append("RIFF", 4);
    put32(out, static_cast<quint32>(36 + dataBytes));
    out.append("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 3); // IEEE float
    put16(out, static_cast<quint16>(channels));
    put32(out, static_cast<quint32>(sampleRate));
    put32(out, static_cast<quint32>(sampleRate * channels * 4));
    put16(out, static_cast<quint16>(channels * 4));
    put16(out, 32);
    out.append("data", 4);
    put32(out, static_cast<quint32>(dataBytes));
    const qsizetype at = out.size();
    out.resize(at + static_cast<qsizetype>(dataBytes));
    for (std::size_t i = 0; i < interleaved.size(); ++i)
        qToLittleEndian(interleaved[i], out.data() + at + static_cast<qsizetype>(i * 4));
    return writeFileAtomically(path, out, error);
}

} // namespace kalvor::cli
