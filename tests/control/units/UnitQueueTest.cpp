// The shared command queue: pauses, the CTS wait and its time-out, and what happens past
// 500 pending commands.
#include "TestUnitPort.h"

#include "control/units/UnitCommandQueue.h"
#include "core/SystemMessages.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

const QString kBusy = QStringLiteral("KR-1 is busy or offline (CTSHolding = FALSE)");

qsizetype busyMessages() {
    return SystemMessages::instance().entries().filter(kBusy).size();
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
