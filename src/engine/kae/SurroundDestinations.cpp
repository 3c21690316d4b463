// The destination table and its rules; see SurroundDestinations.h. UI thread.
#include "engine/kae/SurroundDestinations.h"

#include "engine/audiolib/AudioLib.h"

namespace kalvor::engine {

namespace {

namespace f = audio::flags;
using enum DestinationFor;

constexpr std::array<SurroundDestination, kSurroundDestinationCount> kTable{{
    {"All channels", 0, AnySound},
    {"Stereo -> Front", f::SpeakerFront, Stereo},
    {"Stereo -> Center + LFE", f::SpeakerCenLfe, Stereo},
    {"Stereo -> Rear (5.1)", f::SpeakerRear, Stereo},
    {"Stereo -> Rear (7.1)", f::SpeakerRear2, Stereo},
    {"Mono -> Front", f::SpeakerFront, Mono},
    {"Mono -> Front Left", f::SpeakerFront | f::SpeakerLeft, Mono},
    {"Mono -> Front Right", f::SpeakerFront | f::SpeakerRight, Mono},
    {"Mono -> Center + LFE", f::SpeakerCenLfe, Mono},
    {"Mono -> Center", f::SpeakerCenLfe | f::SpeakerLeft, Mono},
    {"Mono -> LFE", f::SpeakerCenLfe | f::SpeakerRight, Mono},
    {"Mono -> Rear (5.1)", f::SpeakerRear, Mono},
    {"Mono -> Rear Left (5.1)", f::SpeakerRear | f::SpeakerLeft, Mono},
    {"Mono -> Rear Right (5.1)", f::SpeakerRear | f::SpeakerRight, Mono},
    {"Mono -> Rear (7.1)", f::SpeakerRear2, Mono},
    {"Mono -> Rear Left (7.1)", f::SpeakerRear2 | f::SpeakerLeft, Mono},
    {"Mono -> Rear Right (7.1)", f::SpeakerRear2 | f::SpeakerRight, Mono},
}};

bool valid(int index) {
    return index >= 0 && index < kSurroundDestinationCount;
}

} // namespace

const std::array<SurroundDestination, kSurroundDestinationCount>& surroundDestinations() {
    return kTable;
}

QString surroundDestinationText(int index) {
    return valid(index) ? QString::fromUtf8(kTable[static_cast<std::size_t>(index)].text)
                        : QString();
}

std::uint32_t surroundDestinationFlags(int index) {
    return valid(index) ? kTable[static_cast<std::size_t>(index)].flags : 0;
}

int surroundDestinationIndex(std::int32_t flags, int fileChannels) {
    const auto wanted = static_cast<std::uint32_t>(flags);
    if (wanted == 0)
        return 0;
    const bool single = (wanted & (f::SpeakerLeft | f::SpeakerRight)) != 0;
    const DestinationFor kind = single || fileChannels == 1 ? Mono : Stereo;
    for (int i = 1; i < kSurroundDestinationCount; ++i) {
        const SurroundDestination& d = kTable[static_cast<std::size_t>(i)];
        if (d.flags == wanted && d.forSound == kind)
            return i;
    }
    return 0;
}

RoutingRefusal routingRefusal(int fileChannels, int index) {
    if (!valid(index))
        return RoutingRefusal::None;
    const DestinationFor kind = kTable[static_cast<std::size_t>(index)].forSound;
    if (fileChannels == 1 && kind == Stereo)
        return RoutingRefusal::StereoForMono;
    if (fileChannels == 2 && kind == Mono)
        return RoutingRefusal::MonoForStereo;
    return RoutingRefusal::None;
}

QString routingRefusalText(RoutingRefusal refusal) {
    switch (refusal) {
    case RoutingRefusal::StereoForMono:
        return txt(texts::StereoRoutingForMono);
    case RoutingRefusal::MonoForStereo:
        return txt(texts::MonoRoutingForStereo);
    case RoutingRefusal::None:
        break;
    }
    return {};
}

QString surroundFailureText(int index) {
    const QString crlf = QStringLiteral("\r\n");
    return txt(texts::SurroundNotSet) + crlf + txt(texts::SurroundNotSupported) + crlf +
           surroundDestinationText(index) + crlf + txt(texts::SurroundReloadDefault);
}

} // namespace kalvor::engine
