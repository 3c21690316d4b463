// Device start-up and shut-down, the output device list, the buffer size, moving a
// channel to another output, the preview channel's output and the outputs of recalled
// presets. See Kae.h. UI thread.
#include "core/CoreTexts.h"
#include "core/Dialogs.h"
#include "core/Limits.h"
#include "core/Settings.h"
#include "core/ShowStore.h"
#include "core/SystemMessages.h"
#include "engine/kae/EffectDefaults.h"
#include "engine/kae/EngineTexts.h"
#include "engine/kae/Kae.h"
#include "engine/kae/KaeMessageDispatcher.h"

namespace kalvor {

using engine::KaeEngine;
using engine::KaeSlot;
using engine::OutputDevice;

namespace {

const QString kSeparator(74, QLatin1Char('-'));

KaeEngine* engineFor(int slot) {
    return engine::engineForSlot(slot);
}

QString n(qint64 value) {
    return QString::number(value);
}

} // namespace

// --- Start-up -----------------------------------------------------------------------------

bool KAE__SoundDevicePresent() {
    KaeEngine* e = engine::currentEngine();
    return e && e->lib().getDeviceDescription(1).has_value();
}

bool KAE__Init(QObject* window) {
    KaeEngine* e = engine::currentEngine();
    if (!e)
        return false;
    e->setMustEnd(false);
    if (!window)
        window = &e->dispatcher();
    // A device that does not start leaves the program running on the ones before it;
    // only a wrong library or no device at all ends it.
    KAE__InitDevices(e->settings().integer(u"SampleRate"), window);
    if (e->mustEnd())
        return false;
    KAE__InitChannels();
    KAE__SetCurves(true);
    KAE__InitEffectParameters();
    e->dispatcher().setSubscribed(true);
    return true;
}

bool KAE__InitDevices(int sampleRate, QObject* window) {
    KaeEngine* e = engine::currentEngine();
    if (!e)
        return false;
    audio::AudioLib& lib = e->lib();
    if ((lib.getVersion() >> 16) != 0x0203) {
        showMessage(txt(texts::AudioDeviceErrorTitle), txt(texts::WrongLibraryVersion),
                    MessageIcon::Critical);
        e->setMustEnd(true);
        return false;
    }
    if (!KAE__EnumerateDevices()) {
        e->setMustEnd(true);
        return false;
    }
    lib.setConfig(audio::ConfigOption::MaxVolume, 100);

    engine::OutputDeviceList& devices = e->devices();
    const int count = devices.count();
    for (int d = 1; d <= count; ++d) {
        const OutputDevice device = devices.at(d - 1);
        dialogs().showWait(txt(texts::InitializingDevice) + device.name + QStringLiteral("..."));
        dialogs().setWaitProgress(100 * d / count);
        AddDebugMessage(QStringLiteral("KAE: Initializing Audio Device ") + n(d) +
                        QStringLiteral(" - ") + device.name + QStringLiteral("..."));
        if (!lib.init(device.number, sampleRate, audio::flags::Latency, window)) {
            AddDebugMessage(QStringLiteral("KAE: Can't initialize Audio Device ") + n(d) +
                            QStringLiteral("..."));
            return false;
        }
        AddDebugMessage(QStringLiteral("KAE: Initializing successful!"));
        const audio::DeviceInfo info = KAE__GetDeviceInfo(device.number);
        devices.setSpeakers(d - 1, info.speakers);
        const QString head = QStringLiteral("KAE: Sound device ") + n(d);
        AddDebugMessage(head + QStringLiteral(" minimum buffer size: ") + n(info.minBufferMs) +
                        QStringLiteral("ms"));
        AddDebugMessage(head + QStringLiteral(" latency/delay: ") + n(info.latencyMs) +
                        QStringLiteral("ms"));
        AddDebugMessage(head + QStringLiteral(" minimum samplerate: ") + n(info.minRate) +
                        QStringLiteral("Hz"));
        AddDebugMessage(head + QStringLiteral(" maximum samplerate: ") + n(info.maxRate) +
                        QStringLiteral("Hz"));
        AddDebugMessage(head + QStringLiteral(" max. no. of channels: ") + n(info.speakers));
        KAE__SetBufferSize(e->settings().integer(u"BufferSize"));
        AddDebugMessage(kSeparator);
    }
    KAE__CheckDirectSoundVersion();
    AddDebugMessage(kSeparator);
    return true;
}

bool KAE__EnumerateDevices() {
    KaeEngine* e = engine::currentEngine();
    if (!e)
        return false;
    audio::AudioLib& lib = e->lib();
    Settings& settings = e->settings();
    const auto describe = [&lib](int number) -> std::optional<QString> {
        const auto description = lib.getDeviceDescription(number);
        if (!description)
            return std::nullopt;
        return description->name;
    };
    const bool firstPairOnly = settings.integer(u"FirstPairOnly") != 0;
    auto found =
        engine::scanDevices(describe, settings.integer(u"NoEmulatedDevices") != 0, firstPairOnly);
    if (found.empty()) {
        showMessage(txt(texts::DeviceListErrorTitle), txt(texts::OnlyEmulatedDevices),
                    MessageIcon::Critical);
        // Switched off for good, as the option box would show it: the operator sees why
        // emulated devices are listed, and the next start does not warn again.
        settings.setInteger(u"NoEmulatedDevices", 0);
        lib.rescanDevices();
        found = engine::scanDevices(describe, false, firstPairOnly);
        if (found.empty()) {
            showMessage(txt(texts::NoSoundDeviceTitle), txt(texts::NoSoundDevice),
                        MessageIcon::Critical);
            e->devices().setDevices({});
            return false;
        }
    }
    e->devices().setDevices(std::move(found));
    return true;
}

void KAE__CheckDirectSoundVersion() {
    KaeEngine* e = engine::currentEngine();
    if (!e)
        return;
    // The lines name the sound system as it is here, not the Windows one.
    AddDebugMessage(QStringLiteral("KAE: Checking sound system version..."));
    audio::DeviceInfo info;
    e->lib().getInfo(info);
    const int version = info.soundSystemVersion;
    if (version < 8) {
        showMessage(txt(texts::DxVersionErrorTitle),
                    txt(texts::DxVersionIs) + n(version) + QStringLiteral("\r\n") +
                        txt(texts::DxVersionAdvice),
                    MessageIcon::Critical);
    }
    AddDebugMessage(QStringLiteral("KAE: Sound system version is: ") + n(version) +
                    QStringLiteral(" (should be: 8 or higher)"));
}

void KAE__InitChannels() {
    KaeEngine* e = engine::currentEngine();
    if (!e)
        return;
    const OutputDevice first = e->devices().isEmpty() ? OutputDevice{} : e->devices().at(0);
    // The speaker count of the first listed output: the device every channel starts on.
    const int speakers = first.number > 0 ? KAE__GetDeviceInfo(first.number).speakers : 0;
    for (int slot = 0; slot < kChannelCount; ++slot) {
        KaeSlot& s = e->slot(slot);
        s.stream = 0;
        s.fadeInSync = 0;
        s.fadeOutSync = 0;
        s.fadeInStep = 0;
        s.fadeOutStep = 0;
        s.loopStart = 0;
        s.speakers = speakers;
        Channel& ch = e->store().channel(slot);
        ch.deviceNumber = first.number;
        ch.outputName = first.name;
        ch.fileName.clear();
        ch.surroundDestination = 0;
        ch.volume = 94;
        ch.pan = 0;
        ch.playbackFrequency = 0;
        ch.variSpeed = 0;
        ch.fileChannels = 0;
        ch.fileBits = 0;
        ch.fadeIn = FadeSettings{1000, false, 2};
        ch.fadeOut = FadeSettings{1000, false, 2};
        e->store().announceChannel(slot);
    }
    // The preview channel's own output comes with its set-up (ChoosePreviewOutput); until
    // then it plays where the channels start, as a load needs an output to select.
    Channel& preview = e->store().channel(kPreviewChannel);
    if (preview.deviceNumber <= 0 || e->devices().findName(preview.outputName) < 0) {
        preview.deviceNumber = first.number;
        preview.outputName = first.name;
        e->slot(kPreviewChannel).speakers = speakers;
    }
}

void KAE__InitEffectParameters() {
    KaeEngine* e = engine::currentEngine();
    if (!e)
        return;
    for (int slot = 0; slot < kChannelRecords; ++slot)
        engine::setDefaultEffectParameters(e->store().channel(slot).effects);
}

void KAE__SetCurves(bool logarithmic) {
    KaeEngine* e = engine::currentEngine();
    if (!e)
        return;
    e->lib().setConfig(audio::ConfigOption::VolumeCurve, logarithmic ? 1 : 0);
    e->lib().setConfig(audio::ConfigOption::PanCurve, logarithmic ? 1 : 0);
}

audio::DeviceInfo KAE__GetDeviceInfo(int device) {
    audio::DeviceInfo info;
    KaeEngine* e = engine::currentEngine();
    if (!e)
        return info;
    e->lib().setDevice(device);
    if (!e->lib().getInfo(info))
        info.speakers = 0;
    return info;
}

// --- Shut-down ----------------------------------------------------------------------------

bool KAE__Shutdown(bool settleWait) {
    KaeEngine* e = engine::currentEngine();
    if (!e)
        return true;
    e->dispatcher().setSubscribed(false);
    KAE__Free();
    if (settleWait)
        waits().wait(1000);
    return true;
}

void KAE__Free() {
    KaeEngine* e = engine::currentEngine();
    if (!e)
        return;
    for (const OutputDevice& device : e->devices().devices()) {
        e->lib().setDevice(device.number);
        e->lib().stop();
        e->lib().free();
    }
    // Freeing a device frees its streams: the slots no longer hold anything.
    for (int slot = 0; slot < engine::kSlotCount; ++slot) {
        KaeSlot& s = e->slot(slot);
        s.stream = 0;
        s.fadeInSync = 0;
        s.fadeOutSync = 0;
        e->store().channel(slot).handles = EffectHandles{};
    }
}

// --- Buffer size --------------------------------------------------------------------------

int KAE__SetBufferSize(int ms) {
    KaeEngine* e = engine::currentEngine();
    AddDebugMessage(QStringLiteral("KAE: Setting buffer size to ") + n(ms) +
                    QStringLiteral("ms..."));
    const int accepted = e ? e->lib().setConfig(audio::ConfigOption::BufferMs, ms) : 0;
    AddDebugMessage(QStringLiteral("KAE: Device accepts buffer size ") + n(accepted) +
                    QStringLiteral("ms!"));
    return accepted;
}

void ChangeBufferSize(int ms) {
    KaeEngine* e = engine::currentEngine();
    if (!e)
        return;
    e->settings().setInteger(u"BufferSize", ms);
    // Each listed output by its own library number: device numbers and list positions
    // differ as soon as the scan skipped a device.
    for (const OutputDevice& device : e->devices().devices()) {
        e->lib().setDevice(device.number);
        KAE__SetBufferSize(ms);
    }
    showMessage(txt(texts::SetBufferSizeTitle), txt(texts::SetBufferSizeText),
                MessageIcon::Information);
}

// --- Channels and outputs -----------------------------------------------------------------

int KAE__GetFileInfo(int slot, const QString& path) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return 0;
    AddAudioDebugMessage(QStringLiteral("KAE Module: KAE__GetFileInfo"));
    Channel& ch = e->store().channel(slot);
    KaeSlot& s = e->slot(slot);
    audio::AudioLib& lib = e->lib();
    lib.setDevice(ch.deviceNumber);
    // The probe borrows the slot; whatever it held was freed before a load gets here.
    KAE__Stream_Free(slot);
    const bool wma = path.right(4) == QLatin1String(".wma");
    s.stream = wma ? lib.wmaStreamCreateFile(path, 0) : lib.streamCreateFile(path, 0);
    if (s.stream == 0) {
        AddAudioDebugMessage(QStringLiteral("Error while opening file, Handle is zero!"));
        return 0;
    }
    AddAudioDebugMessage(QStringLiteral("File opened successful, getting info...!"));
    KAE__Channel_GetInfo(slot);
    KAE__Stream_Free(slot);
    return ch.fileChannels;
}

