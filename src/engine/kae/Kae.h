// The KAE engine: the only layer of the program that plays sound. Callers name an engine
// slot (0..31 the playback channels, 32 the preview channel), never a library handle; the
// engine keeps one stream per slot and works on the `Channel` record of the same index in
// the show store.
//
// No operation raises an error to its caller: each returns its failure value (false, -1,
// 0, "--:--:--") and writes its report to the audio message list ("KAE Module: " and the
// operation's name, then the three "KAE: Error ..." lines). Start-up and buffer lines go
// to the general message list.
//
// Threads: every operation runs on the UI thread. The library's notifications (end of
// sound, end of a fade segment) arrive there as events, handled by KaeMessageDispatcher.
#pragma once

#include "engine/audiolib/AudioLib.h"
#include "engine/kae/KaeMath.h"
#include "engine/kae/OutputDevices.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>

namespace kalvor {

class Settings;
class ShowStore;

namespace engine {

class KaeMessageDispatcher;

// Notification numbers the library posts, with the slot.
inline constexpr int kMessageEndOfSound = 1025;
inline constexpr int kMessageFadeIn = 1026;
inline constexpr int kMessageFadeOut = 1027;

inline constexpr int kSlotCount = 33;

// What the engine keeps per slot beside the `Channel` record.
struct KaeSlot {
    audio::Handle stream = 0;     // 0: no sound open
    audio::Handle fadeInSync = 0; // armed end-of-slide notifications; 0: none
    audio::Handle fadeOutSync = 0;
    std::int32_t fadeInStep = 0;
    std::int32_t fadeOutStep = 0;
    std::int32_t speakers = 0; // of the slot's output device
    // Where the library wraps a looping stream to (the channel's start offset when it was
    // last started), so the end handling knows whether a seek is still needed.
    std::int64_t loopStart = 0;
    // The file the stream was opened from.
    QString path;
};

// The engine's state and the parts it works with. Constructing one makes it the engine
// the KAE__ operations use; destroying it stops that. One per program (tests build their
// own). UI thread.
class KaeEngine {
public:
    KaeEngine(audio::AudioLib& lib, ShowStore& store, Settings& settings);
    ~KaeEngine();
    KaeEngine(const KaeEngine&) = delete;
    KaeEngine& operator=(const KaeEngine&) = delete;

    audio::AudioLib& lib() { return lib_; }
    ShowStore& store() { return store_; }
    Settings& settings() { return settings_; }
    KaeSlot& slot(int index) { return slots_.at(static_cast<std::size_t>(index)); }
    const KaeSlot& slot(int index) const { return slots_.at(static_cast<std::size_t>(index)); }
    OutputDeviceList& devices() { return *devices_; }
    // The object the library posts its notifications to, unless KAE__Init is given another.
    KaeMessageDispatcher& dispatcher() { return *dispatcher_; }

