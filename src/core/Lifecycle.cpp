#include "core/Lifecycle.h"

#include "core/CoreTexts.h"
#include "core/Dialogs.h"
#include "core/ErrorReport.h"
#include "core/InstanceLock.h"
#include "core/RecentPlaylists.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/UiLanguage.h"

#include <QFile>
#include <QSysInfo>

#include <exception>

namespace kalvor {

namespace {

template <typename F, typename... Args> void call(const std::function<F>& hook, Args&&... args) {
    if (hook)
        hook(std::forward<Args>(args)...);
}

} // namespace

Lifecycle::Lifecycle(ProgramContext context) : ctx_(std::move(context)) {}

Lifecycle::~Lifecycle() = default;

void Lifecycle::step(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        ReportError(errors::DeviceIo, QString::fromLocal8Bit(e.what()), QStringLiteral("Main"));
    }
}

StartResult Lifecycle::Main(const QStringList& arguments) {
    Settings& settings = *ctx_.settings;
    ShowStore& store = *ctx_.store;

    // 1: themed common controls are a Windows matter; Qt styles every widget already.

    // 2: a second instance ends at once, without a message.
    lock_ = std::make_unique<InstanceLock>(ctx_.runtimeFolder);
    if (!lock_->acquire())
        return StartResult::OtherInstance;
    step([&] { call(startup_.instanceLocked); });

    // 3
    const bool resizing = settings.integer(u"Resizing") == 1;

    // 4: the message needs the language before the full settings read.
    UiLanguage::instance().set(UiLanguage::fromSetting(settings.text(u"Language")));
    if (startup_.soundDevicePresent && !startup_.soundDevicePresent()) {
        showMessage(txt(texts::NoSoundDeviceTitle), txt(texts::NoSoundDevice),
                    MessageIcon::Critical);
        return StartResult::NoSoundDevice;
    }

    // 5: the Windows system folders have no counterpart; paths come from QStandardPaths.

    // 6
    store.presets().clearAll();

    // 7
    UiLanguage::instance().set(UiLanguage::fromSetting(settings.text(u"Language")));

    // 8: the OS line is written now, since the welcome window is gone before step 20.
    step([&] {
        const bool oddScreen = ctx_.screenWidth < 1024 || ctx_.screenWidth > 1151;
        dialogs().setBusy(true);
        call(startup_.showWelcome, txt(texts::WelcomeVersion) + ctx_.version,
             (resizing && oddScreen) ? txt(texts::WelcomeResizing) : QString(),
             txt(texts::WelcomeOs) + QLatin1Char(' ') + QSysInfo::prettyProductName());
    });

    // 9
    step([&] {
        call(startup_.loadMainWindow);
        waits().wait(1000);
        call(startup_.showMainWindow);
        call(startup_.closeWelcome);
    });

    // 10
    step([&] {
        call(startup_.setMainWindowBusy, true);
        if (resizing)
            call(startup_.resizeMainWindow);
    });

    // 11: the full read; the language option applies the captions.
    step([&] {
        settings.load();
        UiLanguage::instance().set(UiLanguage::fromSetting(settings.text(u"Language")));
        call(startup_.applySettings);
    });

    // 12
    step([&] {
        if (settings.text(u"DO500Enabled").trimmed() == QLatin1String("1"))
            call(startup_.openDisplayUnit);
    });

    // 13
    step([&] {
        store.presets().clearAll();
        store.announcePresets();
        call(startup_.initFtpServerList);
        call(startup_.initLogging);
    });

    // 14
    step([&] {
        store.resetPlaybackChannels();
        for (int ch = 0; ch < kChannelCount; ++ch)
            call(startup_.prepareChannel, ch);
    });

    // 15: the engine shows its own messages when it fails.
    dialogs().showWait(txt(texts::PleaseWait));
    if (startup_.initAudioEngine && !startup_.initAudioEngine()) {
        dialogs().hideWait();
        dialogs().setBusy(false);
        return StartResult::EngineFailed;
    }

    // 16, 17
    step([&] { call(startup_.choosePreviewOutput); });
    step([&] { call(startup_.openMidi); });
    step([&] { call(startup_.initGpio); });

    // 18
    step([&] {
        store.presets().setCurrent(-1);
        call(startup_.resetRuntimeState);
    });

    // 19, then 20 was done with the welcome window, 21
    step([&] { call(startup_.startTimers); });
    step([&] { call(startup_.buildOverviewGrid); });

    // 22
    choice_ = choosePlaylist(joinCommandLine(arguments), settings.text(u"DefaultPlayList"),
                             settings.text(u"LastPlayList"));

    // 23
    step([&] {
        dialogs().showWait(txt(texts::InitializingRemote));
        call(startup_.initRemoteUnits);
    });

    // 24, 25
    step([&] {
        // The recent list is read whichever playlist opens (or none): the file is written
        // back at exit, and a list never read would replace the operator's with only this
        // run's playlists.
        if (ctx_.recent)
            ctx_.recent->read(ctx_.recentPlaylistsFile.isEmpty()
                                  ? RecentPlaylists::defaultFilePath()
                                  : ctx_.recentPlaylistsFile);
        const bool exists = !choice_.path.isEmpty() && QFile::exists(choice_.path);
        switch (startupPlaylistAction(choice_, exists)) {
        case StartupPlaylistAction::LoadPlaylist:
        case StartupPlaylistAction::ReadRecentAndLoad:
            call(startup_.loadPlaylist, choice_.path);
            call(startup_.drawRemotePresetScreen);
            break;
        case StartupPlaylistAction::NothingLoaded:
            break;
        case StartupPlaylistAction::CreateNewPreset:
            call(startup_.createNewPreset);
            break;
        }
    });

    // 26, 27
    step([&] { call(startup_.applyOptionTreeLabels); });
    step([&] { call(startup_.initXKeys); });

    // 28
    dialogs().hideWait();
    dialogs().setBusy(false);
    call(startup_.setMainWindowBusy, false);

    // 29, 30
    step([&] {
        if (settings.text(u"DO500Enabled").trimmed() == QLatin1String("1") &&
            !store.playlistPath().isEmpty())
            call(startup_.showPlaylistOnDisplayUnit);
    });
    step([&] {
        if (settings.integer(u"ShowTouchScreenOnStartup") == 1)
            call(startup_.openTouchScreen);
    });

    state_ = ProgramState::Running;
    return StartResult::Running;
}