namespace {

// Multichannel files play as they are; a stereo file cannot go to a single speaker.
void checkDestination(Channel& ch, int fileChannels) {
    const auto flags = static_cast<std::uint32_t>(ch.surroundDestination);
    if (fileChannels > 2 || (fileChannels == 2 && flags > audio::flags::SpeakerRear2))
        ch.surroundDestination = 0;
}

} // namespace

void KAE__Channel_CheckSurroundFlags(int slot, const QString& path) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return;
    Channel& ch = e->store().channel(slot);
    if (e->slot(slot).speakers < 3) {
        ch.surroundDestination = 0;
        return;
    }
    if (ch.surroundDestination <= 0)
        return;
    checkDestination(ch, KAE__GetFileInfo(slot, path));
}

namespace {

void freeOldStream(KaeEngine& e, int slot, audio::Handle old) {
    AddAudioDebugMessage(QStringLiteral("KAE Module: KAE__Stream_Free"));
    AddAudioDebugMessage(QStringLiteral("Freeing Handle: ") + n(old) +
                         QStringLiteral(" for Channel: ") + n(slot + 1));
    e.lib().streamFree(old);
}

// Moving a channel to another output or speaker set means a new stream there. The sound
// goes on where it is until the new stream is open, positioned and pre-buffered; then
// the two change places in one batch, so the move is heard as no gap at all (a slow
// file opens in 100 ms and more). A running fade comes along. When the new stream does
// not open, the slot ends up empty, as after any failed load. Returns whether the new
// stream took over; `restartError` is written when playing on fails.
bool reloadOnOutput(KaeEngine& e, int slot, const QString& outputName, bool loop,
                    const QString& restartError) {
    Channel& ch = e.store().channel(slot);
    KaeSlot& s = e.slot(slot);
    const bool wasPlaying = KAE__Channel_IsPlaying(slot);
    const bool keepsPlace = wasPlaying || KAE__Channel_IsPaused(slot);
    ch.outputName = outputName;
    const int row = e.devices().findName(outputName);
    if (row >= 0) {
        ch.deviceNumber = e.devices().at(row).number;
        s.speakers = e.devices().at(row).speakers;
    }
    if (s.stream == 0 || ch.fileName.isEmpty() || s.path != ch.fileName) {
        // No stream of this sound is open to play on meanwhile: a plain load.
        const std::int64_t position = wasPlaying ? KAE__Channel_GetPosition(slot) : 0;
        const bool loaded = KAE__Channel_Load_Sound(slot, ch.fileName);
        if (loaded && wasPlaying) {
            if (position >= 0)
                KAE__Channel_SetPosition(slot, position);
            KAE__Channel_ApplySettings(slot);
            if (!KAE__Channel_Play(slot, false, loop))
                AddAudioDebugMessage(restartError + n(slot));
        }
        e.store().announceChannel(slot, ChannelAspect::Output);
        return loaded;
    }

    AddAudioDebugMessage(QStringLiteral("KAE Module: KAE__Channel_Load_Sound"));
    // The open stream knows the file's channels: no second stream just to read them.
    if (s.speakers < 3)
        ch.surroundDestination = 0;
    else if (ch.surroundDestination > 0)
        checkDestination(ch, ch.fileChannels);
    const QString path = ch.fileName;
    const audio::Handle fresh = engine::openStream(e, slot, path);
    if (fresh == 0) {
        // As any failed load: the slot is empty, which the caller's report starts from.
        KAE__Stream_Free(slot);
        ch.fileName.clear();
        e.store().announceChannel(slot, ChannelAspect::Sound);
        e.store().announceChannel(slot, ChannelAspect::Output);
        return false;
    }
    const std::int64_t position = keepsPlace ? KAE__Channel_GetPosition(slot) : 0;
    const engine::RunningFade fade = engine::takeFade(e, slot);
    const audio::Handle old = s.stream;
    s.stream = fresh;
    s.loopStart = 0;
    // The effects stay with the old stream; Apply attaches them to the new one.
    ch.handles = EffectHandles{};
    engine::finishLoad(e, slot, path);
    if (position > 0) {
        KAE__Channel_SetPosition(slot, position);
        // The old stream played on while the new one read ahead from there. When that took
        // a while (a long compressed file), the new one reads ahead once more, as far past
        // the old one's place as the first read took, so the change repeats next to nothing.
        const std::int64_t now = e.lib().channelGetPosition(old);
        if (wasPlaying && now > position &&
            now + (now - position) < e.lib().channelGetLength(old) &&
            e.lib().channelBytes2Seconds(old, now - position) > 0.005)
            KAE__Channel_SetPosition(slot, now + (now - position));
    }
    KAE__Channel_ApplySettings(slot);
    engine::resumeFade(e, slot, fade);

    e.lib().beginBatch();
    freeOldStream(e, slot, old);
    bool playing = true;
    if (wasPlaying) {
        // It goes on from mid-waveform while the old output fades out: fading in as well,
        // the two cross instead of the new one stepping in. (From the top it starts exactly.)
        if (position > 0)
            e.lib().channelFadeInNextStart(e.slot(slot).stream);
        playing = KAE__Channel_Play(slot, false, loop);
    } else if (keepsPlace) // paused: it stays paused, at its place, on the new output
        playing = KAE__Channel_Play(slot, false, loop) && KAE__Channel_Pause(slot);
    e.lib().endBatch();
    if (!playing)
        AddAudioDebugMessage(restartError + n(slot));
    e.lib().setDevice(ch.deviceNumber);
    e.store().announceChannel(slot, ChannelAspect::Output);
    return true;
}

} // namespace

