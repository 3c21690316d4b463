#include "cli/WavWriter.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>

namespace kalvor::cli {

WavOut::WavOut(const QString& path, int rate, int channels, bool floats)
    : file_(path), rate_(rate), channels_(channels), floats_(floats) {}

bool WavOut::open(QString* error) {
    if (!file_.open(QIODevice::WriteOnly)) {
        *error = file_.errorString();
        return false;
    }
    file_.write(QByteArray(44, '\0')); // the header goes in when the size is known
    return true;
}

void WavOut::write(const float* samples, std::size_t count) {
    QByteArray bytes;
    if (floats_) {
        bytes = QByteArray(reinterpret_cast<const char*>(samples),
                           static_cast<qsizetype>(count * sizeof(float)));
    } else {
        bytes.resize(static_cast<qsizetype>(count * 2));
        for (std::size_t i = 0; i < count; ++i) {
            const float s = std::clamp(samples[i], -1.0f, 1.0f);
            const auto v = static_cast<qint16>(std::lrint(s * 32767.0f));
            bytes[qsizetype(2 * i)] = char(v & 0xff);
            bytes[qsizetype(2 * i + 1)] = char((v >> 8) & 0xff);
        }
    }
    file_.write(bytes);
    dataBytes_ += static_cast<quint32>(bytes.size());
}

bool WavOut::commit(QString* error) {
    const int bits = floats_ ? 32 : 16;
    const int blockAlign = channels_ * bits / 8;
    QByteArray h;
    const auto u32 = [&h](quint32 v) {
        for (int i = 0; i < 4; ++i)
            h.append(char((v >> (8 * i)) & 0xff));
    };
    const auto u16 = [&h](quint16 v) {
        h.append(char(v & 0xff));
        h.append(char(v >> 8));
    };
    h.append("RIFF");
    u32(36 + dataBytes_);
    h.append("WAVEfmt ");
    u32(16);
    u16(floats_ ? 3 : 1);
    u16(quint16(channels_));
    u32(quint32(rate_));
    u32(quint32(rate_ * blockAlign));
    u16(quint16(blockAlign));
    u16(quint16(bits));
    h.append("data");
    u32(dataBytes_);
    file_.seek(0);
    file_.write(h);
    if (!file_.commit()) {
        *error = file_.errorString();
        return false;
    }
    return true;
}

} // namespace kalvor::cli
