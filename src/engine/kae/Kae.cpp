// The KAE engine's slot operations: load and free, transport, positions and lengths,
// attributes, slides, fades and their notifications, levels, the error report.
// See Kae.h. UI thread.
#include "engine/kae/Kae.h"

#include "core/Limits.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "engine/kae/KaeMessageDispatcher.h"

namespace kalvor {

namespace engine {

namespace {
KaeEngine* g_engine = nullptr;
} // namespace

KaeEngine::KaeEngine(audio::AudioLib& lib, ShowStore& store, Settings& settings)
    : lib_(lib), store_(store), settings_(settings), devices_(std::make_unique<OutputDeviceList>()),
      dispatcher_(std::make_unique<KaeMessageDispatcher>(*this)) {
    g_engine = this;
}

KaeEngine::~KaeEngine() {
    // Devices still open would post their last notifications to the dispatcher, which
    // goes with this object; whatever order the owner tears down in, free them first.
    if (g_engine == this) {
        dispatcher_->setSubscribed(false);
        KAE__Free();
        g_engine = nullptr;
    }
}

KaeEngine* currentEngine() {
    return g_engine;
}

EngineBatch::EngineBatch() {
    if (g_engine)
        g_engine->lib().beginBatch();
}

EngineBatch::~EngineBatch() {
    if (g_engine)
        g_engine->lib().endBatch();
}

KaeEngine* engineForSlot(int slot) {
    if (!g_engine || slot < 0 || slot >= kSlotCount)
        return nullptr;
    return g_engine;
}

} // namespace engine

using engine::KaeEngine;
using engine::KaeSlot;

namespace {

KaeEngine* engineFor(int slot) {
    return engine::engineForSlot(slot);
}

audio::Handle streamOf(int slot) {
    KaeEngine* e = engineFor(slot);
    return e ? e->slot(slot).stream : 0;
}

void moduleLine(const char* operation) {
    AddAudioDebugMessage(QStringLiteral("KAE Module: ") + QLatin1String(operation));
}

// The "line" failures: the operation's name, then the report.
void failWithLine(int slot, const char* operation, const char* text) {
    moduleLine(operation);
    KAE__ReportError(slot, QLatin1String(text));
}

} // namespace

void KAE__ReportError(int slot, const QString& text) {
    KaeEngine* e = engine::currentEngine();
    const int code = e ? static_cast<int>(e->lib().errorGetCode()) : -1;
    AddAudioDebugMessage(QStringLiteral("KAE: Error in audio channel ") + QString::number(slot));
    AddAudioDebugMessage(QStringLiteral("KAE: Error Message: ") + text);
    AddAudioDebugMessage(QStringLiteral("KAE: Error No.: ") + QString::number(code));
}

// --- Load and free ----------------------------------------------------------------------

void KAE__Stream_Free(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return;
    KaeSlot& s = e->slot(slot);
    if (s.stream == 0)
        return;
    moduleLine("KAE__Stream_Free");
    AddAudioDebugMessage(QStringLiteral("Freeing Handle: ") + QString::number(s.stream) +
                         QStringLiteral(" for Channel: ") + QString::number(slot + 1));
    e->lib().streamFree(s.stream);
    s.stream = 0;
    s.loopStart = 0;
    s.path.clear();
    // The effects went with the stream; Apply attaches them to the next one.
    e->store().channel(slot).handles = EffectHandles{};
    s.fadeInSync = 0;
    s.fadeOutSync = 0;
}

namespace engine {

namespace {
// Only the exact lower-case ending takes the WMA path, as the program always did.
DecoderRoute routeOf(const QString& path) {
    return path.right(4) == QLatin1String(".wma") ? DecoderRoute::Wma : DecoderRoute::Main;
}
} // namespace

audio::Handle openStream(KaeEngine& e, int slot, const QString& path) {
    audio::AudioLib& lib = e.lib();
    const Channel& ch = e.store().channel(slot);
    const auto attaching = [&](audio::Handle h) {
        AddAudioDebugMessage(QStringLiteral("Attaching: ") + path + QStringLiteral(" to device: ") +
                             ch.outputName + QStringLiteral(" with Handle: ") + QString::number(h));
    };
    // The channel's own output or none: a stream opened on whatever device was selected
    // last would play where the operator did not route it.
    if (!lib.setDevice(ch.deviceNumber)) {
        attaching(0);
        AddAudioDebugMessage(QStringLiteral("Attaching has failed, Handle is zero!"));
        KAE__ReportError(slot, QStringLiteral("Error while selecting Output Device"));
        return 0;
    }
    std::uint32_t flags = static_cast<std::uint32_t>(ch.surroundDestination);
    if (e.settings().integer(u"BitResolution") != 16)
        flags |= audio::flags::Float;
    const audio::Handle h = routeOf(path) == DecoderRoute::Wma
                                ? lib.wmaStreamCreateFile(path, flags)
                                : lib.streamCreateFile(path, flags);
    attaching(h);
    AddAudioDebugMessage(h == 0 ? QStringLiteral("Attaching has failed, Handle is zero!")
                                : QStringLiteral("Attaching successful!"));
    return h;
}

void finishLoad(KaeEngine& e, int slot, const QString& path) {
    Channel& ch = e.store().channel(slot);
    e.lib().channelPreBuf(e.slot(slot).stream, e.settings().integer(u"PreBufferSize"));
    KAE__Channel_GetInfo(slot);
    ch.sampleRate = KAE__Channel_GetFrequency(slot);
    ch.playbackFrequency = engine::playbackFrequency(ch.sampleRate, ch.variSpeed);
    KAE__Channel_SetFrequency(slot);
    ch.fileName = path;
    e.slot(slot).path = path;
    KAE__Channel_SetSyncEnd(slot);
    e.store().announceChannel(slot, ChannelAspect::Sound);
}

bool setLoopStart(KaeEngine& e, int slot, std::int64_t samples) {
    const audio::Handle h = e.slot(slot).stream;
    const auto bytes = bytesFromFrames(samples, e.store().channel(slot).fileChannels);
    audio::StreamInfo info;
    std::int64_t frame = samples;
    if (bytes && e.lib().channelGetInfo(h, info) && info.channels > 0)
        frame = *bytes / (info.channels * ((info.flags & audio::flags::Float) != 0 ? 4 : 2));
    return e.lib().channelSetLoopStart(h, frame);
}

} // namespace engine

bool KAE__Channel_Load_Sound(int slot, const QString& path) {
    KaeEngine* e = engineFor(slot);
    if (!e || path.isEmpty())
        return false;
    KAE__Stream_Free(slot);
    moduleLine("KAE__Channel_Load_Sound");
    KAE__Channel_CheckSurroundFlags(slot, path);
    e->slot(slot).stream = engine::openStream(*e, slot, path);
    if (e->slot(slot).stream == 0) {
        e->store().channel(slot).fileName.clear();
        e->store().announceChannel(slot, ChannelAspect::Sound);
        return false;
    }
    engine::finishLoad(*e, slot, path);
    return true;
}

void KAE__Channels_Prepare(const QStringList& paths) {
    KaeEngine* e = engine::currentEngine();
    if (!e)
        return;
    std::vector<audio::PrepareRequest> requests;
    for (const QString& path : paths)
        if (!path.isEmpty())
            requests.push_back({path, engine::routeOf(path)});
    e->lib().prepareStreams(requests, e->settings().integer(u"PreBufferSize"));
}

void KAE__Channels_DropPrepared() {
    if (KaeEngine* e = engine::currentEngine())
        e->lib().dropPrepared();
}

void KAE__Channel_ApplySettings(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return;
    KAE__Channel_SetVolume(slot);
    KAE__Channel_SetPan(slot);
    Channel& ch = e->store().channel(slot);
    ch.playbackFrequency = engine::playbackFrequency(ch.sampleRate, ch.variSpeed);
    KAE__Channel_SetFrequency(slot);
    for (const QString& place : ch.effects.fxChain) {
        const auto effect = engine::effectFromChainName(place);
        if (!effect || e->slot(slot).stream == 0)
            continue;
        const EffectSettings& fx = ch.effects;
        const bool active = (*effect == engine::KaeEffect::EQ && fx.eqActive) ||
                            (*effect == engine::KaeEffect::Reverb && fx.reverbActive) ||
                            (*effect == engine::KaeEffect::Delay && fx.delayActive) ||
                            (*effect == engine::KaeEffect::Chorus && fx.chorusActive) ||
                            (*effect == engine::KaeEffect::Flanger && fx.flangerActive);
        if (!active)
            continue;
        KAE__Channel_AttachEffect(slot, *effect);
        KAE__Channel_SetEffectParameters(slot, *effect);
    }
}

// --- Transport ----------------------------------------------------------------------------

bool KAE__Channel_Play(int slot, bool restart, bool loop) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return false;
    KaeSlot& s = e->slot(slot);
    audio::AudioLib& lib = e->lib();
    // A looping channel goes round from its start offset; the library does the wrap while
    // reading ahead, so the head of the file is never heard between the end and a seek.
    // The start goes in before the loop flag: the flag lets the reader wrap at once.
    if (s.stream != 0 && slot < kChannelCount) {
        const std::int64_t offset = e->store().assignments(slot).startOffset;
        if (engine::setLoopStart(*e, slot, offset))
            s.loopStart = offset;
    }
    lib.channelSetFlags(s.stream, loop ? audio::flags::Loop : 0);
    if (!lib.channelPlay(s.stream, restart)) {
        KAE__ReportError(slot, QStringLiteral("Error while playing stream"));
        return false;
    }
    return true;
}

