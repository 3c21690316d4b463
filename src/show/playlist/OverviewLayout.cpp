#include "show/playlist/OverviewLayout.h"

#include "show/playlist/LineCursor.h"
#include "show/playlist/PlaylistNumbers.h"

#include <algorithm>

namespace kalvor::playlist {

namespace {

// Widths are kept in the unit the files have always held (twips, 15 to a pixel), so
// layouts travel between machines unchanged. Ours: grid column 0 (channel number), then
// the 30 columns in default order.
constexpr int kTwipsPerPixel = 15;
constexpr std::array<int, kOverviewColumnCount + 1> kDefaultWidthsPx{
    40,                           // channel number
    160, 60, 60, 120,             // Sound, Duration, Position, Output
    45,  45, 45, 45,  45, 45, 45, // Restart .. Auto
    70,  70, 55, 45,  55,         // Play Group, Stop Group, Volume, Pan, VariSp.
    75,  75, 75, 75,              // Start Offset, End Offset, MTC Start, MTC Stop
    70,  70, 70, 70,              // MIDI IN, MIDI OUT, GPI/O IN, GPI/O OUT
    40,  40, 40, 40,  40,         // PLAY, PAUSE, STOP, REW, FWD
    160};                         // Info

int defaultWidthOfColumn(int column) { // column -1 is the channel-number column
    return kDefaultWidthsPx[static_cast<std::size_t>(column + 1)] * kTwipsPerPixel;
}

int clampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

bool isTrueFlag(QByteArrayView line) {
    return lineIs(line, "-1") || lineIs(line, "True") || lineIs(line, "true");
}

} // namespace

const std::array<const char*, kOverviewColumnCount>& overviewColumnCaptions() {
    static const std::array<const char*, kOverviewColumnCount> captions{
        "Sound",      "Duration", "Position", "Output",   "Restart",      "Loop",
        "Pause",      "Hold",     "Jump",     "RLB/F",    "Auto",         "Play Group",
        "Stop Group", "Volume",   "Pan",      "VariSp.",  "Start Offset", "End Offset",
        "MTC Start",  "MTC Stop", "MIDI IN",  "MIDI OUT", "GPI/O IN",     "GPI/O OUT",
        "PLAY",       "PAUSE",    "STOP",     "REW",      "FWD",          "Info"};
    return captions;
}

int overviewColumnsOfVersion(int version) {
    switch (version) {
    case 1:
        return 21;
    case 2:
        return 22;
    default:
        return kOverviewColumnCount;
    }
}

OverviewLayout defaultOverviewLayout() {
    OverviewLayout l;
    l.version = 3;
    l.fontName = QStringLiteral("Tahoma");
    l.fontSize = 8.25f;
    for (int c = 0; c < kOverviewColumnCount; ++c)
        l.columnPositions.push_back(c + 1);
    l.hidden.assign(kOverviewColumnCount, false);
    l.autoSize = false;
    for (int g = 0; g <= kOverviewColumnCount; ++g)
        l.widths.push_back(defaultWidthOfColumn(g - 1));
    return l;
}

OverviewLayout readOverviewLayout(LineCursor& lines, int version, bool* endMarkerFound) {
    const int n = overviewColumnsOfVersion(version);
    OverviewLayout l;
    l.version = version;
    l.fontName = decodeText(lines.take());
    l.fontSize = leadingFloat(lines.take());
    l.bold = isTrueFlag(lines.take());
    l.italic = isTrueFlag(lines.take());
    l.textColour = clampToInt(leadingInteger(lines.take()));
    for (int c = 0; c < n; ++c)
        l.columnPositions.push_back(clampToInt(leadingInteger(lines.take())));
    for (int g = 1; g <= n; ++g)
        l.hidden.push_back(isTrueFlag(lines.take()));
    l.autoSize = isTrueFlag(lines.take());
    for (int g = 0; g <= n; ++g)
        l.widths.push_back(clampToInt(leadingInteger(lines.take())));
    const bool marker = lineIs(lines.take(), "~");
    if (endMarkerFound)
        *endMarkerFound = marker;
    return l;
}

OverviewLayout toVersion3(const OverviewLayout& layout) {
    if (layout.version == 3 && layout.columnPositions.size() == kOverviewColumnCount &&
        layout.hidden.size() == kOverviewColumnCount &&
        layout.widths.size() == kOverviewColumnCount + 1)
        return layout;
    // grid[g - 1] = the column standing at grid column g (1..30), default order first.
    std::vector<int> grid(kOverviewColumnCount);
    for (int c = 0; c < kOverviewColumnCount; ++c)
        grid[static_cast<std::size_t>(c)] = c;
    for (std::size_t c = 0; c < layout.columnPositions.size() && c < kOverviewColumnCount; ++c) {
        // Grid column 0 holds the channel numbers and never moves.
        const int to = std::clamp(layout.columnPositions[c], 1, kOverviewColumnCount) - 1;
        const auto from = std::find(grid.begin(), grid.end(), static_cast<int>(c));
        grid.erase(from);
        grid.insert(grid.begin() + to, static_cast<int>(c));
    }
    OverviewLayout out = layout;
    out.version = 3;
    out.columnPositions.assign(kOverviewColumnCount, 0);
    for (int g = 0; g < kOverviewColumnCount; ++g)
        out.columnPositions[static_cast<std::size_t>(grid[static_cast<std::size_t>(g)])] = g + 1;
    out.hidden.resize(kOverviewColumnCount, false);
    const std::size_t carried = layout.widths.size();
    out.widths.resize(kOverviewColumnCount + 1);
    for (std::size_t g = carried; g <= kOverviewColumnCount; ++g)
        out.widths[g] = defaultWidthOfColumn(g == 0 ? -1 : grid[g - 1]);
    return out;
}

void appendOverviewLayout(QByteArray& out, const OverviewLayout& layout) {
    const OverviewLayout l = toVersion3(layout);
    const auto line = [&out](auto&& append) {
        append();
        out.append("\r\n");
    };
    line([&] { out.append(l.fontName.toUtf8()); });
    line([&] { appendFloat(out, l.fontSize); });
    line([&] { appendBoolean(out, l.bold); });
    line([&] { appendBoolean(out, l.italic); });
    line([&] { appendInteger(out, l.textColour); });
    for (int p : l.columnPositions)
        line([&] { appendInteger(out, p); });
    for (bool h : l.hidden)
        line([&] { appendBoolean(out, h); });
    line([&] { appendBoolean(out, l.autoSize); });
    for (int w : l.widths)
        line([&] { appendInteger(out, w); });
    out.append("~\r\n");
}

} // namespace kalvor::playlist
