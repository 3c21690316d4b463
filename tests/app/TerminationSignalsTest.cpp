// A shutdown of the booth machine or a Ctrl+C in the terminal: the program is asked to
// close through its closing order instead of ending on the spot.
#include "app/TerminationSignals.h"

#include <QObject>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

using namespace kalvor;

TEST(TerminationSignals, EachSignalAsksTheProgramToCloseInsteadOfEndingIt) {
    QObject owner;
    int asked = 0;
    ASSERT_TRUE(quitOnTerminationSignals(&owner, [&] { ++asked; }));
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        const int before = asked;
        ASSERT_EQ(std::raise(sig), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return asked > before; }, 10000));
    }
}
