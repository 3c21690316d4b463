// The audio library layer's UI side (skeleton: every call fails until filled in).
// Every call is made on the UI thread.
#include "engine/audiolib/AudioLib.h"

#include "engine/audiolib/DeviceBackend.h"

namespace kalvor::audio {

QEvent::Type EngineMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

struct AudioLib::Impl {
    AudioLibOptions options;
    Error error = Error::Ok;
};

AudioLib::AudioLib(AudioLibOptions options) : d(std::make_unique<Impl>()) {
    d->options = std::move(options);
}
AudioLib::~AudioLib() = default;

std::optional<DeviceDescription> AudioLib::getDeviceDescription(int) const {
    return std::nullopt;
}
void AudioLib::rescanDevices() {}
bool AudioLib::init(int, int, std::uint32_t, QObject*) {
    return false;
}
bool AudioLib::setDevice(int) {
    return false;
}
int AudioLib::currentDevice() const {
    return 0;
}
bool AudioLib::getInfo(DeviceInfo&) const {
    return false;
}
int AudioLib::setConfig(ConfigOption, int value) {
    return value;
}
bool AudioLib::stop() {
    return false;
}
bool AudioLib::free() {
    return false;
}
Handle AudioLib::streamCreateFile(const QString&, std::uint32_t) {
    return 0;
}
Handle AudioLib::wmaStreamCreateFile(const QString&, std::uint32_t) {
    return 0;
}
bool AudioLib::streamFree(Handle) {
    return false;
}
bool AudioLib::channelGetInfo(Handle, StreamInfo&) const {
    return false;
}
bool AudioLib::channelPlay(Handle, bool) {
    return false;
}
bool AudioLib::channelStop(Handle) {
    return false;
}
bool AudioLib::channelPause(Handle) {
    return false;
}
bool AudioLib::channelSetFlags(Handle, std::uint32_t) {
    return false;
}
ActiveState AudioLib::channelIsActive(Handle) const {
    return ActiveState::Stopped;
}
bool AudioLib::channelSetLoopStart(Handle, std::int64_t) {
    return false;
}
std::int64_t AudioLib::channelGetPosition(Handle) const {
    return -1;
}
std::int64_t AudioLib::channelGetLength(Handle) const {
    return -1;
}
bool AudioLib::channelSetPosition(Handle, std::int64_t) {
    return false;
}
double AudioLib::channelBytes2Seconds(Handle, std::int64_t) const {
    return -1;
}
std::int64_t AudioLib::channelSeconds2Bytes(Handle, double) const {
    return -1;
}
bool AudioLib::channelPreBuf(Handle, int) {
    return false;
}
bool AudioLib::channelSetAttributes(Handle, int, int, int) {
    return false;
}
bool AudioLib::channelGetAttributes(Handle, int*, int*, int*) const {
    return false;
}
bool AudioLib::channelSlideAttributes(Handle, int, int, int, int) {
    return false;
}
std::uint32_t AudioLib::channelIsSliding(Handle) const {
    return 0;
}
Handle AudioLib::channelSetSync(Handle, std::uint32_t, std::int64_t, int, int) {
    return 0;
}
bool AudioLib::channelRemoveSync(Handle, Handle) {
    return false;
}
std::int32_t AudioLib::channelGetLevel(Handle) const {
    return -1;
}
float AudioLib::getCpu() const {
    return 0;
}
Error AudioLib::errorGetCode() const {
    return d->error;
}
Handle AudioLib::channelSetFx(Handle, FxType, int) {
    return 0;
}
bool AudioLib::channelRemoveFx(Handle, Handle) {
    return false;
}
bool AudioLib::fxSetParameters(Handle, const void*) {
    return false;
}
bool AudioLib::fxGetParameters(Handle, void*) const {
    return false;
}
void AudioLib::beginBatch() {}
void AudioLib::endBatch() {}
bool AudioLib::renderOffline(float*, int) {
    return false;
}
std::int64_t AudioLib::deviceFrame() const {
    return -1;
}
std::int64_t AudioLib::channelStartFrame(Handle) const {
    return -1;
}
std::int64_t AudioLib::underruns() const {
    return 0;
}
void AudioLib::deliverSyncs() {}

} // namespace kalvor::audio