bool KAE__Channel_ChangeDevice(int slot, const QString& outputName, bool loop) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return false;
    AddAudioDebugMessage(QStringLiteral("KAE Module: KAE__Channel_ChangeDevice"));
    AddAudioDebugMessage(QStringLiteral("Channel: ") + n(slot + 1) +
                         QStringLiteral(" wants new Output/Device: ") + outputName);
    if (outputName == e->store().channel(slot).outputName)
        return false;
    return reloadOnOutput(*e, slot, outputName, loop,
                          QStringLiteral("Error starting sound in channel: "));
}

bool KAE__Channel_ChangeSurround(int slot, const QString& outputName) {
    KaeEngine* e = engineFor(slot);
    if (!e)
        return false;
    AddAudioDebugMessage(QStringLiteral("KAE Module: KAE__Channel_ChangeSurround"));
    const bool loop = slot < kChannelCount && e->store().controls(slot).loopMode != 0;
    return reloadOnOutput(*e, slot, outputName, loop,
                          QStringLiteral("Error changing Surround Channel for channel: "));
}

int ChoosePreviewOutput() {
    KaeEngine* e = engine::currentEngine();
    if (!e)
        return 0;
    const QString wanted = e->settings().text(u"PreviewDevice");
    const engine::OutputDeviceList& devices = e->devices();
    int found = wanted.isEmpty() ? -1 : devices.findName(wanted);
    if (found < 0 && !wanted.isEmpty())
        found = devices.findRenumbered(wanted);
    Channel& preview = e->store().channel(kPreviewChannel);
    KaeSlot& s = e->slot(kPreviewChannel);
    const int row = found >= 0 ? found : 0;
    if (!devices.isEmpty()) {
        preview.outputName = devices.at(row).name;
        preview.deviceNumber = devices.at(row).number;
        s.speakers = devices.at(row).speakers;
    }
    AddAudioDebugMessage(found >= 0 ? txt(texts::PreviewDeviceFound)
                                    : txt(texts::PreviewDeviceReplaced));
    preview.volume = e->settings().integer(u"PreviewVolume");
    e->store().announceChannel(kPreviewChannel);
    return preview.volume;
}