    // Set by device start-up when the program cannot run (wrong library, no device at all).
    bool mustEnd() const { return mustEnd_; }
    void setMustEnd(bool end) { mustEnd_ = end; }

private:
    audio::AudioLib& lib_;
    ShowStore& store_;
    Settings& settings_;
    std::array<KaeSlot, kSlotCount> slots_{};
    std::unique_ptr<OutputDeviceList> devices_;
    std::unique_ptr<KaeMessageDispatcher> dispatcher_;
    bool mustEnd_ = false;
};

// The engine in use; nullptr while none exists (every operation then fails quietly).
KaeEngine* currentEngine();

// Commands issued while one lives reach the audio callbacks together, so group members,
// the autostarts of a recall or the channels of one time-code frame start in the same
// output frame. Does nothing while no engine exists.
class EngineBatch {
public:
    EngineBatch();
    ~EngineBatch();
    EngineBatch(const EngineBatch&) = delete;
    EngineBatch& operator=(const EngineBatch&) = delete;
};
// The engine when `slot` is one of its 33 slots, else nullptr.
KaeEngine* engineForSlot(int slot);

// --- Inside the engine: fades and opening streams, shared by its operations ---------------

// Removes both fade notifications of the slot's stream and clears their handles.
void removeFadeSyncs(KaeEngine& e, int slot);
// Ends a fade where it is: the queued segments are dropped and both notifications
// removed. The running slide is the caller's: a volume set ends it, a stop silences it.
void dropFade(KaeEngine& e, int slot);

// A fade taken off one stream to go on on another (a channel moved to another output).
struct RunningFade {
    bool running = false;
    bool in = false;
    std::int32_t step = 0;
    bool sliding = false; // false: its last segment had ended, the message was on its way
    int volume = 0;       // the level reached
};
// Takes the slot's running fade; the slot then holds no fade notification.
RunningFade takeFade(KaeEngine& e, int slot);
// Goes on with `fade` on the slot's stream (before it plays): from the level reached,
// the running segment for the time it still had, then the segments after it.
void resumeFade(KaeEngine& e, int slot, const RunningFade& fade);

// Opens `path` on the slot's device with its destination flags, writing the load's
// "Attaching" lines; the slot's stream is not touched. 0 when the device cannot be
// selected (reported) or the file does not open.
audio::Handle openStream(KaeEngine& e, int slot, const QString& path);
// The rest of a load once `stream` is the slot's: pre-buffer, format, frequency, file
// name and the end notification.
void finishLoad(KaeEngine& e, int slot, const QString& path);

// Sets the library's loop start of the slot's stream to `samples`, a position in the
// engine's sample frames (a start offset), as KAE__Channel_SetPositionInSamples would
// reach it; those count twice per frame of a float stream.
bool setLoopStart(KaeEngine& e, int slot, std::int64_t samples);
// The effects of a channel, as the chain names them.
enum class KaeEffect { EQ, Reverb, Delay, Chorus, Flanger };
// "EQ", "REVERB", ...; nullopt for "---" and anything else.
std::optional<KaeEffect> effectFromChainName(const QString& name);

} // namespace engine

// --- Start-up and shut-down ---------------------------------------------------------------

// True when the library lists any output at all (the emulated null output counts).
bool KAE__SoundDevicePresent();
// Device start-up, channel reset, logarithmic curves, effect start-up values, and the
// notification subscription. `window` receives the notifications; nullptr: the engine's
// dispatcher. False only when the program cannot run (its box has been shown).
bool KAE__Init(QObject* window = nullptr);
// False when a device does not start (devices after it stay unstarted) or none exists.
bool KAE__InitDevices(int sampleRate, QObject* window);
// Builds the output device list, with the second scan for emulated devices. False when
// there is no device at all (the "No sound device" box has been shown).
bool KAE__EnumerateDevices();
void KAE__CheckDirectSoundVersion();
void KAE__InitChannels();
// The DirectX 8 default parameters of every effect into every channel record.
void KAE__InitEffectParameters();
void KAE__SetCurves(bool logarithmic);
// Unsubscribes, frees every listed device, then (with `settleWait`) waits 1000 ms with the
// UI running. The start-up/shut-down order waits itself after freeing the engine, so it
// passes false.
bool KAE__Shutdown(bool settleWait = true);
void KAE__Free();
// Writes both lines to the general list; returns the length the library accepted.
int KAE__SetBufferSize(int ms);
// The options window's buffer-size button: every listed device gets the new size, the
// operator is told when it takes effect, and BufferSize is stored.
void ChangeBufferSize(int ms);
// Selects the device and returns its capabilities (speakers 0 when it is not started).
audio::DeviceInfo KAE__GetDeviceInfo(int device);

// --- Output devices -----------------------------------------------------------------------

// Moves the slot to the named output: its sound opens there while it plays on where it
// is, and takes over where it had got to, with a running fade. False when the name is
// the current output, or the sound does not open there (the slot is then empty, as after
// a failed load).
bool KAE__Channel_ChangeDevice(int slot, const QString& outputName, bool loop);
// Reloads the slot with its current `SurroundDestination` on the named output, in the same
// way; a playing slot continues from where it was, looping as its LoopMode says. True when
// the reload succeeded (false: the device does not take the destination, or the file is
// gone; the slot is then empty).
bool KAE__Channel_ChangeSurround(int slot, const QString& outputName);
void KAE__Channel_CheckSurroundFlags(int slot, const QString& path);
// The file's channel count (0 when it does not open).
int KAE__GetFileInfo(int slot, const QString& path);
// Start-up step for the preview channel: its output from PreviewDevice (or the first
// output), its volume from PreviewVolume, which is returned for the options' controls.
int ChoosePreviewOutput();
// Preset recall: the output a channel's stored output stands for now, by name when
// AudioDeviceSelection is "0", else by number; a missing one is replaced by the first
// listed output and reported. Empty name and number 0 when no output exists at all.
engine::OutputDevice FindPresetOutput(int channel, const QString& storedName, int storedNumber);

// --- Sound and transport ------------------------------------------------------------------

bool KAE__Channel_Load_Sound(int slot, const QString& path);
// Opens and pre-buffers the sounds that the loads to follow will ask for, in parallel;
// each KAE__Channel_Load_Sound of one of them then takes its stream over. Nothing is
// loaded, reported or changed here. KAE__Channels_DropPrepared lets go of what was not used.
void KAE__Channels_Prepare(const QStringList& paths);
void KAE__Channels_DropPrepared();
void KAE__Stream_Free(int slot);
void KAE__Channel_ApplySettings(int slot);
bool KAE__Channel_Play(int slot, bool restart, bool loop);
// Switches looping of the channel's stream at once, playing or not: on, it wraps to the
// start offset at its end; off, it ends there. False when no sound is loaded.
bool KAE__Channel_SetLoop(int slot, bool loop);
bool KAE__Channel_Pause(int slot);
bool KAE__Channel_Stop(int slot);
bool KAE__Channel_IsPlaying(int slot);
bool KAE__Channel_IsPaused(int slot);
bool KAE__Channel_IsStopped(int slot);

std::int64_t KAE__Channel_GetPosition(int slot);          // bytes, -1 on failure
std::int64_t KAE__Channel_GetPositionInSamples(int slot); // frames, -1 on failure
std::int64_t KAE__Channel_GetPositionInSec(int slot);     // whole seconds, 0 on failure
bool KAE__Channel_SetPosition(int slot, std::int64_t bytes);
bool KAE__Channel_SetPositionInSamples(int slot, std::int64_t frames);
bool KAE__Channel_SetPositionInSec(int slot, std::int64_t seconds);
std::int64_t KAE__Channel_GetLength(int slot);          // bytes, -1 on failure
std::int64_t KAE__Channel_GetLengthInSamples(int slot); // frames, -1 on failure
std::int64_t KAE__Channel_GetLengthInSec(int slot);     // whole seconds, 0 on failure
QString KAE__Channel_GetLengthStringHMS(int slot);      // "--:--:--" on failure

void KAE__Channel_GetInfo(int slot);
int KAE__Channel_GetFrequency(int slot); // -1 on failure
bool KAE__Channel_SetVolume(int slot);
bool KAE__Channel_SetPan(int slot);
bool KAE__Channel_SetFrequency(int slot);
bool KAE__Channel_SlideVolume(int slot, int volume, int ms);
bool KAE__Channel_IsVolumeSliding(int slot);
void KAE__Channel_CancelFade(int slot);
// KAE__Channel_SetVolume, KAE__Channel_Stop and KAE__Channel_Pause end a running fade as
// well: its queued segments are dropped and its notifications removed.

void KAE__Channel_SetSyncEnd(int slot);
void KAE__Channel_SetSyncFadeIn(int slot);
void KAE__Channel_SetSyncFadeOut(int slot);
int KAE__Channel_FadeInLevel(int slot);
int KAE__Channel_FadeOutLevel(int slot);
// A fade as playback control starts one: arm the notification, step 1, take the level
// and slide (a fade-in starts from silence); the library runs the other three segments
// after it, and the dispatcher moves the step counter at each segment end.
bool KAE__Channel_StartFadeIn(int slot);
bool KAE__Channel_StartFadeOut(int slot);
// Ends a running fade-in with the fade-out, from the level reached and never louder: the
// fade-in's notification goes, the fade-out's segments follow as after StartFadeOut.
bool KAE__Channel_TurnToFadeOut(int slot);

// Left peak in the low 16 bits, right in the high, each 0..32768; 0 on failure.
std::int32_t KAE__Channel_GetLevel(int slot);

void KAE__ReportError(int slot, const QString& text);

// --- Effects ------------------------------------------------------------------------------

// Attaches an effect of `type` to the slot's stream; its handle, or 0 after a report.
audio::Handle KAE__Channel_SetFX(int slot, audio::FxType type);
bool KAE__Channel_RemoveFX(int slot, audio::Handle fx);
// Attaches the effect unless it is (the EQ's three bands), and switches it on.
void KAE__Channel_AttachEffect(int slot, engine::KaeEffect effect);
// Hands the record's values to the library when the effect is on, attached and the slot
// has a stream. False when they did not reach the library.
bool KAE__Channel_SetEffectParameters(int slot, engine::KaeEffect effect);
bool KAE__Channel_SetEQBand(int slot, int band);
// Detaches the effect and switches it off.
void KAE__Channel_RemoveEffect(int slot, engine::KaeEffect effect);

} // namespace kalvor
