// The KR-2 behind the shared queue on a test port whose CTS line the test holds: a long
// wait redraws from the start screen, an overflow redraws the screen shown, whole.
#include "TestUnitPort.h"
#include "support/ShowRig.h"

#include "control/units/UnitCommandQueue.h"
#include "control/units/kr2/Kr2Decoder.h"
#include "control/units/kr2/Kr2Keys.h"
#include "control/units/kr2/Kr2Remote.h"

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;
using namespace kalvor::units;

namespace {

struct Kr2QueueRig : ShowRig {
    TestUnitPort port;
    UnitCommandQueue queue{QStringLiteral("KR-2"), QStringLiteral("KR-2 is busy")};
    Kr2Remote remote{*show, *settings, Kr2Remote::Send{}};
    Kr2Decoder decoder;
    UnitScreen screen{decoder.surface()};

    Kr2QueueRig() {
        loadChannel(0, {ramp(QStringLiteral("a"), 2.0)});
        show->presets().NewPreset();
        port.forward = [this](const QByteArray& b) {
            decoder.feed(b, screen);
        };
        remote.useQueue(queue);
    }
    // Ticks of 10 ms until the queue is empty (or a bound is reached).
    void drain() {
        for (int i = 0; i < 2000 && queue.pending() > 0; ++i)
            queue.tick(port, 10);
    }
    void key(Kr2Key k) { remote.received(Kr2KeyDecoder::code(k)); }
};

} // namespace

TEST(Kr2Queue, ALongCtsWaitRestartsAndAnOverflowRedraws) {
    Kr2QueueRig rig;
    rig.remote.start();
    rig.drain();
    EXPECT_EQ(rig.decoder.setups(), 1);
    rig.port.cts = false;
    rig.key(Kr2Key::Menu); // queued behind the wait
    rig.queue.tick(rig.port, 5100);
    rig.port.cts = true;
    rig.queue.tick(rig.port, 10);
    rig.drain();
    EXPECT_EQ(rig.decoder.setups(), 2);
    // As after selecting the mode: the start screen, then the channel page.
    EXPECT_EQ(rig.remote.screen(), Kr2Remote::Screen::Channels);
    EXPECT_TRUE(rig.screen.contains(QStringLiteral("8: -")))
        << rig.screen.rows().join(QLatin1Char('\n')).toStdString();

    rig.port.cts = false;
    // Every step redraws the whole menu: far more than 500 commands wait.
    rig.key(Kr2Key::Menu);
    for (int i = 0; i < 40; ++i)
        rig.key(i % 2 ? Kr2Key::Up : Kr2Key::Down);
    rig.key(Kr2Key::Down);
    EXPECT_TRUE(rig.queue.overflowed());
    EXPECT_LE(rig.queue.pending(), UnitCommandQueue::kSlots);
    rig.port.cts = true;
    rig.queue.tick(rig.port, 10);
    rig.drain();
    EXPECT_EQ(rig.decoder.setups(), 2) << "the screen shown again, not the start";
    EXPECT_TRUE(rig.screen.contains(QStringLiteral("(Select=up/down|Enter=execute|Menu=exit)")));
    EXPECT_TRUE(rig.screen.cell(2, 2).attrs.inverse); // "Keep Preset", the cursor line
}