bool KAE__Channel_SetLoop(int slot, bool loop) {
    KaeEngine* e = engineFor(slot);
    if (!e || e->slot(slot).stream == 0)
        return false;
    KaeSlot& s = e->slot(slot);
    audio::AudioLib& lib = e->lib();
    // As at play time: the loop start before the flag, so the first wrap lands there.
    if (loop && slot < kChannelCount) {
        const std::int64_t offset = e->store().assignments(slot).startOffset;
        if (engine::setLoopStart(*e, slot, offset))
            s.loopStart = offset;
    }
    return lib.channelSetFlags(s.stream, loop ? audio::flags::Loop : 0);
}

bool KAE__Channel_Pause(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return false;
    // A fade does not go on through a pause or a stop: no segment follows the running one.
    engine::dropFade(*e, slot);
    if (!e->lib().channelPause(e->slot(slot).stream)) {
        KAE__ReportError(slot, QStringLiteral("Error while pausing stream"));
        return false;
    }
    return true;
}

bool KAE__Channel_Stop(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return false;
    engine::dropFade(*e, slot);
    if (!e->lib().channelStop(e->slot(slot).stream)) {
        KAE__ReportError(slot, QStringLiteral("Error while stopping stream"));
        return false;
    }
    return true;
}

namespace {
audio::ActiveState stateOf(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e || e->slot(slot).stream == 0)
        return audio::ActiveState::Stopped;
    return e->lib().channelIsActive(e->slot(slot).stream);
}
} // namespace