namespace {

// Presets keep output names cut to their fixed width and trimmed; a longer device name
// still counts as the same output.
bool sameOutputName(const QString& stored, const QString& listed) {
    const QString wanted = stored.trimmed();
    return listed == wanted ||
           (listed.size() > kOutputNameWidth && listed.left(kOutputNameWidth).trimmed() == wanted);
}

} // namespace

OutputDevice FindPresetOutput(int channel, const QString& storedName, int storedNumber) {
    KaeEngine* e = engine::currentEngine();
    if (!e || e->devices().isEmpty())
        return {};
    const engine::OutputDeviceList& devices = e->devices();
    const bool byName = e->settings().text(u"AudioDeviceSelection").trimmed() == QLatin1String("0");
    int row = -1;
    for (int r = 0; r < devices.count() && row < 0; ++r) {
        const OutputDevice& device = devices.at(r);
        if (byName ? sameOutputName(storedName, device.name) : device.number == storedNumber)
            row = r;
    }
    if (row < 0 && byName)
        row = devices.findRenumbered(storedName.trimmed());
    if (row < 0) {
        row = 0;
        AddAudioDebugMessage(QStringLiteral("Non-existing sounddevice in channel ") +
                             n(channel + 1) + QStringLiteral(" has been replaced!"));
    }
    return devices.at(row);
}

} // namespace kalvor
