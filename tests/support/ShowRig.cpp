#include "support/ShowRig.h"

#include "support/TestEnvironment.h"

#include <cmath>

namespace kalvor::test {

bool Block::silent() const {
    return peak(0) < 1e-6 && peak(1) < 1e-6;
}

bool Block::silentAfterRamp() const {
    for (std::size_t i = 2 * kRampFrames; i < samples.size(); ++i)
        if (std::fabs(samples[i]) >= 1e-6f)
            return false;
    return true;
}

double Block::peak(int side) const {
    double p = 0;
    for (std::size_t i = static_cast<std::size_t>(side); i < samples.size(); i += 2)
        p = std::max(p, static_cast<double>(std::fabs(samples[i])));
    return p;
}

std::int64_t rampFrame(float sample) {
    const auto v = static_cast<std::int64_t>(std::lround(sample * 32768.0));
    return ((v + 32768) % 65536 + 65536) % 65536;
}

ShowRig::ShowRig(audio::DecoderFactory open, std::vector<audio::ScriptedDevice> moreOutputs) {
    folder = freshFolder(QStringLiteral("show"));
    settings = std::make_unique<Settings>(folder + QStringLiteral("/Kalvor.ini"));
    settings->setInteger(u"SampleRate", kRate);
    backend = audio::makeOfflineBackend(kRate, 2);
    if (!moreOutputs.empty()) {
        audio::ScriptedDevice offline;
        offline.device = backend->enumerate().front();
        offline.periodFrames = 1024;
        moreOutputs.insert(moreOutputs.begin(), offline);
        backend->setDevices(std::move(moreOutputs));
    }
    audio::AudioLibOptions options;
    options.backend = backend;
    options.openDecoder = std::move(open);
    lib = std::make_unique<audio::AudioLib>(options);
    engine = std::make_unique<engine::KaeEngine>(*lib, store, *settings);
    KAE__Init(nullptr);
    show = std::make_unique<ShowLayer>(store, *settings, nullptr);
    show->connectEngine(engine->dispatcher());
}

ShowRig::~ShowRig() {
    show.reset();
    KAE__Shutdown(false);
}

QString ShowRig::ramp(const QString& name, double seconds) {
    return testmedia::makeRamp(folder, name, testmedia::Format::Wav16, kRate, 2,
                               static_cast<std::int64_t>(seconds * kRate));
}

QString ShowRig::tone(const QString& name, double seconds) {
    return testmedia::makeTone(folder, name, testmedia::Format::Wav16, kRate, 2, seconds, 440.0,
                               -6.0);
}

QString ShowRig::silence(const QString& name, double seconds) {
    return testmedia::makeSilence(folder, name, testmedia::Format::Wav16, 8000, 1, seconds);
}

void ShowRig::loadChannel(int ch, const QStringList& files, int selected) {
    QList<SoundEntry> list;
    for (const auto& f : files)
        list << makeSoundEntry(f);
    store.soundList(ch) = list;
    Channel& c = store.channel(ch);
    c.volume = 100;
    c.pan = 0;
    c.fadeIn.active = c.fadeOut.active = false;
    show->selection().select(ch, selected);
}

void ShowRig::addPresets(int count, int recalled) {
    for (int i = 0; i < count; ++i)
        show->presets().NewPreset();
    store.presets().setSelected(recalled);
    show->recall().RecallPreset();
}

Block ShowRig::render(int frames) {
    Block b;
    b.samples.assign(static_cast<std::size_t>(frames) * 2, 0.0f);
    lib->renderOffline(b.samples.data(), frames);
    return b;
}

} // namespace kalvor::test
