// A whole show layer on the offline device: the real store, settings, engine and show
// operations, rendered block by block so each test can listen to what the operator would.
#pragma once

#include "core/Settings.h"
#include "core/ShowStore.h"
#include "engine/audiolib/AudioLib.h"
#include "engine/audiolib/DeviceBackend.h"
#include "engine/kae/Kae.h"
#include "show/playback/ShowLayer.h"
#include "support/ScriptedDialogs.h"
#include "support/media/TestMedia.h"

#include <memory>
#include <vector>

namespace kalvor::test {

inline constexpr int kRate = 44100;
// A stop, pause or seek of a sound being heard ramps over 3 ms instead of cutting.
inline constexpr std::int64_t kRampFrames = 132;

struct Block {
    std::vector<float> samples; // stereo interleaved
    std::int64_t frames() const { return static_cast<std::int64_t>(samples.size() / 2); }
    float left(std::int64_t f) const { return samples[static_cast<std::size_t>(2 * f)]; }
    float right(std::int64_t f) const { return samples[static_cast<std::size_t>(2 * f + 1)]; }
    bool silent() const;
    bool silentAfterRamp() const; // silent once a stop's fade-out is over
    double peak(int side) const;  // 0 left, 1 right
};

class ShowRig {
public:
    // `open` stands in for the engine's decoder opening (to watch it); empty: the real one.
    // `moreOutputs` are listed after the offline device, which every channel starts on.
    explicit ShowRig(audio::DecoderFactory open = {},
                     std::vector<audio::ScriptedDevice> moreOutputs = {});
    ~ShowRig();

    ShowStore store;
    std::unique_ptr<Settings> settings;
    std::shared_ptr<audio::ScriptedBackend> backend;
    std::unique_ptr<audio::AudioLib> lib;
    std::unique_ptr<engine::KaeEngine> engine;
    ScriptedDialogs dialogs;
    ScriptedWaits waits;
    std::unique_ptr<ShowLayer> show;
    QString folder;

    // A ramp sound (every frame tells its own index) of `seconds`.
    QString ramp(const QString& name, double seconds);
    QString tone(const QString& name, double seconds);
    // A long sound whose samples are never listened to: quick to write (8 kHz mono).
    QString silence(const QString& name, double seconds);
    // Puts `files` in the channel's list, selects `selected` (loading it) at full volume,
    // centre pan, no fades.
    void loadChannel(int ch, const QStringList& files, int selected = 0);
    // Adds `count` new presets and recalls preset `recalled` (0-based).
    void addPresets(int count, int recalled = 0);
    Block render(int frames);
    Block renderMs(int ms) { return render(kRate * ms / 1000); }
};

// The ramp frame a sample of channel 0 stands for (0..65535).
std::int64_t rampFrame(float sample);

} // namespace kalvor::test
