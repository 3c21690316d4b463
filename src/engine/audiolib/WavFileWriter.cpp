// WAV writing through libsndfile on a Qt file device; see WavFileWriter.h.
#include "engine/audiolib/WavFileWriter.h"

#include <QFile>
#include <QSaveFile>

#include <sndfile.h>

namespace kalvor::audio {

namespace {

QFileDevice* device(void* user) {
    return static_cast<QFileDevice*>(user);
}

sf_count_t fileLength(void* user) {
    return device(user)->size();
}

sf_count_t seekFile(sf_count_t offset, int whence, void* user) {
    QFileDevice* file = device(user);
    const sf_count_t base = whence == SEEK_CUR   ? file->pos()
                            : whence == SEEK_END ? file->size()
                                                 : 0;
    return file->seek(base + offset) ? file->pos() : -1;
}

sf_count_t readFile(void* into, sf_count_t bytes, void* user) {
    return device(user)->read(static_cast<char*>(into), bytes);
}

sf_count_t writeFile(const void* from, sf_count_t bytes, void* user) {
    return device(user)->write(static_cast<const char*>(from), bytes);
}

sf_count_t tellFile(void* user) {
    return device(user)->pos();
}

SF_VIRTUAL_IO gFileIo{fileLength, seekFile, readFile, writeFile, tellFile};

} // namespace

WavFileWriter::WavFileWriter(const QString& path, int rate, int channels, WavSamples samples,
                             WavCommit commit)
    : path_(path), rate_(rate), channels_(channels), samples_(samples), mode_(commit) {}

WavFileWriter::~WavFileWriter() {
    if (sound_ != nullptr && mode_ == WavCommit::InPlace) {
        QString ignored;
        commit(&ignored);
    }
    if (sound_ != nullptr)
        sf_close(sound_);
}

bool WavFileWriter::open(QString* error) {
    if (mode_ == WavCommit::Atomic)
        file_ = std::make_unique<QSaveFile>(path_);
    else
        file_ = std::make_unique<QFile>(path_);
    // ReadWrite for the in-place file: libsndfile may read back what it wrote.
    const QIODevice::OpenMode how = mode_ == WavCommit::Atomic
                                        ? QIODevice::WriteOnly
                                        : QIODevice::ReadWrite | QIODevice::Truncate;
    if (!file_->open(how)) {
        *error = file_->errorString();
        return false;
    }
    SF_INFO info{};
    info.samplerate = rate_;
    info.channels = channels_;
    info.format =
        SF_FORMAT_RF64 | (samples_ == WavSamples::Pcm16 ? SF_FORMAT_PCM_16 : SF_FORMAT_FLOAT);
    sound_ = sf_open_virtual(&gFileIo, SFM_WRITE, &info, file_.get());
    if (sound_ == nullptr) {
        *error = QString::fromUtf8(sf_strerror(nullptr));
        return false;
    }
    // RF64 only when the data passes 4 GB; a plain WAV below that. libsndfile takes this
    // only before the first sample is written.
    if (sf_command(sound_, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE) != SF_TRUE) {
        *error = QStringLiteral("libsndfile cannot write a WAV that grows to RF64");
        return false;
    }
    // Overs clip instead of wrapping round in 16-bit output.
    sf_command(sound_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

bool WavFileWriter::write(const float* interleaved, std::int64_t frames) {
    if (sound_ == nullptr || failed_)
        return false;
    failed_ = sf_writef_float(sound_, interleaved, frames) != frames;
    return !failed_;
}

bool WavFileWriter::commit(QString* error) {
    if (sound_ == nullptr) {
        *error = QStringLiteral("The file was not opened");
        return false;
    }
    // Closing writes the final header: RF64 past 4 GB, else the plain WAV one.
    const int closed = sf_close(sound_);
    sound_ = nullptr;
    if (closed != 0 || failed_) {
        *error = failed_ ? file_->errorString() : QString::fromUtf8(sf_error_number(closed));
        return false;
    }
    if (auto* atomic = dynamic_cast<QSaveFile*>(file_.get())) {
        if (!atomic->commit()) {
            *error = atomic->errorString();
            return false;
        }
        return true;
    }
    file_->close();
    return true;
}

} // namespace kalvor::audio
