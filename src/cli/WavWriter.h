// WAV files written by kalvor-tool: 16-bit PCM or 32-bit float, streamed through a
// temporary file (QSaveFile), so a failed or interrupted render never leaves a half-written
// file under the final name. Any thread; one writer per file.
#pragma once

#include <QSaveFile>
#include <QString>

#include <cstddef>

namespace kalvor::cli {

class WavOut {
public:
    WavOut(const QString& path, int rate, int channels, bool floats);
    // Opens the temporary file; false with `error` set when it cannot be created.
    bool open(QString* error);
    // Appends interleaved samples (`count` floats, -1..1).
    void write(const float* samples, std::size_t count);
    // Writes the header and renames the file into place.
    bool commit(QString* error);

private:
    QSaveFile file_;
    int rate_;
    int channels_;
    bool floats_;
    quint32 dataBytes_ = 0;
};

} // namespace kalvor::cli
