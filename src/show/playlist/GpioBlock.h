// The GPIO block at the end of a playlist: the port directions and, for each of the 24
// lines, its function caption, function number, logic, output duration and interval.
// With the GPIO configuration "Playlist" the assignments travel with the show. This is
// the data only; the GPIO interface applies it. Pure data and functions, any thread.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace kalvor {
class Settings;
}

namespace kalvor::playlist {

class LineCursor;

enum class GpioDirection { Off, In, Out };

QString gpioDirectionText(GpioDirection d);               // "IN", "OUT", "OFF"
GpioDirection gpioDirectionFromText(const QString& text); // anything unknown is "OFF"

struct GpioLineAssignment {
    QString caption;
    int function = 0;
    int logic = 1;
    int durationMs = 0; // 0: hold until switched off
    int intervalMs = 0; // 0: no blinking
    friend bool operator==(const GpioLineAssignment&, const GpioLineAssignment&) = default;
};

inline constexpr int kGpioLines = 24;

struct GpioBlock {
    // Port 1, port 2, the lower half of port 3 (lines 17..20), the upper half (21..24).
    std::array<GpioDirection, 4> directions{GpioDirection::Off, GpioDirection::Off,
                                            GpioDirection::Off, GpioDirection::Off};
    std::array<GpioLineAssignment, kGpioLines> lines{};
    // The "1"/"0" line after the records: whether the writer ran with "Playlist". The
    // program does not read it; tools that convert shows keep it.
    bool playlistConfiguration = false;
    friend bool operator==(const GpioBlock&, const GpioBlock&) = default;
};

// Every port "OFF", every line without a function (caption in the current language).
GpioBlock defaultGpioBlock();

// The global assignments of the settings store (section "GPIO"), as a show brings them
// along when it is saved.
GpioBlock gpioBlockFromSettings(const Settings& settings);

// Reads the four directions and the 24 line records (numbers by full conversion: text
// that is not a number ends the reader). The configuration line and the closing "~"
// are taken when present and never required.
GpioBlock readGpioBlock(LineCursor& lines);

// The block as written after the closing "~" of every playlist, its own "~" included.
void appendGpioBlock(QByteArray& out, const GpioBlock& block);

} // namespace kalvor::playlist
