// The test engine; see KaeRig.h. Test thread only.
#include "support/KaeRig.h"

#include "TestMedia.h"
#include "core/SystemMessages.h"
#include "engine/kae/KaeMessageDispatcher.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace kalvor::test {

bool MessageLog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == audio::EngineMessageEvent::eventType()) {
        const auto* m = static_cast<const audio::EngineMessageEvent*>(event);
        entries.push_back(
            {m->message(), m->slot(), m->stream(), m->deviceFrame(), m->sync(), m->play()});
        if (hold) {
            held.push_back(entries.back());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void MessageLog::release(engine::KaeMessageDispatcher& dispatcher) {
    hold = false;
    for (const Entry& e : held)
        dispatcher.handleMessage(e.message, e.slot, e.stream, e.sync, e.play);
    held.clear();
}

audio::ScriptedDevice scriptedDevice(const QString& name, int speakers, bool opens) {
    audio::ScriptedDevice d;
    d.device.name = name;
    d.device.driver = QStringLiteral("scripted:") + name;
    d.device.outputChannels = speakers;
    d.device.defaultRate = 44100;
    d.opens = opens;
    return d;
}

QString mediaFolder() {
    static const QString folder = [] {
        const QString path = testHome() + QStringLiteral("/media");
        QDir().mkpath(path);
        return path;
    }();
    return folder;
}

QString levelFile(double seconds) {
    const QString name = QStringLiteral("level_%1.wav").arg(seconds);
    const QString path = mediaFolder() + QLatin1Char('/') + name;
    return QFile::exists(path)
               ? path
               : testmedia::makeSound(mediaFolder(), name, testmedia::Format::Wav16, 44100, 2,
                                      std::vector<float>(std::size_t(seconds * 44100) * 2, 0.5f));
}

bool loadAndApply(int slot, const QString& path) {
    if (!KAE__Channel_Load_Sound(slot, path))
        return false;
    KAE__Channel_ApplySettings(slot);
    return true;
}

QString rampFile(std::int64_t frames, int channels) {
    const QString name = QStringLiteral("ramp_%1_%2.wav").arg(frames).arg(channels);
    const QString path = mediaFolder() + QLatin1Char('/') + name;
    return QFile::exists(path) ? path
                               : testmedia::makeRamp(mediaFolder(), name, testmedia::Format::Wav16,
                                                     44100, channels, frames);
}

namespace {
int g_rigNumber = 0;
}

KaeRig::KaeRig(RigOptions options) {
    SystemMessages::instance().clear();
    SystemMessages::instance().setShowAudioMessages(true);
    backend = options.devices.empty() ? audio::makeOfflineBackend(44100, 2)
                                      : std::make_shared<audio::ScriptedBackend>(options.devices);
    const QString folder = freshFolder(QStringLiteral("rig%1").arg(++g_rigNumber));
    settings = std::make_unique<Settings>(folder + QStringLiteral("/Kalvor.ini"));
    for (const auto& [key, value] : options.settings)
        settings->setText(key, value);
    settings->load();
    audio::AudioLibOptions libOptions;
    libOptions.backend = options.otherBackend
                             ? options.otherBackend
                             : std::static_pointer_cast<audio::DeviceBackend>(backend);
    libOptions.openDecoder = [this](const QString& path, engine::DecoderRoute route,
                                    QString* error) {
        if (whileOpening)
            whileOpening();
        return engine::openDecoder(path, route, error);
    };
    lib = std::make_unique<audio::AudioLib>(libOptions);
    kae = std::make_unique<engine::KaeEngine>(*lib, store, *settings);
    kae->dispatcher().installEventFilter(&log);
    if (options.init)
        initResult = KAE__Init();
}

KaeRig::~KaeRig() {
    if (kae)
        kae->dispatcher().removeEventFilter(&log);
    kae.reset();
    lib.reset();
    SystemMessages::instance().setShowAudioMessages(false);
}

void KaeRig::render(std::int64_t frames, Rendered& into, int block) {
    if (into.samples.empty()) {
        audio::DeviceInfo info;
        if (lib->getInfo(info) && info.speakers > 0)
            into.channels = info.speakers;
    }
    std::vector<float> buffer;
    while (frames > 0) {
        const int n = int(std::min<std::int64_t>(block, frames));
        buffer.assign(std::size_t(n) * std::size_t(into.channels), 0.0f);
        lib->renderOffline(buffer.data(), n);
        into.samples.insert(into.samples.end(), buffer.begin(), buffer.end());
        frames -= n;
    }
}

Rendered KaeRig::render(std::int64_t frames, int block) {
    Rendered r;
    render(frames, r, block);
    return r;
}

QStringList KaeRig::takeAudioLines() {
    QStringList lines;
    for (const QString& entry : SystemMessages::instance().entries())
        lines << entry.mid(entry.indexOf(QLatin1Char(' ')) + 1);
    SystemMessages::instance().clear();
    return lines;
}

} // namespace kalvor::test