bool KAE__Channel_IsPlaying(int slot) {
    return stateOf(slot) == audio::ActiveState::Playing;
}

bool KAE__Channel_IsPaused(int slot) {
    return stateOf(slot) == audio::ActiveState::Paused;
}

bool KAE__Channel_IsStopped(int slot) {
    return stateOf(slot) == audio::ActiveState::Stopped;
}

// --- Positions and lengths ----------------------------------------------------------------

namespace {
int fileChannelsOf(int slot) {
    KaeEngine* e = engineFor(slot);
    return e ? e->store().channel(slot).fileChannels : 0;
}
} // namespace

std::int64_t KAE__Channel_GetPosition(int slot) {
    KaeEngine* e = engineFor(slot);
    const std::int64_t bytes = e ? e->lib().channelGetPosition(streamOf(slot)) : -1;
    if (bytes < 0) {
        failWithLine(slot, "KAE__Channel_GetPosition", "Error while retrieving Position");
        return -1;
    }
    return bytes;
}

std::int64_t KAE__Channel_GetPositionInSamples(int slot) {
    KaeEngine* e = engineFor(slot);
    const std::int64_t bytes = e ? e->lib().channelGetPosition(streamOf(slot)) : -1;
    if (bytes < 0) {
        failWithLine(slot, "KAE__Channel_GetPositionInSamples",
                     "Error while retrieving Position in Samples");
        return -1;
    }
    return engine::framesFromBytes(bytes, fileChannelsOf(slot)).value_or(0);
}

