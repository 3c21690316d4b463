#include "control/units/UnitScreen.h"

#include <algorithm>

namespace kalvor {
namespace {

bool inside(int v, int a, int b) {
    return v >= std::min(a, b) && v <= std::max(a, b);
}

} // namespace

UnitScreen::UnitScreen(UnitSurface surface) : surface_(surface) {
    surface_.width = std::clamp(surface_.width, 1, 4096);
    surface_.height = std::clamp(surface_.height, 1, 4096);
    if (surface_.grid == UnitSurface::Grid::Cells)
        cells_.resize(static_cast<size_t>(surface_.width) * surface_.height);
}

void UnitScreen::clear() {
    items_.clear();
    std::fill(cells_.begin(), cells_.end(), UnitCell{});
    changed();
}

void UnitScreen::text(int x, int y, const QString& text, const UnitTextAttrs& attrs) {
    if (surface_.grid == UnitSurface::Grid::Cells) {
        if (y < 0 || y >= surface_.height)
            return;
        for (int i = 0; i < text.size(); ++i) {
            const int c = x + i;
            if (c >= 0 && c < surface_.width)
                cells_[static_cast<size_t>(y) * surface_.width + c] = UnitCell{text.at(i), attrs};
        }
        changed();
        return;
    }
    std::erase_if(items_, [&](const UnitItem& it) {
        return it.kind == UnitItem::Kind::Text && it.x1 == x && it.y1 == y;
    });
    UnitItem it;
    it.kind = UnitItem::Kind::Text;
    it.x1 = it.x2 = x;
    it.y1 = it.y2 = y;
    it.text = text;
    it.attrs = attrs;
    items_.push_back(std::move(it));
    changed();
}

void UnitScreen::line(int x1, int y1, int x2, int y2) {
    UnitItem it;
    it.kind = UnitItem::Kind::Line;
    it.x1 = x1, it.y1 = y1, it.x2 = x2, it.y2 = y2;
    items_.push_back(it);
    changed();
}

void UnitScreen::fill(int x1, int y1, int x2, int y2, UnitFill how) {
    if (how == UnitFill::Clear) {
        // Whatever lies wholly inside is gone, so a screen redrawn part by part for hours
        // keeps a short list.
        std::erase_if(items_, [&](const UnitItem& it) {
            const bool start = inside(it.x1, x1, x2) && inside(it.y1, y1, y2);
            if (it.kind == UnitItem::Kind::Text)
                return start;
            return start && inside(it.x2, x1, x2) && inside(it.y2, y1, y2);
        });
    }
    UnitItem it;
    it.kind = UnitItem::Kind::Fill;
    it.x1 = x1, it.y1 = y1, it.x2 = x2, it.y2 = y2;
    it.fill = how;
    items_.push_back(it);
    changed();
}

void UnitScreen::frame(int x1, int y1, int x2, int y2, int style) {
    UnitItem it;
    it.kind = UnitItem::Kind::Frame;
    it.x1 = x1, it.y1 = y1, it.x2 = x2, it.y2 = y2;
    it.style = style;
    items_.push_back(it);
    changed();
}

std::vector<UnitItem> UnitScreen::texts() const {
    std::vector<UnitItem> out;
    if (surface_.grid == UnitSurface::Grid::Cells) {
        for (int r = 0; r < surface_.height; ++r) {
            const QString line = row(r);
            if (line.trimmed().isEmpty())
                continue;
            UnitItem it;
            it.y1 = it.y2 = r;
            it.text = line;
            out.push_back(it);
        }
        return out;
    }
    for (const UnitItem& it : items_) {
        if (it.kind == UnitItem::Kind::Text)
            out.push_back(it);
    }
    return out;
}

QString UnitScreen::textAt(int x, int y) const {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
        if (it->kind == UnitItem::Kind::Text && it->x1 == x && it->y1 == y)
            return it->text;
    }
    return {};
}

const UnitItem* UnitScreen::find(const QString& part) const {
    for (const UnitItem& it : items_) {
        if (it.kind == UnitItem::Kind::Text && it.text.contains(part))
            return &it;
    }
    return nullptr;
}

bool UnitScreen::contains(const QString& part) const {
    if (surface_.grid == UnitSurface::Grid::Dots)
        return find(part) != nullptr;
    for (int r = 0; r < surface_.height; ++r) {
        if (row(r).contains(part))
            return true;
    }
    return false;
}

QString UnitScreen::row(int index) const {
    if (surface_.grid == UnitSurface::Grid::Cells) {
        if (index < 0 || index >= surface_.height)
            return {};
        QString s;
        for (int c = 0; c < surface_.width; ++c)
            s += cells_[static_cast<size_t>(index) * surface_.width + c].ch;
        return s;
    }
    const QStringList all = rows();
    return index >= 0 && index < all.size() ? all.at(index) : QString();
}

QStringList UnitScreen::rows() const {
    if (surface_.grid == UnitSurface::Grid::Cells) {
        QStringList out;
        for (int r = 0; r < surface_.height; ++r)
            out << row(r);
        return out;
    }
    // Top to bottom as the picture shows them, then left to right.
    std::vector<UnitItem> t = texts();
    const bool portrait = surface_.portrait;
    std::stable_sort(t.begin(), t.end(), [portrait](const UnitItem& a, const UnitItem& b) {
        if (portrait)
            return a.x1 != b.x1 ? a.x1 > b.x1 : a.y1 < b.y1;
        return a.y1 != b.y1 ? a.y1 < b.y1 : a.x1 < b.x1;
    });
    QStringList out;
    for (const UnitItem& it : t)
        out << it.text;
    return out;
}

const UnitCell& UnitScreen::cell(int column, int row) const {
    static const UnitCell blank;
    if (surface_.grid != UnitSurface::Grid::Cells || column < 0 || row < 0 ||
        column >= surface_.width || row >= surface_.height)
        return blank;
    return cells_[static_cast<size_t>(row) * surface_.width + column];
}

} // namespace kalvor
