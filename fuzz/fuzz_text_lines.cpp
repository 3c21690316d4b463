// Feeds arbitrary bytes to the line reader every text file of the program goes through
// (playlists, layouts, the settings file, the recent list).
#include "core/TextLines.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto lines = kalvor::splitTextLines(QByteArrayView(reinterpret_cast<const char*>(data),
                                                             static_cast<qsizetype>(size)));
    for (const auto& l : lines)
        (void)l.size();
    return 0;
}