std::int64_t KAE__Channel_GetPositionInSec(int slot) {
    KaeEngine* e = engineFor(slot);
    const audio::Handle h = streamOf(slot);
    const std::int64_t bytes = e ? e->lib().channelGetPosition(h) : -1;
    const double seconds = bytes >= 0 ? e->lib().channelBytes2Seconds(h, bytes) : -1.0;
    if (seconds < 0) {
        failWithLine(slot, "KAE__Channel_GetPositionInSec",
                     "Error while retrieving Time in Seconds");
        return 0;
    }
    return engine::roundHalfEven(seconds);
}

bool KAE__Channel_SetPosition(int slot, std::int64_t bytes) {
    KaeEngine* e = engineFor(slot);
    if (!e || !e->lib().channelSetPosition(streamOf(slot), bytes)) {
        failWithLine(slot, "KAE__Channel_SetPosition", "Error while setting Position");
        return false;
    }
    return true;
}

bool KAE__Channel_SetPositionInSamples(int slot, std::int64_t frames) {
    KaeEngine* e = engineFor(slot);
    const auto bytes = engine::bytesFromFrames(frames, fileChannelsOf(slot));
    if (!e || !bytes || !e->lib().channelSetPosition(streamOf(slot), *bytes)) {
        failWithLine(slot, "KAE__Channel_SetPositionInSamples",
                     "Error while setting Position in Samples");
        return false;
    }
    return true;
}

bool KAE__Channel_SetPositionInSec(int slot, std::int64_t seconds) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return false;
    const audio::Handle h = streamOf(slot);
    const std::int64_t bytes = e->lib().channelSeconds2Bytes(h, static_cast<double>(seconds));
    if (bytes < 0)
        return false;
    if (!e->lib().channelSetPosition(h, bytes)) {
        failWithLine(slot, "KAE__Channel_SetPositionInSec", "Error while setting Position in Sec");
        return false;
    }
    return true;
}

std::int64_t KAE__Channel_GetLength(int slot) {
    KaeEngine* e = engineFor(slot);
    const std::int64_t bytes = e ? e->lib().channelGetLength(streamOf(slot)) : -1;
    if (bytes < 0) {
        KAE__ReportError(slot, QStringLiteral("Error while retrieving stream length"));
        return -1;
    }
    return bytes;
}

std::int64_t KAE__Channel_GetLengthInSamples(int slot) {
    KaeEngine* e = engineFor(slot);
    const std::int64_t bytes = e ? e->lib().channelGetLength(streamOf(slot)) : -1;
    if (bytes < 0) {
        KAE__ReportError(slot, QStringLiteral("Error while retrieving stream length"));
        return -1;
    }
    return engine::framesFromBytes(bytes, fileChannelsOf(slot)).value_or(0);
}

namespace {
// The stream's length in seconds, or a negative value when it cannot be read.
double lengthSeconds(int slot) {
    KaeEngine* e = engineFor(slot);
    const audio::Handle h = streamOf(slot);
    const std::int64_t bytes = e ? e->lib().channelGetLength(h) : -1;
    return bytes >= 0 ? e->lib().channelBytes2Seconds(h, bytes) : -1.0;
}
} // namespace

std::int64_t KAE__Channel_GetLengthInSec(int slot) {
    const double seconds = lengthSeconds(slot);
    if (seconds < 0) {
        failWithLine(slot, "KAE__Channel_GetLengthInSec",
                     "Error while retrieving Length in Seconds");
        return 0;
    }
    return engine::roundHalfEven(seconds);
}

