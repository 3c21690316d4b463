// The main window on the offline engine rig: the real store, engine and show layer, with
// scripted dialogs, so a test drives the strips as the operator would and checks what
// the window shows.
#pragma once

#include "core/Lifecycle.h"
#include "core/RecentPlaylists.h"
#include "core/UiLanguage.h"
#include "core/ui/SystemMessagesWindow.h"
#include "mainwindow/PlayLog.h"
#include "mainwindow/ui/ChannelStrip.h"
#include "mainwindow/ui/MainWindow.h"
#include "support/ShowRig.h"

#include <QTest>

#include <gtest/gtest.h>

#include <functional>
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

// `count` entries of a show that ran for a while, and ten free numbered rows below.
inline void fillLog(PlayLog& log, int count) {
    const char* const names[] = {"The Tallis Consort - Spem in alium", "Thunder Roll",
                                 "Rainforest Collective - Rain Loop (long version)", "Door Knock",
                                 "Big Band Östlich - Überleitung Akt 2"};
    for (int i = 0; i < count; ++i) {
        const int row = log.newRow();
        log.startEntry(
            row, QString::fromUtf8(names[i % 5]), QStringLiteral("06.12.26"),
            QStringLiteral("%1:%2:00").arg(19 + i / 12).arg((i * 5) % 60, 2, 10, QLatin1Char('0')));
        for (int t = 0; t < 30 + 37 * i; ++t)
            log.tickEntry(row);
    }
    log.setCellText(2, LogNotes, QStringLiteral("cut after the second verse"));
    log.padRows(count + 10);
}

// Saves the shown window at both booth sizes in both languages as DIR/PREFIX-WxH-LANG.png;
// `perLanguage` adds pictures of its own for each language.
inline void grabAtBoothSizes(StripsRig& w, const QString& dir, const char* prefix,
                             const std::function<void(const QString& lang)>& perLanguage = {}) {
    for (bool german : {false, true}) {
        w.window->switchLanguage(german);
        const QString lang = german ? QStringLiteral("de") : QStringLiteral("en");
        for (const QSize size : {QSize(1280, 800), QSize(1920, 1080)}) {
            w.window->resize(size);
            QTest::qWait(50);
            const QString name = QStringLiteral("%1/%2-%3x%4-%5.png")
                                     .arg(dir, QLatin1String(prefix))
                                     .arg(size.width())
                                     .arg(size.height())
                                     .arg(lang);
            EXPECT_TRUE(w.window->grab().save(name)) << name.toStdString();
        }
        if (perLanguage)
            perLanguage(lang);
    }
}

} // namespace kalvor::test
