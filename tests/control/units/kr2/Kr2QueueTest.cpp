// The KR-2 behind the shared queue on a test port whose CTS line the test holds: a long
// wait redraws from the start screen, an overflow redraws the screen shown, whole; noise
// from the unit; and a playlist chosen on the unit that does not load.
#include "TestUnitPort.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"

#include "control/units/UnitCommandQueue.h"
#include "control/units/kr2/Kr2Decoder.h"
#include "control/units/kr2/Kr2Keys.h"
#include "control/units/kr2/Kr2Remote.h"

#include <QDir>
#include <QRandomGenerator>

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
    void keys(std::initializer_list<Kr2Key> keys) {
        for (Kr2Key k : keys)
            remote.received(Kr2KeyDecoder::code(k));
        drain();
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

// The unit says so in its browser instead of going back to the channel page as if the show
// had been loaded.
TEST(Kr2Load, PlaylistThatDoesNotLoadIsReportedOnTheUnit) {
    Kr2QueueRig rig;
    const QString shows = rig.folder + QStringLiteral("/shows");
    ASSERT_TRUE(QDir().mkpath(shows));
    // The header of the newest format, then nothing: read errors follow.
    writeFile(shows + QStringLiteral("/Cut short.kal"), "Fileformat 17\r\n");
    rig.remote.setBrowserFolder(shows);
    rig.remote.start();
    // MENU, down to "Load Playlist", ENTER: the browser; --> to the files.
    rig.keys({Kr2Key::Menu, Kr2Key::Down, Kr2Key::Down, Kr2Key::Down, Kr2Key::Enter, Kr2Key::Right});
    ASSERT_TRUE(rig.port.written.contains("Cut short.kal"));
    rig.port.written.clear();
    rig.keys({Kr2Key::Enter});
    EXPECT_TRUE(rig.port.written.contains("FILE ERROR!")) << rig.port.written.toStdString();
}

TEST(Kr2Queue, NoiseFromTheUnitChangesNoScreenAndTheRemoteStillAnswers) {
    Kr2QueueRig rig;
    rig.remote.start();
    rig.drain();
    // Random bytes without key codes (those would play channels): nothing may break.
    QByteArray noise;
    QRandomGenerator random(19);
    while (noise.size() < 4000) {
        const auto b = static_cast<unsigned char>(random.bounded(256));
        if (b == 0 || (b > 0x3c && b < 0x41) || (b > 0x78 && b < 0xf0) || b == 0xf7)
            noise.append(static_cast<char>(b));
    }
    rig.remote.received(noise);
    rig.drain();
    EXPECT_EQ(rig.remote.screen(), Kr2Remote::Screen::Channels);
    rig.keys({Kr2Key::UnitReset});
    EXPECT_EQ(rig.decoder.setups(), 2);
    EXPECT_TRUE(rig.screen.contains(QStringLiteral("8:")));
    EXPECT_EQ(rig.remote.screen(), Kr2Remote::Screen::Channels);
}
