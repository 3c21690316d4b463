#include "cli/ConvertCommand.h"

#include "core/TextLines.h"
#include "show/playlist/PlaylistFiles.h"
#include "show/playlist/SoundPaths.h"

#include <QFileInfo>

#include <cstdio>

namespace kalvor::cli {

using namespace kalvor::playlist;

int runConvert(const QStringList& args) {
    QStringList files;
    bool force = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--force"))
            force = true;
        else if (!a.startsWith(QLatin1String("--")))
            files << a;
        else {
            std::fprintf(stderr, "kalvor-tool convert: unexpected argument '%s'\n",
                         qUtf8Printable(a));
            return 2;
        }
    }
    if (files.size() != 2) {
        std::fputs("usage: kalvor-tool convert IN.kal OUT.kal [--force]\n", stderr);
        return 2;
    }
    const QString& in = files[0];
    const QString& out = files[1];
    if (QFileInfo::exists(out) && !force && QFileInfo(out) != QFileInfo(in)) {
        std::fprintf(stderr, "kalvor-tool convert: %s exists (use --force to replace it)\n",
                     qUtf8Printable(out));
        return 1;
    }
    QString openError;
    PlaylistReadResult r = readPlaylistFile(in, &openError);
    if (!openError.isEmpty()) {
        std::fprintf(stderr, "kalvor-tool convert: %s: %s\n", qUtf8Printable(in),
                     qUtf8Printable(openError));
        return 1;
    }
    switch (r.status) {
    case ReadStatus::Complete:
        break;
    case ReadStatus::UnknownFormat:
        std::fprintf(stderr, "kalvor-tool convert: %s is no playlist of format 2..17\n",
                     qUtf8Printable(in));
        return 1;
    case ReadStatus::CapacityExceeded:
        std::fprintf(stderr, "kalvor-tool convert: %s holds more than 100 presets\n",
                     qUtf8Printable(in));
        return 1;
    case ReadStatus::RuntimeError:
        std::fprintf(stderr, "kalvor-tool convert: %s: error %d (%s) at line %d; nothing written\n",
                     qUtf8Printable(in), r.errorNumber,
                     qUtf8Printable(readErrorDescription(r.errorNumber)), r.errorLine);
        return 1;
    }

    // As the program saves a show it loaded: each sound line as written; only the count of
    // sounds missing on this machine is told.
    PlaylistDocument& doc = r.document;
    SoundPathResolver resolver(QFileInfo(in).absolutePath());
    int sounds = 0;
    int missing = 0;
    for (const auto& list : doc.soundPaths) {
        for (const QString& path : list) {
            const auto found = resolver.resolve(path);
            ++sounds;
            missing += found.exists ? 0 : 1;
        }
    }
    const int format = doc.format;
    QString error;
    if (!writeFileAtomically(out, writePlaylist(doc), &error)) {
        std::fprintf(stderr, "kalvor-tool convert: cannot write %s: %s\n", qUtf8Printable(out),
                     qUtf8Printable(error));
        return 1;
    }
    std::printf("%s: format %d, %d preset(s), %d sound(s), %d missing -> %s (format 17)\n",
                qUtf8Printable(in), format, static_cast<int>(doc.presets.size()), sounds, missing,
                qUtf8Printable(out));
    return 0;
}

} // namespace kalvor::cli
