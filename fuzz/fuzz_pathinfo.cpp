// Feeds arbitrary bytes to the reader of an archive's PathInfo.txt, and every path it gives
// to the rules that turn paths into entry names and restore targets: none may crash, and a
// target in a folder must stay in it.
#include "tools/archive/ArchivePaths.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kalvor::archive;
    const PathInfo info = readPathInfo(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const QStringList names = entryNames(info.paths);
    for (const QString& n : names)
        (void)refuseEntryName(n);
    for (const QString& p : info.paths) {
        (void)isWindowsPath(p);
        if (const auto target = targetInFolder(QStringLiteral("/restore"), p)) {
            const QString name = target->mid(9);
            if (!target->startsWith(QLatin1String("/restore/")) ||
                name.contains(QLatin1Char('/')) || name == QLatin1String("..") || name.isEmpty())
                std::abort();
        }
    }
    return 0;
}
