// The whole program with the KR-2 as its serial mode and the KD-1 on a port of its own,
// each with a software peer at the far end of a pty pair.
#include "PtyPair.h"

#include "control/units/UnitPeer.h"
#include "control/units/kd1/Kd1Decoder.h"
#include "control/units/kr2/Kr2Decoder.h"

#include "support/ProgramRun.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

#ifdef KALVOR_APP
TEST(Kr2Program, StartUpDrawsBothUnitsAndClosingSaysSo) {
    PtyPair kr2Pty;
    PtyPair kd1Pty;
    ASSERT_TRUE(kr2Pty.ready() && kd1Pty.ready());
    ProgramRun app;
    ASSERT_TRUE(app.ok());
    ASSERT_TRUE(app.writeSettings(
        "[User]\nEnableCom=ON\nComMode=KR-2\nComPort=1\nComDevice1=" + kr2Pty.path("a").toUtf8() +
        "\nDO500Enabled=1\nDO500ComPort=2\nComDevice2=" + kd1Pty.path("a").toUtf8() + "\n"));

    UnitPeer kr2(std::make_unique<Kr2Decoder>());
    ASSERT_TRUE(kr2.open(kr2Pty.path("b"), 9600));
    UnitPeer kd1(std::make_unique<Kd1Decoder>());
    ASSERT_TRUE(kd1.open(kd1Pty.path("b"), 19200));
    app.start();

    // The program starts, draws both units and closes (it quits once its window has been
    // pictured): the last screen on the KR-2 says so, and the display is cleared.
    EXPECT_TRUE(kr2.waitForText(QStringLiteral("Kalvor closed"), 120000));
    EXPECT_TRUE(app.endsCleanly());
    kr2.waitQuiet();
    kd1.waitQuiet();
    // Step 12 opened the display, step 23 the remote, step 29 put the show on the display.
    const QByteArray toKr2 = kr2.takeReceived();
    const QByteArray toKd1 = kd1.takeReceived();
    EXPECT_TRUE(toKr2.contains("KALVOR REMOTE KR-2"));
    EXPECT_TRUE(toKr2.contains("\x1bO1,88:"));
    EXPECT_TRUE(toKd1.contains("Kalvor Display KD-1"));
    EXPECT_TRUE(toKd1.contains("Preset -/1"));
    EXPECT_FALSE(kd1.screen().contains(QStringLiteral("Preset")));
    if (::testing::Test::HasFailure())
        ADD_FAILURE() << app.errors();
}
#endif
