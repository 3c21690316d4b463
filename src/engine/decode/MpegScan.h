// What the frame headers of an MPEG audio file say about its length, read without
// decoding. Called while opening a file (UI or disk thread).
#pragma once

#include <QByteArray>

#include <cstdint>

namespace kalvor::engine::decode {

struct MpegScan {
    bool hasLengthHeader = false; // a Xing, Info or VBRI header in the first frame
    std::int64_t frames = 0;      // sample frames of all complete MPEG frames
};

MpegScan scanMpeg(const QByteArray& localPath);

} // namespace kalvor::engine::decode
