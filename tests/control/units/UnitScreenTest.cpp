// The peers' screen model and its picture: what replaces what, and that the picture
// shows ink where the model has it, the right way round.
#include "control/units/UnitScreen.h"
#include "control/units/UnitScreenImage.h"

#include <gtest/gtest.h>

using namespace kalvor;

namespace {

// Ink pixels inside a rectangle of the picture.
int inkIn(const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += qGray(img.pixel(x, y)) < 100 ? 1 : 0;
    return n;
}

} // namespace

TEST(UnitScreen, DotsKeepWhatIsVisible) {
    UnitScreen s;
    s.text(100, 20, QStringLiteral("old"));
    s.text(100, 20, QStringLiteral("new"));
    s.text(50, 20, QStringLiteral("kept"));
    s.text(10, 10, QStringLiteral("cleared"));
    s.fill(0, 0, 40, 239, UnitFill::Clear);
    EXPECT_EQ(s.textAt(100, 20), QStringLiteral("new"));
    EXPECT_FALSE(s.contains(QStringLiteral("old")));
    EXPECT_FALSE(s.contains(QStringLiteral("cleared")));
    EXPECT_EQ(s.rows(), (QStringList{QStringLiteral("kept"), QStringLiteral("new")}));
    s.clear();
    EXPECT_TRUE(s.items().empty());
}

TEST(UnitScreen, CellsOverwriteAndClip) {
    UnitSurface surface;
    surface.grid = UnitSurface::Grid::Cells;
    surface.width = 10;
    surface.height = 2;
    UnitScreen s(surface);
    s.text(0, 0, QStringLiteral("abcdef"));
    s.text(2, 0, QStringLiteral("XY"), UnitTextAttrs{0, 8, true, false});
    s.text(8, 1, QStringLiteral("long text"));
    s.text(0, 5, QStringLiteral("off screen"));
    EXPECT_EQ(s.row(0), QStringLiteral("abXYef    "));
    EXPECT_EQ(s.row(1), QStringLiteral("        lo"));
    EXPECT_TRUE(s.cell(2, 0).attrs.inverse);
    EXPECT_FALSE(s.cell(4, 0).attrs.inverse);
}

// A portrait display: the unit's high x is the top of the picture, its y runs across.
TEST(UnitScreen, PictureOfAPortraitDisplay) {
    UnitSurface surface;
    surface.portrait = true;
    surface.anchorBottom = true;
    surface.scale = 1;
    UnitScreen s(surface);
    s.text(300, 10, QStringLiteral("TOP"), UnitTextAttrs{0, 12, false, false});
    s.fill(0, 120, 40, 239, UnitFill::Solid);
    s.text(20, 130, QStringLiteral("DARK"), UnitTextAttrs{0, 12, false, false});
    const QImage img = renderUnitScreen(s);
    ASSERT_EQ(img.size(), QSize(240, 320));
    EXPECT_GT(inkIn(img, QRect(10, 8, 30, 12)), 10);    // "TOP" near the top left
    EXPECT_EQ(inkIn(img, QRect(10, 200, 100, 100)), 0); // nothing bottom left
    const QRect dark(120, 279, 120, 41);                // the filled area
    const int area = dark.width() * dark.height();
    const int ink = inkIn(img, dark);
    EXPECT_LT(ink, area); // the text shows light on the dark fill
    EXPECT_GT(ink, area * 3 / 4);
}
