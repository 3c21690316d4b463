// Feeds arbitrary bytes to the playlist readers of formats 2..17 (with the GPIO block),
// then checks that whatever a clean read gave back survives the format 17 writer: written
// and read again it is complete and holds the same presets and sound lists.
#include "show/playlist/PlaylistDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace kalvor::playlist;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PlaylistReadOptions options;
    options.readGpioBlock = true;
    const PlaylistReadResult first = readPlaylist(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), options);
    if (first.status != ReadStatus::Complete)
        return 0;

    const PlaylistReadResult again = readPlaylist(writePlaylist(first.document), options);
    if (again.status != ReadStatus::Complete)
        std::abort();
    std::size_t kept = 0;
    for (const auto& p : first.document.presets)
        kept += p.isFree() ? 0 : 1;
    if (again.document.presets.size() != kept ||
        again.document.soundPaths != first.document.soundPaths)
        std::abort();
    return 0;
}
