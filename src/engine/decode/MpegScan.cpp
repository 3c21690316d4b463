// A quick walk over the frame headers of an MPEG audio file, to tell whether libsndfile's
// length for it can be trusted. Called while opening a file (UI or disk thread).
#include "engine/decode/MpegScan.h"

#include <QFile>

#include <array>

namespace kalvor::engine::decode {

namespace {

struct FrameHeader {
    int bytes = 0;
    int samples = 0;
    int sideInfo = 0; // bytes between the header and a Xing/Info tag
};

// kbit/s by [MPEG-1 ? 0 : 1][layer 1..3 - 1][index]
constexpr std::array<std::array<std::array<int, 15>, 3>, 2> kBitrates = {{
    {{{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}}},
    {{{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}},
}};

bool parseHeader(const uchar* p, FrameHeader& header) {
    if (p[0] != 0xff || (p[1] & 0xe0) != 0xe0)
        return false;
    const int version = (p[1] >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int layer = 4 - ((p[1] >> 1) & 3);
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false; // reserved values, and free format, which we leave to the library
    const bool mpeg1 = version == 3;
    const int rate =
        std::array{44100, 48000, 32000}[std::size_t(rateIndex)] >> (mpeg1          ? 0
                                                                    : version == 2 ? 1
                                                                                   : 2);
    const int bitrate =
        kBitrates[mpeg1 ? 0 : 1][std::size_t(layer - 1)][std::size_t(bitrateIndex)] * 1000;
    const int padding = (p[2] >> 1) & 1;
    const bool mono = (p[3] >> 6) == 3;
    if (layer == 1) {
        header.bytes = (12 * bitrate / rate + padding) * 4;
        header.samples = 384;
    } else if (layer == 2 || mpeg1) {
        header.bytes = 144 * bitrate / rate + padding;
        header.samples = 1152;
    } else {
        header.bytes = 72 * bitrate / rate + padding;
        header.samples = 576;
    }
    header.sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    return header.bytes > 4;
}

} // namespace

MpegScan scanMpeg(const QByteArray& localPath) {
    MpegScan scan;
    QFile file(QFile::decodeName(localPath));
    if (!file.open(QIODevice::ReadOnly))
        return scan;
    const qint64 size = file.size();
    const uchar* data = size > 0 ? file.map(0, size) : nullptr;
    if (!data)
        return scan;
    qint64 pos = 0;
    if (size >= 10 && data[0] == 'I' && data[1] == 'D' && data[2] == '3')
        pos = 10 +
              ((qint64(data[6] & 0x7f) << 21) | (qint64(data[7] & 0x7f) << 14) |
               (qint64(data[8] & 0x7f) << 7) | qint64(data[9] & 0x7f)) +
              ((data[5] & 0x10) ? 10 : 0);
    bool first = true;
    while (pos + 4 <= size) {
        FrameHeader header;
        if (!parseHeader(data + pos, header)) {
            ++pos; // junk between frames: look for the next header as the decoder does
            continue;
        }
        if (first) {
            const qint64 tag = pos + 4 + header.sideInfo;
            const auto has = [&](qint64 at, const char* id) {
                return at + 4 <= size && std::equal(id, id + 4, data + at);
            };
            scan.hasLengthHeader =
                has(tag, "Xing") || has(tag, "Info") || has(pos + 4 + 32, "VBRI");
            first = false;
        }
        if (pos + header.bytes > size)
            break;
        scan.frames += header.samples;
        pos += header.bytes;
    }
    return scan;
}

} // namespace kalvor::engine::decode
