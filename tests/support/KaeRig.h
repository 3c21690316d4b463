// A whole engine for tests: the audio library on scripted, caller-driven devices (the
// offline device unless a test brings its own set), a show store, settings in a private
// file, scripted boxes and waits, and KAE__Init run. Rendering pulls blocks from the
// current device, so the library's notifications are handled between blocks exactly as
// the UI thread would handle them. Test thread (the UI thread) only.
#pragma once

#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/kae/Kae.h"
#include "support/Rendered.h"
#include "support/ScriptedDialogs.h"

#include <QObject>
#include <QStringList>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace kalvor::test {

// A record of every message the library delivered to the dispatcher, taken before the
// dispatcher sees it.
struct MessageLog : QObject {
    struct Entry {
        int message;
        int slot;
        unsigned stream;
        std::int64_t deviceFrame;
        unsigned sync = 0;
        std::uint64_t play = 0;
    };
    std::vector<Entry> entries;
    // While set, messages are recorded but kept from the dispatcher, as if the UI thread
    // were busy; release() hands them on in order.
    bool hold = false;
    std::vector<Entry> held;
    void release(engine::KaeMessageDispatcher& dispatcher);
    bool eventFilter(QObject* watched, QEvent* event) override;
};

struct RigOptions {
    // Empty: the offline device alone.
    std::vector<audio::ScriptedDevice> devices;
    // Settings written before start-up, key = value.
    std::vector<std::pair<QString, QString>> settings;
    bool init = true;
    // Devices of another kind (real ones); `devices` and the rig's `backend` are then unused.
    std::shared_ptr<audio::DeviceBackend> otherBackend = nullptr;
};

class KaeRig {
public:
    explicit KaeRig(RigOptions options = {});
    ~KaeRig();

    // Renders `frames` frames from the current device in blocks of `block`, appending to
    // `into` when given. Notifications are handled after each block.
    Rendered render(std::int64_t frames, int block = 256);
    void render(std::int64_t frames, Rendered& into, int block = 256);

    // System message lines (general and audio) since the last call, time stamps cut off.
    QStringList takeAudioLines();

    ScriptedDialogs dialogs;
    ScriptedWaits waits;
    std::shared_ptr<audio::ScriptedBackend> backend;
    std::unique_ptr<Settings> settings;
    ShowStore store;
    std::unique_ptr<audio::AudioLib> lib;
    std::unique_ptr<engine::KaeEngine> kae;
    MessageLog log;
    bool initResult = false;
    // Called each time the library opens a decoder, before it does: a test lets time pass
    // there (renders another device) to see what is heard while a sound opens.
    std::function<void()> whileOpening;
};

// A device of a scripted set: 44.1 kHz, `speakers` outputs.
audio::ScriptedDevice scriptedDevice(const QString& name, int speakers = 2, bool opens = true);

// Files made once per test program in its media folder.
QString mediaFolder();
// A 44.1 kHz WAV of testmedia's ramp, made once per program.
QString rampFile(std::int64_t frames, int channels = 2);
// A 44.1 kHz stereo WAV whose every sample is 0.5, so one output sample shows the gain.
QString levelFile(double seconds);
// Loads a sound into `slot` and applies the channel's record, as playback control does.
bool loadAndApply(int slot, const QString& path);

} // namespace kalvor::test
