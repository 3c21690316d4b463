// The shared command queue: pauses, the CTS wait and its time-out, and what happens past
// 500 pending commands. The peers' screen model and its picture: what replaces what, and
// that the picture shows ink where the model has it, the right way round.
#include "TestUnitPort.h"

#include "control/units/UnitCommandQueue.h"
#include "control/units/UnitScreen.h"
#include "control/units/UnitScreenImage.h"
#include "core/SystemMessages.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

const QString kBusy = QStringLiteral("KR-1 is busy or offline (CTSHolding = FALSE)");

qsizetype busyMessages() {
    return SystemMessages::instance().entries().filter(kBusy).size();
}

// Ink pixels inside a rectangle of the picture.
int inkIn(const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += qGray(img.pixel(x, y)) < 100 ? 1 : 0;
    return n;
}

} // namespace

// Each row: commands with pauses, then ticks of 10 ms; what has been written after each
// tick ("" = nothing new). A port that went away has its commands taken off without a
// write, so the queue stays bounded.
TEST(UnitQueue, PausesHoldTheNextCommandBack) {
    struct Row {
        const char* name;
        std::vector<std::pair<QByteArray, int>> commands;
        std::vector<QByteArray> afterTick;
        bool portOpen = true;
    };
    const std::vector<Row> rows = {
        // clang-format off
        {"no pauses: one per tick", {{"a", 0}, {"b", 0}, {"c", 0}}, {"a", "b", "c", ""}},
        {"25 ms pause: three ticks", {{"a", 25}, {"b", 0}}, {"a", "", "", "", "b"}},
        {"pause below one tick", {{"a", 5}, {"b", 0}}, {"a", "", "b"}},
        {"empty command is no slot", {{"", 0}, {"b", 0}}, {"b", ""}},
        {"closed port", {{"a", 0}, {"b", 0}, {"c", 0}}, {"", "", ""}, false},
        // clang-format on
    };
    for (const Row& row : rows) {
        UnitCommandQueue q(QStringLiteral("KR-1"), kBusy);
        TestUnitPort port;
        port.open = row.portOpen;
        for (const auto& [c, p] : row.commands)
            q.enqueue(c, p);
        for (size_t i = 0; i < row.afterTick.size(); ++i) {
            port.written.clear();
            q.tick(port, 10);
            EXPECT_EQ(port.written, row.afterTick[i]) << row.name << " tick " << i;
        }
        EXPECT_EQ(q.pending(), 0) << row.name;
    }
}

// CTS low for a while, then high: the message once per wait; after more than 5000 ms the
// queue is dropped and the start screen drawn again, at 5000 ms or less it goes on.
TEST(UnitQueue, CtsWaitAndTimeOut) {
    struct Row {
        int lowTicks; // of 10 ms
        bool restart;
        QByteArray firstAfter;
    };
    const std::vector<Row> rows = {
        {1, false, "a"}, {500, false, "a"}, {501, true, "start"}, {6000, true, "start"}};
    for (const Row& row : rows) {
        UnitCommandQueue q(QStringLiteral("KR-1"), kBusy);
        TestUnitPort port;
        int restarts = 0;
        q.setResync([&](UnitCommandQueue::Resync r) {
            if (r == UnitCommandQueue::Resync::Restart) {
                ++restarts;
                q.enqueue("start");
            }
        });
        q.enqueue("a");
        q.enqueue("b");
        const int before = busyMessages();
        port.cts = false;
        for (int i = 0; i < row.lowTicks; ++i)
            q.tick(port, 10);
        EXPECT_EQ(busyMessages() - before, 1) << row.lowTicks;
        EXPECT_LE(q.ctsWaitMs(), UnitCommandQueue::kMaxWaitMs);
        EXPECT_TRUE(port.written.isEmpty());
        port.cts = true;
        q.tick(port, 10);
        EXPECT_EQ(port.written, row.firstAfter) << row.lowTicks;
        EXPECT_EQ(restarts, row.restart ? 1 : 0) << row.lowTicks;
        EXPECT_EQ(q.pending(), row.restart ? 0 : 1) << row.lowTicks;
    }
}

// 500 commands fit; the 501st drops them all, later ones are refused while the unit
// cannot take them, and once it can, the screen is drawn again from scratch.
TEST(UnitQueue, PastFiveHundredTheQueueIsDroppedAndRedrawn) {
    UnitCommandQueue q(QStringLiteral("KR-1"), kBusy);
    TestUnitPort port;
    int redraws = 0;
    q.setResync([&](UnitCommandQueue::Resync r) {
        EXPECT_EQ(r, UnitCommandQueue::Resync::Redraw);
        ++redraws;
        q.enqueue("page");
    });
    port.cts = false;
    for (int i = 0; i < UnitCommandQueue::kSlots; ++i)
        ASSERT_TRUE(q.enqueue(QByteArray::number(i)));
    EXPECT_EQ(q.pending(), UnitCommandQueue::kSlots);
    EXPECT_FALSE(q.enqueue("501"));
    EXPECT_TRUE(q.overflowed());
    for (int i = 0; i < 10000; ++i)
        EXPECT_FALSE(q.enqueue("more"));
    EXPECT_EQ(q.pending(), 0);
    q.tick(port, 10);
    EXPECT_EQ(redraws, 0);
    port.cts = true;
    q.tick(port, 10);
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(port.written, QByteArray("page"));
    EXPECT_TRUE(q.enqueue("next"));
}

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
