// The arrangement of the overview grid as plain data: which column stands at each grid
// column, hidden flags, widths, auto size and the grid font; and the layout block applied
// to it or taken from it. The window copies it to and from its header, so the rules here
// are the same for playlists, ".kov" files and the fuzzer. Any thread.
#pragma once

#include "overview/OverviewColumns.h"
#include "show/playlist/OverviewLayout.h"

#include <array>

namespace kalvor {

inline constexpr int kGridColumns = kOverviewColumns + 1; // with the channel-number column
// Widths are kept in twips, the unit of the layout block: 15 to a pixel.
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kMinColumnPixels = 12;
inline constexpr int kMinColumnWidth = kMinColumnPixels * kTwipsPerPixel;
inline constexpr int kMaxColumnWidth = 4000 * kTwipsPerPixel;

struct GridArrangement {
    // order[g]: the column standing at grid column g, as 1 + OverviewColumn; order[0] is
    // the channel-number column and never moves.
    std::array<int, kGridColumns> order{};
    std::array<bool, kGridColumns> hidden{}; // by grid column
    std::array<int, kGridColumns> widths{};  // by grid column, in twips
    bool autoSize = false;
    QString fontName;
    float fontSize = 8.25f;
    bool bold = false;
    bool italic = false;
    int textColour = 0;

    QStringList captions() const; // header captions in grid order, "" for column 0
    int gridColumnOf(int logical) const;
    // Moves the column to grid column `to`; the columns in between shift by one.
    void move(int logical, int to);
    friend bool operator==(const GridArrangement&, const GridArrangement&) = default;
};

GridArrangement defaultArrangement();

// The reading rules of the layout block: column moves one by one, hidden flags of grid
// columns 1..N, widths unless auto size is on, the font. Moves to a place outside the
// grid are skipped; widths are kept within what the grid can show.
void applyLayout(GridArrangement& grid, const playlist::OverviewLayout& layout);
// A version 3 block of the arrangement.
playlist::OverviewLayout takeLayout(const GridArrangement& grid);

// The header row's point size for a grid font size: 8 up to 16, above that half the grid
// size, made even.
int headerFontSize(float gridFontSize);

} // namespace kalvor
