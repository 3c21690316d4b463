// The main window on the offline engine rig: the real store, engine and show layer, with
// scripted dialogs, so a test drives the strips as the operator would and checks what
// the window shows.
#pragma once

#include "core/Lifecycle.h"
#include "core/RecentPlaylists.h"
#include "core/UiLanguage.h"
#include "core/ui/SystemMessagesWindow.h"
#include "mainwindow/ui/ChannelStrip.h"
#include "mainwindow/ui/MainWindow.h"
#include "support/ShowRig.h"

#include <memory>

namespace kalvor::test {

struct StripsRig {
    StripsRig() {
        UiLanguage::instance().set(Language::English);
        ProgramContext ctx;
        ctx.store = &rig.store;
        ctx.settings = rig.settings.get();
        ctx.recent = &recent;
        lifecycle = std::make_unique<Lifecycle>(ctx);
        window =
            std::make_unique<MainWindow>(*rig.show, *rig.settings, recent, *lifecycle, messages);
    }
    ~StripsRig() {
        window.reset();
        UiLanguage::instance().set(Language::English);
    }
    ChannelStrip& strip(int ch) { return *window->strip(ch); }

    ShowRig rig;
    RecentPlaylists recent;
    SystemMessagesWindow messages;
    std::unique_ptr<Lifecycle> lifecycle;
    std::unique_ptr<MainWindow> window;
};

} // namespace kalvor::test
