// A second start (a show double-clicked) against the states the first instance can be in:
// the show reaches a running instance, is opened by the second start itself when the first
// has ended meanwhile, and is never lost without the operator being told on screen.
#include "app/SecondStart.h"

#include "core/InstanceLock.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "show/playback/ShowLayer.h"

#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

using namespace kalvor;
using namespace kalvor::test;

namespace {

enum class First { Gone, Hung, Starting, Running, Closing, NoRuntimeFolder };

struct Case {
    const char* name;
    First first;
    HandOver expected;
    int handedOver; // command lines the first instance got
    int handedAfterStartUp;
    bool toldOnScreen;
};

} // namespace

TEST(SecondStart, DoubleClickedShowIsNeverLostSilently) {
    const std::vector<Case> cases = {
        {"first instance running", First::Running, HandOver::Taken, 1, 1, false},
        {"first instance still starting", First::Starting, HandOver::Taken, 0, 1, false},
        {"first instance ended while the second waited", First::Gone, HandOver::StartHere, 0, 0,
         false},
        {"first instance closing", First::Closing, HandOver::NoAnswer, 0, 0, true},
        {"first instance never answers", First::Hung, HandOver::NoAnswer, 0, 0, true},
        {"no lock can be made", First::NoRuntimeFolder, HandOver::NoAnswer, 0, 0, true},
    };
    const QString show = freshFolder(QStringLiteral("shows")) + QStringLiteral("/Act 2.kal");
    writeFile(show, "Fileformat 17\r\n");
    const QStringList arguments = {QStringLiteral("kalvor"), show};

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString folder = freshFolder(QString::fromLatin1(c.name).replace(' ', '-'));
        if (c.first == First::NoRuntimeFolder) {
            folder += QStringLiteral("/a-file");
            writeFile(folder, "not a folder");
        }
        ScriptedDialogs dialogs;
        InstanceLock firstLock(folder);
        if (c.first != First::Gone && c.first != First::NoRuntimeFolder) {
            ASSERT_TRUE(firstLock.acquire());
        }
        InstanceDoor firstDoor(folder);
        int handed = 0;
        firstDoor.knocked = [&](const QStringList&) {
            ++handed;
        };
        firstDoor.accepting = [&] {
            return c.first != First::Closing;
        };
        firstDoor.setHolding(c.first == First::Starting);
        if (c.first == First::Running || c.first == First::Starting || c.first == First::Closing) {
            ASSERT_TRUE(firstDoor.open());
        }

        // The second start waits for an answer, which the first side gives from its event
        // loop: the second start runs on a thread of its own, as in a process of its own.
        HandOver got = HandOver::Taken;
        std::unique_ptr<QThread> second(
            QThread::create([&] { got = handOverToRunningInstance(folder, arguments, 1500); }));
        second->start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return second->isFinished(); }, 30000));
        second->wait();

        EXPECT_EQ(static_cast<int>(got), static_cast<int>(c.expected));
        EXPECT_EQ(handed, c.handedOver);
        firstDoor.setHolding(false); // start-up done
        EXPECT_EQ(handed, c.handedAfterStartUp);
        const auto boxes = dialogs.messages();
        ASSERT_EQ(boxes.size(), c.toldOnScreen ? 1 : 0);
        if (c.toldOnScreen) {
            EXPECT_TRUE(boxes.first().text.contains(QStringLiteral("Act 2.kal")))
                << boxes.first().text.toStdString();
            EXPECT_EQ(boxes.first().text.contains(QStringLiteral("does not answer")),
                      c.first != First::NoRuntimeFolder)
                << boxes.first().text.toStdString();
            EXPECT_EQ(boxes.first().icon, MessageIcon::Warning);
        }
    }
}

TEST(SecondStart, AShowThatArrivesOnceClosingHasBegunOpensNothing) {
    ScriptedDialogs dialogs;
    ShowStore store;
    Settings settings(freshFolder(QStringLiteral("closing-settings")) +
                      QStringLiteral("/Kalvor.ini"));
    ShowLayer show(store, settings, nullptr);
    const QString folder = freshFolder(QStringLiteral("closing"));
    bool closing = false;
    const auto door = openInstanceDoor(
        folder, show, [] { return nullptr; }, [&] { return !closing; });
    const QString path = freshFolder(QStringLiteral("closing-shows")) + QStringLiteral("/A.kal");
    writeFile(path, "Fileformat 17\r\n");

    // Taken during start-up, handed on only when the operator has already quit.
    bool taken = false;
    std::unique_ptr<QThread> second(QThread::create([&] {
        taken = InstanceDoor(folder).knock({QStringLiteral("kalvor"), path}, 10000);
    }));
    second->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return second->isFinished(); }, 15000));
    second->wait();
    ASSERT_TRUE(taken);
    closing = true;
    door->setHolding(false);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialogs.messages().isEmpty()) << "no question about opening a show in a program "
                                                 "that is closing";
}
