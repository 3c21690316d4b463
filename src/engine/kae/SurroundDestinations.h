// The speaker destinations of the destination selector (`cmbSurroundDestination`): their
// texts and speaker flags, the entry a channel's stored flags stand for, and the rule
// that keeps mono sounds off stereo entries and stereo sounds off mono entries. Headless,
// so the settings panel, the tests and the engine share one table. UI thread.
#pragma once

#include "core/UiLanguage.h"

#include <QString>

#include <array>
#include <cstdint>

namespace kalvor::engine {

// What kind of sound an entry is for.
enum class DestinationFor { AnySound, Stereo, Mono };

struct SurroundDestination {
    const char* text; // as the selector shows it, in both languages
    std::uint32_t flags;
    DestinationFor forSound;
};

inline constexpr int kSurroundDestinationCount = 17;

// In selector order: entry 0 is "All channels" (flags 0).
const std::array<SurroundDestination, kSurroundDestinationCount>& surroundDestinations();

// The entry's text; empty outside 0..16.
QString surroundDestinationText(int index);
// The entry's flags; 0 outside 0..16.
std::uint32_t surroundDestinationFlags(int index);

// The entry that shows a channel's flags (`DisplaySurroundSettings`): a pair flag is the
// "Stereo" entry of that pair for a stereo sound and its "Mono" entry for a mono one
// (with no sound loaded, or more than two channels, the "Stereo" entry); a single speaker
// is its own entry; 0 and anything unknown is entry 0.
int surroundDestinationIndex(std::int32_t flags, int fileChannels);

// Why choosing entry `index` for a sound of `fileChannels` channels is refused.
enum class RoutingRefusal { None, StereoForMono, MonoForStereo };
RoutingRefusal routingRefusal(int fileChannels, int index);

} // namespace kalvor::engine

namespace kalvor::texts {

// The selector's refusals.
inline constexpr UiText RoutingErrorTitle{"Routing Error", "Zuweisungsfehler"};
inline constexpr UiText StereoRoutingForMono{"Stereo routing not allowed for Mono sounds!",
                                             "Stereo Zuweisung nicht erlaubt für Mono Sounds!"};
inline constexpr UiText MonoRoutingForStereo{"Mono routing not allowed for Stereo sounds!",
                                             "Mono Zuweisung nicht erlaubt für Stereo Sounds!"};

// A device that does not take the destination. The box shows the first two lines, the
// entry's text, then the last line.
inline constexpr UiText ChannelErrorTitle{"Channel Error", "Audiokanal Fehler"};
inline constexpr UiText SurroundNotSet{
    "An error occured while setting the Surround destination!",
    "Ein Fehler trat auf, bei dem Versuch den Surround Ausgang zu ändern!"};
inline constexpr UiText SurroundNotSupported{
    "The selected Sound Device may not support the setting:",
    "Das Soundwiedergabe Gerät unterstützt möglicherweise nicht die Einstellung:"};
inline constexpr UiText SurroundReloadDefault{
    "The sound will be reloaded with the default setting!",
    "Der Sound wird mit der Standard Einstellung neu geladen!"};

// "Output Device Channels: " and the speaker count (`lblInfoDeviceChannels`).
inline constexpr UiText OutputDeviceChannels{"Output Device Channels: ", "Ausgangsgerät Kanäle: "};

} // namespace kalvor::texts

namespace kalvor::engine {

// The refusal's box text in the current language (empty for None); its title is
// texts::RoutingErrorTitle.
QString routingRefusalText(RoutingRefusal refusal);
// The "Channel Error" box's lines for entry `index`, joined with CR LF.
QString surroundFailureText(int index);

} // namespace kalvor::engine
