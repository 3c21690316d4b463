// The overview layout block: grid font, the place of each of the 30 overview columns,
// which columns are hidden, column auto size and the widths. Playlists carry it (format
// 13 in block version 1, 14..16 in version 2, 17 in version 3) and so do stand-alone
// ".kov" files. This is the data only; the overview grid applies it. Pure data and
// functions, any thread.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace kalvor::playlist {

class LineCursor;

inline constexpr int kOverviewColumnCount = 30;

// The 30 captions in their fixed order, which is also the default order of the grid.
const std::array<const char*, kOverviewColumnCount>& overviewColumnCaptions();

// Columns a block version carries: 21, 22 or 30.
int overviewColumnsOfVersion(int version);

struct OverviewLayout {
    int version = 3;
    QString fontName;
    float fontSize = 0.0f;
    bool bold = false;
    bool italic = false;
    int textColour = 0; // red + 256 * green + 65536 * blue
    // For each column of the version's list, in the fixed order: the grid column (1..30)
    // it is moved to. Applied one by one, in this order, they reproduce the saved order.
    std::vector<int> columnPositions;
    // Hidden flags of grid columns 1..N, in grid column order.
    std::vector<bool> hidden;
    bool autoSize = false;
    // Widths of grid columns 0..N in the grid's width unit (ignored while autoSize).
    std::vector<int> widths;
    friend bool operator==(const OverviewLayout&, const OverviewLayout&) = default;
};

// The layout the overview starts with: "Tahoma", columns in default order, none hidden,
// auto size off, our default widths. Used until the overview window provides its own.
OverviewLayout defaultOverviewLayout();

// Reads one block of `version` (1, 2 or 3) from the cursor. Numbers are taken leniently
// (leading number), so odd values never end the playlist reader; only the end of the
// file inside the block does. `endMarkerFound` is false when the line after the block
// was not "~": the caller reports "Unexpected length of overview layout data!".
OverviewLayout readOverviewLayout(LineCursor& lines, int version, bool* endMarkerFound);

// Note for whoever applies a layout to the grid: moving each column to its saved place in
// the fixed column order does not give back every order (each move shifts the columns in
// between); moving them in the order of their saved places, first place first, always does.
//
// A layout of any version as version 3: the block's moves applied to the default grid in
// order (a version 1 or 2 block leaves the later columns where the moves put them),
// hidden flags and widths of the columns it does not carry taken from the default.
OverviewLayout toVersion3(const OverviewLayout& layout);

// The version 3 block, each line followed by CR LF, "~" included.
void appendOverviewLayout(QByteArray& out, const OverviewLayout& layout);

} // namespace kalvor::playlist
