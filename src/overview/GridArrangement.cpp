#include "overview/GridArrangement.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kalvor {

QStringList GridArrangement::captions() const {
    QStringList out;
    for (int g = 0; g < kGridColumns; ++g)
        out << (g == 0 ? QString() : overviewCaption(static_cast<OverviewColumn>(order[g] - 1)));
    return out;
}

int GridArrangement::gridColumnOf(int logical) const {
    const auto it = std::find(order.begin(), order.end(), logical);
    return it == order.end() ? -1 : static_cast<int>(it - order.begin());
}

void GridArrangement::move(int logical, int to) {
    const int from = gridColumnOf(logical);
    if (from < 1 || to < 1 || to >= kGridColumns || from == to)
        return;
    // Hidden flags and widths travel with their column.
    auto shift = [&](auto& a) {
        if (from < to)
            std::rotate(a.begin() + from, a.begin() + from + 1, a.begin() + to + 1);
        else
            std::rotate(a.begin() + to, a.begin() + from, a.begin() + from + 1);
    };
    shift(order);
    shift(hidden);
    shift(widths);
}

namespace {

// Pixels at the default font, chosen so that all 31 columns fit a 1920 pixel screen and
// the widest text of each fixed-form column ("104 = G#6 (16)", "00:00:00:00", "-99dB")
// is read whole; the free texts (sound, output, info) are cut where they must be.
constexpr std::array<int, kGridColumns> kDefaultPixels{
    30,                            // channel number
    108, 77, 77,  60,              // Sound, Duration, Position, Output
    40,  40, 40,  40,  40, 40, 40, // the seven modes
    62,  62, 54,  46,  50,         // Play Group, Stop Group, Volume, Pan, VariSp.
    77,  60, 101, 101,             // Start Offset, End Offset, MTC Start, MTC Stop
    129, 129, 60, 60,              // MIDI IN, MIDI OUT, GPI/O IN, GPI/O OUT
    44,  44, 44,  44,  44,         // PLAY, PAUSE, STOP, REW, FWD
    72};                           // Info

} // namespace

GridArrangement defaultArrangement() {
    GridArrangement g;
    std::iota(g.order.begin(), g.order.end(), 0);
    for (int c = 0; c < kGridColumns; ++c)
        g.widths[c] = kDefaultPixels[c] * kTwipsPerPixel;
    g.fontName = QStringLiteral("Tahoma");
    // Large enough to read from the operator's chair, small enough for 32 rows on one screen.
    g.fontSize = 11.0f;
    return g;
}

void applyLayout(GridArrangement& grid, const playlist::OverviewLayout& layout) {
    const int n = std::min<int>(static_cast<int>(layout.columnPositions.size()), kOverviewColumns);
    // Each move shifts the columns in between, so moving them in the fixed column order
    // does not give back every saved order; moving them in the order of their saved
    // places, first place first, always does, and leaves the same result where both work.
    std::vector<int> columns(static_cast<std::size_t>(n));
    std::iota(columns.begin(), columns.end(), 0);
    std::stable_sort(columns.begin(), columns.end(), [&](int a, int b) {
        return layout.columnPositions[static_cast<std::size_t>(a)] <
               layout.columnPositions[static_cast<std::size_t>(b)];
    });
    for (int c : columns) {
        const int to = layout.columnPositions[static_cast<std::size_t>(c)];
        if (to >= 1 && to < kGridColumns)
            grid.move(c + 1, to);
    }
    for (std::size_t g = 1; g <= layout.hidden.size() && g < kGridColumns; ++g)
        grid.hidden[g] = layout.hidden[g - 1];
    grid.autoSize = layout.autoSize;
    if (!layout.autoSize) {
        for (std::size_t g = 0; g < layout.widths.size() && g < kGridColumns; ++g)
            grid.widths[g] = std::clamp(layout.widths[g], kMinColumnWidth, kMaxColumnWidth);
    }
    grid.fontName = layout.fontName;
    // A damaged size must not make the grid unreadable or the font engine choke.
    grid.fontSize =
        std::isfinite(layout.fontSize) && layout.fontSize >= 4.0f && layout.fontSize <= 96.0f
            ? layout.fontSize
            : 8.25f;
    grid.bold = layout.bold;
    grid.italic = layout.italic;
    grid.textColour = std::clamp(layout.textColour, 0, 0xffffff);
}

playlist::OverviewLayout takeLayout(const GridArrangement& grid) {
    playlist::OverviewLayout l;
    l.version = 3;
    l.fontName = grid.fontName;
    l.fontSize = grid.fontSize;
    l.bold = grid.bold;
    l.italic = grid.italic;
    l.textColour = grid.textColour;
    for (int c = 1; c <= kOverviewColumns; ++c)
        l.columnPositions.push_back(grid.gridColumnOf(c));
    for (int g = 1; g < kGridColumns; ++g)
        l.hidden.push_back(grid.hidden[g]);
    l.autoSize = grid.autoSize;
    for (int g = 0; g < kGridColumns; ++g)
        l.widths.push_back(grid.widths[g]);
    return l;
}

int headerFontSize(float gridFontSize) {
    if (gridFontSize <= 16.0f)
        return 8;
    const int half = static_cast<int>(std::lround(gridFontSize / 2.0f));
    return half % 2 == 1 ? half + 1 : half;
}

} // namespace kalvor
