// One entry of a channel's sound list: the full path and the name shown for it.
// Plain data; pure helpers usable from any thread.
#pragma once

#include <QString>

namespace kalvor {

inline constexpr int kMissingSoundColour = 255; // red, as red + 256*green + 65536*blue

struct SoundEntry {
    QString path;
    QString displayName;
    int colour = 0; // kMissingSoundColour when the file was missing at load time

    bool isMissing() const { return colour == kMissingSoundColour; }
    // The list's text form: path, "|", display name.
    QString listText() const { return path + QLatin1Char('|') + displayName; }
    friend bool operator==(const SoundEntry&, const SoundEntry&) = default;
};

// The part after the last folder separator ("/" or "\"), less a final ".wav", ".aif",
// ".mp1", ".mp2", ".mp3", ".ogg" or ".wma" (exactly those, in lower case).
QString soundDisplayName(const QString& path);

SoundEntry makeSoundEntry(const QString& path);

} // namespace kalvor
