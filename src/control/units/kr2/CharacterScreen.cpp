#include "control/units/kr2/CharacterScreen.h"

#include <algorithm>

namespace kalvor::units {

CharacterScreen::CharacterScreen(int columns, int rows)
    : columns_(std::max(1, columns)), rows_(std::max(1, rows)),
      cells_(static_cast<std::size_t>(columns_ * rows_)) {}

void CharacterScreen::clear() {
    std::fill(cells_.begin(), cells_.end(), ScreenCell{});
}

void CharacterScreen::put(int column, int row, QChar ch, bool inverse, bool blink) {
    if (column < 0 || row < 0 || column >= columns_ || row >= rows_)
        return;
    cells_[static_cast<std::size_t>(row * columns_ + column)] = {ch, inverse, blink};
}

const ScreenCell& CharacterScreen::cell(int column, int row) const {
    static const ScreenCell outside;
    if (column < 0 || row < 0 || column >= columns_ || row >= rows_)
        return outside;
    return cells_[static_cast<std::size_t>(row * columns_ + column)];
}

QString CharacterScreen::row(int index) const {
    QString out;
    for (int c = 0; c < columns_; ++c)
        out.append(cell(c, index).ch);
    return out;
}

QString CharacterScreen::text() const {
    QString out;
    for (int r = 0; r < rows_; ++r) {
        out.append(row(r));
        out.append(QLatin1Char('\n'));
    }
    return out;
}

bool CharacterScreen::contains(const QString& text) const {
    for (int r = 0; r < rows_; ++r) {
        if (row(r).contains(text))
            return true;
    }
    return false;
}

bool CharacterScreen::inverseAt(int r, const QString& text) const {
    const qsizetype at = row(r).indexOf(text);
    if (at < 0 || text.isEmpty())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!cell(static_cast<int>(at + i), r).inverse)
            return false;
    }
    return true;
}

} // namespace kalvor::units
