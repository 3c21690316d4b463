// Shared by the software peers of the serial remote units (KR-1, KR-2) and the display
// unit (KD-1).
//
// What a unit's display shows, as its decoder rebuilt it from the command stream: texts
// at positions with their attributes, lines, filled areas and frames. Tests assert on it;
// `renderUnitScreen` turns it into a picture. Two kinds of display:
//  - Dots (a graphic display): an ordered list of drawing items in the unit's own
//    coordinates. A text replaces an earlier text at the same position, and clearing an
//    area removes the texts that start inside it, so the list says what is visible.
//  - Cells (a character display): a grid of characters, each with its attributes; a text
//    overwrites the cells it covers and is cut at the right edge.
// No I/O. Any thread, one at a time.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace kalvor {

struct UnitSurface {
    enum class Grid { Dots, Cells };
    Grid grid = Grid::Dots;
    // In dots or in cells.
    int width = 320;
    int height = 240;
    // The unit's x runs up the picture (a display mounted on its side): the picture is
    // `height` wide and `width` tall, picture point (y, width - 1 - x).
    bool portrait = false;
    // Dots: a text's position is the bottom-left corner of its first glyph (else top-left).
    bool anchorBottom = false;
    // Cells: picture pixels per cell.
    int cellWidth = 10;
    int cellHeight = 20;
    // Picture pixels per dot (Dots) or per cell pixel (Cells).
    int scale = 2;
};

struct UnitTextAttrs {
    int font = 0; // the unit's font number, as the stream selected it
    int size = 8; // glyph height in dots (Dots displays)
    bool inverse = false;
    bool blink = false;
    bool operator==(const UnitTextAttrs&) const = default;
};

enum class UnitFill { Solid, Clear, Invert };

struct UnitItem {
    enum class Kind { Text, Line, Fill, Frame };
    Kind kind = Kind::Text;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0; // a text's position is (x1, y1)
    QString text;
    UnitTextAttrs attrs;
    UnitFill fill = UnitFill::Solid;
    int style = 1; // frame style, as the unit numbers them
};

struct UnitCell {
    QChar ch = QLatin1Char(' ');
    UnitTextAttrs attrs;
};

class UnitScreen {
public:
    explicit UnitScreen(UnitSurface surface = {});

    const UnitSurface& surface() const { return surface_; }
    // Increases with every change, so a viewer knows when to draw again.
    int revision() const { return revision_; }

    void clear();
    void text(int x, int y, const QString& text, const UnitTextAttrs& attrs = {});
    // Dots only; Cells displays draw lines and frames with characters.
    void line(int x1, int y1, int x2, int y2);
    void fill(int x1, int y1, int x2, int y2, UnitFill how);
    void frame(int x1, int y1, int x2, int y2, int style);

    // Dots: every item in drawing order.
    const std::vector<UnitItem>& items() const { return items_; }
    // Dots: the visible text items; Cells: one per row with a visible character.
    std::vector<UnitItem> texts() const;
    // Dots: the text at exactly (x, y), or an empty string.
    QString textAt(int x, int y) const;
    // The first text item holding `part`, or nullptr (Dots).
    const UnitItem* find(const QString& part) const;
    // True when `part` shows anywhere (Dots: inside one text; Cells: inside one row).
    bool contains(const QString& part) const;
    // Cells: one row as it shows, 0-based; Dots: the texts sorted top to bottom.
    QString row(int index) const;
    QStringList rows() const;
    const UnitCell& cell(int column, int row) const;

private:
    void changed() { ++revision_; }

    UnitSurface surface_;
    std::vector<UnitItem> items_;
    std::vector<UnitCell> cells_;
    int revision_ = 0;
};

} // namespace kalvor
