// Start-up and shut-down as the operator meets them: the order of the steps, one instance
// only, the playlist opened at start, and a quit question that really can be declined.
#include "core/Lifecycle.h"
#include "core/RecentPlaylists.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/UiLanguage.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace kalvor;

namespace {

struct Program {
    QString folder = test::freshFolder(QStringLiteral("program"));
    ShowStore store;
    Settings settings{folder + QStringLiteral("/Kalvor.ini")};
    RecentPlaylists recent;
    QStringList calls;
    std::unique_ptr<Lifecycle> lifecycle;

    Program() : Program(QString()) {}
    explicit Program(const QString& runtime) {
        ProgramContext ctx;
        ctx.store = &store;
        ctx.settings = &settings;
        ctx.recent = &recent;
        ctx.recentPlaylistsFile = folder + QStringLiteral("/kalvor.playlists");
        ctx.runtimeFolder = runtime.isEmpty() ? folder + QStringLiteral("/run") : runtime;
        ctx.version = QStringLiteral("1.2.3");
        lifecycle = std::make_unique<Lifecycle>(ctx);
        auto& up = lifecycle->startupHooks();
        auto rec = [this](const char* name) {
            return [this, name] {
                calls << QString::fromLatin1(name);
            };
        };
        up.showWelcome = [this](const QString& v, const QString&, const QString& os) {
            calls << QStringLiteral("welcome ") + v;
            welcomeOs = os;
        };
        up.loadMainWindow = rec("loadMainWindow");
        up.showMainWindow = rec("showMainWindow");
        up.closeWelcome = rec("closeWelcome");
        up.applySettings = rec("applySettings");
        up.initAudioEngine = [this] {
            calls << QStringLiteral("initAudioEngine");
            return engineOk;
        };
        up.choosePreviewOutput = rec("choosePreviewOutput");
        up.openMidi = rec("openMidi");
        up.initGpio = rec("initGpio");
        up.buildOverviewGrid = rec("buildOverviewGrid");
        up.initRemoteUnits = rec("initRemoteUnits");
        up.loadPlaylist = [this](const QString& p) {
            calls << QStringLiteral("loadPlaylist ") + p;
            store.setPlaylistPath(p);
        };
        up.createNewPreset = [this] {
            calls << QStringLiteral("createNewPreset");
            Preset p;
            p.setName(QStringLiteral("New Preset"));
            store.presets().append(p);
        };
        auto& down = lifecycle->shutdownHooks();
        down.logListHasEntries = [this] {
            return logEntries;
        };
        down.saveLogList = rec("saveLogList");
        down.releaseCdDrive = rec("releaseCdDrive");
        down.stopPlaybackTimer = rec("stopPlaybackTimer");
        down.freeAudioEngine = rec("freeAudioEngine");
        down.stopGpio = rec("stopGpio");
        down.closeRemoteUnit = rec("closeRemoteUnit");
        down.closeSerialPort = rec("closeSerialPort");
        down.closeMidi = rec("closeMidi");
        down.unloadWindows = rec("unloadWindows");
    }

    QString touch(const QString& name) {
        const QString p = folder + QLatin1Char('/') + name;
        test::writeFile(p, "Fileformat 17\r\n");
        return p;
    }

    bool engineOk = true;
    bool logEntries = false;
    QString welcomeOs;
};

} // namespace

TEST(Lifecycle, StartsInTheFixedOrderAndEndsRunning) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    Program p;
    ASSERT_EQ(p.lifecycle->Main({QStringLiteral("kalvor")}), StartResult::Running);
    EXPECT_EQ(p.lifecycle->state(), ProgramState::Running);
    EXPECT_EQ(p.calls.join(QLatin1Char(',')),
              QStringLiteral("welcome Version 1.2.3,loadMainWindow,showMainWindow,closeWelcome,"
                             "applySettings,initAudioEngine,choosePreviewOutput,openMidi,initGpio,"
                             "buildOverviewGrid,initRemoteUnits,createNewPreset"));
    EXPECT_TRUE(p.welcomeOs.startsWith(QStringLiteral("OS: ")));
    EXPECT_EQ(waits.waits(), QList<int>{1000}) << "the one wait before the main window is shown";
    EXPECT_FALSE(dialogs.waitShown()) << "the please-wait box is closed at the end";
    EXPECT_EQ(dialogs.busyDepth(), 0) << "the normal pointer is back";
    EXPECT_EQ(p.store.presets().current(), -1);
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST(Lifecycle, ASecondInstanceEndsSilently) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    const QString runtime = test::freshFolder(QStringLiteral("shared-runtime"));
    Program first(runtime);
    ASSERT_EQ(first.lifecycle->Main({QStringLiteral("kalvor")}), StartResult::Running);
    Program second(runtime);
    EXPECT_EQ(second.lifecycle->Main({QStringLiteral("kalvor")}), StartResult::OtherInstance);
    EXPECT_TRUE(second.calls.isEmpty());
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST(Lifecycle, NoSoundDeviceEndsWithTheMessageInTheUsersLanguage) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    Program p;
    p.settings.setText(u"Language", QStringLiteral("deutsch"));
    p.lifecycle->startupHooks().soundDevicePresent = [] {
        return false;
    };
    EXPECT_EQ(p.lifecycle->Main({QStringLiteral("kalvor")}), StartResult::NoSoundDevice);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages().at(0).title, QStringLiteral("Error"));
    EXPECT_EQ(dialogs.messages().at(0).text,
              QStringLiteral("Kein Soundausgabegerät auf diesem Computer\r\ngefunden, Kalvor kann "
                             "nicht gestartet werden!"));
    EXPECT_EQ(dialogs.messages().at(0).icon, MessageIcon::Critical);
    EXPECT_TRUE(p.calls.isEmpty());
    UiLanguage::instance().set(Language::English);
}

