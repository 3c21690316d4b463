// Device backends (skeleton). UI thread only.
#include "engine/audiolib/DeviceBackend.h"

namespace kalvor::audio {

struct ScriptedBackend::Shared {
    std::vector<ScriptedDevice> devices;
};

ScriptedBackend::ScriptedBackend(std::vector<ScriptedDevice> devices)
    : shared_(std::make_shared<Shared>()) {
    shared_->devices = std::move(devices);
}
void ScriptedBackend::setDevices(std::vector<ScriptedDevice> devices) {
    shared_->devices = std::move(devices);
}
std::vector<BackendDevice> ScriptedBackend::enumerate() {
    std::vector<BackendDevice> out;
    for (const auto& d : shared_->devices)
        out.push_back(d.device);
    return out;
}
std::unique_ptr<OutputStream> ScriptedBackend::open(const BackendDevice&, int, RenderTarget&,
                                                    QString*) {
    return nullptr;
}
void ScriptedBackend::unplug(const QString&) {}

std::shared_ptr<DeviceBackend> makeSystemBackend() {
    return std::make_shared<ScriptedBackend>(std::vector<ScriptedDevice>{});
}
std::shared_ptr<ScriptedBackend> makeOfflineBackend(int sampleRate, int channels) {
    ScriptedDevice d;
    d.device.name = QStringLiteral("Offline");
    d.device.driver = QStringLiteral("offline");
    d.device.outputChannels = channels;
    d.device.defaultRate = sampleRate;
    return std::make_shared<ScriptedBackend>(std::vector<ScriptedDevice>{d});
}
BackendDevice nullOutputDevice() {
    BackendDevice d;
    d.name = QString::fromLatin1(kNullOutputName);
    d.driver = QStringLiteral("null");
    d.emulated = true;
    return d;
}
std::unique_ptr<OutputStream> openNullOutput(int, int, int, const QString&, RenderTarget&) {
    return nullptr;
}

} // namespace kalvor::audio
