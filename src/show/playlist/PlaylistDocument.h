// A playlist file as data: what a reader got out of a file of any format, and what the
// writer turns into a format 17 file. The store is filled from it (loading) and it is
// made from the store (saving); keeping the bytes <-> document step free of dialogs,
// waits and the file system lets tests, tools and the fuzzer drive it directly.
// Pure data and functions, any thread.
#pragma once

#include "core/Limits.h"
#include "core/Preset.h"
#include "show/playlist/GpioBlock.h"
#include "show/playlist/OverviewLayout.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace kalvor::playlist {

inline constexpr int kNewestFormat = 17;
inline constexpr int kOldestFormat = 2;
inline constexpr int kUnknownFormat = 1; // the format number recorded for a foreign file
inline constexpr int kPresetBlockLines = 1 + kChannelCount * 76 + 2;

// The text document linked to the show: its folder (ending in a separator) and name.
struct TextReaderLink {
    QString folder;
    QString name;
    bool isSet() const { return !folder.isEmpty() || !name.isEmpty(); }
    QString path() const { return folder + name; }
    friend bool operator==(const TextReaderLink&, const TextReaderLink&) = default;
};

struct PlaylistDocument {
    int format = kNewestFormat;
    std::vector<Preset> presets;                       // in list order, at most 100
    std::array<QStringList, kChannelCount> soundPaths; // as the file has them
    std::optional<OverviewLayout> overviewLayout;      // formats 13..17
    TextReaderLink textReaderLink;                     // formats 11..17
    std::optional<GpioBlock> gpio;                     // formats 15..17, when asked for
};

// Where in the file a reader stopped.
enum class ReadStage { Header, Presets, SoundLists, OverviewLayout, TextReaderLink, Gpio, Done };

enum class ReadStatus {
    Complete,
    UnknownFormat,    // the first line is no header of 2..17: nothing read
    CapacityExceeded, // more than 100 presets: the presets are dropped, reading ended
    RuntimeError,     // a run-time error ended the reader; what came before it is kept
};

struct PlaylistReadResult {
    PlaylistDocument document;
    ReadStatus status = ReadStatus::Complete;
    int errorNumber = 0; // with RuntimeError: 6 Overflow, 13 Type mismatch, 62 Input past end
    ReadStage errorStage = ReadStage::Done;
    int errorLine = 0;                   // number of the line being read when it happened (from 1)
    bool layoutLengthUnexpected = false; // the layout block did not end with "~"
    int skippedSoundPaths = 0;           // paths after a "Channel" line outside 0..31
};

struct PlaylistReadOptions {
    // The GPIO block is only read while the GPIO configuration is "Playlist".
    bool readGpioBlock = false;
};

// 2..17 for "Fileformat 2".."Fileformat 17", otherwise kUnknownFormat.
int formatOfHeader(QByteArrayView firstLine);

// Reads a whole playlist file of any format. Never throws; bounded by the input's size.
PlaylistReadResult readPlaylist(QByteArrayView contents, const PlaylistReadOptions& options = {});

// Format 17: header, the presets not named "empty", sound lists, the overview layout (the
// default one when the document has none), the text-reader link, the GPIO block (the
// default one when the document has none). CR LF line ends, UTF-8.
QByteArray writePlaylist(const PlaylistDocument& document);

// The same in its three parts, so a save can show its progress between them: header and
// presets with their "~"; the sound lists with their "~"; layout, link, "~", GPIO block.
void appendPresetSection(QByteArray& out, const PlaylistDocument& document);
void appendSoundListSection(QByteArray& out, const PlaylistDocument& document);
void appendClosingSections(QByteArray& out, const PlaylistDocument& document);

} // namespace kalvor::playlist
