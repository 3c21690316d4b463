// openDecoder: picks the back end for a file by route and by what the libraries recognise.
// Callable from any thread; each call works on its own file handles.
#include "engine/decode/Backends.h"
#include "engine/decode/Decoder.h"

#include <QFile>
#include <QFileInfo>

namespace kalvor::engine {

using namespace decode;

namespace {

std::unique_ptr<Decoder> fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return nullptr;
}

enum class Kind { Ogg, Mpeg, Other };

Kind sniff(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Kind::Other;
    if (file.peek(4) == "OggS")
        return Kind::Ogg;
    return looksLikeMpeg(file) ? Kind::Mpeg : Kind::Other;
}

std::unique_ptr<Decoder> take(OpenResult& result, QString* error) {
    if (result.verdict == Verdict::Opened)
        return std::move(result.decoder);
    return fail(error, result.error);
}

} // namespace

std::unique_ptr<Decoder> openDecoder(const QString& path, DecoderRoute route, QString* error) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return fail(error, QStringLiteral("File not found"));
    if (!info.isFile())
        return fail(error, QStringLiteral("Not a file"));
    if (info.size() == 0)
        return fail(error, QStringLiteral("The file is empty"));
    if (!info.isReadable())
        return fail(error, QStringLiteral("The file cannot be read"));
    const QByteArray local = QFile::encodeName(path);

    if (route == DecoderRoute::Wma) {
        OpenResult result = openWithFfmpeg(local, true);
        return take(result, error);
    }

    // Ogg goes to libvorbisfile without asking libsndfile: libsndfile's Ogg seeks are
    // inexact, and it leaks on damaged Ogg headers. Ogg that is not Vorbis (Opus, FLAC)
    // falls through to FFmpeg.
    // MPEG goes to libmpg123 directly: through libsndfile its length could only be had by
    // decoding the end of the file, or the whole file when the frames have no length header.
    OpenResult result;
    const Kind kind = sniff(path);
    if (kind == Kind::Ogg) {
        result = openWithVorbisfile(local);
        if (result.verdict != Verdict::NotMine)
            return take(result, error);
    } else if (kind == Kind::Mpeg && (result = openWithMpg123(local)).verdict != Verdict::NotMine) {
        return take(result, error);
    } else {
        result = openWithSndfile(local);
        if (result.verdict != Verdict::NotMine)
            return take(result, error);
    }
    result = openWithFfmpeg(local, false);
    if (result.verdict == Verdict::NotMine)
        return fail(error, QStringLiteral("Not a sound file this program can decode"));
    return take(result, error);
}

} // namespace kalvor::engine
