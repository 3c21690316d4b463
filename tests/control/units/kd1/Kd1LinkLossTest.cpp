// The KD-1's port when its adapter goes away: a hung-up line is let go, not left open
// reporting read errors to the event loop for the rest of the show.
#include "PtyPair.h"

#include "control/units/kd1/Kd1Link.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace kalvor::test;
using kalvor::units::Kd1SerialLink;

TEST(Kd1LinkLoss, HungUpPortIsClosed) {
    PtyPair pty;
    ASSERT_TRUE(pty.ready()) << "socat did not make the pty pair";
    Kd1SerialLink link;
    ASSERT_TRUE(link.open(pty.path("a")));
    pty.socat.kill();
    pty.socat.waitForFinished();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !link.isOpen(); }, 10000));
    link.write("still there?");
}
