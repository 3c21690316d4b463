// The touch-screen and black-screen views are reached from the main window's menu too: a
// keyboard without the "<" key, or a booth without a keyboard, has no other way in.
#include "StripsRig.h"

#include <QAction>

namespace kalvor::test {

TEST(ViewMenu, OpensTheTouchViewAndTheBlackScreenOnTheSelectedChannelsPage) {
    StripsRig r;
    int touch = 0;
    QList<int> black;
    r.window->pendingWindows().touchScreen = [&touch] {
        ++touch;
    };
    r.window->pendingWindows().blackScreen = [&black](int page) {
        black << page;
    };
    auto* touchAction = r.window->findChild<QAction*>(QStringLiteral("mnuTouchScreen"));
    auto* blackAction = r.window->findChild<QAction*>(QStringLiteral("mnuBlackScreen"));
    ASSERT_NE(touchAction, nullptr);
    ASSERT_NE(blackAction, nullptr);
    touchAction->trigger();
    EXPECT_EQ(touch, 1);
    for (int ch : {-1, 12, 31}) {
        if (ch >= 0)
            r.rig.store.selectChannel(ch);
        blackAction->trigger();
    }
    EXPECT_EQ(black, (QList<int>{1, 2, 4}));
}

} // namespace kalvor::test
