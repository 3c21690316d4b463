#include "core/SoundEntry.h"

#include <array>

namespace kalvor {

QString soundDisplayName(const QString& path) {
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    QString name = path.mid(cut + 1);
    static const std::array<QLatin1StringView, 7> stripped{
        QLatin1StringView(".wav"), QLatin1StringView(".aif"), QLatin1StringView(".mp1"),
        QLatin1StringView(".mp2"), QLatin1StringView(".mp3"), QLatin1StringView(".ogg"),
        QLatin1StringView(".wma")};
    for (const auto& ext : stripped) {
        if (name.endsWith(ext, Qt::CaseSensitive)) {
            name.chop(4);
            break;
        }
    }
    return name;
}

SoundEntry makeSoundEntry(const QString& path) {
    return SoundEntry{path, soundDisplayName(path), 0};
}

} // namespace kalvor