QString KAE__Channel_GetLengthStringHMS(int slot) {
    const double seconds = lengthSeconds(slot);
    if (seconds < 0) {
        failWithLine(slot, "KAE__Channel_GetLengthStringHMS",
                     "Error while retrieving Length String");
        return QStringLiteral("--:--:--");
    }
    return engine::hmsText(engine::roundHalfEven(seconds));
}

// --- Format and attributes ----------------------------------------------------------------

void KAE__Channel_GetInfo(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e || e->slot(slot).stream == 0)
        return;
    Channel& ch = e->store().channel(slot);
    audio::StreamInfo info;
    if (!e->lib().channelGetInfo(e->slot(slot).stream, info)) {
        // The program has always named the channel here, not the slot.
        KAE__ReportError(slot + 1, QStringLiteral("Error while retrieving Channel Info"));
        ch.fileChannels = 0;
        return;
    }
    ch.fileChannels = info.channels;
    ch.fileBits = info.fileBits != 0 ? info.fileBits : info.resolution;
}

int KAE__Channel_GetFrequency(int slot) {
    KaeEngine* e = engineFor(slot);
    int freq = -1;
    int volume = 0;
    int pan = 0;
    if (!e || !e->lib().channelGetAttributes(streamOf(slot), &freq, &volume, &pan)) {
        failWithLine(slot, "KAE__Channel_GetFrequency", "Error while retrieving Frequency setting");
        return -1;
    }
    return freq;
}

bool KAE__Channel_SetVolume(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e || e->slot(slot).stream == 0)
        return false;
    // A level set while a fade runs ends the fade, as a cancel does: the set ends the
    // running segment, and neither its notification nor the queued segments may outlive it.
    engine::dropFade(*e, slot);
    if (!e->lib().channelSetAttributes(e->slot(slot).stream, -1, e->store().channel(slot).volume,
                                       -101)) {
        failWithLine(slot, "KAE__Channel_SetVolume", "Error while setting Volume");
        return false;
    }
    return true;
}

bool KAE__Channel_SetPan(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e || e->slot(slot).stream == 0)
        return false;
    if (!e->lib().channelSetAttributes(e->slot(slot).stream, -1, -1,
                                       e->store().channel(slot).pan)) {
        failWithLine(slot, "KAE__Channel_SetPan", "Error while setting Pan");
        return false;
    }
    return true;
}

bool KAE__Channel_SetFrequency(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e || e->slot(slot).stream == 0)
        return false;
    if (!e->lib().channelSetAttributes(e->slot(slot).stream,
                                       e->store().channel(slot).playbackFrequency, -1, -101)) {
        failWithLine(slot, "KAE__Channel_SetFrequency", "Error while setting Frequency");
        return false;
    }
    return true;
}

bool KAE__Channel_SlideVolume(int slot, int volume, int ms) {
    KaeEngine* e = engineFor(slot);
    if (!e || e->slot(slot).stream == 0)
        return false;
    if (!e->lib().channelSlideAttributes(e->slot(slot).stream, -1, volume, -101, ms)) {
        failWithLine(slot, "KAE__Channel_SlideVolume", "Error while setting SlideVolume");
        return false;
    }
    return true;
}

bool KAE__Channel_IsVolumeSliding(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e || e->slot(slot).stream == 0)
        return false;
    return (e->lib().channelIsSliding(e->slot(slot).stream) & 2u) != 0;
}

// --- Notifications and fades --------------------------------------------------------------

void KAE__Channel_SetSyncEnd(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return;
    // Lives as long as the stream; nothing removes it.
    if (e->lib().channelSetSync(streamOf(slot), audio::sync::End, 0, engine::kMessageEndOfSound,
                                slot) == 0)
        failWithLine(slot, "KAE__Channel_SetSyncEnd", "Error while setting End Sync Mark");
}

// --- Levels ------------------------------------------------------------------------------

std::int32_t KAE__Channel_GetLevel(int slot) {
    KaeEngine* e = engineFor(slot);
    if (!e || e->slot(slot).stream == 0)
        return 0;
    // A full-scale right side (32768 << 16) sets the sign bit; only -1 is the failure.
    const std::int32_t level = e->lib().channelGetLevel(e->slot(slot).stream);
    return level == -1 ? 0 : level;
}

} // namespace kalvor
