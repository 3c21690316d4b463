// Feeds arbitrary bytes to the ".kov" layout reader and applies what it read to the grid's
// arrangement: the grid must stay a whole grid (every column exactly once, the channel
// number first, widths it can show), and the arrangement written and read again must
// come back the same.
#include "overview/GridArrangement.h"
#include "overview/KovFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace kalvor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const KovRead read = readKovFile(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (read.status != KovRead::Status::Read)
        return 0;
    GridArrangement grid = defaultArrangement();
    applyLayout(grid, read.layout);
    auto sorted = grid.order;
    std::sort(sorted.begin(), sorted.end());
    for (int g = 0; g < kGridColumns; ++g) {
        if (sorted[g] != g || grid.order[0] != 0 || grid.widths[g] < kMinColumnWidth ||
            grid.widths[g] > kMaxColumnWidth)
            std::abort();
    }
    const KovRead again = readKovFile(kovFileContents(takeLayout(grid)));
    GridArrangement back = defaultArrangement();
    applyLayout(back, again.layout);
    if (again.status != KovRead::Status::Read || !again.endMarkerFound ||
        back.order != grid.order || back.hidden != grid.hidden ||
        (!grid.autoSize && back.widths != grid.widths))
        std::abort();
    return 0;
}
