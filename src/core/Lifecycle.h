// Start-up and shut-down of the whole program, in their fixed order. The order lives
// here; what each step does for a subsystem is a hook that the subsystem's owner fills
// in (src/app wires them). A hook left empty means that subsystem is not part of this
// build yet, and its step is passed over: nothing pretends to have happened.
// UI thread.
#pragma once

#include "core/PlaylistChoice.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace kalvor {

class InstanceLock;
class RecentPlaylists;
class Settings;
class ShowStore;

enum class ProgramState { Starting, Running, Closing, Closed };

enum class StartResult {
    Running,       // start-up complete
    OtherInstance, // another instance runs: end silently
    NoSoundDevice, // the "no sound device" box was shown: end
    EngineFailed,  // the engine showed its own message: end
};

struct StartupHooks {
    std::function<void()> instanceLocked;     // step 2: this is the only instance
    std::function<bool()> soundDevicePresent; // step 4
    std::function<void(const QString& version, const QString& note,
                       const QString& osLine)>
        showWelcome;                                       // step 8
    std::function<void()> loadMainWindow;                  // step 9
    std::function<void()> showMainWindow;                  // step 9
    std::function<void()> closeWelcome;                    // step 9
    std::function<void(bool busy)> setMainWindowBusy;      // steps 10, 28
    std::function<void()> resizeMainWindow;                // step 10, resizing on
    std::function<void()> applySettings;                   // step 11, after the read
    std::function<void()> openDisplayUnit;                 // step 12, KD-1
    std::function<void()> initFtpServerList;               // step 13
    std::function<void()> initLogging;                     // step 13
    std::function<void(int channel)> prepareChannel;       // step 14, colours etc.
    std::function<bool()> initAudioEngine;                 // step 15
    std::function<void()> choosePreviewOutput;             // step 16
    std::function<void()> openMidi;                        // step 17
    std::function<void()> initGpio;                        // step 17
    std::function<void()> resetRuntimeState;               // step 18
    std::function<void()> startTimers;                     // step 19
    std::function<void()> buildOverviewGrid;               // step 21
    std::function<void()> initRemoteUnits;                 // step 23
    std::function<void(const QString& path)> loadPlaylist; // steps 24, 25
    std::function<void()> drawRemotePresetScreen;          // step 24
    std::function<void()> createNewPreset;                 // step 25
    std::function<void()> applyOptionTreeLabels;           // step 26
    std::function<void()> initXKeys;                       // step 27
    std::function<void()> showPlaylistOnDisplayUnit;       // step 29
    std::function<void()> openTouchScreen;                 // step 30
};

struct ShutdownHooks {
    std::function<void()> switchOffXKeysLeds; // finals 1
    std::function<bool()> logListHasEntries;  // finals 2
    std::function<void()> saveLogList;        // finals 2, after Yes
    std::function<void()> writeLogBackup;     // finals 3
    std::function<void()> releaseCdDrive;     // 3
    std::function<void()> stopPlaybackTimer;  // 4
    std::function<void()> freeAudioEngine;    // 4
    std::function<void()> stopGpio;           // 5
    std::function<void()> stopWindowTimers;   // 6
    std::function<void()> closeRemoteUnit;    // 6
    std::function<void()> closeDisplayUnit;   // 6
    std::function<void()> closeSerialPort;    // 6
    std::function<void()> closeMidi;          // 6
    std::function<void()> unloadWindows;      // 6
};

struct ProgramContext {
    ShowStore* store = nullptr;
    Settings* settings = nullptr;
    RecentPlaylists* recent = nullptr;
    QString recentPlaylistsFile; // empty: the default file
    QString runtimeFolder;       // empty: $XDG_RUNTIME_DIR
    QString version;             // "major.minor.revision"
    int screenWidth = 1280;
};

class Lifecycle {
public:
    explicit Lifecycle(ProgramContext context);
    ~Lifecycle();

    StartupHooks& startupHooks() { return startup_; }
    ShutdownHooks& shutdownHooks() { return shutdown_; }

    // `Main`: the start-up order, from the instance check to the touch-screen view.
    StartResult Main(const QStringList& arguments);

    // The main window asks to close. Unless a forced quit is pending, the user is asked
    // first; any answer but Yes leaves everything running and returns false. On Yes the
    // whole closing sequence runs and true is returned.
    bool requestClose();

    // Early-exit paths (a fatal engine error, a remote "quit") skip the question.
    void setForcedQuit(bool forced) { forcedQuit_ = forced; }
    bool forcedQuit() const { return forcedQuit_; }

    ProgramState state() const { return state_; }
    const PlaylistChoice& playlistChoice() const { return choice_; }

private:
    void Before_Unload_Finals();
    void finalUnload();
    // Runs one step; a failure is reported under the module "Main" and start-up goes on.
    void step(const std::function<void()>& body);

    ProgramContext ctx_;
    StartupHooks startup_;
    ShutdownHooks shutdown_;
    std::unique_ptr<InstanceLock> lock_;
    ProgramState state_ = ProgramState::Starting;
    bool forcedQuit_ = false;
    PlaylistChoice choice_;
};

} // namespace kalvor
