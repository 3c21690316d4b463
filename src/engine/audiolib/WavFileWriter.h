// WAV files written by the engine: the null output's recording and kalvor-tool's renders.
// libsndfile writes them as RF64 that turns itself back into a plain WAV on closing while
// the sound data stays under 4 GB, so a recording of a whole show day is neither capped
// nor cut, and short files stay readable by every program. Any thread but an audio
// callback; one thread per writer.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class QFileDevice;
struct sf_private_tag; // libsndfile's SNDFILE

namespace kalvor::audio {

enum class WavSamples { Pcm16, Float32 };

// Float samples (-1..1) to 16-bit PCM as libsndfile's clipping conversion makes them.
void floatToPcm16(const float* from, short* into, std::size_t count) noexcept;

enum class WavCommit {
    // Written to a temporary file that commit() renames into place, so a failed or cut
    // render never leaves a half-written file under the final name.
    Atomic,
    // Written in place as it goes, for a recording that may run until the process ends;
    // the sizes in the header are right once commit() (or the destructor) has run.
    InPlace,
};

class WavFileWriter {
public:
    WavFileWriter(const QString& path, int rate, int channels, WavSamples samples,
                  WavCommit commit = WavCommit::Atomic);
    // Finishes an in-place file; an atomic one that was not committed is thrown away.
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Creates the file; false with `error` set when it cannot be created.
    bool open(QString* error);
    // Appends `frames` interleaved frames of float samples (-1..1; 16-bit output clips).
    bool write(const float* interleaved, std::int64_t frames);
    // Completes the header (and renames an atomic file into place).
    bool commit(QString* error);

private:
    QString path_;
    int rate_;
    int channels_;
    WavSamples samples_;
    WavCommit mode_;
    std::unique_ptr<QFileDevice> file_;
    sf_private_tag* sound_ = nullptr;
    bool failed_ = false;
    std::vector<short> pcm_; // one chunk of 16-bit output
};

} // namespace kalvor::audio
