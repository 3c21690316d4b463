// Feeds arbitrary bytes to the store of scanned sound lengths as its file. It is read at
// every start from the user's cache folder, where anything may have been left: whatever it
// accepts must save and read back to the same entries, and a refused file must leave the
// store empty.
#include "engine/decode/LengthStore.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

using kalvor::engine::decode::LengthStore;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString folder =
        QDir::tempPath() + QStringLiteral("/kalvor-fuzz-lengths-%1").arg(::getpid());
    static const bool made = QDir().mkpath(folder);
    if (!made)
        std::abort();
    const QString path = folder + QStringLiteral("/lengths");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();

    LengthStore store(path);
    if (!store.load()) {
        if (store.size() != 0)
            std::abort();
        return 0;
    }
    // Saved over the input, read again: the same entries.
    if (!store.save())
        std::abort();
    LengthStore again(path);
    if (!again.load() || again.size() != store.size())
        std::abort();
    return 0;
}
