// Feeds arbitrary bytes, as an archive file, to the lister that every restore starts with:
// libzip opens it, every entry name is checked, PathInfo.txt is read and matched to the
// entries. A damaged or hostile archive must give a refusal, never a crash.
#include "tools/archive/Restore.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.kfa"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    kalvor::archive::ArchiveObserver quiet;
    const auto listing = kalvor::archive::listArchive(path, quiet);
    (void)listing.ok;
    return 0;
}