TEST(Lifecycle, EngineFailureEndsStartUp) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    Program p;
    p.engineOk = false;
    EXPECT_EQ(p.lifecycle->Main({QStringLiteral("kalvor")}), StartResult::EngineFailed);
    EXPECT_EQ(p.calls.constLast(), QStringLiteral("initAudioEngine"));
    EXPECT_EQ(dialogs.busyDepth(), 0);
}

// Which playlist wins is PlaylistChoice's; here the last playlist goes all the way in.
TEST(Lifecycle, TheLastPlaylistIsLoadedAndTheRecentListRead) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    Program p;
    const QString last = p.touch(QStringLiteral("last.kal"));
    test::writeFile(p.folder + QStringLiteral("/kalvor.playlists"),
                    "Last\r\n" + last.toUtf8() + "\r\n");
    p.settings.setText(u"LastPlayList", last);
    ASSERT_EQ(p.lifecycle->Main({QStringLiteral("kalvor")}), StartResult::Running);
    EXPECT_EQ(p.calls.filter(QStringLiteral("Preset")), QStringList{});
    EXPECT_TRUE(p.calls.contains(QStringLiteral("loadPlaylist ") + last));
    EXPECT_EQ(p.recent.count(), 1) << "read at start, written back at exit";
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST(Lifecycle, NoToTheQuitQuestionKeepsRunningAndYesClosesInOrder) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    Program p;
    ASSERT_EQ(p.lifecycle->Main({QStringLiteral("kalvor")}), StartResult::Running);
    p.calls.clear();
    dialogs.clear();
    dialogs.answerMessages({MessageResult::No, MessageResult::Yes});
    EXPECT_FALSE(p.lifecycle->requestClose());
    EXPECT_EQ(p.lifecycle->state(), ProgramState::Running);
    EXPECT_TRUE(p.calls.isEmpty()) << "nothing is released";
    ASSERT_EQ(dialogs.messages().size(), 1);
    const auto box = dialogs.messages().at(0);
    EXPECT_EQ(box.title, QStringLiteral("Kalvor"));
    EXPECT_EQ(box.text, QStringLiteral("Quit Kalvor and exit ?"));
    EXPECT_EQ(box.icon, MessageIcon::Question);
    EXPECT_EQ(box.buttons, MessageButtons::YesNo);
    EXPECT_EQ(box.defaultButton, MessageResult::No) << "a stray Enter must not end the show";
    EXPECT_EQ(dialogs.busyDepth(), 0);

    const int waitsBefore = static_cast<int>(waits.waits().size());
    EXPECT_TRUE(p.lifecycle->requestClose());
    EXPECT_EQ(p.lifecycle->state(), ProgramState::Closed);
    EXPECT_EQ(p.calls.join(QLatin1Char(',')),
              QStringLiteral("releaseCdDrive,stopPlaybackTimer,freeAudioEngine,stopGpio,"
                             "closeRemoteUnit,closeSerialPort,closeMidi,unloadWindows"));
    EXPECT_EQ(waits.waits().mid(waitsBefore), QList<int>{1000});
}

TEST(Lifecycle, ForcedQuitSkipsTheQuestion) {
    test::ScriptedDialogs dialogs;
    test::ScriptedWaits waits;
    Program p;
    ASSERT_EQ(p.lifecycle->Main({QStringLiteral("kalvor")}), StartResult::Running);
    dialogs.clear();
    p.lifecycle->setForcedQuit(true);
    EXPECT_TRUE(p.lifecycle->requestClose());
    EXPECT_TRUE(dialogs.messages().isEmpty());
}

TEST(Lifecycle, ClosingRemembersTheLastPlaylistOnlyWhenAskedTo) {
    for (const bool remember : {true, false}) {
        test::ScriptedDialogs dialogs;
        test::ScriptedWaits waits;
        Program p;
        const QString show = p.touch(QStringLiteral("Tempest.kal"));
        p.settings.setText(u"LoadLastPlaylist",
                           remember ? QStringLiteral("1") : QStringLiteral("0"));
        p.settings.setText(u"LogNotEmptyWarning", QStringLiteral("ON"));
        p.settings.setText(u"LastPlayList", QStringLiteral("/old.kal"));
        ASSERT_EQ(p.lifecycle->Main({QStringLiteral("kalvor"), show}), StartResult::Running);
        p.recent.append(QStringLiteral("Tempest"), show);
        p.logEntries = true;
        dialogs.answerMessages({MessageResult::Yes, MessageResult::Yes});
        ASSERT_TRUE(p.lifecycle->requestClose());

        EXPECT_TRUE(p.calls.contains(QStringLiteral("saveLogList")));
        EXPECT_EQ(dialogs.messages().at(1).title, QStringLiteral("Log List Info"));
        Settings reread(p.folder + QStringLiteral("/Kalvor.ini"));
        EXPECT_EQ(reread.text(u"LastPlayList"), remember ? show : QString()) << remember;
        EXPECT_EQ(QFile::exists(p.folder + QStringLiteral("/kalvor.playlists")), remember);
    }
}