bool Lifecycle::requestClose() {
    if (state_ == ProgramState::Closing || state_ == ProgramState::Closed)
        return state_ == ProgramState::Closed;
    if (!forcedQuit_) {
        // Quitting silences the show: Enter alone must not do it.
        const auto answer =
            dialogs().message(txt(texts::QuitTitle), txt(texts::QuitQuestion),
                              MessageIcon::Question, MessageButtons::YesNo, MessageResult::No);
        if (answer != MessageResult::Yes)
            return false;
    }
    state_ = ProgramState::Closing;
    dialogs().setBusy(true);
    Before_Unload_Finals();

    // 3..5: the CD drive, the engine with one settling wait, the GPIO outputs.
    step([&] { call(shutdown_.releaseCdDrive); });
    step([&] {
        call(shutdown_.stopPlaybackTimer);
        call(shutdown_.freeAudioEngine);
        waits().wait(1000);
    });
    step([&] { call(shutdown_.stopGpio); });

    finalUnload();
    dialogs().setBusy(false);
    state_ = ProgramState::Closed;
    return true;
}

void Lifecycle::Before_Unload_Finals() {
    Settings& settings = *ctx_.settings;
    step([&] { call(shutdown_.switchOffXKeysLeds); });
    step([&] {
        if (settings.isOn(u"LogNotEmptyWarning") && shutdown_.logListHasEntries &&
            shutdown_.logListHasEntries()) {
            const auto answer =
                dialogs().message(txt(texts::LogListInfoTitle), txt(texts::LogNotEmpty),
                                  MessageIcon::Question, MessageButtons::YesNo);
            if (answer == MessageResult::Yes)
                call(shutdown_.saveLogList);
        }
    });
    step([&] {
        if (settings.isOn(u"LogSaveBackup"))
            call(shutdown_.writeLogBackup);
    });
    step([&] {
        if (settings.isOn(u"LoadLastPlaylist")) {
            settings.setText(u"LastPlayList", ctx_.store->playlistPath());
            if (ctx_.recent) {
                QString error;
                const QString file = ctx_.recentPlaylistsFile.isEmpty()
                                         ? RecentPlaylists::defaultFilePath()
                                         : ctx_.recentPlaylistsFile;
                if (!ctx_.recent->write(file, &error))
                    ReportError(errors::PermissionDenied, file + QStringLiteral(": ") + error,
                                QStringLiteral("Before_Unload_Finals"));
            }
        } else {
            settings.setText(u"LastPlayList", QString());
        }
    });
    step([&] { settings.setText(u"LogFileDirectory", settings.text(u"LogFileDirectory")); });
}

void Lifecycle::finalUnload() {
    Settings& settings = *ctx_.settings;
    step([&] {
        for (const auto key : {u"LogTBMargin", u"LogLRMargin", u"LogColWidth"})
            settings.setInteger(key, settings.integer(key));
    });
    step([&] { call(shutdown_.stopWindowTimers); });
    step([&] { call(shutdown_.closeRemoteUnit); });
    step([&] { call(shutdown_.closeDisplayUnit); });
    step([&] { call(shutdown_.closeSerialPort); });
    step([&] { call(shutdown_.closeMidi); });
    step([&] { call(shutdown_.unloadWindows); });
    if (!settings.sync())
        ReportError(errors::PermissionDenied, settings.filePath(),
                    QStringLiteral("Before_Unload_Finals"));
}

} // namespace kalvor
