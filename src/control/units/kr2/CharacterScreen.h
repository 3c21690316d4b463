// What a character display shows, as the software peer decodes it: a grid of cells, each
// with its character and the attributes it was written with. Tests read rows and cells;
// `renderPng` draws the grid so a person can look at a screen. Pure apart from the PNG.
#pragma once

#include <QChar>
#include <QString>

#include <vector>

namespace kalvor::units {

struct ScreenCell {
    QChar ch = QChar(u' ');
    bool inverse = false;
    bool blink = false;
    bool operator==(const ScreenCell&) const = default;
};

class CharacterScreen {
public:
    CharacterScreen(int columns, int rows);

    int columns() const { return columns_; }
    int rows() const { return rows_; }

    void clear();
    // Writes from column/row (0-based) to the right; what passes the edge is cut.
    void put(int column, int row, QChar ch, bool inverse, bool blink);

    const ScreenCell& cell(int column, int row) const;
    // A row's characters, trailing blanks kept, so columns can be read off by index.
    QString row(int index) const;
    // The rows joined by "\n", for failure messages.
    QString text() const;
    // Whether `text` appears in any row.
    bool contains(const QString& text) const;
    // Whether every cell of `text` at its first place in `row` has the inverse attribute.
    bool inverseAt(int row, const QString& text) const;

    // Draws the grid with a monospaced font (inverse cells light on dark, blinking ones
    // underlined) in the colours of the unit. Needs a QGuiApplication.
    bool renderPng(const QString& path, const QString& caption = {}) const;

private:
    int columns_;
    int rows_;
    std::vector<ScreenCell> cells_;
};

} // namespace kalvor::units
